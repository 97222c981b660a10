// Control ids of the main window (shared by the resource script and the code). Control
// arrays are contiguous ranges: the first id plus the index.
#pragma once

#include "console/jobs/ScheduleControlIds.h"

#define IDD_frmTervask 400
#define IDM_frmTervask 401
#define IDI_zqTervask 402
#define IDF_frameAt 403
#define IDV_lstJobs 404
#define IDB_cmdAdd 405
#define IDB_cmdDelete 406
#define IDB_cmdRefresh 407
#define IDL_lblTitle11 408
#define IDF_Frame2 409
#define IDL_lblTitle0 410
#define IDL_lblComputerName 411
#define IDB_cmdButtonBrowse 412
#define IDF_frameAdminJob 413
#define IDF_frameEvent 414
#define IDL_lblDays 415
#define IDU_UpDown1 416
#define IDF_frameService 417
#define IDF_frameCommand 418
#define IDF_frameMail 419
#define IDE_txtSmtpServer 420
#define IDE_txtSmtpPort 421
#define IDE_txtSmtpTo 422
#define IDE_txtSmtpFrom 423
#define IDE_txtSmtpSubject 424
#define IDB_cmdButton0 425
#define IDB_cmdButton1 426
#define IDS_StatusBar1 435
#define IDM_mnuFileItem0 436
#define IDM_mnuFileItem2 437
#define IDM_mnuFileItem3 438
#define IDE_txtRetryMinutes 440
#define IDL_lblRetryMinutes 441
#define IDX_chkJob0 460       // 4 controls
#define IDX_chkEventLog0 470  // 3 controls
#define IDL_lblEvent0 475     // 3 controls
#define IDO_optService0 480   // 3 controls
#define IDL_lblCommand0 490   // 5 controls
#define IDE_txtCommand0 500   // 5 controls
#define IDB_cmdBrowse0 510    // 5 controls
#define IDL_lblMail0 520      // 5 controls
