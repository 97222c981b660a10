// Control ids of the network browser (shared by the resource script and the code).
#pragma once

#define IDD_frmNetworkComputers 800
#define IDV_tvwNetwork 801
#define IDB_imlNWImages 802
