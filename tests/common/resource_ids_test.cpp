// The resource IDs by name, pinned to their numbers once: the widget tests
// name controls through these, so a number changed by mistake shows here.
#include "common/resource_ids.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

struct Pin {
    const char* name;
    int id;
    int number;
};
#define PIN(name, number) \
    Pin { #name, ids::name, number }

TEST(ResourceIds, EachNameStandsForItsNumber) {
    const Pin pins[] = {
        PIN(kAboutDialog, 100),
        PIN(kFormDialog, 101),
        PIN(kProgressDialog, 131),
        PIN(kConfirmDialog, 135),
        PIN(kConnectionPane, 61204),
        PIN(kToolBar, 59392),
        PIN(kStatusBar, 59393),
        PIN(kCapsPane, 59137),
        PIN(kNumPane, 59138),
        PIN(kScrollPane, 59139),
        PIN(kCmdNew, 57600),
        PIN(kCmdOpen, 57601),
        PIN(kCmdSave, 57603),
        PIN(kCmdCopy, 57634),
        PIN(kCmdCut, 57635),
        PIN(kCmdPaste, 57637),
        PIN(kCmdUndo, 57643),
        PIN(kCmdAbout, 57664),
        PIN(kCmdExit, 57665),
        PIN(kConnectionPollTimer, 256),
        PIN(kDeviceArrival, 0x8000),
        PIN(kDeviceRemoveComplete, 0x8004),
        PIN(kIdOk, 1),
        PIN(kIdCancel, 2),
        PIN(kProgressBar, 1000),
        PIN(kProgressDoing, 1001),
        PIN(kProgressOutcome, 1002),
        PIN(kPauseButton, 1),
        PIN(kCancelButton, 2),
        PIN(kAuthEdit, 1007),
        PIN(kSystemGroup, 1022),
        PIN(kBtnInit, 1007),
        PIN(kBtnUpgrade, 1048),
        PIN(kBtnReadVersion, 1049),
        PIN(kEditVersion, 1069),
        PIN(kBtnFormatVoice, 1051),
        PIN(kBtnDownloadVoice, 1050),
        PIN(kBtnFormatFixedVoice, 1055),
        PIN(kBtnDownloadFixedVoice, 1054),
        PIN(kEditFrequency, 1012),
        PIN(kBtnSetFrequency, 1056),
        PIN(kBtnReadFrequency, 1058),
        PIN(kRadioRt220, 1065),
        PIN(kRadioRt221, 1066),
        PIN(kLabelAlarmTime, 1046),
        PIN(kComboAlarmTime, 1075),
        PIN(kLabelVolume, 1020),
        PIN(kComboVolume, 1074),
        PIN(kLabelChannel, 1052),
        PIN(kComboChannel, 1071),
        PIN(kLabelPassword, 1019),
        PIN(kEditPassword, 1057),
        PIN(kBtnSetBasic, 1047),
        PIN(kBtnReadBasic, 1053),
        PIN(kLabelSpeakerVolume, 1021),
        PIN(kEditSpeakerVolume, 1076),
        PIN(kCheckSpeakerVolume, 1011),
        PIN(kGroupBoxes[0], 1067),
        PIN(kGroupBoxes[1], 1005),
        PIN(kGroupBoxes[2], 1006),
        PIN(kEditAddress[0], 1015),
        PIN(kEditAddress[1], 1016),
        PIN(kEditAddress[2], 1017),
        PIN(kComboColor[0], 1077),
        PIN(kComboColor[1], 1082),
        PIN(kComboColor[2], 1087),
        PIN(kComboEffect[0], 1078),
        PIN(kComboEffect[1], 1083),
        PIN(kComboEffect[2], 1088),
        PIN(kEditLampDuration[0], 1079),
        PIN(kEditLampDuration[1], 1084),
        PIN(kEditLampDuration[2], 1089),
        PIN(kEditSoundEffect[0], 1080),
        PIN(kEditSoundEffect[1], 1085),
        PIN(kEditSoundEffect[2], 1090),
        PIN(kEditSoundDuration[0], 1081),
        PIN(kEditSoundDuration[1], 1086),
        PIN(kEditSoundDuration[2], 1091),
        PIN(kCheckGroup[0], 1014),
        PIN(kCheckGroup[1], 1018),
        PIN(kCheckGroup[2], 1042),
        PIN(kGroupLabels[0][0], 1024),
        PIN(kGroupLabels[0][1], 1025),
        PIN(kGroupLabels[0][2], 1026),
        PIN(kGroupLabels[0][3], 1027),
        PIN(kGroupLabels[0][4], 1028),
        PIN(kGroupLabels[0][5], 1029),
        PIN(kGroupLabels[1][0], 1030),
        PIN(kGroupLabels[1][1], 1031),
        PIN(kGroupLabels[1][2], 1092),
        PIN(kGroupLabels[1][3], 1033),
        PIN(kGroupLabels[1][4], 1034),
        PIN(kGroupLabels[1][5], 1035),
        PIN(kGroupLabels[2][0], 1036),
        PIN(kGroupLabels[2][1], 1037),
        PIN(kGroupLabels[2][2], 1038),
        PIN(kGroupLabels[2][3], 1039),
        PIN(kGroupLabels[2][4], 1040),
        PIN(kGroupLabels[2][5], 1041),
        PIN(kGroupLines[0], 1008),
        PIN(kGroupLines[1], 1010),
        PIN(kGroupLines[2], 1013),
        PIN(kLabelAlarmOff, 1045),
        PIN(kEditAlarmOff, 1044),
        PIN(kCheckAlarmOff, 1043),
        PIN(kBtnSetAddressCodes, 1059),
        PIN(kBtnReadAddressCodes, 1060),
        PIN(kLineLeft, 1023),
        PIN(kLineRight, 1032),
        PIN(kLineBottom, 1061),
        PIN(kLineTopRight, 1062),
    };
    for (const Pin& p : pins) EXPECT_EQ(p.id, p.number) << p.name;
}

#undef PIN

}  // namespace
}  // namespace korvane::test
