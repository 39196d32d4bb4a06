// Identifiers of the program's resources, shared by the C++ code and the
// resource script.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CONVERTER 102
#define IDR_MAINFRAME 128

#define IDC_INS_PATH 1000
#define IDC_VPM_PATH 1001
#define IDC_BROWSE_INS 1002
#define IDC_BROWSE_VPM 1003

// The About command of the window menu; system commands use only the bits
// above the lowest four, so this must be a multiple of 16 below 0xF000.
#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
