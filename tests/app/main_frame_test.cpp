#include "app/main_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/korvane_app.h"
#include "controls/dialog_units.h"
#include "dialogs/progress_dlg.h"
#include "tests/support/form_defaults.h"
#include "tests/support_qt/scripted_dialogs.h"
#include "view/korvane_view.h"

namespace {

using korvane::test::kFormAddress;

QString U(const char* s) { return QString::fromUtf8(s); }

struct Frame {
    CKorvaneDoc doc;
    RecentFileList recent;
    ScriptedDialogProvider dialogs;
    CMainFrame frame;
    explicit Frame(const QString& note = {}) : frame(doc, recent, note) {
        CKorvaneApp::SetSettingsNames();
        frame.View()->SetDialogProvider(&dialogs);
        frame.InitialUpdateView();
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
    }
    // The lamp's colour: green dominates in both, only the lit one is bright.
    QColor Lamp() {
        auto* icon = frame.findChild<QLabel*>(QStringLiteral("lamp"));
        const QImage img = icon->pixmap().toImage();
        return QColor(img.pixel(img.width() / 2, img.height() / 2));
    }
    QAction* Action(int id) { return frame.findChild<QAction*>(QString::number(id)); }
    template <typename T>
    T* Control(int id) {
        return qobject_cast<T*>(frame.View()->Control(id));
    }
};

}  // namespace

TEST(MainFrame, TheProgressDialogOpensFromTheClientAreaBelowTheMenu) {
    Frame f;
    CProgressDlg* progress = f.frame.View()->progress;
    progress->Open();
    const QMenuBar* menu = f.frame.menuBar();
    ASSERT_GT(menu->height(), 0);
    const DialogUnits du(progress->font());
    const QPoint clientOrigin = f.frame.mapToGlobal(QPoint(0, menu->height()));
    EXPECT_EQ(progress->pos(), clientOrigin + QPoint(du.X(40), du.Y(100)));
    progress->Close();
}

