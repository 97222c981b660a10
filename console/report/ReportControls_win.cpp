// The main window's report panel.
#include "console/report/ReportControls_win.h"

#include <commctrl.h>

#include <vector>

#include "console/frmTervaskIds.h"

namespace zq {
namespace {

constexpr int kMinDays = 1;
constexpr int kMaxDays = 50;
constexpr int kStartDays = 3;

// The mail boxes in key order (SmtpServer, SmtpPort, From, To, Subject).
constexpr int kMailBoxIds[] = {IDE_txtSmtpServer, IDE_txtSmtpPort, IDE_txtSmtpFrom, IDE_txtSmtpTo,
                               IDE_txtSmtpSubject};

// The controls a section box switches on and off.
std::vector<int> SectionControls(int section) {
  auto range = [](int first, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(first + i);
    return ids;
  };
  std::vector<int> ids;
  auto add = [&ids](const std::vector<int>& more) {
    ids.insert(ids.end(), more.begin(), more.end());
  };
  switch (section) {
    case kSectionEvents:
      add({IDF_frameEvent, IDL_lblDays, IDU_UpDown1});
      add(range(IDL_lblEvent0, 3));
      add(range(IDX_chkEventLog0, 3));
      break;
    case kSectionServices:
      add({IDF_frameService});
      add(range(IDO_optService0, 3));
      break;
    case kSectionCommands:
      add({IDF_frameCommand});
      add(range(IDL_lblCommand0, 5));
      add(range(IDE_txtCommand0, 5));
      add(range(IDB_cmdBrowse0, 5));
      break;
    case kSectionMail:
      add({IDF_frameMail, IDB_cmdButton1});
      add(range(IDL_lblMail0, 5));
      add({std::begin(kMailBoxIds), std::end(kMailBoxIds)});
      break;
  }
  return ids;
}

std::string TextOf(HWND control) {
  const int length = ::GetWindowTextLengthA(control);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(control, text.data(), length + 1)));
  return text;
}

}  // namespace

void ReportControls::Prepare() const {
  const HWND upDown = Item(IDU_UpDown1);
  ::SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(IDL_lblDays)), 0);
  ::SendMessageA(upDown, UDM_SETRANGE32, kMinDays, kMaxDays);
  ::SendMessageA(upDown, UDM_SETPOS32, 0, kStartDays);
  ::SetWindowTextA(Item(IDL_lblDays), std::to_string(kStartDays).c_str());
  ::CheckDlgButton(dialog_, IDO_optService0, BST_CHECKED);
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
  for (const int id : SectionControls(index)) ::EnableWindow(Item(id), on);
}

// A line holding more than blanks opens the next one; emptying a line closes nothing.
void ReportControls::txtCommand_Change(int line) const {
  if (line >= 4 || !EnablesNextCommand(TextOf(Item(IDE_txtCommand0 + line)))) return;
  ::EnableWindow(Item(IDE_txtCommand0 + line + 1), TRUE);
  ::EnableWindow(Item(IDB_cmdBrowse0 + line + 1), TRUE);
}

ReportPanel ReportControls::Read() const {
  ReportPanel panel;
  for (int i = 0; i < 4; ++i) panel.sections[i] = Ticked(IDX_chkJob0 + i);
  for (int i = 0; i < 3; ++i) panel.eventLogs[i] = Ticked(IDX_chkEventLog0 + i);
  panel.days = TextOf(Item(IDL_lblDays));
  panel.service = -1;
  for (int i = 0; i < 3; ++i) {
    if (Ticked(IDO_optService0 + i)) panel.service = i;
  }
  for (int i = 0; i < 5; ++i) panel.commands[i] = TextOf(Item(IDE_txtCommand0 + i));
  for (int field = 0; field < 5; ++field) {
    MailSettingField(panel.mail, field) = TextOf(Item(kMailBoxIds[field]));
  }
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
