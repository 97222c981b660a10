// The sender's start-up on Windows: parameter reading, computer name and the platform work
// of a report run.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "sender/ReportRun.h"
#include "sender/basExecuteCommand.h"
#include "sender/basNTEventLog.h"
#include "sender/basNTServices.h"
#include "sender/basPelmora.h"
#include "sender/mail/basSendEmail.h"

namespace zq {
namespace {

class Win32Sections final : public ReportSections {
 public:
  void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                            const std::string& logName, std::int16_t days) override {
    zq::WriteEventLogSection(log, computerName, logName, days);
  }
  void WriteServiceSection(ReportLog& log, const std::string& computerName,
                           std::int32_t filter) override {
    zq::WriteServiceSection(log, computerName, filter);
  }
  CommandOutcome ExecuteCommand(const std::string& command, const std::string& logPath,
                                unsigned limitSeconds) override {
    const std::string interpreter = SystemCommandInterpreter();
    return zq::ExecuteCommand(interpreter, CommandInterpreterLine(interpreter, command), logPath,
                              limitSeconds);
  }
  int SendEmail(const MailInputs& inputs) override { return zq::SendEmail(inputs); }
  std::string DateText() override { return ShortDateText(); }
  std::string TimeText() override { return zq::TimeText(true); }
};

}  // namespace

std::string ReadParameter(const std::string& file, const std::string& section,
                          const std::string& key) {
  return ReadProfileString(file, section, key);
}

std::string ProfilePathOf(const std::string& path) {
  if (path.empty()) return path;
  std::vector<char> full(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) return std::string(full.data(), length);
    full.resize(length + 1);
  }
}

bool ParameterFileReadable(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

int Main() {
  RunSetup setup;
  setup.arguments = std::string(ArgumentsOf(::GetCommandLineA()));
  // The full path: a command that changes folder still reports into the same log.
  setup.parameterPath = ProfilePathOf(ParameterFilePath(setup.arguments));
  const std::string& profile = setup.parameterPath;
  // A mistyped path in a scheduled job must not look like a run that found nothing.
  if (!ParameterFileReadable(profile)) return kExitParameterFile;
  const RunValues values = ReadRunValues(
      [&](const char* key) { return ReadParameter(profile, kParameterSection, key); });
  setup.computerName = LocalComputerName();
  Win32Sections sections;
  return RunReport(values, setup, sections);
}

}  // namespace zq
