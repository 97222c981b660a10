// The test send.
#include "console/report/TestSend_win.h"

#include <windows.h>

#include <vector>

#include "common/AccessSafety_win.h"
#include "common/MessageWait_win.h"
#include "common/PlatformText.h"
#include "common/ReportContract.h"
#include "common/UniqueHandle.h"
#include "console/ConsoleText.h"
#include "console/report/ReportFiles_win.h"

namespace zq {
namespace {

// Every wait of the session is bounded by its own time-out; this bounds the whole.
constexpr DWORD kLongestRunMs = 10 * 60 * 1000;
// A trace longer than this is cut for the message box.
constexpr std::size_t kTraceShownBytes = 3000;

}  // namespace

std::string MakeTestSendFolder() {
  char base[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string folder =
        PathInDirectory(base, "zq-test-send-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(::GetTickCount() + attempt));
    if (MakeDirectoryWithAccess(folder, ProtectedAccessText(false, true), false) == 0) {
      return folder;
    }
  }
  return {};
}

namespace {

std::string ReadText(const std::string& path) {
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string text(kTraceShownBytes, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) {
    return {};
  }
  text.resize(read);
  return text;
}

}  // namespace

TestSendOutcome RunTestSend(const std::string& senderPath, const std::string& parameterText) {
  TestSendOutcome outcome;
  const std::string folder = MakeTestSendFolder();
  if (folder.empty()) {
    outcome.failure = "一時フォルダを作成できません: " + LastFailure().text;
    return outcome;
  }
  const std::string parameter = PathInDirectory(folder, "test");
  const std::vector<std::string> written = {parameter, parameter + kReportLogSuffix,
                                            parameter + kSessionTraceSuffix};
  if (const std::uint32_t error = WriteNewFile(parameter, parameterText + "\r\n")) {
    outcome.failure = parameter + "\r\n" + FailureOf(error).text;
  } else {
    std::string commandLine = "\"" + senderPath + "\" \"" + parameter + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(senderPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.c_str(), &startup, &started)) {
      outcome.failure = senderPath + "\r\n" + LastFailure().text;
    } else {
      const UniqueHandle process(started.hProcess);
      const UniqueHandle thread(started.hThread);
      DWORD code = 0;
      if (!WaitServingMessages(process.get(), kLongestRunMs)) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 5000);
        outcome.failure = "送信が終わりませんでした。";
      } else if (::GetExitCodeProcess(process.get(), &code)) {
        outcome.exitCode = static_cast<int>(code);
      }
      outcome.trace = ReadText(parameter + kSessionTraceSuffix);
    }
  }
  for (const std::string& path : written) ::DeleteFileA(path.c_str());
  ::RemoveDirectoryA(folder.c_str());
  return outcome;
}

}  // namespace zq
