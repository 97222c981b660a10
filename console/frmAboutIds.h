// Control ids of the version box (shared by the resource script and the code).
#pragma once

#define IDD_frmAbout 900
#define IDC_picIcon 901
#define IDL_lblTitle 902
#define IDL_lblVersion 903
#define IDL_lblCopyright 904
#define IDL_lblURL 905
#define IDC_Line1 906
#define IDL_lblDisclaimer 907
#define IDB_cmdOK 908
#define IDB_cmdSysInfo 909
