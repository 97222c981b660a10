// Secrets kept in files only in protected form: the platform's data protection as base64
// text, in the scope of the user who saved it, or of the machine for what a SYSTEM job reads
// (any local user can undo machine scope, so it belongs only in admin-only folders). Windows
// only.
#pragma once

#include <optional>
#include <string>

namespace zq {

enum class SecretScope { kCurrentUser, kMachine };

// `secret` protected in `scope` and in base64; nothing when the platform refuses.
std::optional<std::string> ProtectText(const std::string& secret, SecretScope scope);
// The secret of a text ProtectText made; nothing when it is not one or cannot be read here.
std::optional<std::string> UnprotectText(const std::string& text);
// The secret of `text` protected again in `scope`, the clear copy wiped; nothing when it
// cannot be read or protected.
std::optional<std::string> ReprotectText(const std::string& text, SecretScope scope);

}  // namespace zq
