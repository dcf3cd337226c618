// Resource and control ids of TesselSetup.
#pragma once

#define IDI_SETUP 100
#define IDB_SETUP 100
#define IDD_INSTALLER 1000

#define IDC_QUIT 101
#define IDC_UNINSTALL 102
#define IDC_INSTALL 103
#define IDC_PICTURE 104
#define IDC_INFO 107
#define IDC_NAME 108
#define IDC_TITLE 109
#define IDC_DESCRIPTION 110
#define IDC_VERSION 111
