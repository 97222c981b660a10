// The command runner against the real command interpreter (the end-to-end report run covers
// output, errors, the NUL standard input and unknown commands): a command starting with a
// quote, failures to start, and the time limit ending the whole process tree.
#include <gtest/gtest.h>
#include <windows.h>

#include "sender/ReportRun.h"
#include "sender/basExecuteCommand.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

class ExecuteCommandTest : public ::testing::Test {
 protected:
  int Run(const std::string& command, unsigned limitSeconds = 60) {
    const std::string cmd = SystemCommandInterpreter();
    return ExecuteCommand(cmd, CommandInterpreterLine(cmd, command), log_, limitSeconds).result;
  }
  std::string Log() const { return test::ReadFileBytes(log_); }
  // The process whose id the sleeper wrote is gone (or going) at once.
  static void ExpectEnded(const std::string& pidFile) {
    const DWORD id = std::stoul(test::ReadFileBytes(pidFile));
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id)) {
      EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
      CloseHandle(process);
    }
  }

  test::TempDir dir_;
  const std::string log_ = dir_.File("report log.ini.log");
};

TEST_F(ExecuteCommandTest, ACommandStartingWithAQuoteKeepsItsOutput) {
  char system[MAX_PATH];
  ASSERT_TRUE(GetSystemDirectoryA(system, MAX_PATH));
  EXPECT_EQ(Run("\"" + std::string(system) + "\\cmd.exe\" /c echo quoted"), kCommandEnded);
  EXPECT_EQ(Log(), "quoted\r\n");
}

TEST_F(ExecuteCommandTest, AProgramThatCannotStartIsReported) {
  const CommandOutcome missing = ExecuteCommand(dir_.File("missing.exe"), "x", log_, 5);
  EXPECT_EQ(missing.result, kCommandFailedToStart);
  EXPECT_EQ(missing.failure.code, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(missing.failure.text.empty());
  const CommandOutcome noLog =
      ExecuteCommand(SystemCommandInterpreter(), "cmd /c ver", dir_.File("no\\such\\log"), 5);
  EXPECT_EQ(noLog.result, kCommandFailedToStart);
}

TEST_F(ExecuteCommandTest, TheTimeLimitEndsTheWholeProcessTree) {
  const std::string pidFile = dir_.File("child.pid");
  const std::string sleeper = test::BesideTestProgram("zq_sleeper.exe");
  const DWORD start = GetTickCount();
  EXPECT_EQ(Run("\"" + sleeper + "\" 60000 \"" + pidFile + "\"", 2), kCommandTimedOut);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 1900u);
  EXPECT_LT(elapsed, 30000u);
  EXPECT_EQ(Log(), "sleepingsleeping");  // parent and child

  ExpectEnded(pidFile);  // the grandchild, two levels below the runner
  // Nothing holds the log any more: it can be opened for writing at once.
  HANDLE log = CreateFileA(log_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(log, INVALID_HANDLE_VALUE);
  CloseHandle(log);
}

TEST_F(ExecuteCommandTest, WhatACommandLeavesRunningEndsWithIt) {
  const std::string pidFile = dir_.File("left.pid");
  const std::string sleeper = test::BesideTestProgram("zq_sleeper.exe");
  const DWORD start = GetTickCount();
  const std::string background = "start \"\" /b \"" + sleeper + "\" 60000 \"" + pidFile + "\"";
  EXPECT_EQ(Run(background + " & ping -n 2 127.0.0.1 >NUL"), kCommandEnded);
  EXPECT_LT(GetTickCount() - start, 30000u);
  ExpectEnded(pidFile);
}

}  // namespace
}  // namespace zq
