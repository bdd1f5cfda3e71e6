// Signing in to the forum.
#pragma once

#include <optional>

#include "text/values.h"
#include "uploader/window_services.h"

namespace quillon {

// Posts the account and password from the window to the site's login page,
// replaces cookie_jar with the reply's cookies and reports "登陆成功" or
// "登陆失败" in the status bar; after a success saves the edit boxes to
// settings_path (settings_file() when not given).
void log_in(WindowServices& window, const std::optional<Text>& settings_path = std::nullopt);

}  // namespace quillon