TEST(MainFrame, StartsTitledAndDisconnected) {
    Frame f;
    EXPECT_EQ(f.frame.windowTitle(), "VelarinV1.0");
    EXPECT_EQ(f.frame.ConnectionText(), U("未连接"));
    EXPECT_FALSE(f.frame.ConnectionLampLit());
    EXPECT_LT(f.Lamp().green(), 160);
    EXPECT_EQ(f.frame.statusBar()->currentMessage(), U("就绪"));
    auto* pane = f.frame.findChild<QWidget*>(QStringLiteral("61204"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->width(), 70);
    for (const char* id : {"59137", "59138", "59139"})
        EXPECT_NE(f.frame.findChild<QWidget*>(QLatin1String(id)), nullptr) << id;
}

TEST(MainFrame, ConnectionMessagesDriveLampAndText) {
    Frame f;
    struct Step {
        int wParam;
        bool lit;
        const char* text;
    };
    const Step steps[] = {{1, true, "连接"},    {2, true, "连接"},     {0, false, "未连接"},
                          {2, false, "未连接"}, {-1, false, "未连接"}, {1, true, "连接"},
                          {1, true, "连接"},    {0, false, "未连接"}};
    for (const Step& s : steps) {
        EXPECT_EQ(f.frame.OnConnectionState(s.wParam), 0);
        EXPECT_EQ(f.frame.ConnectionText(), U(s.text)) << s.wParam;
        EXPECT_EQ(f.frame.ConnectionLampLit(), s.lit) << s.wParam;
        if (s.lit)
            EXPECT_GT(f.Lamp().green(), 180) << s.wParam;
        else
            EXPECT_LT(f.Lamp().green(), 160) << s.wParam;
    }
}

TEST(MainFrame, RemovalTitleStaysAfterReconnection) {
    Frame f;
    f.frame.OnDeviceChange(0x8000);
    EXPECT_EQ(f.frame.windowTitle(), "VelarinV1.0") << "arrival changes nothing on screen";
    EXPECT_EQ(f.frame.ConnectionText(), U("未连接"));
    f.frame.OnConnectionState(1);
    f.frame.OnDeviceChange(0x8004);
    f.frame.OnConnectionState(0);
    EXPECT_EQ(f.frame.windowTitle(), U("KV_SystemDlg----------[未连接设备]"));
    f.frame.OnConnectionState(1);
    f.frame.OnDeviceChange(0x8000);
    f.frame.OnDeviceChange(0x0007);
    EXPECT_EQ(f.frame.windowTitle(), U("KV_SystemDlg----------[未连接设备]"));
    EXPECT_EQ(f.frame.ConnectionText(), U("连接"));
}

TEST(MainFrame, MenusAndToolbar) {
    Frame f;
    const std::pair<int, const char*> disabled[] = {{57643, "撤消(&U)\tCtrl+Z"},
                                                    {57635, "剪切(&T)\tCtrl+X"},
                                                    {57634, "复制(&C)\tCtrl+C"},
                                                    {57637, "粘贴(&P)\tCtrl+V"}};
    for (const auto& [id, text] : disabled) {
        QAction* a = f.Action(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_EQ(a->text(), U(text));
        EXPECT_FALSE(a->isEnabled()) << id;
    }
    EXPECT_EQ(f.Action(57665)->text(), U("退出(&X)"));
    EXPECT_EQ(f.Action(57664)->text(), U("关于 Korvane(&A)..."));

    auto* toolbar = f.frame.findChild<QToolBar*>(QStringLiteral("59392"));
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(toolbar->isMovable());
    EXPECT_TRUE(toolbar->actions().isEmpty());
    EXPECT_TRUE(toolbar->isVisible());
    f.Action(59392)->trigger();
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_FALSE(f.Action(59392)->isChecked());
    f.Action(59392)->trigger();
    EXPECT_TRUE(toolbar->isVisible());
    f.Action(59393)->trigger();
    EXPECT_FALSE(f.frame.statusBar()->isVisible());
    f.Action(59393)->trigger();
    EXPECT_TRUE(f.frame.statusBar()->isVisible());
}

TEST(MainFrame, ARightClickOnTheBarsOpensNoMenu) {
    Frame f;
    auto* toolbar = f.frame.findChild<QToolBar*>(QStringLiteral("59392"));
    for (QWidget* bar :
         {static_cast<QWidget*>(toolbar), static_cast<QWidget*>(f.frame.menuBar())}) {
        const QPoint at(bar->width() - 4, bar->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &click);
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_EQ(popup, nullptr) << bar->metaObject()->className();
        if (popup != nullptr) popup->close();
    }
    EXPECT_TRUE(toolbar->isVisible());
}

TEST(MainFrame, NewOnlyShrinksTheFrameToTheForm) {
    Frame f;
    const QSize fit = f.frame.size();
    const struct {
        const char* name;
        QSize before;
        QSize after;
    } cases[] = {
        {"made smaller", fit - QSize(100, 80), fit - QSize(100, 80)},
        {"made larger", fit + QSize(120, 90), fit},
        {"narrower and taller", fit + QSize(-100, 90), fit + QSize(-100, 0)},
    };
    for (const auto& c : cases) {
        f.frame.resize(c.before);
        ASSERT_EQ(f.frame.size(), c.before) << c.name;
        QTest::keyClick(&f.frame, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(f.frame.size(), c.after) << c.name;
    }
}

TEST(MainFrame, CommandPromptShowsThenIdleTextReturns) {
    Frame f;
    QStatusTipEvent tip(f.Action(57665)->statusTip());
    QApplication::sendEvent(&f.frame, &tip);
    EXPECT_EQ(f.frame.statusBar()->currentMessage(), U("退出应用程序；提示保存文档"));
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&f.frame, &none);
    EXPECT_EQ(f.frame.statusBar()->currentMessage(), U("就绪"));
}

TEST(MainFrame, EditShortcutsStayWithTheEdits) {
    Frame f;
    QLineEdit* edit = f.Control<QLineEdit>(1069);
    edit->setText("V1.2");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QString()) << "Ctrl+X cuts inside an edit";
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "V1.2");
    QTest::keyClick(&f.frame, Qt::Key_F6);
    QTest::keyClick(&f.frame, Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(f.dialogs.boxes.empty());
}

TEST(MainFrame, NewRerunsTheFormsInitialUpdate) {
    Frame f;
    f.Control<QComboBox>(1074)->setCurrentIndex(4);
    f.Control<QLineEdit>(1015)->setText("7");
    QTest::keyClick(&f.frame, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(f.Control<QComboBox>(1074)->currentIndex(), 0);
    EXPECT_EQ(f.Control<QLineEdit>(1015)->text(), kFormAddress);
    EXPECT_EQ(f.Control<QComboBox>(1075)->count(), 100);
    EXPECT_TRUE(f.dialogs.boxes.empty());
    EXPECT_TRUE(f.dialogs.fileFilters.empty());
}

TEST(MainFrame, OpenRemembersTheFileReadsNothingAndSaveWritesNothing) {
    QSettings().clear();
    Frame f;
    const QString path = QDir::current().filePath("settings.kv");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const QStringList before = QDir::current().entryList(QDir::Files);

    // Cancelling the file dialog changes nothing.
    f.Control<QLineEdit>(1015)->setText("7");
    QTest::keyClick(&f.frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.Control<QLineEdit>(1015)->text(), "7");
    EXPECT_TRUE(f.doc.PathName().isEmpty());

    f.dialogs.fileAnswers = {path.toStdString()};
    QTest::keyClick(&f.frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.dialogs.fileFilters, std::vector<std::string>({"", ""}));
    EXPECT_EQ(f.doc.PathName(), path);
    EXPECT_EQ(f.Control<QLineEdit>(1015)->text(), kFormAddress);
    QSettings settings;
    EXPECT_EQ(settings.organizationName(), U("应用程序向导生成的本地应用程序"));
    EXPECT_EQ(settings.applicationName(), "Korvane");
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), path);

    QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
    EXPECT_EQ(QDir::current().entryList(QDir::Files), before);
    EXPECT_TRUE(f.dialogs.boxes.empty());
    QFile::remove(path);
}

