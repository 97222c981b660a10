// Control ids of the general job dialog (shared by the resource script and the code); the
// schedule controls keep the ids they have in the main window.
#pragma once

#include "console/jobs/ScheduleControlIds.h"

#define IDD_frmAddJob 700
#define IDF_Frame1 701
#define IDL_lblTitle6 702
#define IDE_txtCommand 703
#define IDB_cmdBrowse 704
#define IDX_chkInteractive 705
#define IDF_frmOption 706
#define IDB_cmdClose 707
