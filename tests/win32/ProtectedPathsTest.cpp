// Paths a report job relies on, on the descriptors Wine gives (made from the files' modes):
// the folders the tests use read as safe, a missing path does not; the test send's folder and
// the settings file are made for their owner (and SYSTEM) only.
#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "common/AccessSafety_win.h"
#include "common/UniqueHandle.h"
#include "console/report/TestSend_win.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

std::string DaclOf(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return "?";
  }
  const UniqueLocalMemory owned(descriptor);
  char* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return "?";
  }
  const UniqueLocalMemory ownedText(text);
  return text;
}

TEST(ProtectedPaths, WhatTheTestsUseIsSafeAndWhatIsMissingIsNot) {
  test::TempDir dir;
  for (const std::string& path : {dir.path(), test::BesideTestProgram("zqPelmora.exe")}) {
    const AccessVerdict verdict = CheckPathAccess(path);
    EXPECT_TRUE(verdict.safe) << path << ": " << verdict.reason << " " << DaclOf(path);
  }
  const AccessVerdict missing = CheckPathAccess(dir.File("nothing"));
  EXPECT_FALSE(missing.safe);
  EXPECT_FALSE(missing.reason.empty());
}

TEST(ProtectedPaths, TheTestSendFolderAndTheSettingsFileAreTheirOwnersAlone) {
  test::TempDir dir;
  const std::string folder = MakeTestSendFolder();
  ASSERT_FALSE(folder.empty());
  const std::string folderDacl = DaclOf(folder);
  ::RemoveDirectoryA(folder.c_str());
  const std::string user = CurrentUserSid();
  ASSERT_FALSE(user.empty());
  EXPECT_EQ(folderDacl, "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + user + ")");
  EXPECT_NE(MakeDirectoryWithAccess(dir.path(), ProtectedAccessText(false, true), false), 0u)
      << "an existing folder is never taken for a new one";
  const std::string settings = dir.File("zqTervask.ini");
  ASSERT_EQ(ProtectFile(settings, ProtectedAccessText(true, false)), 0u);
  EXPECT_EQ(DaclOf(settings).find(";;;WD)"), std::string::npos) << DaclOf(settings);
  EXPECT_EQ(ProtectFile(settings, ProtectedAccessText(true, false)), 0u) << "set again in place";
}

}  // namespace
}  // namespace zq
