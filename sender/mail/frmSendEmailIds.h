// Control ids of the mail session window (shared by the resource script and the code), and
// the window's own messages and timers.
#pragma once

#define IDD_frmSendEmail 100
#define IDL_lblTitle 101
#define IDP_ProgressBar1 102
#define IDS_StatusBar1 103
#define IDB_cmdButton0 110
#define IDB_cmdButton1 111
#define IDF_Frame1 120

#ifndef RC_INVOKED
namespace zq {
constexpr unsigned WM_SOCKET_NOTIFY = 0x8000 + 1;  // WM_APP + 1: socket, event and error words
constexpr unsigned WM_AUTO_SEND = 0x8000 + 2;      // posted at load when auto-send is "1"
constexpr unsigned WM_HOST_FOUND = 0x8000 + 3;     // the answer of the host look-up
constexpr unsigned kUnloadTimer = 1;               // the wait for the server
constexpr unsigned kRetryTimer = 2;                // the wait between tries
inline constexpr char kNoConnection[] = "接続できませんでした！";
}  // namespace zq
#endif
