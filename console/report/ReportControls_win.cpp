// The main window's report panel.
#include "console/report/ReportControls_win.h"

#include <commctrl.h>

#include <vector>

#include "common/PlatformText.h"
#include "console/frmTervaskIds.h"

namespace zq {
namespace {

constexpr int kMinDays = 1;
constexpr int kMaxDays = 50;
constexpr int kStartDays = 3;

// The mail boxes in key order (SmtpServer, SmtpPort, From, To, Subject), then the retry box.
constexpr int kMailBoxIds[] = {IDE_txtSmtpServer, IDE_txtSmtpPort,    IDE_txtSmtpFrom,
                               IDE_txtSmtpTo,     IDE_txtSmtpSubject, IDE_txtRetryMinutes};

// The controls a section box switches on and off, as runs of ids (first, count).
struct IdRun {
  int first, count;
};
std::vector<IdRun> SectionControls(int section) {
  switch (section) {
    case kSectionEvents:
      return {{IDF_frameEvent, 1},
              {IDL_lblDays, 1},
              {IDU_UpDown1, 1},
              {IDL_lblEvent0, 3},
              {IDX_chkEventLog0, 3}};
    case kSectionServices:
      return {{IDF_frameService, 1}, {IDO_optService0, 3}};
    case kSectionCommands:
      return {
          {IDF_frameCommand, 1}, {IDL_lblCommand0, 5}, {IDE_txtCommand0, 5}, {IDB_cmdBrowse0, 5}};
    case kSectionMail:  // the five mail boxes are the ids from IDE_txtSmtpServer on
      return {{IDF_frameMail, 1},     {IDB_cmdButton1, 1},      {IDL_lblMail0, 5},
              {IDE_txtSmtpServer, 5}, {IDL_lblRetryMinutes, 1}, {IDE_txtRetryMinutes, 1}};
  }
  return {};
}

}  // namespace

void ReportControls::Prepare() const {
  const HWND upDown = Item(IDU_UpDown1);
  ::SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(IDL_lblDays)), 0);
  ::SendMessageA(upDown, UDM_SETRANGE32, kMinDays, kMaxDays);
  ::SendMessageA(upDown, UDM_SETPOS32, 0, kStartDays);
  ::SetWindowTextA(Item(IDL_lblDays), std::to_string(kStartDays).c_str());
  ::CheckDlgButton(dialog_, IDO_optService0, BST_CHECKED);
  ::SetWindowTextA(Item(IDE_txtRetryMinutes), ReportPanel{}.retryMinutes.c_str());
  for (int section = 0; section < 4; ++section) {
    ::EnableWindow(Item(IDX_chkJob0 + section), TRUE);
    chkJob_Click(section);
  }
}

bool ReportControls::OnCommand(WPARAM wParam) const {
  const int id = LOWORD(wParam);
  const bool clicked = HIWORD(wParam) == BN_CLICKED;
  const bool section = clicked && id >= IDX_chkJob0 && id < IDX_chkJob0 + 4;
  const bool log = clicked && id >= IDX_chkEventLog0 && id < IDX_chkEventLog0 + 3;
  const bool command =
      HIWORD(wParam) == EN_CHANGE && id >= IDE_txtCommand0 && id < IDE_txtCommand0 + 5;
  if (!section && !log && !command) return false;
  if (section) chkJob_Click(id - IDX_chkJob0);
  if (command) txtCommand_Change(id - IDE_txtCommand0);
  CheckSubmitEnabled();
  return true;
}

int ReportControls::BrowseLine(int id) {
  return id >= IDB_cmdBrowse0 && id < IDB_cmdBrowse0 + 5 ? id - IDB_cmdBrowse0 : -1;
}

// Ticks, texts and choices inside a switched-off section stay as they are.
void ReportControls::chkJob_Click(int index) const {
  const BOOL on = Ticked(IDX_chkJob0 + index) ? TRUE : FALSE;
  for (const IdRun& run : SectionControls(index)) {
    for (int i = 0; i < run.count; ++i) ::EnableWindow(Item(run.first + i), on);
  }
}

// A line holding more than blanks opens the next one; emptying a line closes nothing.
void ReportControls::txtCommand_Change(int line) const {
  if (line >= 4 || !EnablesNextCommand(WindowTextOf(Item(IDE_txtCommand0 + line)))) return;
  ::EnableWindow(Item(IDE_txtCommand0 + line + 1), TRUE);
  ::EnableWindow(Item(IDB_cmdBrowse0 + line + 1), TRUE);
}

ReportPanel ReportControls::Read() const {
  ReportPanel panel;
  for (int i = 0; i < 4; ++i) panel.sections[i] = Ticked(IDX_chkJob0 + i);
  for (int i = 0; i < 3; ++i) panel.eventLogs[i] = Ticked(IDX_chkEventLog0 + i);
  panel.days = WindowTextOf(Item(IDL_lblDays));
  panel.service = -1;
  for (int i = 0; i < 3; ++i) {
    if (Ticked(IDO_optService0 + i)) panel.service = i;
  }
  for (int i = 0; i < 5; ++i) panel.commands[i] = WindowTextOf(Item(IDE_txtCommand0 + i));
  for (int field = 0; field < 5; ++field) {
    MailSettingField(panel.mail, field) = WindowTextOf(Item(kMailBoxIds[field]));
  }
  panel.retryMinutes = WindowTextOf(Item(IDE_txtRetryMinutes));
  return panel;
}

void ReportControls::SetCommand(int line, const std::string& text) const {
  ::SetWindowTextA(Item(IDE_txtCommand0 + line), text.c_str());
}

void ReportControls::ShowMail(const MailSettings& settings) const {
  MailSettings copy = settings;
  for (int field = 0; field < 5; ++field) {
    ::SetWindowTextA(Item(kMailBoxIds[field]), MailSettingField(copy, field).c_str());
  }
}

void ReportControls::FocusMail(int field) const { ::SetFocus(Item(kMailBoxIds[field])); }

void ReportControls::CheckSubmitEnabled() const {
  ::EnableWindow(Item(IDB_cmdSubmit), zq::CheckSubmitEnabled(Read()) ? TRUE : FALSE);
}

}  // namespace zq
