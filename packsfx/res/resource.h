// Resource identifiers of packsfx, the same in every language.
#pragma once

#define IDD_UNPACK_PROGRESS     100
#define IDC_UNPACK_TEXT         1001
#define IDC_UNPACK_BAR          1002

#define IDS_SFX_TITLE           200
#define IDS_PAYLOAD_DAMAGED     201
#define IDS_NO_INSTALLER        202
#define IDS_BAD_DEFINITION      203
#define IDS_BAD_EXTRACT_PATH    204
#define IDS_BAD_NAME            205
#define IDS_FOLDER_LINK         206
#define IDS_FOLDER_NOT_EMPTIED  207
#define IDS_FOLDER_NOT_CREATED  208
#define IDS_DISK_FULL           209
#define IDS_UNPACK_FAILED       210
#define IDS_START_FAILED        211
