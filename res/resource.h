// Resource identifiers of Quillon.exe.
#pragma once

#define IDD_UPGRADE_DIALOG 200
#define IDD_PROGRESS_DIALOG 282
#define IDD_SELECT_FILE_DIALOG 285

#define IDI_APP 299
#define IDI_FOLDER 302
#define IDI_PACK 303
#define IDI_DRIVE 304

// Main dialog controls.
#define IDC_TERMINAL_ADDRESS 204
#define IDC_START_UPGRADE 205
#define IDC_MINIMIZE 210
#define IDC_CLOSE 211
#define IDC_LOAD_PACK 218
