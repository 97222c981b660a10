// The report panel's choices and what they make: whether a report may be submitted, and the
// report parameter file's text that the sender reads. Portable.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "console/MailSettings.h"

namespace zq {

enum ReportSection : int { kSectionEvents = 0, kSectionServices, kSectionCommands, kSectionMail };

// The report panel's controls as values.
struct ReportPanel {
  std::array<bool, 4> sections{};   // by ReportSection
  std::array<bool, 3> eventLogs{};  // System, Security, Application
  std::string days = "3";           // the day count as shown
  int service = 0;                  // all, started, stopped
  std::array<std::string, 5> commands;
  MailSettings mail;                // the panel's five mail boxes
  std::string retryMinutes = "10";  // the panel's retry box
  MailSecurity security;            // from the settings: written with the mail
  SecondRelay relay2;               // from the settings: written with the mail
  MailOAuth oauth;                  // from the settings: written with the mail
};

// The refusal of a retry box that is not 0 to 1440 minutes, or "" when it may be written.
// The box counts as the mail field after the five MailSettings fields.
const char* CheckRetryMinutes(std::string_view text);
inline constexpr int kRetryMinutesField = 5;

// A report needs content: a ticked event log in a ticked event section, the service section,
// or a command line that is not empty (blanks count) in a ticked command section.
bool CheckSubmitEnabled(const ReportPanel& panel);

// Whether command line `index` lets the next one be used: it holds more than blanks.
bool EnablesNextCommand(std::string_view command);

// The parameter file's text: comment header naming the sender in `programDirectory` and the
// moment `created` (date and time as the system shows them), the section, then one line per
// key in fixed order, each empty where its section or box does not give it. The security,
// retry and second relay keys come last, so a sender that does not know them reads the file
// as before.
std::string BuildParameterText(const ReportPanel& panel, std::string_view programDirectory,
                               std::string_view created);

}  // namespace zq
