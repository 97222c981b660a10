// A test send: a short parameter file in a folder of its own under the temporary folder, the
// real sender run on it and waited for (windows keep painting), its outcome and session
// trace; the files and the folder removed afterwards. Windows only.
#pragma once

#include <string>

namespace zq {

struct TestSendOutcome {
  int exitCode = -1;    // the sender's, when it ran to its end
  std::string trace;    // its session trace
  std::string failure;  // why it could not be run or waited for ("" when it ran)
};

// A new folder under the temporary folder that only this user and SYSTEM can open (the
// parameter file holds the password); "" when none could be made.
std::string MakeTestSendFolder();

TestSendOutcome RunTestSend(const std::string& senderPath, const std::string& parameterText);

}  // namespace zq
