// zqPelmora.exe: started with the path of a report parameter file; writes the report log
// and hands it to mail delivery. Exit code 0 when the report was written.
#include <windows.h>

#include "sender/basPelmora.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return zq::Main(); }
