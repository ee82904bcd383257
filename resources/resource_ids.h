// Resource and control identifiers shared by kestrelcue.rc and the code.
// The numbers are fixed: tests and users' automation find controls by them.
#pragma once

#define IDD_MAIN                    101
#define IDD_NETWORK_SETUP           102
#define IDD_OPTIONS                 103
#define IDD_SCENES                  104
#define IDD_RECORD                  105

// The program's icon: the first icon resource, so Explorer shows it.
#define IDI_KESTRELCUE              100

// The main window's system menu item that opens the Options dialog. The
// low four bits of a system command are the system's.
#define IDM_MAIN_OPTIONS            0x0010
#define IDM_MAIN_SCENES             0x0020
#define IDM_MAIN_RECORD             0x0030

#define IDC_SETUP_GAME_SIDE         1001
#define IDC_SETUP_XSPLIT_SIDE       1002
#define IDC_MAIN_ENTER_SCENE        1004
#define IDC_MAIN_APPLY_ON_TAB       1005
#define IDC_MAIN_LEAVE_SCENE        1006
#define IDC_MAIN_TAB_OUT_SCENE      1007
#define IDC_MAIN_TAB_IN_SCENE       1008
#define IDC_MAIN_PATCH_LIST         1009
#define IDC_MAIN_APPLY_WHEN_TABBED  1010
#define IDC_MAIN_START_STOP         1011
#define IDC_MAIN_STATUS             1012
#define IDC_MAIN_NETWORK_MODE       1013
#define IDC_MAIN_SETUP              1014
#define IDC_SETUP_HOST              1015
#define IDC_OPTIONS_PATCH_TABLE     1016
#define IDC_OPTIONS_CLIENT_API      1017
#define IDC_OPTIONS_XSPLIT          1018
#define IDC_OPTIONS_OBS             1019
#define IDC_OPTIONS_OBS_HOST        1020
#define IDC_OPTIONS_OBS_PORT        1021
#define IDC_OPTIONS_OBS_PASSWORD    1022
#define IDC_OPTIONS_TEST_OBS        1023
#define IDC_OPTIONS_TEST_RESULT     1024
#define IDC_SCENES_LOADING          1025
#define IDC_SCENES_REPLAY           1026
#define IDC_SCENES_OBSERVING        1027
#define IDC_SCENES_VICTORY          1028
#define IDC_SCENES_DEFEAT           1029
#define IDC_SCENES_PLAYER_NAMES     1030
// Beside each scene field of the Scenes dialog: its list's button, its mark.
#define IDC_SCENES_LOADING_LIST     1080
#define IDC_SCENES_REPLAY_LIST      1081
#define IDC_SCENES_OBSERVING_LIST   1082
#define IDC_SCENES_VICTORY_LIST     1083
#define IDC_SCENES_DEFEAT_LIST      1084
#define IDC_SCENES_LOADING_MARK     1085
#define IDC_SCENES_REPLAY_MARK      1086
#define IDC_SCENES_OBSERVING_MARK   1087
#define IDC_SCENES_VICTORY_MARK     1088
#define IDC_SCENES_DEFEAT_MARK      1089
#define IDC_OPTIONS_GAME_API_HOST   1031
#define IDC_OPTIONS_GAME_API_PORT   1032
#define IDC_RECORD_FILE             1040
#define IDC_RECORD_BROWSE           1041
#define IDC_RECORD_FORMAT           1042
#define IDC_RECORD_OBS_SOURCE       1043
#define IDC_RECORD_PREVIEW          1044
#define IDC_RECORD_WINS             1045
#define IDC_RECORD_LOSSES           1046
#define IDC_RECORD_TIES             1047
#define IDC_RECORD_TERRAN_WINS      1048
#define IDC_RECORD_TERRAN_LOSSES    1049
#define IDC_RECORD_ZERG_WINS        1050
#define IDC_RECORD_ZERG_LOSSES      1051
#define IDC_RECORD_PROTOSS_WINS     1052
#define IDC_RECORD_PROTOSS_LOSSES   1053
#define IDC_RECORD_RANDOM_WINS      1054
#define IDC_RECORD_RANDOM_LOSSES    1055
#define IDC_RECORD_RESET            1056
#define IDC_RECORD_OVERLAY_PORT     1057
#define IDC_RECORD_OVERLAY_ADDRESS  1058
#define IDC_RECORD_OVERLAY_COPY     1059
#define IDC_RECORD_WEBHOOK_URL      1060
#define IDC_OPTIONS_START_WITH_WINDOWS  1100
#define IDC_OPTIONS_MINIMIZE_TO_TRAY    1101
#define IDC_OPTIONS_PAUSE_KEY           1102
#define IDC_OPTIONS_PAUSE_KEY_RESULT    1103
#define IDC_OPTIONS_PAUSE_KEY_CLEAR     1104

// The tray icon's menu.
#define IDM_TRAY_SHOW               1120
#define IDM_TRAY_START_STOP         1121
#define IDM_TRAY_PAUSE              1122
#define IDM_TRAY_EXIT               1123

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif
