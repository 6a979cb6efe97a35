// Resource and control ids of the property page, shared by the resource
// script, the page and its tests.
#pragma once

#define IDD_TAVREL_PAGE 102
#define IDB_SURFACE 132
// The type of dialog initialisation data (the combos' items), which has the
// id of its template.
#define RT_DIALOG_INIT 240

#define IDC_COMBO_F1 1003  // F1..F9: 1003..1011
#define IDC_COMBO_F9 1011
#define IDC_COMBO_SEND_A 1012  // Send A..E: 1012..1016
#define IDC_COMBO_SEND_E 1016
#define IDC_LOCATE_AUTOMATION 1017
#define IDC_LOCATE_POSITION 1018
#define IDC_FOOTSWITCH_TAPS 1019
#define IDC_FOOTSWITCH_RECORD_STOP 1020
#define IDC_CURSOR_MEASURE 1021
#define IDC_CURSOR_BANK 1022
#define IDC_DEFAULT_OPTIONS 1023
