// Control ids of the mail session window (shared by the resource script and the code).
#pragma once

#define IDD_frmSendEmail 100
#define IDL_lblTitle 101
#define IDP_ProgressBar1 102
#define IDS_StatusBar1 103
#define IDB_cmdButton0 110
#define IDB_cmdButton1 111
#define IDF_Frame1 120
