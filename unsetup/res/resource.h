#pragma once

// String table of unsetup (the same ids in every language). 148 is a folder
// name, 149 and 152 are file names; the others are messages.
#define IDS_UNINSTALL_COMPLETE        136
#define IDS_CORE_START_FAILED         137
#define IDS_INTERNAL_ERROR_01         138
#define IDS_INTERNAL_ERROR_02         139
#define IDS_INTERNAL_ERROR_03         140
#define IDS_INTERNAL_ERROR_04         141
#define IDS_INTERNAL_ERROR_05         142
#define IDS_INTERNAL_ERROR_06         143
#define IDS_MANIFEST_LOAD_FAILED      144
#define IDS_UNINSTALL_FAILED          145
#define IDS_INTERNAL_ERROR_00         146
#define IDS_QUIT_PROGRAM_FIRST        147
#define IDS_ADD_NEW_FOLDER_NAME       148
#define IDS_TEMPORARY_DEFINITION_NAME 149
#define IDS_DEFINITION_LOAD_FAILED    151
#define IDS_DEFINITION_NAME           152

// Icon, dialogs and controls of unsetup.
#define IDI_PROGRAM                   101
#define IDD_PROGRESS                  107
#define IDD_CONFIRM                   136
#define IDC_PROGRESS_BAR              1002
#define IDC_DELETE_USER_DATA          1009