TEST(AboutBox, ShowsVersionAndSecondLineAndClosesWithOk) {
    const std::pair<QString, QString> cases[] = {{QString(), U("无线报警灯配置工具")},
                                                 {U("模拟主机 RT-221"), U("模拟主机 RT-221")}};
    for (const auto& [note, expected] : cases) {
        CAboutDlg dlg(note);
        EXPECT_EQ(dlg.windowTitle(), U("关于 Korvane"));
        QStringList labels;
        for (QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
        EXPECT_TRUE(labels.contains(U("Korvane 1.0 版")));
        EXPECT_TRUE(labels.contains(expected));
        QTimer::singleShot(0, &dlg, [&dlg] {
            QTest::mouseClick(dlg.findChild<QWidget*>(QStringLiteral("1")), Qt::LeftButton);
        });
        EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    }
}

TEST(MainFrame, EmulatedHostIsShownOnTheStatusLine) {
    Frame f(U("模拟主机 RT-220"));
    EXPECT_TRUE(f.frame.statusBar()->currentMessage().contains(U("模拟主机 RT-220")));
    EXPECT_TRUE(f.frame.statusBar()->currentMessage().startsWith(U("就绪")));
}

TEST(MainFrame, EveryMenuHasItsCaptionsAndPrompts) {
    Frame f;
    f.frame.AddEmulatorMenu([](bool) {});
    QStringList menus;
    for (QAction* a : f.frame.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, QStringList({U("文件(&F)"), U("编辑(&E)"), U("视图(&V)"), U("模拟主机(&M)"),
                                  U("帮助(&H)")}));
    struct Item {
        const char* name;
        const char* text;
        const char* prompt;
    };
    const Item items[] = {
        {"57665", "退出(&X)", "退出应用程序；提示保存文档"},
        {"57643", "撤消(&U)\tCtrl+Z", "撤消上一操作"},
        {"57635", "剪切(&T)\tCtrl+X", "剪切选定内容并将其放到剪贴板上"},
        {"57634", "复制(&C)\tCtrl+C", "复制选定内容并将其放到剪贴板上"},
        {"57637", "粘贴(&P)\tCtrl+V", "插入剪贴板内容"},
        {"59392", "工具栏(&T)", "显示或隐藏工具栏"},
        {"59393", "状态栏(&S)", "显示或隐藏状态栏"},
        {"57664", "关于 Korvane(&A)...", "显示程序信息、版本号和版权"},
        {"emulatorUnplug", "拔出主机(&U)", "模拟拔出主机的USB插头"},
        {"emulatorPlug", "插入主机(&P)", "模拟插入主机的USB插头"},
    };
    for (const Item& item : items) {
        auto* a = f.frame.findChild<QAction*>(QLatin1String(item.name));
        ASSERT_NE(a, nullptr) << item.name;
        EXPECT_EQ(a->text(), U(item.text)) << item.name;
        EXPECT_EQ(a->statusTip(), U(item.prompt)) << item.name;
    }
}
