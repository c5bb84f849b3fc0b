// Resource identifiers of the greeting maker, shared by loopvue-maker.rc and the
// code (and by the end-to-end tests, which drive the controls by them).
#pragma once

// Icons
#define IDI_MAKER 100

// The player carried inside, copied into every greeting
#define IDR_PLAYER 110

// Menus and their commands
#define IDM_MAIN 200
#define IDM_OPEN 201
#define IDM_ADD_SONG 202
#define IDM_REMOVE_SONG 203
#define IDM_SAVE 204
#define IDM_EXIT 205
#define IDM_SAVE_WEB 206

// Accelerators
#define IDA_MAIN 300

// The main window and its controls, in tab order
#define IDD_MAKER 400
#define IDC_PREVIEW 401
#define IDC_INFO 402
#define IDC_DITHER 403
#define IDC_SONG 404
#define IDC_ADD_SONG 405
#define IDC_LISTEN 406
#define IDC_STOP 407
#define IDC_REMOVE_SONG 408
#define IDC_OPEN 409
#define IDC_SAVE 410
#define IDC_STATUS 411
#define IDC_PLAY_SAVED 412
#define IDC_SAVE_WEB 413
#define IDC_SEND_NOTE 414
#define IDC_MESSAGE_LABEL 415
#define IDC_MESSAGE 416
#define IDC_MESSAGE_COUNT 417
#define IDC_WORDS 418
