// Control ids of the mail settings dialog (shared by the resource script and the code).
#pragma once

#define IDD_frmMailSetting 300
#define IDL_lblWindow 301
#define IDF_frameSmtp 302
#define IDL_lblSmtpServer 303
#define IDE_txtSmtpServer 304
#define IDL_lblSmtpPort 305
#define IDE_txtSmtpPort 306
#define IDF_frameEmail 307
#define IDL_lblFrom 308
#define IDE_txtFrom 309
#define IDL_lblTo 310
#define IDE_txtTo 311
#define IDL_lblSubject 312
#define IDE_txtSubject 313
#define IDL_lblSecurity 314
#define IDC_cboSecurity 315
#define IDL_lblUser 316
#define IDE_txtUser 317
#define IDL_lblPassword 318
#define IDE_txtPassword 319
#define IDB_cmdButton0 320
#define IDB_cmdButton1 321
#define IDB_cmdTestSend 322
#define IDL_lblSmtpServer2 323
#define IDE_txtSmtpServer2 324
#define IDL_lblSmtpPort2 325
#define IDE_txtSmtpPort2 326
