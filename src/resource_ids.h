// The ids of zelvane.exe's resources, for its resource scripts and for the windows that name
// them. Plain defines: the resource compiler reads this file too.
#pragma once

#define ZELVANE_ERASER_ICON 101  // the main window's
#define ZELVANE_FLOPPY_ICON 102  // the About window's

// The windows' words, one string table per language in src/strings/. Windows keeps strings
// in blocks of sixteen ids: the ids are dense so that each table takes few blocks.
#define IDS_UIN_LABEL 1
#define IDS_ERASE_BUTTON 2
#define IDS_ABOUT_BUTTON 3
#define IDS_SHOW_ACCOUNTS 4
#define IDS_HIDE_ACCOUNTS 5
#define IDS_ACCOUNT_LIST 6
#define IDS_ABOUT_CAPTION 7
#define IDS_MADE_BY 8
#define IDS_EMAIL 9
#define IDS_UIN_CAPTION 10
#define IDS_CONFIRM 11
#define IDS_CONFIRM_TITLE 12
#define IDS_FILL_IN 13
#define IDS_INPUT_ERROR_TITLE 14
#define IDS_NOT_A_UIN 15
#define IDS_DONE 16
#define IDS_SUCCESS_TITLE 17
#define IDS_NOT_ERASED_FROM 18
#define IDS_PLACE_FAILED 19
#define IDS_PARTLY_ERASED 20
#define IDS_ACCESS_DENIED 21
#define IDS_KEY_NOT_OPENED 22
#define IDS_ERROR_CODE 23
#define IDS_REGISTRY_LINK 24
#define IDS_OWN_KEYS_LEFT 25
#define IDS_OFFER_ADMINISTRATOR 26
#define IDS_AND 27
#define IDS_RUN_AS_ADMINISTRATOR 28
#define IDS_NOT_ERASED_TITLE 29
#define IDS_ADMINISTRATOR_FAILED 30
#define IDS_MESSENGER_RUNNING 31
#define IDS_MESSENGER_TITLE 32
#define IDS_PROCESS 33
#define IDS_PROCESS_OF_USER 34
