// Resource and control ids of the desktop program (ostrand.rc).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Templates, icon, menu commands
#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDD_OSTRAND_DIALOG 1001
#define IDM_ABOUTBOX 0x0010  // system menu command "バージョン情報 (&A)..."

// Main dialog controls
#define IDC_INPUT_FOLDER 3101
#define IDC_OUTPUT_FOLDER 3102
#define IDC_PARAMETER_TEXT 3103
#define IDC_YEAR 3104
#define IDC_MONTH 3105
#define IDC_ADVICE_NUMBER 3106
#define IDC_ORGANISATION 3107
#define IDC_ZONE_LIST 3201
#define IDC_BROWSE_INPUT 3301
#define IDC_BROWSE_OUTPUT 3302
#define IDC_BROWSE_PARAMETER 3303
#define IDC_EXECUTE 3308
#define IDC_USE_FALLBACK_ZONE 3601
#define IDC_STATUS_LINE 3751
#define IDC_PROGRESS 9001
