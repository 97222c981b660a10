// Waiting for a kernel object while this thread's windows stay served. Windows only.
#pragma once

#include <windows.h>

namespace zq {

// Waits up to `timeoutMs` for `object`, dispatching this thread's window messages meanwhile.
// True when the object was signalled. A WM_QUIT met on the way is posted again for the
// message loop, and the wait ends at once.
bool WaitServingMessages(HANDLE object, DWORD timeoutMs);

}  // namespace zq
