// zqPelmora.exe: started with the path of a report parameter file; writes the report log
// and hands it to mail delivery. Exit codes: sender/ExitCodes.h.
#include <windows.h>

#include "sender/ReportRun.h"
#include "sender/basPelmora.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // No exception may leave into Windows; sections trap their own, this is the last resort.
  try {
    return zq::Main();
  } catch (...) {
    return zq::kExitReportLogFailed;
  }
}
