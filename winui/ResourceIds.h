#pragma once
// Numbers shared by the resource script and the window code. The resource
// compiler reads only the preprocessor, so these stay macros.

#define IDI_PROGRAM 128
#define IDR_MAINFRAME 129
#define IDB_TOOLBAR 130
#define IDD_ABOUT 100
#define IDD_CONNECT 312
#define IDD_CONNECT_EXT 313
#define IDD_PROGRESS 314
#define IDD_COMPARE 315
#define IDD_VIEW 317
#define IDD_FIND_DRIVE 318

// Commands (the string table's command ids)
#define ID_DRIVE_CONNECT 32774
#define ID_DRIVE_DISCONNECT 32775
#define ID_DRIVE_REFRESH 32776
#define ID_PARAM_LOAD 32780
#define ID_PARAM_SAVE 32781
#define ID_MOTORDB_IMPORT 32784
#define ID_MOTORDB_EXPORT 32785
#define ID_PARAM_COMPARE 32786
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// About box
#define IDC_ABOUT_PRODUCT 1050
#define IDC_ABOUT_COPYRIGHT 1030
#define IDC_ABOUT_VERSION 1054
#define IDC_ABOUT_MODELS_LABEL 1055
#define IDC_ABOUT_MODELS 1024

// Connect dialog
#define IDC_CONNECT_BOARD 1056
#define IDC_CONNECT_PORT_LABEL 1049
#define IDC_CONNECT_PORT 1019
#define IDC_CONNECT_OPTIONS 1005
#define IDC_CONNECT_BAUD_LABEL 1057
#define IDC_CONNECT_BAUD 1006
#define IDC_CONNECT_PROBLEM 1058
#define IDC_CONNECT_FIND 1059

// Progress dialog
#define IDC_PROGRESS_STATUS 1052
#define IDC_PROGRESS_PERCENT 1048
#define IDC_PROGRESS_BAR 1026

// Compare dialog
#define IDC_COMPARE_FILE 1060
#define IDC_COMPARE_LIST 1061
#define IDC_COMPARE_SUMMARY 1062

// Find Drive dialog: Use is IDOK, Cancel IDCANCEL
#define IDC_FIND_LIST 1063
#define IDC_FIND_STATUS 1064

// User parameter view: row i has label 1035 + i and list 1007 + i
#define IDC_VIEW_TARGET 1033
#define IDC_VIEW_VERSION 1054
#define IDC_VIEW_PARAMS 1047
#define IDC_VIEW_LABEL0 1035
#define IDC_VIEW_LIST0 1007

#define IDC_STATIC_ICON (-1)
