// Test driver: works a window of another process by its caption, the way a user would, and
// reads and answers message boxes. One action per run; every wait is bounded (10 s).
//   zq_driver wait CAPTION               the window exists (exit 0) or not (exit 1)
//   zq_driver text CAPTION ID            prints the text of control ID
//   zq_driver set CAPTION ID TEXT        sets the text of control ID (CP932 bytes)
//   zq_driver click CAPTION ID           presses button ID
//   zq_driver command CAPTION ID         sends the window WM_COMMAND ID (menu items)
//   zq_driver check CAPTION ID 0|1       ticks or clears check box ID
//   zq_driver pick CAPTION ID INDEX      picks combo box item INDEX, with its notification
//   zq_driver cells CAPTION ID COLUMN    prints column COLUMN of every row of list view ID
//   zq_driver key CAPTION ID VK          presses key VK in control ID (e.g. 36 Home in a list)
//   zq_driver enabled CAPTION ID         prints 1 or 0
//   zq_driver box CAPTION                prints the text of a message box titled CAPTION
//   zq_driver nobox CAPTION              exit 0 when no such box is open now (no waiting)
//   zq_driver answer CAPTION BUTTON      presses button BUTTON (1 OK, 6 Yes, 7 No) of that box
//   zq_driver close CAPTION              asks the window to close
//   zq_driver jobs                       prints the Schedule service's jobs: id TAB command
//   zq_driver deljob ID                  deletes that job
//   zq_driver addjob COMMAND             adds a weekly job (Monday 03:00, non-interactive)
//   zq_driver dacl PATH                  prints the DACL of a file or folder in SDDL form
//   zq_driver message FILE ID            prints message ID of FILE's message table in Japanese,
//                                        its inserts filled with %1..%5 as "<1>".."<5>"
//   zq_driver version FILE               prints the version resource: fixed version, then
//                                        FileVersion, ProductVersion, OriginalFilename and
//                                        FileDescription, separated by "|"
#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <commctrl.h>
#include <lm.h>
#include <lmat.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitMs = 10000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
  const char* caption;
  bool messageBox;
  HWND found;
};

bool IsMessageBox(HWND window) { return ::GetDlgItem(window, kMessageBoxTextId) != nullptr; }

BOOL CALLBACK Visit(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  char caption[256] = {};
  ::GetWindowTextA(window, caption, sizeof caption);
  if (::IsWindowVisible(window) && std::strcmp(caption, search->caption) == 0 &&
      IsMessageBox(window) == search->messageBox) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The top-level window with this caption (a message box or not), waiting up to kWaitMs.
HWND Find(const char* caption, bool messageBox, DWORD waitMs = kWaitMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    Search search{caption, messageBox, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found || ::GetTickCount() - start >= waitMs) return search.found;
    ::Sleep(50);
  }
}

int Fail(const char* what) {
  std::fprintf(stderr, "zq_driver: %s\n", what);
  return 1;
}

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string TextOf(HWND control) {
  char text[8192] = {};
  DWORD_PTR length = 0;
  ::SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kWaitMs, &length);
  return std::string(text, std::strlen(text));
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kWaitMs, &result);
  return static_cast<LRESULT>(result);
}

// The service's jobs, one "id TAB command" line each (the command in the ANSI code page).
int PrintJobs() {
  DWORD resume = 0;
  for (int page = 0; page < 1000; ++page) {
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status =
        ::NetScheduleJobEnum(L"", &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return Fail("cannot list jobs");
    const auto* jobs = reinterpret_cast<const AT_ENUM*>(buffer);
    for (DWORD i = 0; jobs && i < read; ++i) {
      char command[4096] = {};
      ::WideCharToMultiByte(CP_ACP, 0, jobs[i].Command, -1, command, sizeof command, nullptr,
                            nullptr);
      std::printf("%lu\t%s\n", static_cast<unsigned long>(jobs[i].JobId), command);
    }
    if (buffer) ::NetApiBufferFree(buffer);
    if (status == NERR_Success || read == 0) return 0;
  }
  return 0;
}

// One value of the Japanese string block of a version resource.
std::string VersionString(const std::vector<char>& data, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\041104B0\\") + name;
  if (!::VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
      !value) {
    return {};
  }
  return value;
}

int PrintDacl(const char* path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return Fail("no descriptor");
  }
  char* text = nullptr;
  const BOOL converted = ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
      descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
  ::LocalFree(descriptor);
  if (!converted) return Fail("no text");
  Print(text);
  ::LocalFree(text);
  return 0;
}

