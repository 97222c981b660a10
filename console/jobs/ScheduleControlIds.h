// Control ids of the schedule controls, the same in both job windows.
#pragma once

#define IDC_comboCondition 427
#define IDF_frameTime 428
#define IDE_txtTime 429
#define IDF_frameWeek 430
#define IDE_txtWeekTime 431
#define IDF_frameDay 432
#define IDE_txtDayTime 433
#define IDB_cmdSubmit 434
#define IDX_chkWeek0 530       // 7 controls
#define IDX_chkDay0 540        // 31 controls
#define IDL_lblTimeLabel0 580  // 6 controls
