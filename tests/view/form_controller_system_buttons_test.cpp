// Initialise, receive frequency, version and upgrade, clicked on the real form.
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include "common/resource_ids.h"
#include "tests/support/bytes.h"
#include "tests/support/scratch_folder.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

namespace ids = korvane::ids;

// The request bytes of the last report the host received (after the report
// ID and the 55 AA frame header).
std::string LastRequest(HostEmulator& host, std::size_t n) {
    if (host.received.empty()) return {};
    const Report& r = host.received.back();
    return ToHex(Bytes(r.begin() + 3, r.begin() + 3 + static_cast<std::ptrdiff_t>(n)));
}

TEST(SystemButtons, InitialiseKeepsTheProgressBehindItsResultBox) {
    HostWindow w;
    w.Connect();
    w.Click(ids::kBtnInit);
    EXPECT_EQ(w.Boxes(), Strings{"初始化设备成功！"});
    EXPECT_EQ(w.ProgressBehindBoxes(), std::vector<bool>{true});
    EXPECT_EQ(w.dialogs.boxes[0].caption, "Korvane");
    EXPECT_EQ(w.dialogs.boxes[0].icon, BoxIcon::Exclamation);
    EXPECT_FALSE(w.View().progress->IsOpen());
    EXPECT_EQ(LastRequest(w.Host(), 4), "01 D0 00 2E");

    w.Clear();
    w.Host().SetFaults(Fault(&EmulatorFaults::noReply));
    w.Click(ids::kBtnInit);
    EXPECT_EQ(w.Boxes(), (Strings{"读取数据失败，请重新发送！", "初始化设备失败！"}));
    EXPECT_EQ(w.dialogs.boxes[0].caption, "失败2");
    EXPECT_EQ(w.ProgressBehindBoxes(), (std::vector<bool>{true, true}));
    EXPECT_FALSE(w.View().progress->IsOpen());
    // Lost in an exchange: the lamp stays lit, only the link drops.
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "连接");
    EXPECT_EQ(w.Link().connected, 0);

    // The next click searches by itself and succeeds on a healthy host.
    w.Host().ClearFaults();
    w.Clear();
    w.Click(ids::kBtnInit);
    EXPECT_EQ(w.Boxes(), Strings{"初始化设备成功！"});
}

// Counts the quit requests the application is sent.
class QuitCounter : public QObject {
  public:
    int quits = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) ++quits;
        return false;
    }
};

TEST(SystemButtons, AQuitAndAModalBoxDuringAnExchangeDoNotEndItOrLoseItsReply) {
    HostWindow w;
    w.Connect();
    EmulatorFaults f;
    f.lateReplyMs = 100;  // the reply comes after the first slices of the wait
    w.Host().SetFaults(f);
    QuitCounter counter;
    qApp->installEventFilter(&counter);
    // Once the wait for the reply has begun, a quit is posted and a modal
    // box holds the thread for two seconds, past the reply's time-out.
    QTimer modal;
    int64_t waitingSince = -1;
    QObject::connect(&modal, &QTimer::timeout, [&] {
        if (w.Host().received.empty()) return;
        if (waitingSince < 0) waitingSince = w.clock.NowMs();
        if (w.clock.NowMs() == waitingSince) return;
        modal.stop();
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
        w.clock.SleepMs(2000);
    });
    modal.start(0);
    w.Click(ids::kBtnInit);
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(counter.quits, 1);
    EXPECT_EQ(w.Boxes(), Strings{"初始化设备成功！"});
    EXPECT_EQ(w.Link().connected, 1);
}

TEST(SystemButtons, SetFrequencySendsTheDigitsOfTheStoredFloat) {
    HostWindow w;
    w.Connect();
    w.Click(ids::kBtnSetFrequency);
    EXPECT_EQ(w.Boxes(), Strings{"设置接收频率成功！"});
    EXPECT_EQ(LastRequest(w.Host(), 13), "01 E0 09 34 33 33 35 30 30 30 30 30 56");
    w.Clear();
    w.Type(ids::kEditFrequency, " 433.92\t");
    w.Click(ids::kBtnSetFrequency);
    EXPECT_EQ(w.Host().frequencyDigits, "433920013");
    // The controls are not rewritten by a set.
    EXPECT_EQ(w.Text(ids::kEditFrequency), " 433.92\t");
}

