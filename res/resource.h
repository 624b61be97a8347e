// Resource, control and command identifiers. The numbers are part of the
// program's interface (templates, menus, the plug-ins and peers that post
// commands), so they never change.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_VELLUMO_DIALOG 102
#define IDD_REMARK 103
#define IDD_SETTING 185
#define IDD_CLEAR_HISTORY 192
#define IDD_REMINDER 193
#define IDD_FIND_MEMO 194
#define IDD_CALENDARS 195
#define IDD_REPEAT_CUSTOM 196
#define IDD_REPEAT_SCOPE 197
#define IDD_SUBSCRIBE 198
#define IDD_CALENDAR_SERVER 199

// Strings
#define IDS_ABOUTBOX 101

// Menus
#define IDR_BACKUP_MENU 180
#define IDR_TOOLS_MENU 181

// Bitmaps
#define IDB_CLOCK_DIGITS 137
#define IDB_CLOCK_FACE 138
#define IDB_EDITOR_PICTURE 165
#define IDB_SKIN 183
#define IDB_CLOCK_GLYPHS 186
#define IDB_PROGRESS_CELLS 199

// Icons
#define IDR_MAINFRAME 128
#define IDI_OK 166
#define IDI_CANCEL 167
#define IDI_PREV_MONTH 169
#define IDI_NEXT_MONTH 170
#define IDI_PREV_YEAR 171
#define IDI_NEXT_YEAR 172

// The same artwork drawn for larger display scales: the 100 % id plus 10000
// for 125 %, 20000 for 150 % and 30000 for 200 % (core/artwork/artwork_scale.h).
#define IDB_CLOCK_DIGITS_125 10137
#define IDB_CLOCK_DIGITS_150 20137
#define IDB_CLOCK_DIGITS_200 30137
#define IDB_CLOCK_FACE_125 10138
#define IDB_CLOCK_FACE_150 20138
#define IDB_CLOCK_FACE_200 30138
#define IDB_EDITOR_PICTURE_125 10165
#define IDB_EDITOR_PICTURE_150 20165
#define IDB_EDITOR_PICTURE_200 30165
#define IDB_SKIN_125 10183
#define IDB_SKIN_150 20183
#define IDB_SKIN_200 30183
#define IDB_CLOCK_GLYPHS_125 10186
#define IDB_CLOCK_GLYPHS_150 20186
#define IDB_CLOCK_GLYPHS_200 30186
#define IDB_PROGRESS_CELLS_125 10199
#define IDB_PROGRESS_CELLS_150 20199
#define IDB_PROGRESS_CELLS_200 30199
#define IDR_MAINFRAME_125 10128
#define IDR_MAINFRAME_150 20128
#define IDR_MAINFRAME_200 30128
#define IDI_OK_125 10166
#define IDI_OK_150 20166
#define IDI_OK_200 30166
#define IDI_CANCEL_125 10167
#define IDI_CANCEL_150 20167
#define IDI_CANCEL_200 30167
#define IDI_PREV_MONTH_125 10169
#define IDI_PREV_MONTH_150 20169
#define IDI_PREV_MONTH_200 30169
#define IDI_NEXT_MONTH_125 10170
#define IDI_NEXT_MONTH_150 20170
#define IDI_NEXT_MONTH_200 30170
#define IDI_PREV_YEAR_125 10171
#define IDI_PREV_YEAR_150 20171
#define IDI_PREV_YEAR_200 30171
#define IDI_NEXT_YEAR_125 10172
#define IDI_NEXT_YEAR_150 20172
#define IDI_NEXT_YEAR_200 30172

// Panel (template 102)
#define IDC_DAY_FIRST 1000  // day cells 1000..1036, row by row from Sunday
#define IDC_DAY_LAST 1036
#define IDC_PREV_MONTH 1037
#define IDC_NEXT_MONTH 1038
#define IDC_MONTH_LABEL 1039
#define IDC_YEAR_LABEL 1040
#define IDC_NEXT_YEAR 1041
#define IDC_PREV_YEAR 1042
#define IDC_MENU_BUTTON 1043
#define IDC_WEEKDAY_FIRST 1045  // weekday headers 1045..1051, Sunday first
#define IDC_WEEKDAY_LAST 1051
#define IDC_LOGO 1053
#define IDC_CLOCK 1060
#define IDC_TICKER_PLACE 1061
#define IDC_EXIT_MARK 1063
#define IDC_MINIMIZE_MARK 1064

