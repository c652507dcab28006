#pragma once

// String table of packsetup (the same ids in every language).
#define IDS_DX_WINDOWS_NOT_SUPPORTED_21 103
#define IDS_NEWER_VERSION_REQUIRED      105
#define IDS_SOURCE_NOT_FOUND            106
#define IDS_PREPARING                   107
#define IDS_COPYING_FILES               108
#define IDS_COPY_FAILED                 109
#define IDS_CORE_START_FAILED           112
#define IDS_SOURCE_DAMAGED_11           114
#define IDS_SOURCE_DAMAGED_12           115
#define IDS_DX_NOT_ENOUGH_DISK_SPACE    116
#define IDS_SOURCE_DAMAGED_13           117
#define IDS_DX_WORK_FOLDER_FAILED       118
#define IDS_UNKNOWN_INTERNAL_ERROR      119
#define IDS_DX_WINDOWS_NOT_SUPPORTED_22 120
#define IDS_DX_ADMIN_REQUIRED           121
#define IDS_DX_CPU_NOT_SUPPORTED        122
#define IDS_SOURCE_DAMAGED_14           123
#define IDS_SOURCE_DAMAGED_15           124
#define IDS_SOURCE_DAMAGED_16           125
#define IDS_DX_LICENSE_NOT_ACCEPTED     126
#define IDS_DX_API_UNAVAILABLE          127
#define IDS_DX_FAILED                   128
#define IDS_RESTART_QUESTION            129
#define IDS_RESTART_FAILED              130
#define IDS_ADMIN_REQUIRED              131
#define IDS_DX_CONTINUE_QUESTION        132
#define IDS_REGISTERING                 133
#define IDS_DOTNET_FAILED               140
#define IDS_DOTNET_DOWNLOADING          141
#define IDS_DOTNET_INSTALLING           142
#define IDS_DOTNET_ERROR                143
#define IDS_DOTNET_CONTINUE_QUESTION    144
#define IDS_OS_NOT_SUPPORTED            147
#define IDS_XP_SERVICE_PACK_REQUIRED    148
#define IDS_INVALID_FOLDER_NAME         150
#define IDS_LOW_DISK_SPACE_QUESTION     151
#define IDS_INVALID_FOLDER_CHARACTERS   152
#define IDS_PROGRAM_RUNNING             154
#define IDS_INSTALL_LOCATION_NOT_FOUND  155
#define IDS_CANCEL_UPDATE_QUESTION      156
#define IDS_DEFINITION_LOAD_FAILED      157
#define IDS_DELETING_OBSOLETE_FILES     159
#define IDS_START_PROGRAM_QUESTION      171
#define IDS_SETUP_CANCELLED             172

// Progress dialog of the copy (the same ids in every language).
#define IDD_PROGRESS                    142
#define IDC_PROGRESS_PHASE              1001
#define IDC_PROGRESS_BAR                1002
#define IDC_PROGRESS_FILE               1003

// Progress dialogs of the prerequisite setups (the same ids in every language).
#define IDD_DIRECTX_PROGRESS            107
#define IDD_DOTNET_PROGRESS             135
#define IDC_PREREQ_PHASE_BAR            1002
#define IDC_PREREQ_PERCENT_BAR          1003
#define IDC_PREREQ_PHASE_TEXT           1010
