// The main window's job list.
#include "console/jobs/JobListControls_win.h"

#include <commctrl.h>

#include <array>
#include <string>
#include <utility>

#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "console/ConsoleMessages.h"
#include "console/frmTervaskIds.h"
#include "console/report/LastRun.h"

namespace zq {

HWND JobListControls::List() const { return ::GetDlgItem(dialog_, IDV_lstJobs); }

// Eight columns, each as wide as its caption and a number of blanks in the window's font.
// The last run is the eighth column, shown before the command line.
void JobListControls::Prepare() const {
  static constexpr std::pair<const char*, int> kColumns[] = {{"状態", 4},
                                                             {"ID", 5},
                                                             {"区分", 4},
                                                             {"曜日／日付", 8},
                                                             {"時刻", 4},
                                                             {"対話", 4},
                                                             {"コマンドライン", 50},
                                                             {"前回結果", 40}};
  const HWND list = List();
  const HDC dc = ::GetDC(list);
  const HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(dialog_, WM_GETFONT, 0, 0)));
  for (int i = 0; i < 8; ++i) {
    const std::string measured = kColumns[i].first + std::string(kColumns[i].second, ' ');
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, measured.c_str(), static_cast<int>(measured.size()), &extent);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[i].first);
    column.cx = extent.cx;
    column.iSubItem = i;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  ::SelectObject(dc, previous);
  ::ReleaseDC(list, dc);
  int order[] = {0, 1, 2, 3, 4, 5, 7, 6};
  ::SendMessageA(list, LVM_SETCOLUMNORDERARRAY, 8, reinterpret_cast<LPARAM>(order));
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (const int id : {IDV_lstJobs, IDB_cmdRefresh, IDB_cmdAdd, IDB_cmdButtonBrowse})
    ::EnableWindow(::GetDlgItem(dialog_, id), TRUE);
}

std::uint32_t JobListControls::Refresh(JobStore& store) const {
  Hourglass hourglass;
  const HWND list = List();
  // Rows are added without repainting, so a long list is drawn once.
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  const std::uint32_t status = ListJobs(store, [&](const JobRecord& r) { AddRow(r); });
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  const LRESULT rows = ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  ::EnableWindow(::GetDlgItem(dialog_, IDB_cmdDelete), rows > 0);
  if (status != 0) TervaskMessage(NetErrorLine(status, store.ErrorText(status)), kMbExclamation);
  return status;
}

// One row; the job id travels with it, so nothing is parsed back from the columns.
void JobListControls::AddRow(const JobRecord& record) const {
  const HWND list = List();
  std::array<std::string, 7> texts = JobRowTexts(record);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = texts[0].data();
  item.lParam = static_cast<LPARAM>(record.id);
  const int row =
      static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  std::string lastRun;
  const auto parameter = record.foreign || programDirectory_.empty()
                             ? std::nullopt
                             : ReportParameterOfCommand(record.job.command, programDirectory_);
  if (parameter) lastRun = LastRunOf(*parameter);
  for (int column = 1; column < 8; ++column) {
    LVITEMA sub{};
    sub.iSubItem = column;
    sub.pszText = column < 7 ? texts[column].data() : lastRun.data();
    ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
  }
}

bool JobListControls::DeleteSelected(JobStore& store) const {
  const HWND list = List();
  const int row = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) return false;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return false;
  const auto id = static_cast<std::uint32_t>(item.lParam);
  if (TervaskMessage(JobDeleteQuestion(id), kMbYesNo | kMbQuestion | kMbDefaultButton2) != kIdYes) {
    return false;
  }
  std::uint32_t status = 0;
  {
    Hourglass hourglass;
    status = store.Delete(id);
  }
  if (status != 0) {
    TervaskMessage(JobDeleteRefusedText(id, NetErrorLine(status, store.ErrorText(status))),
                   kMbExclamation);
  }
  return true;
}

}  // namespace zq