// Memo editor (template 103)
#define IDC_REMARK_OK 1000
#define IDC_REMARK_CANCEL 1001
#define IDC_HOUR 1041
#define IDC_CONTENT 1043
#define IDC_DATE 1044
#define IDC_HOUR_SPIN 1056
#define IDC_MINUTE 1057
#define IDC_MINUTE_SPIN 1058
#define IDC_PICTURE 1059
#define IDC_REPEAT 1110        // the drop-down "Repeat"
#define IDC_REMIND_AHEAD 1111  // the drop-down "Remind ahead"
#define IDC_REPEAT_NOTE 1112   // what the rule does at month ends

// Custom repeat (template 196) and the question before a repeating memo
// changes (template 197)
#define IDC_CUSTOM_EVERY 1150
#define IDC_CUSTOM_UNIT 1151
#define IDC_CUSTOM_SUNDAY 1152  // check boxes 1152..1158, Sunday..Saturday
#define IDC_CUSTOM_SATURDAY 1158
#define IDC_CUSTOM_SAME_DAY 1159
#define IDC_CUSTOM_LAST_DAY 1160
#define IDC_CUSTOM_WEEKDAY 1161
#define IDC_CUSTOM_NO_END 1162
#define IDC_CUSTOM_UNTIL 1163
#define IDC_CUSTOM_UNTIL_DATE 1164
#define IDC_CUSTOM_AFTER 1165
#define IDC_CUSTOM_COUNT 1166
#define IDC_CUSTOM_NOTE 1167
#define IDC_SCOPE_THIS_DATE 1170
#define IDC_SCOPE_EVERY_TIME 1171

// Settings dialog (template 185)
#define IDC_FORMAT_12 1071
#define IDC_FORMAT_24 1072
#define IDC_AUTORUN 1073
#define IDC_DAYS_SPIN 1074
#define IDC_DAYS 1075
#define IDC_REMIND_MISSED 1101

// History cleaner (template 192)
#define IDC_CLEAN_FIRST 1077  // check boxes 1077..1085, items 0..8
#define IDC_CLEAN_LAST 1085
#define IDC_PROGRESS 1086
#define IDC_STATUS 1089
#define IDC_FIND_WORDS 1090  // the find dialog's words and its list of dates
#define IDC_FIND_LIST 1091

// Subscribed calendars (templates 195 and 198)
#define IDC_SERVER_ADDRESS 1120
#define IDC_SERVER_USER 1121
#define IDC_SERVER_PASSWORD 1122
#define IDC_SERVER_SYNC_NOW 1123
#define IDC_SERVER_STATUS 1124
#define IDC_SERVER_CALENDAR 1125
#define IDC_SETTING_SERVER 1126
#define IDC_SERVER_REMINDERS 1127
#define IDC_CALENDAR_LIST 1130
#define IDC_CALENDAR_ADD 1131
#define IDC_CALENDAR_REMOVE 1132
#define IDC_CALENDAR_REFRESH 1133
#define IDC_CALENDAR_REMINDERS 1134
#define IDC_SUBSCRIBE_ADDRESS 1135
#define IDC_SUBSCRIBE_NAME 1136
#define IDC_SUBSCRIBE_STATUS 1137

// Reminder window (template 193). The text keeps the id of a message box's
// text, so tools that read reminders from the old box read them here too.
#define IDC_REMINDER_TEXT 0xFFFF
#define IDC_SNOOZE 1102
#define IDC_SNOOZE_TIME 1103
#define IDC_REMINDER_LIST 1104
#define IDC_REMINDER_DUE 1105
#define IDC_REMINDER_MISSED 1106
#define IDC_REMINDER_ICON 1107

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Commands
#define IDM_ABOUTBOX 0x0010  // system menu
#define ID_TRAY_EXIT 32772
#define ID_TRAY_SHOW 32773
#define ID_TRAY_HIDE 32774
#define ID_SYNC_TIME 32775
#define ID_BACKUP 32776
#define ID_HELP 32777
#define ID_APP_HELP 57670  // the help command F1 raises
#define ID_OUR_PRODUCTS 32779
#define ID_TOOLS_EXIT 32780
#define ID_CLEAR_HISTORY 32781
#define ID_SETTING 32782
#define ID_PRODUCT_INFO 32784
#define ID_UPDATE 32785
#define ID_EXPORT_CALENDAR 32786
#define ID_IMPORT_CALENDAR 32787
#define ID_FIND_MEMO 32788
#define ID_CALENDARS 32789
#define ID_SYNC_NOW 32790
#define ID_CALENDAR_SERVER 32791
