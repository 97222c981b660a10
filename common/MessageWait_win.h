// Waiting for a kernel object while this thread's windows stay served. Windows only.
#pragma once

#include <windows.h>

namespace zq {

// What a WM_QUIT met during the wait does: it ends the wait at once, or the wait goes on to
// its end without serving messages any more (a child process that must be waited for).
// Either way it is posted again for the message loop.
enum class QuitDuringWait { kEndsWait, kWaitGoesOn };

// Waits up to `timeoutMs` for `object`, dispatching this thread's window messages meanwhile.
// True when the object was signalled.
bool WaitServingMessages(HANDLE object, DWORD timeoutMs,
                         QuitDuringWait onQuit = QuitDuringWait::kEndsWait);

}  // namespace zq
