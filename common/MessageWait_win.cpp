// Waits that serve window messages.
#include "common/MessageWait_win.h"

namespace zq {

bool WaitServingMessages(HANDLE object, DWORD timeoutMs) {
  const DWORD started = ::GetTickCount();  // differences stay right across the wrap
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - started;
    const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    const DWORD result = ::MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

}  // namespace zq
