#include "uploader/login.h"

#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/jar_exchange.h"
#include "uploader/settings_file.h"

namespace quillon {
namespace {

constexpr std::int32_t kNewSettingsFileSize = 10240;

}  // namespace

void log_in(WindowServices& window, const std::optional<Text>& settings_path) {
  const Text url = text_concat(window.field_text(kSiteBox), Text("/login.php?action=in"));
  const Text account = window.field_text(kAccountBox);
  const Text password = window.field_text(kPasswordBox);
  // Account and password go in unescaped, exactly as typed.
  const Text form = text_concat(Text("form_sent=1&redirect_url=&req_username="), account,
                                Text("&req_password="), password, Text("&login=Login"));

  const Bytes reply =
      exchange_replacing_jar({.url = url, .method = 1, .post_text = form, .no_redirect = true});
  const Text reply_text = bytes_to_text(reply);
  if (find_text(reply_text, Text("Logged in successfully"), 1, false) == -1) {
    window.set_status_text(kLoginFailed);
    return;
  }
  window.set_status_text(kLoginSucceeded);
  const Text path = settings_path ? *settings_path : settings_file();
  if (!is_existing_file(path)) create_sized_file(path, kNewSettingsFileSize);
  save_edit_boxes(window, path);
}

}  // namespace quillon
