// Resource identifiers of the peeker, shared by glimmer.rc and the code.
#pragma once

// Bitmaps: the character's four frames, then the About dialog's art
#define IDB_FRAME_FIRST 101
#define IDB_ABOUT_TITLE 161
#define IDB_ABOUT_BOTTOM 162
#define IDB_ABOUT_MIDDLE 163

// Icons
#define IDI_GLIMMER 108

// Dialogs and their controls
#define IDD_ABOUT 160
#define IDC_AUDIO 1001

// Waves
#define IDW_GOODBYE 165

// Commands of the notification-area icon's menu
#define IDM_PEEK_NOW 301
#define IDM_PAUSE 302
#define IDM_SOUND 303
#define IDM_START_WITH_WINDOWS 304
#define IDM_ABOUT 305
#define IDM_QUIT 306
