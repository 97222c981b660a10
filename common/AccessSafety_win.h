// The access decision applied to real paths and the protected descriptors this system creates
// its folders and files with. Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "common/AccessSafety.h"

namespace zq {

// The SID of the user this process runs as, "" when it cannot be read.
std::string CurrentUserSid();

// JudgeAccess over the owner and DACL of `path`, with the current user trusted as owner. A
// path whose descriptor cannot be read is unsafe, its reason the system's text.
AccessVerdict CheckPathAccess(const std::string& path);

// A descriptor giving full control to SYSTEM, to the current user and, when `administrators`,
// to Administrators; passed on to children, nothing inherited from above.
std::string ProtectedAccessText(bool administrators);

// Creates directory `path` with descriptor `sddl`. 0 when created or already a directory
// (its permissions left as they are); else the system error number.
std::uint32_t MakeDirectoryWithAccess(const std::string& path, const std::string& sddl);

// Sets the DACL of an existing `path` to that of `sddl` (inheritance off). 0 or the error.
std::uint32_t SetPathAccess(const std::string& path, const std::string& sddl);

}  // namespace zq
