// Resource identifiers of the player, shared by loopvue.rc and the code.
#pragma once

// Menus and their commands
#define IDM_MAIN 1000
#define IDM_EXIT 1002
#define IDM_ABOUT 1003

// Dialogs, and the identifier of the controls the code never addresses
#define IDD_ABOUT 1004
#define IDC_STATIC (-1)

// Icons (named, so the class and the About box find it by name)
#define IDI_APP "AppIcon"
