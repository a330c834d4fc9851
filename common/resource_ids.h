#pragma once
// Numeric resource IDs, as the resource header holds them. Every control of a
// template carries its ID as its objectName ("1007" for button 1007).

namespace korvane::ids {

// Templates, icons, bitmaps, strings
inline constexpr int kAboutDialog = 100;
inline constexpr int kFormDialog = 101;
inline constexpr int kProgressDialog = 131;
inline constexpr int kConfirmDialog = 135;
inline constexpr int kConnectionPane = 61204;
inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kCapsPane = 59137;
inline constexpr int kNumPane = 59138;
inline constexpr int kScrollPane = 59139;

// Commands
inline constexpr int kCmdNew = 57600;
inline constexpr int kCmdOpen = 57601;
inline constexpr int kCmdSave = 57603;
inline constexpr int kCmdCopy = 57634;
inline constexpr int kCmdCut = 57635;
inline constexpr int kCmdPaste = 57637;
inline constexpr int kCmdUndo = 57643;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdExit = 57665;

// Timer
inline constexpr int kConnectionPollTimer = 256;

// Device-change events of the notification, as the frame and form receive them
inline constexpr int kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr int kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE

// Standard dialog buttons
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Progress dialog (template 131)
inline constexpr int kProgressBar = 1000;
inline constexpr int kProgressDoing = 1001;
inline constexpr int kProgressOutcome = 1002;
inline constexpr int kPauseButton = 1;
inline constexpr int kCancelButton = 2;

// Authorization dialog (template 135)
inline constexpr int kAuthEdit = 1007;

// Form (template 101): system operations
inline constexpr int kSystemGroup = 1022;
inline constexpr int kBtnInit = 1007;
inline constexpr int kBtnUpgrade = 1048;
inline constexpr int kBtnReadVersion = 1049;
inline constexpr int kEditVersion = 1069;
inline constexpr int kBtnFormatVoice = 1051;
inline constexpr int kBtnDownloadVoice = 1050;
inline constexpr int kBtnFormatFixedVoice = 1055;
inline constexpr int kBtnDownloadFixedVoice = 1054;
inline constexpr int kEditFrequency = 1012;
inline constexpr int kBtnSetFrequency = 1056;
inline constexpr int kBtnReadFrequency = 1058;

// Model radio buttons
inline constexpr int kRadioRt220 = 1065;
inline constexpr int kRadioRt221 = 1066;

// Basic parameters (model 0)
inline constexpr int kLabelAlarmTime = 1046;
inline constexpr int kComboAlarmTime = 1075;
inline constexpr int kLabelVolume = 1020;
inline constexpr int kComboVolume = 1074;
inline constexpr int kLabelChannel = 1052;
inline constexpr int kComboChannel = 1071;
inline constexpr int kLabelPassword = 1019;
inline constexpr int kEditPassword = 1057;
inline constexpr int kBtnSetBasic = 1047;
inline constexpr int kBtnReadBasic = 1053;

// Address codes (model 1)
inline constexpr int kLabelSpeakerVolume = 1021;
inline constexpr int kEditSpeakerVolume = 1076;
inline constexpr int kCheckSpeakerVolume = 1011;
inline constexpr int kGroupBoxes[3] = {1067, 1005, 1006};
inline constexpr int kEditAddress[3] = {1015, 1016, 1017};
inline constexpr int kComboColor[3] = {1077, 1082, 1087};
inline constexpr int kComboEffect[3] = {1078, 1083, 1088};
inline constexpr int kEditLampDuration[3] = {1079, 1084, 1089};
inline constexpr int kEditSoundEffect[3] = {1080, 1085, 1090};
inline constexpr int kEditSoundDuration[3] = {1081, 1086, 1091};
inline constexpr int kCheckGroup[3] = {1014, 1018, 1042};
// Field labels of the three groups, row by row ("地址码:" .. "音时长:").
inline constexpr int kGroupLabels[3][6] = {
    {1024, 1025, 1026, 1027, 1028, 1029},
    {1030, 1031, 1092, 1033, 1034, 1035},
    {1036, 1037, 1038, 1039, 1040, 1041},
};
inline constexpr int kGroupLines[3] = {1008, 1010, 1013};
inline constexpr int kLabelAlarmOff = 1045;
inline constexpr int kEditAlarmOff = 1044;
inline constexpr int kCheckAlarmOff = 1043;
inline constexpr int kBtnSetAddressCodes = 1059;
inline constexpr int kBtnReadAddressCodes = 1060;

// Frame lines
inline constexpr int kLineLeft = 1023;
inline constexpr int kLineRight = 1032;
inline constexpr int kLineBottom = 1061;
inline constexpr int kLineTopRight = 1062;

}  // namespace korvane::ids
