// The ids of the dialog templates, their controls and the Options menu: the one place they are
// defined, for the Windows resource scripts (win32/*.rc, hence macros), the dialogs' logic and
// the Linux dialog host.
#pragma once

#define IDOK_BUTTON 1
#define IDCANCEL_BUTTON 2

#define IDD_OPTIONS 102
#define IDR_OPTIONS_MENU 1001
#define IDC_BASE_PATH 1000
#define IDC_DELETE_MESSAGES 1001
#define IDC_BROWSE 1003
#define IDC_DELETE_FOLDERS 1004
#define IDC_PROMPT_FOLDERS 1005
#define IDC_PROMPT_MESSAGES 1006
#define ID_HELP_TOPICS 32772

// The progress window of a long run.
#define IDD_PROGRESS 103
#define IDC_PROGRESS_SOURCE 1100
#define IDC_PROGRESS_COUNT 1101
#define IDC_PROGRESS_SUBJECT 1102
#define IDC_PROGRESS_BAR 1103
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
