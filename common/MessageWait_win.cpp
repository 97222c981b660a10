// Waits that serve window messages.
#include "common/MessageWait_win.h"

namespace zq {

bool WaitServingMessages(HANDLE object, DWORD timeoutMs, QuitDuringWait onQuit) {
  const DWORD started = ::GetTickCount();  // differences stay right across the wrap
  bool quitSeen = false;
  WPARAM quitCode = 0;
  bool signalled = false;
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - started;
    const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    const DWORD result =
        ::MsgWaitForMultipleObjects(1, &object, FALSE, left, quitSeen ? 0 : QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) {
      signalled = true;
      break;
    }
    if (result != WAIT_OBJECT_0 + 1) {
      if (result == WAIT_FAILED) signalled = ::WaitForSingleObject(object, left) == WAIT_OBJECT_0;
      break;
    }
    MSG message;
    while (!quitSeen && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quitSeen = true;
        quitCode = message.wParam;
        break;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    if (quitSeen && onQuit == QuitDuringWait::kEndsWait) {
      signalled = ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
      break;
    }
  }
  if (quitSeen) ::PostQuitMessage(static_cast<int>(quitCode));
  return signalled;
}

}  // namespace zq
