#pragma once
// Resource ids shared by velmira.rc and the code.
#define IDI_PROGRAM 1
#define IDR_TRAY_ICON_FILE 2
