// Schedule controls of the job windows.
#include "console/jobs/ScheduleControls_win.h"

#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/ConsoleMessages.h"
#include "console/jobs/ScheduleControlIds.h"

namespace zq {
namespace {

// The controls of each frame: the frame, its time box and labels, its check boxes.
void ShowFrame(HWND dialog, ScheduleFrame frame, bool show) {
  const int command = show ? SW_SHOW : SW_HIDE;
  auto showIds = [&](std::initializer_list<int> ids) {
    for (const int id : ids) ::ShowWindow(::GetDlgItem(dialog, id), command);
  };
  auto showRange = [&](int first, int count) {
    for (int i = 0; i < count; ++i) ::ShowWindow(::GetDlgItem(dialog, first + i), command);
  };
  switch (frame) {
    case ScheduleFrame::kTime:
      showIds({IDF_frameTime, IDE_txtTime, IDL_lblTimeLabel0, IDL_lblTimeLabel0 + 1});
      break;
    case ScheduleFrame::kWeek:
      showIds({IDF_frameWeek, IDE_txtWeekTime, IDL_lblTimeLabel0 + 2, IDL_lblTimeLabel0 + 3});
      showRange(IDX_chkWeek0, 7);
      break;
    case ScheduleFrame::kDay:
      showIds({IDF_frameDay, IDE_txtDayTime, IDL_lblTimeLabel0 + 4, IDL_lblTimeLabel0 + 5});
      showRange(IDX_chkDay0, 31);
      break;
    case ScheduleFrame::kNone:
      break;
  }
}

}  // namespace

void ScheduleControls::FillModes() const {
  ::SendMessageA(Item(IDC_comboCondition), CB_RESETCONTENT, 0, 0);
  for (const char* mode : kScheduleModeTexts) {
    ::SendMessageA(Item(IDC_comboCondition), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
  }
}

void ScheduleControls::comboCondition_Click() const {
  const int mode = static_cast<int>(::SendMessageA(Item(IDC_comboCondition), CB_GETCURSEL, 0, 0));
  const ScheduleView view = ScheduleViewOf(mode);
  for (const ScheduleFrame frame :
       {ScheduleFrame::kTime, ScheduleFrame::kWeek, ScheduleFrame::kDay}) {
    ShowFrame(dialog_, frame, frame == view.frame);
  }
  ::SetWindowTextA(Item(IDB_cmdSubmit), view.submitCaption);
  ::EnableWindow(Item(IDB_cmdSubmit), mode >= 0);
}

bool ScheduleControls::OnCommand(WPARAM wParam) const {
  const int id = LOWORD(wParam);
  if (id == IDC_comboCondition && HIWORD(wParam) == CBN_SELCHANGE) {
    comboCondition_Click();
    return true;
  }
  if ((id == IDE_txtTime || id == IDE_txtWeekTime || id == IDE_txtDayTime) &&
      HIWORD(wParam) == EN_SETFOCUS) {
    ::SendMessageA(Item(id), EM_SETSEL, 0, -1);  // typing replaces the time
    return true;
  }
  return false;
}

ScheduleInput ScheduleControls::Read() const {
  ScheduleInput input;
  input.mode = static_cast<int>(::SendMessageA(Item(IDC_comboCondition), CB_GETCURSEL, 0, 0));
  input.time = WindowTextOf(Item(IDE_txtTime));
  input.weekTime = WindowTextOf(Item(IDE_txtWeekTime));
  input.dayTime = WindowTextOf(Item(IDE_txtDayTime));
  for (int i = 0; i < 7; ++i) {
    input.weekdays[i] = ::IsDlgButtonChecked(dialog_, IDX_chkWeek0 + i) == BST_CHECKED;
  }
  for (int i = 0; i < 31; ++i) {
    input.days[i] = ::IsDlgButtonChecked(dialog_, IDX_chkDay0 + i) == BST_CHECKED;
  }
  return input;
}

void ScheduleControls::Focus(ScheduleFocus focus) const {
  int id = 0;
  switch (focus) {
    case ScheduleFocus::kMode:
      id = IDC_comboCondition;
      break;
    case ScheduleFocus::kTime:
      id = IDE_txtTime;
      break;
    case ScheduleFocus::kWeekTime:
      id = IDE_txtWeekTime;
      break;
    case ScheduleFocus::kDayTime:
      id = IDE_txtDayTime;
      break;
    case ScheduleFocus::kFirstWeekday:
      id = IDX_chkWeek0;
      break;
    case ScheduleFocus::kFirstDay:
      id = IDX_chkDay0;
      break;
    case ScheduleFocus::kNone:
      return;
  }
  ::SetFocus(Item(id));
}

std::optional<std::uint32_t> ScheduleControls::Submit(JobStore& store, const JobSpec& job) const {
  std::uint32_t id = 0;
  std::uint32_t status = 0;
  {
    Hourglass hourglass;
    status = store.Add(job, id);
  }
  if (status != 0) {
    TervaskMessage(JobAddRefusedText(NetErrorLine(status, store.ErrorText(status))),
                   kMbExclamation);
    return std::nullopt;
  }
  TervaskMessage(JobAddedText(id), kMbInformation);
  return id;
}

}  // namespace zq