// Which texts are refused, and with which message, is the form's and the
// frequency codec's: here, that a refusal stops the click before anything is sent.
TEST(SystemButtons, SetFrequencyRefusesABadTextBeforeSending) {
    HostWindow w;
    w.Connect();
    w.Type(ids::kEditFrequency, "433.5MHz");
    w.Click(ids::kBtnSetFrequency);
    EXPECT_EQ(w.Boxes(), Strings{"请输入一个数字。"});
    EXPECT_EQ(w.ProgressBehindBoxes(), std::vector<bool>{false});
    EXPECT_TRUE(w.Host().received.empty());
    EXPECT_TRUE(w.Edit(ids::kEditFrequency)->hasFocus() || !QApplication::activeWindow());
    EXPECT_FLOAT_EQ(w.View().frequency, 433.5f);
}

TEST(SystemButtons, ReadFrequencyShowsTheHostsValueInTheEdit) {
    HostWindow w;
    w.Connect();
    w.Host().frequencyDigits = "433920013";
    w.Click(ids::kBtnReadFrequency);
    EXPECT_EQ(w.Boxes(), Strings{"回读接收频率成功！"});
    EXPECT_EQ(w.Text(ids::kEditFrequency), "433.92");
    EXPECT_EQ(LastRequest(w.Host(), 4), "01 E1 00 1D");

    // A bad value in the edit is reported, and the read goes on.
    w.Clear();
    w.Host().frequencyDigits = "315000000";
    w.Type(ids::kEditFrequency, "x");
    w.Click(ids::kBtnReadFrequency);
    EXPECT_EQ(w.Boxes(), (Strings{"请输入一个数字。", "回读接收频率成功！"}));
    EXPECT_EQ(w.Text(ids::kEditFrequency), "315");

    w.Clear();
    w.Host().SetFaults(Fault(&EmulatorFaults::badChecksum));
    w.Click(ids::kBtnReadFrequency);
    EXPECT_EQ(w.Boxes(), (Strings{"发送数据失败，请重新发送！", "回读接收频率失败！"}));
    EXPECT_EQ(w.Text(ids::kEditFrequency), "315");
}

TEST(SystemButtons, AFailedReadShowsBackTheValuesReadBeforeIt) {
    HostWindow w;
    w.Connect();
    // Taken as 433.5 when the button is pressed; shown in the form's own way
    // once the read has failed, as the members were read before it.
    w.Type(ids::kEditFrequency, " 4.335e2 ");
    w.Host().SetFaults(Fault(&EmulatorFaults::noReply));
    w.Click(ids::kBtnReadFrequency);
    EXPECT_EQ(w.Boxes(), (Strings{"读取数据失败，请重新发送！", "回读接收频率失败！"}));
    EXPECT_EQ(w.Text(ids::kEditFrequency), "433.5");
    EXPECT_FLOAT_EQ(w.View().frequency, 433.5f);
}

TEST(SystemButtons, VersionTextIsShownAsItComesAndKeptOnFailure) {
    HostWindow w;
    w.Connect();
    w.Click(ids::kBtnReadVersion);
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_EQ(w.Text(ids::kEditVersion), "KV-HOST V2.1");
    EXPECT_FALSE(w.View().progress->IsOpen());

    w.Host().versionText = "";
    w.Click(ids::kBtnReadVersion);
    EXPECT_EQ(w.Text(ids::kEditVersion), "");
    EXPECT_TRUE(w.Boxes().empty());

    w.Host().versionText = "KV-HOST V2.2";
    w.Click(ids::kBtnReadVersion);
    w.Host().SetFaults(Fault(&EmulatorFaults::noReply));
    w.Click(ids::kBtnReadVersion);
    EXPECT_EQ(w.Boxes(), (Strings{"读取数据失败，请重新发送！", "读取版本号失败！"}));
    EXPECT_EQ(w.ProgressBehindBoxes(), (std::vector<bool>{true, true}));
    EXPECT_EQ(w.Text(ids::kEditVersion), "KV-HOST V2.2");
}

