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
// to Administrators; nothing inherited from above; for a `folder`, passed on to children.
std::string ProtectedAccessText(bool administrators, bool folder);

// Creates directory `path` with descriptor `sddl`. 0 when created, or when `mayExist` and it
// already is a directory (its permissions left as they are); else the system error number.
std::uint32_t MakeDirectoryWithAccess(const std::string& path, const std::string& sddl,
                                      bool mayExist);

// Sets the DACL of an existing `path` to that of `sddl` (inheritance off). 0 or the error.
std::uint32_t SetPathAccess(const std::string& path, const std::string& sddl);

// Gives file `path` the DACL of `sddl`: created empty with it when missing, else set. 0 or
// the system error number.
std::uint32_t ProtectFile(const std::string& path, const std::string& sddl);

}  // namespace zq