int PrintVersion(const char* file) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(file, &ignored);
  std::vector<char> data(size);
  if (size == 0 || !::GetFileVersionInfoA(file, 0, size, data.data())) return Fail("no version");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
    return Fail("no fixed version");
  }
  const std::string text =
      std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
      std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
      std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
      std::to_string(LOWORD(fixed->dwFileVersionLS)) + "|" + VersionString(data, "FileVersion") +
      "|" + VersionString(data, "ProductVersion") + "|" + VersionString(data, "OriginalFilename") +
      "|" + VersionString(data, "FileDescription");
  Print(text);
  return 0;
}

}  // namespace

// The texts of one column of a list view in another process: the item and its text buffer
// live in that process, since the message carries pointers.
int PrintCells(HWND list, int column) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(list, &processId);
  const HANDLE process =
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return Fail("cannot open the window's process");
  constexpr SIZE_T kText = 1024;
  char* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
  std::string out;
  const int rows = remote ? static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  for (int row = 0; row < rows; ++row) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = kText;
    char text[kText] = {};
    ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    Send(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
    ::ReadProcessMemory(process, remote + sizeof(LVITEMA), text, kText - 1, nullptr);
    out += std::string(text) + "\n";
  }
  if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  Print(out);
  return remote ? 0 : Fail("cannot reserve memory in the window's process");
}

int PrintMessage(const char* file, DWORD id) {
  const HMODULE module = ::LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return Fail("cannot load the file");
  const char* inserts[] = {"<1>", "<2>", "<3>", "<4>", "<5>"};
  char text[2048] = {};
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id,
      MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), text, sizeof text,
      reinterpret_cast<va_list*>(const_cast<char**>(inserts)));
  ::FreeLibrary(module);
  if (length == 0) return Fail("no such message");
  Print(text);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "version") == 0) return PrintVersion(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "dacl") == 0) return PrintDacl(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "message") == 0) {
    return PrintMessage(argv[2], static_cast<DWORD>(std::atoi(argv[3])));
  }
  if (argc == 2 && std::strcmp(argv[1], "jobs") == 0) return PrintJobs();
  if (argc == 3 && std::strcmp(argv[1], "addjob") == 0) {
    wchar_t command[1024] = {};
    ::MultiByteToWideChar(CP_ACP, 0, argv[2], -1, command, 1023);
    AT_INFO info{};
    info.JobTime = 3 * 3600 * 1000;
    info.DaysOfWeek = 0x01;
    info.Flags = JOB_RUN_PERIODICALLY | JOB_NONINTERACTIVE;
    info.Command = command;
    DWORD id = 0;
    return ::NetScheduleJobAdd(L"", reinterpret_cast<LPBYTE>(&info), &id) == NERR_Success ? 0 : 1;
  }
  if (argc == 3 && std::strcmp(argv[1], "deljob") == 0) {
    const DWORD id = std::strtoul(argv[2], nullptr, 10);
    return ::NetScheduleJobDel(L"", id, id) == NERR_Success ? 0 : 1;
  }
  if (argc < 3) return Fail("usage: zq_driver ACTION CAPTION [ARGS]");
  const std::string action = argv[1];
  if (action == "nobox") return Find(argv[2], true, 0) ? 1 : 0;
  const bool boxAction = action == "box" || action == "answer";
  const HWND window = Find(argv[2], boxAction);
  if (action == "wait") return window ? 0 : 1;
  if (!window) return Fail("no such window");
  if (action == "box") {
    Print(TextOf(::GetDlgItem(window, kMessageBoxTextId)));
    return 0;
  }
  if (action == "close") {
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (argc < 4) return Fail("a control id is needed");
  const int id = std::atoi(argv[3]);
  const HWND control = ::GetDlgItem(window, id);
  if (action == "command") {
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return 0;
  }
  if (action == "answer") {
    if (!control) return Fail("no such button");
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (!control) return Fail("no such control");
  if (action == "text") {
    Print(TextOf(control));
    return 0;
  }
  if (action == "enabled") {
    Print(::IsWindowEnabled(control) ? "1" : "0");
    return 0;
  }
  if (action == "click") {
    // A user cannot press a disabled button, and neither can a test.
    if (!::IsWindowEnabled(control) || !::IsWindowVisible(control)) return Fail("not enabled");
    ::PostMessageA(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (argc < 5) return Fail("a value is needed");
  if (action == "set") {
    Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    return 0;
  }
  if (action == "check") {
    if (!::IsWindowEnabled(control) || !::IsWindowVisible(control)) return Fail("not enabled");
    const bool wanted = std::atoi(argv[4]) != 0;
    if ((Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != wanted) {
      ::PostMessageA(control, BM_CLICK, 0, 0);
    }
    return 0;
  }
  if (action == "key") {
    const auto key = static_cast<WPARAM>(std::atoi(argv[4]));
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
    return 0;
  }
  if (action == "cells") return PrintCells(control, std::atoi(argv[4]));
  if (action == "pick") {
    Send(control, CB_SETCURSEL, std::atoi(argv[4]), 0);
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(control));
    return 0;
  }
  return Fail("unknown action");
}
