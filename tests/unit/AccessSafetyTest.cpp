// The access decision over descriptors as Windows writes them: Program Files and a folder
// installed below it, the installer's own descriptor, a folder at a drive root with the
// inherited rights of Authenticated Users, links, owners nobody trusts, damaged text.
#include "common/AccessSafety.h"

#include <gtest/gtest.h>

namespace zq {
namespace {

constexpr char kInstaller[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
#define TI "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

struct Case {
  const char* name;
  const char* sddl;
  bool reparse;
  const char* reason;  // "" when safe, else a part of the reason
};

const Case kCases[] = {
    {"Program Files",
     "O:" TI "G:" TI "D:PAI(A;;FA;;;" TI ")(A;CIIO;GA;;;" TI ")(A;;0x1301bf;;;SY)"
     "(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
     "(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)",
     false, ""},
    {"a folder created below Program Files by the installing administrator",
     "O:S-1-5-21-1004336348-1177238915-682003330-1001G:S-1-5-21-1004336348-1177238915-"
     "682003330-513D:AI(A;ID;FA;;;" TI ")(A;ID;0x1301bf;;;SY)(A;OICIIOID;GA;;;SY)"
     "(A;ID;0x1301bf;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)(A;OICIIOID;GA;;;CO)",
     false, ""},
    {"the installer's descriptor",
     "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", false, ""},
    {"owner rights and a deny entry", "O:SYD:P(D;;FA;;;BU)(A;;FA;;;OW)(A;;FA;;;BA)", false, ""},
    {"Everyone may read and run", "O:BAD:P(A;;FA;;;SY)(a;;0x1200A9;;;wd)", false, ""},
    {"C:\\zq with inherited modify for Authenticated Users",
     "O:S-1-5-21-1004336348-1177238915-682003330-1001D:AI(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)"
     "(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)(A;ID;0x1301bf;;;AU)"
     "(A;OICIIOID;SDGXGWGR;;;AU)",
     false, "Authenticated Users に変更の権限があります。"},
    {"Users may add folders", "O:BAD:(A;;FA;;;SY)(A;CI;LC;;;BU)", false, "Users に"},
    {"Everyone may change permissions", "O:BAD:(A;;WD;;;WD)", false, "Everyone に"},
    {"a group by SID may delete", "O:BAD:(A;;SD;;;S-1-5-21-1-2-3-513)", false,
     "S-1-5-21-1-2-3-513 に"},
    {"a service account may write", "O:BAD:(A;OICI;FW;;;NS)", false, "NETWORK SERVICE に"},
    {"a link", "O:BAD:P(A;OICI;FA;;;SY)", true, "リンク"},
    {"an unknown owner", "O:S-1-5-21-9-9-9-1234D:P(A;;FA;;;SY)", false,
     "所有者 S-1-5-21-9-9-9-1234 は"},
    {"Users as owner", "O:BUD:P(A;;FA;;;SY)", false, "所有者 Users は"},
    {"no owner", "D:P(A;;FA;;;SY)", false, "所有者 （不明） は"},
    {"no DACL", "O:BA", false, "アクセス制御リストがなく"},
    {"a null DACL", "O:BAD:NO_ACCESS_CONTROL", false, "アクセス制御リストがなく"},
    {"an unknown right", "O:BAD:(A;;ZZ;;;BU)", false, "読み取れません"},
    {"a cut entry", "O:BAD:(A;;FA;;;SY", false, "読み取れません"},
    {"an entry with too few fields", "O:BAD:(A;;FA)", false, "読み取れません"},
};

TEST(AccessSafety, DescriptorsAsWindowsWritesThem) {
  for (const Case& c : kCases) {
    const AccessVerdict verdict = JudgeAccess(c.sddl, c.reparse, kInstaller);
    EXPECT_EQ(verdict.safe, *c.reason == '\0') << c.name << ": " << verdict.reason;
    EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << c.name << ": " << verdict.reason;
  }
  // The installing user is trusted only as that user.
  EXPECT_FALSE(JudgeAccess(kCases[1].sddl, false, "S-1-5-21-1-2-3-1002").safe);
  EXPECT_FALSE(JudgeAccess("O:BAD:(A;;FA;;;S-1-5-21-1-2-3-1002)", false, kInstaller).safe);
  EXPECT_TRUE(JudgeAccess("O:BAD:(A;;FA;;;s-1-5-21-1004336348-1177238915-682003330-1001)", false,
                          kInstaller)
                  .safe);
}

}  // namespace
}  // namespace zq