struct Upgrade : ::testing::Test {
    ScratchFolder dir;
    HostWindow w;
    void SetUp() override { w.Connect(); }
    // The image the chooser answers with.
    void Choose(const Bytes& image) {
        const std::string path = dir.File("fw.bin");
        WriteFile(path, image);
        w.dialogs.fileAnswers.push_back(path);
    }
};

TEST_F(Upgrade, AHundredByteImageGoesAsTwoPacketsAndTheResultComesAfterTheDialog) {
    Bytes image(100);
    for (int i = 0; i < 100; ++i) image[i] = static_cast<uint8_t>(i * 7);
    Choose(image);
    const int64_t start = w.clock.NowMs();
    w.Click(ids::kBtnUpgrade);
    EXPECT_EQ(w.dialogs.fileFilters, Strings{"*.bin|*.bin||"});
    EXPECT_EQ(w.Boxes(), Strings{"升级成功！"});
    EXPECT_EQ(w.ProgressBehindBoxes(), std::vector<bool>{false});
    EXPECT_EQ(w.Host().firmware, image);
    EXPECT_EQ(w.Handled(0xD3), 2);
    // 4000 ms after the first packet, 10 after the second, one second of result.
    EXPECT_GE(w.clock.NowMs() - start, 4000 + 10 + 1000);
    EXPECT_LT(w.clock.NowMs() - start, 4000 + 10 + 1000 + 500);
    EXPECT_FALSE(w.View().progress->IsOpen());
}

TEST_F(Upgrade, CancelStopsBetweenPacketsAndClicksMeanwhileStartNothing) {
    Choose(Bytes(100, 'a'));
    // All arrive while the first packet is about to go out: the cancel keeps
    // it back, so the host is not left erased with nothing in it.
    QTimer::singleShot(0, [&] {
        w.Click(ids::kBtnInit);
        w.Click(ids::kBtnReadVersion);
        w.View().progress->CancelButton()->click();
    });
    w.Click(ids::kBtnUpgrade);
    EXPECT_EQ(w.Handled(0xD3), 0);
    EXPECT_EQ(w.Handled(0xD0), 0);
    EXPECT_EQ(w.Handled(0xD4), 0);
    EXPECT_EQ(w.Boxes(), Strings{"升级失败！"});
    EXPECT_FALSE(w.View().IsBusy());
    // The form is usable again at once.
    w.Clear();
    w.Click(ids::kBtnInit);
    EXPECT_EQ(w.Boxes(), Strings{"初始化设备成功！"});
}

TEST_F(Upgrade, ClosingTheWindowMidTransferEndsItAfterTheTransfer) {
    const Bytes image(200, 'b');
    Choose(image);
    std::string waiting;
    std::string afterPrompt;
    QTimer::singleShot(0, [&] {
        w.frame.close();
        waiting = w.frame.statusBar()->currentMessage().toStdString();
        // A menu's prompt passing over the pane leaves the reason behind, not "就绪".
        QStatusTipEvent prompt(QStringLiteral("显示或隐藏工具栏"));
        QApplication::sendEvent(&w.frame, &prompt);
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(&w.frame, &none);
        afterPrompt = w.frame.statusBar()->currentMessage().toStdString();
    });
    w.Click(ids::kBtnUpgrade);
    EXPECT_EQ(waiting, "正在传输数据，请勿关机");
    EXPECT_EQ(afterPrompt, "正在传输数据，请勿关机");
    EXPECT_TRUE(w.frame.ClosePending());
    EXPECT_FALSE(w.frame.isVisible());
    EXPECT_EQ(w.Host().firmware, image);
    EXPECT_EQ(w.Boxes(), Strings{"升级成功！"});
}

}  // namespace
}  // namespace korvane::test
