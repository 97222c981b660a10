// Whether a file or folder that a SYSTEM job runs or reads can be changed by someone less
// trusted: a decision over its security descriptor in SDDL form. Portable; AccessSafety_win.cpp
// reads the descriptor of a path.
#pragma once

#include <string>
#include <string_view>

namespace zq {

// SIDs that may change what a SYSTEM job runs: SYSTEM, Administrators, TrustedInstaller.
inline constexpr char kSystemSid[] = "S-1-5-18";
inline constexpr char kAdministratorsSid[] = "S-1-5-32-544";

struct AccessVerdict {
  bool safe = false;
  std::string reason;  // why not, in words; "" when safe
};

// Safe when the object is no link (reparse point), has an owner that is SYSTEM, Administrators,
// TrustedInstaller or `trustedUserSid` (the administrator using the console), has a DACL, and
// no allow entry that applies to the object itself gives any other trustee a right to write,
// append, delete, change permissions or take ownership. Entries that only pass down to new
// children are judged where those children are checked; deny entries are not counted on.
// Anything that cannot be read counts as unsafe.
AccessVerdict JudgeAccess(std::string_view sddl, bool reparsePoint, std::string_view trustedUserSid);

// The SID of an SDDL trustee: an alias ("BU", "SY"...) as its SID string, a SID as it is,
// upper-cased; "" for an alias this reader does not know.
std::string SidOfTrustee(std::string_view trustee);

// The refusal shown before registering a report job on `path` with `verdict`.
std::string UnsafePathText(std::string_view path, const AccessVerdict& verdict);

}  // namespace zq
