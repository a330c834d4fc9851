#pragma once
// The operator texts, in one place as a string table holds them. UTF-8.
// They are used exactly as written; tests spell them out literally.

namespace korvane::texts {

// Application and frame
inline constexpr const char* kAppTitle = "Korvane";
inline constexpr const char* kFrameTitle = "VelarinV1.0";
inline constexpr const char* kRemovedTitle = "KV_SystemDlg----------[未连接设备]";
inline constexpr const char* kDisconnected = "未连接";
inline constexpr const char* kConnected = "连接";
inline constexpr const char* kReady = "就绪";
inline constexpr const char* kDeviceArrivalTrace = "HID设备插入！";
inline constexpr const char* kAboutCaption = "关于 Korvane";
inline constexpr const char* kAboutVersion = "Korvane 1.0 版";
inline constexpr const char* kOk = "确定";
inline constexpr const char* kCancel = "取消";

// Frame: menus, their items and the prompts the status bar shows for them
inline constexpr const char* kFileMenu = "文件(&F)";
inline constexpr const char* kExitItem = "退出(&X)";
inline constexpr const char* kExitPrompt = "退出应用程序；提示保存文档";
inline constexpr const char* kEditMenu = "编辑(&E)";
inline constexpr const char* kUndoItem = "撤消(&U)\tCtrl+Z";
inline constexpr const char* kUndoPrompt = "撤消上一操作";
inline constexpr const char* kCutItem = "剪切(&T)\tCtrl+X";
inline constexpr const char* kCutPrompt = "剪切选定内容并将其放到剪贴板上";
inline constexpr const char* kCopyItem = "复制(&C)\tCtrl+C";
inline constexpr const char* kCopyPrompt = "复制选定内容并将其放到剪贴板上";
inline constexpr const char* kPasteItem = "粘贴(&P)\tCtrl+V";
inline constexpr const char* kPastePrompt = "插入剪贴板内容";
inline constexpr const char* kViewMenu = "视图(&V)";
inline constexpr const char* kToolBarItem = "工具栏(&T)";
inline constexpr const char* kToolBarPrompt = "显示或隐藏工具栏";
inline constexpr const char* kStatusBarItem = "状态栏(&S)";
inline constexpr const char* kStatusBarPrompt = "显示或隐藏状态栏";
inline constexpr const char* kHelpMenu = "帮助(&H)";
inline constexpr const char* kAboutItem = "关于 Korvane(&A)...";
inline constexpr const char* kAboutPrompt = "显示程序信息、版本号和版权";
// The emulated host's menu, shown only when the program emulates one.
inline constexpr const char* kEmulatorMenu = "模拟主机(&M)";
inline constexpr const char* kUnplugHostItem = "拔出主机(&U)";
inline constexpr const char* kUnplugHostPrompt = "模拟拔出主机的USB插头";
inline constexpr const char* kPlugHostItem = "插入主机(&P)";
inline constexpr const char* kPlugHostPrompt = "模拟插入主机的USB插头";
// The lock-key panes, while the key is on.
inline constexpr const char* kCapsLockPane = "CAP";
inline constexpr const char* kNumLockPane = "NUM";
inline constexpr const char* kScrollLockPane = "SCRL";

// Discovery
inline constexpr const char* kPathError = "查找路径设备时出错!\n";
inline constexpr const char* kCannotOpenPort = "无法打开通信端口";
inline constexpr const char* kAttributesError = "查询设备状态时出错!";
inline constexpr const char* kCannotRegister = "Can't register device notification: ";

// Transaction
inline constexpr const char* kNotConnected = "设备未连接，请连接设备！";
inline constexpr const char* kCaptionFail1 = "失败1";
inline constexpr const char* kReadFailedResend = "读取数据失败，请重新发送！";
inline constexpr const char* kCaptionFail2 = "失败2";
inline constexpr const char* kSendFailedResend = "发送数据失败，请重新发送！";
inline constexpr const char* kCaptionFail3 = "发送失败3";

// Bulk transfer
inline constexpr const char* kBulkRequestFailed = "下发数据失败，请重新发送！";
inline constexpr const char* kBulkBadData = "接受数据不正确，请检查主机是否正常工作！";
inline constexpr const char* kCaptionWarning = "警告";
inline constexpr const char* kPacketLine = ",共有%d包数据,当前第%d包数据";
// Where kPacketLine begins behind a title.
inline constexpr const char* kPacketLineStart = ",共有";
inline constexpr const char* kSending = "正在发送.......";
inline constexpr const char* kSentOk = "发送成功";
inline constexpr const char* kSendFailed = "发送失败";
inline constexpr const char* kReadCancelled = "  取消读取";
inline constexpr const char* kReadFailed = "  读取失败";
inline constexpr const char* kPacketError = "  数据包错误";

// Progress dialog
inline constexpr const char* kPause = "暂停";
inline constexpr const char* kContinue = "继续";

// Titles given to the bulk procedures
inline constexpr const char* kTitleUpgrade = "升级程序";
inline constexpr const char* kTitleSetParams = "设置参数";
inline constexpr const char* kTitleSetAddressCodes = "设置地址码参数";
inline constexpr const char* kTitleDownloadVoice = "下载WAV音频报警音";
inline constexpr const char* kTitleDownloadFixedVoice = "下载固化WAV音频报警音";
inline constexpr const char* kTitleReadAddressCodes = "回读地址码参数";

// Firmware and version
inline constexpr const char* kUpgradeOk = "升级成功！";
inline constexpr const char* kUpgradeFailed = "升级失败！";
inline constexpr const char* kReadingVersion = "正在读取版本号.....";
inline constexpr const char* kReadVersionFailed = "读取版本号失败！";
inline constexpr const char* kFirmwareFilter = "*.bin|*.bin||";

// Initialise and frequency
inline constexpr const char* kInitialising = "正在初始化设备.....";
inline constexpr const char* kInitOk = "初始化设备成功！";
inline constexpr const char* kInitFailed = "初始化设备失败！";
inline constexpr const char* kSettingFrequency = "设置接收频率.....";
inline constexpr const char* kSetFrequencyOk = "设置接收频率成功！";
inline constexpr const char* kSetFrequencyFailed = "设置接收频率失败！";
inline constexpr const char* kReadingFrequency = "回读接收频率.....";
inline constexpr const char* kReadFrequencyOk = "回读接收频率成功！";
inline constexpr const char* kReadFrequencyFailed = "回读接收频率失败！";

// Basic parameters
inline constexpr const char* kAlarmForever = "一直响";
inline constexpr const char* kAlarmRange = "取值范围为0到65535！";
inline constexpr const char* kPasswordLength = "密码长度必须是四位！";
inline constexpr const char* kSetParamsOk = "设置参数成功！";
inline constexpr const char* kSetParamsFailed = "设置参数失败！";
inline constexpr const char* kReadFailedShort = "读取失败！";

// Address codes
inline constexpr const char* kInputInvalid = "输入不正确，请重新输入！";
inline constexpr const char* kOutOfRange = "超出范围，请重设！";
inline constexpr const char* kSetAddressCodesOk = "设置地址码参数成功！";
inline constexpr const char* kSetAddressCodesFailed = "设置地址码参数失败！";
inline constexpr const char* kAlarmSoundCount = "报警音数目为: %d 个。";

// Voice files
inline constexpr const char* kNoVoiceFiles = "没有找到语音文件或者语音文件为空！";
inline constexpr const char* kVoiceTooLarge = "所有的语音文件不能超过3M！";
inline constexpr const char* kDownloadOk = "下载成功！";
inline constexpr const char* kDownloadFailed = "下载失败！";
inline constexpr const char* kDownloadFixedOk = "下载固化WAV音频报警音成功！";
inline constexpr const char* kDownloadFixedFailed = "下载固化WAV音频报警音失败！";
inline constexpr const char* kFormatting = "正在格式化WAV音频区域.....";
inline constexpr const char* kFormatOk = "格式化WAV音频区域成功！";
inline constexpr const char* kFormatFailed = "格式化WAV音频区域失败！";
inline constexpr const char* kFormattingFixed = "正在格式化固化WAV音频区域.....";
inline constexpr const char* kFormatFixedOk = "格式化固化WAV音频区域成功！";
inline constexpr const char* kFormatFixedFailed = "格式化固化WAV音频区域失败！";

// Authorization
inline constexpr const char* kAuthCaption = "授权确认";
inline constexpr const char* kAuthLabel = "授权密码:";
inline constexpr const char* kAuthPassword = "guard7302";
inline constexpr const char* kAuthKeyFile = "pwd.txt";
inline constexpr const char* kAuthWrong = "授权密码错误，请认真操作！";

// Messages for failures the fixed texts above do not cover. Plain operator language.
inline constexpr const char* kStagingFailed = "无法写入暂存文件，操作已取消！";
inline constexpr const char* kStagingFolder = "暂存文件夹：";
inline constexpr const char* kImageTooLarge = "数据过大，无法发送！";
inline constexpr const char* kFirmwareTooLarge = "升级程序文件不能超过3000000字节！";
inline constexpr const char* kVoiceFileUnreadable = "无法读取语音文件：%s，没有发送任何数据！";
inline constexpr const char* kVoiceNameUnencodable =
    "语音文件名无法用于主机：%s，没有发送任何数据！";
// The status bar's note when the provisioning record cannot be written; the file follows.
inline constexpr const char* kRecordUnwritable = "无法写入配置记录，操作照常进行：";
// The same for the field trace; the file follows.
inline constexpr const char* kTraceUnwritable = "无法写入通信跟踪，操作照常进行：";

// What the replay of a trace tells at the end (korvane-cli, standard error):
// the write's place in the run, and its bytes.
inline constexpr const char* kReplayUnmatched =
    "replay: write %zu matched nothing in the trace: %s";
inline constexpr const char* kReplayPacketUnmatched =
    "replay: packet %zu of a bulk send (write %zu) matched nothing in the trace, so its "
    "acknowledgement was withheld: %s";

// Form: group boxes, buttons and labels
inline constexpr const char* kSystemGroupTitle = "系统操作(需谨慎！)";
inline constexpr const char* kCustomVoiceGroupTitle = "自定义语音操作";
inline constexpr const char* kFixedVoiceGroupTitle = "固化语音操作";
inline constexpr const char* kInitButton = "初始化";
inline constexpr const char* kUpgradeButton = "下载升级程序";
inline constexpr const char* kReadVersionButton = "读取程序版本号";
// In both voice groups.
inline constexpr const char* kFormatVoiceButton = "格式化WAV";
inline constexpr const char* kDownloadVoiceButton = "下载语音文件";
inline constexpr const char* kFrequencyLabel = "频率:";
inline constexpr const char* kFrequencyUnit = "MHz";
inline constexpr const char* kSetFrequencyButton = "设置接收频率";
inline constexpr const char* kReadFrequencyButton = "读取接收频率";
inline constexpr const char* kRt220Button = "RT-220Tolvo码报警灯";
inline constexpr const char* kRt221Button = "RT-221 POCSAG 报警灯";
inline constexpr const char* kAlarmTimeLabel = "喇叭报警时间:";
// The RT-220's volume list and the RT-221's volume edit.
inline constexpr const char* kVolumeLabel = "喇叭音量:";
inline constexpr const char* kChannelLabel = "信道:";
inline constexpr const char* kPasswordLabel = "通信密码:";
inline constexpr const char* kSetBasicButton = "设置基本参数";
inline constexpr const char* kReadBasicButton = "回读基本参数";
// The three address-code groups, and the labels of their fields row by row.
inline constexpr const char* kAddressGroupTitles[3] = {"地址码一", "地址码二", "地址码三"};
inline constexpr const char* kGroupFieldLabels[6] = {
    "地址码:", "灯颜色:", "灯效果:", "灯时长:", "音效:", "音时长:"};
inline constexpr const char* kAlarmOffLabel = "报警关闭地址:";
inline constexpr const char* kSetAddressCodesButton = "设置";
inline constexpr const char* kReadAddressCodesButton = "回读";

// Form: lists, captions and messages of the window
inline constexpr const char* kColorRed = "红色";
inline constexpr const char* kColorYellow = "黄色";
inline constexpr const char* kColorGreen = "绿色";
inline constexpr const char* kEffectFlash = "闪烁";
inline constexpr const char* kEffectSteady = "静止";
inline constexpr const char* kEffectiveLabel = "生效";
inline constexpr const char* kEnterNumber = "请输入一个数字。";
inline constexpr const char* kFrequencyBounds = "请输入一个介于 100 和 999 之间的数字。";
inline constexpr const char* kVersionFieldName = "程序版本号";
inline constexpr const char* kProgressBarName = "进度";
inline constexpr const char* kAboutLine2 = "无线报警灯配置工具";
inline constexpr const char* kEmulatedHostPrefix = "模拟主机 ";
// Why Windows may not end the session while a transfer runs.
inline constexpr const char* kTransferRunning = "正在传输数据，请勿关机";
// After the failure texts of a transfer the system's sleep cut short (a
// closed lid, the power button): in the status bar, or as the last line.
inline constexpr const char* kSleptDuringTransfer = "传输期间电脑进入了睡眠，请重新操作！";

}  // namespace korvane::texts
