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
#define IDF_frameAuth 330
#define IDL_lblAuth 331
#define IDC_cboAuth 332
#define IDL_lblOAuth0 \
  340  // 7 labels: token URL, client id, scope, secret, key file, subject, tenant
#define IDE_txtTokenUrl 350
#define IDE_txtClientId 351
#define IDE_txtScope 352
#define IDE_txtSecret 353
#define IDE_txtKeyFile 354
#define IDE_txtSubject2 355
#define IDE_txtTenant 356
#define IDB_cmdKeyFile 360
#define IDB_cmdMicrosoft 361
#define IDB_cmdGoogle 362
