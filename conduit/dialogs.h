// The configuration dialogs of the conduit: the HotSync action dialog (399),
// opened by ConfigureConduit, and from it the options (1000) and about (3000)
// dialogs. The numbers below are shared with dialogs.rc.
#pragma once

// Dialogs.
#define IDD_SYNC_ACTION 399
#define IDD_OPTIONS 1000
#define IDD_ABOUT 3000

// Bitmaps: action dialog pictures (48x24, drawn on 192,192,192) and the
// about picture.
#define IDB_SYNC_OVERWRITE 102
#define IDB_SYNC_NOTHING 103
#define IDB_SYNC_STATUS 104
#define IDB_SYNC_DELETE 105
#define IDB_ABOUT 108

// HotSync action dialog.
#define IDC_SYNC_OVERWRITE 406
#define IDC_SYNC_NOTHING 407
#define IDC_SYNC_DEFAULT 409
#define IDC_SYNC_HELP 105
#define IDC_SYNC_GROUP 403
#define IDC_SYNC_DELETE 408
#define IDC_SYNC_OPTIONS 402
#define IDC_SYNC_PIC_OVERWRITE 412
#define IDC_SYNC_PIC_NOTHING 413
#define IDC_SYNC_PIC_DELETE 414
#define IDC_SYNC_PIC_STATUS 106
#define IDC_SYNC_STATUS 104
#define IDC_SYNC_ABOUT 103

// Options dialog.
#define IDC_OPT_BACKUP_GROUP 119
#define IDC_OPT_BACKUP_ALL 118
#define IDC_OPT_BACKUP_CHANGED 117
#define IDC_OPT_FORMAT_GROUP 111
#define IDC_OPT_TITLE 1022
#define IDC_OPT_FIELD_NAMES 101
#define IDC_OPT_SEPARATE 116
#define IDC_OPT_SINGLE_LINE 1023
#define IDC_OPT_QUOTE_DATES 1024
#define IDC_OPT_DATE_LABEL 115
#define IDC_OPT_DATE_FORMAT 1025
#define IDC_OPT_FIELD_GROUP 112
#define IDC_OPT_FIELD_COMMA 1003
#define IDC_OPT_FIELD_SEMICOLON 1004
#define IDC_OPT_FIELD_TAB 1005
#define IDC_OPT_FIELD_OTHER 1010
#define IDC_OPT_FIELD_OTHER_TEXT 1011
#define IDC_OPT_TEXT_GROUP 113
#define IDC_OPT_TEXT_LABEL 114
#define IDC_OPT_TEXT_DOUBLE 104
#define IDC_OPT_TEXT_SINGLE 103
#define IDC_OPT_TEXT_NONE 1008
#define IDC_OPT_TEXT_OTHER 1009
#define IDC_OPT_TEXT_OTHER_TEXT 1012
#define IDC_OPT_DATA 1026

// About dialog.
#define IDC_ABOUT_PRODUCT 107
#define IDC_ABOUT_PICTURE 102
#define IDC_ABOUT_VERSION 108
#define IDC_ABOUT_NOTICE 109
#define IDC_ABOUT_HOMEPAGE 101
#define IDC_ABOUT_CONTACT 110

#ifndef RC_INVOKED
#include <windows.h>

#include <cstdint>

// HotSync action of the dialog: 2 handheld overwrites desktop, 3 do nothing.
// Set from the preference record on every ConfigureConduit call.
extern int32_t SyncAction;
// State of "Als Vorgabe" when the action dialog was last confirmed.
extern int32_t MakeDefault;

// Dialog procedures (modal, opened from the library's resources).
INT_PTR CALLBACK SyncActionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif
