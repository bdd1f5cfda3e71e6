// The main window's control names and the fixed user-facing texts, in code page
// 936. The settings file stores values under the edit box names.
#pragma once

#include "text/values.h"

namespace quillon {

inline const Text kSiteBox{"\xB1\xE0\xBC\xAD\xBF\xF2\xCD\xF8\xD6\xB7"};          // 编辑框网址
inline const Text kAccountBox{"\xB1\xE0\xBC\xAD\xBF\xF2\xD3\xC3\xBB\xA7\xC3\xFB"};  // 编辑框用户名
inline const Text kPasswordBox{"\xB1\xE0\xBC\xAD\xBF\xF2\xC3\xDC\xC2\xEB"};        // 编辑框密码
inline const Text kFileBox{"\xB1\xE0\xBC\xAD\xBF\xF2\xCE\xC4\xBC\xFE"};            // 编辑框文件
inline const Text kLoginButton{"\xB0\xB4\xC5\xA5login"};                            // 按钮login
inline const Text kImageButton{"\xB0\xB4\xC5\xA5" "2"};                             // 按钮2
inline const Text kUploadButton{"\xB0\xB4\xC5\xA5" "1"};                            // 按钮1
inline const Text kStatusBar{"\xD7\xB4\xCC\xAC\xCC\xF5" "1"};                       // 状态条1

// Section of the settings file.
inline const Text kSettingsSection{"\xB1\xE0\xBC\xAD\xBF\xF2"};  // 编辑框

inline const Text kLoginSucceeded{"\xB5\xC7\xC2\xBD\xB3\xC9\xB9\xA6"};  // 登陆成功
inline const Text kLoginFailed{"\xB5\xC7\xC2\xBD\xCA\xA7\xB0\xDC"};     // 登陆失败
// 上传成功，已经复制
inline const Text kUploadSucceeded{
    "\xC9\xCF\xB4\xAB\xB3\xC9\xB9\xA6\xA3\xAC\xD2\xD1\xBE\xAD\xB8\xB4\xD6\xC6"};
inline const Text kUploadFailed{"\xC9\xCF\xB4\xAB\xCA\xA7\xB0\xDC\xA3\xAC"};  // 上传失败，
inline const Text kNoticeCaption{"\xCC\xE1\xCA\xBE"};                         // 提示

}  // namespace quillon
