// Secrets kept in files only in protected form: the platform's data protection in machine
// scope (report jobs run as SYSTEM, the console as an administrator, so user scope would not
// serve), as base64 text. Windows only.
#pragma once

#include <optional>
#include <string>

namespace zq {

// `secret` protected and in base64; nothing when the platform refuses.
std::optional<std::string> ProtectText(const std::string& secret);
// The secret of a text ProtectText made; nothing when it is not one or cannot be read here.
std::optional<std::string> UnprotectText(const std::string& text);

}  // namespace zq
