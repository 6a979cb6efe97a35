// Resource ids of TavrelReg, shared by the resource script and the code.
#pragma once

#define IDD_TAVRELREG_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TAVRELREG_DIALOG 102
#define IDR_MAINFRAME 128

// The system-menu command that opens the About box.
#define IDM_ABOUTBOX 0x0010
