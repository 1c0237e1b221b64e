// The main window's menus and its programmer commands, run against the in-process simulator.
#include "BoxSimulator.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/link/AboutBox.h"
#include "gui/link/MainWindowLinkCommands.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {
// The shipped table, the 16F877A loaded, a main window and the link to a simulated box on COM1
// (or to nothing, when the box is left out).
struct Fixture {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};
    BoxSimulator box;
    RecordingEndpoint endpoint;
    ProgrammerLink link{ctx};
    TPXmain window{ctx};
    MainWindowLinkCommands* commands;

    explicit Fixture(bool withBox = true)
    {
        ctx.SetLink(&link);
        ctx.Support().versionText = QStringLiteral("280");
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, QStringLiteral("16F877A"));
        LoadDeviceProfile(ctx);
        ctx.Flags().ProgramReady = true;
        ctx.Flags().AutoRunArmed = false;
        endpoint.box = &box;
        if (withBox)
            link.Factory().RegisterLoopback(QStringLiteral("box"), &endpoint);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        link.Port().SetPauseInterval(1);
        link.Box().SetWatchdogInterval(200);
        commands = new MainWindowLinkCommands(window, ctx, link);
        window.show();
    }
    bool Logged(const QString& line) { return ctx.History().DisplayText().contains(line); }
    // Triggers action and lets the command it queues run to its end.
    void Trigger(QAction* action)
    {
        QVERIFY(action->isEnabled());
        action->trigger();
        // The command ends with its report in the status line and the commands unlocked.
        QTRY_VERIFY_WITH_TIMEOUT(ctx.Window().StatusText().endsWith(QStringLiteral(" Success")) ||
                                     ctx.Window().StatusText().endsWith(QStringLiteral(" Failed")),
                                 10000);
        QTRY_VERIFY(window.ActResetRun()->isEnabled());
    }
};

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            captions << action->text();
    return captions;
}

QMenu* TopMenu(TPXmain& window, const QString& title)
{
    for (QAction* action : window.menuBar()->actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}
} // namespace

class TestMainWindowMenus : public QObject
{
    Q_OBJECT

private slots:
    void menuBarCarriesTheCommands()
    {
        Fixture f;
        QStringList titles;
        for (QAction* action : f.window.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Run", "MCU Section", "&Options", "&View", "&Help"}));
        // The programmer commands of the Run and Help menus.
        QVERIFY(Captions(TopMenu(f.window, "&Run")).endsWith(QStringLiteral("Reset Praxon ")));
        QCOMPARE(Captions(TopMenu(f.window, "&Help")),
                 (QStringList{"&About Praxon ...", "&Help File ...", "Reset Praxon ", "Clear Leds",
                              "Synchronize &Firmware", "Test Dual &VPP"}));
        QCOMPARE(f.window.ActAutoRun()->shortcut(), QKeySequence(Qt::Key_F4));
    }

    // The 16F877A's tasks: cycle groups as submenus holding their tasks; entries run their task
    // code once the engine's handler is set, and stay disabled until then.
    void mcuSectionFollowsTheTemplate()
    {
        Fixture f;
        QMenu* section = f.window.McuSectionMenu();
        QVERIFY(!section->isEmpty());
        QVERIFY(section->menuAction()->isEnabled());
        const McuSectionMenu& model = f.ctx.Templates().menu;
        QList<QAction*> leaves;
        QList<QMenu*> menus = section->findChildren<QMenu*>();
        menus << section;
        for (QMenu* menu : menus)
            for (QAction* action : menu->actions())
                if (!action->menu() && !action->isSeparator())
                    leaves << action;
        int modelLeaves = 0;
        for (size_t i = 0; i < model.entries.size(); ++i) {
            bool holds = false;
            for (const auto& e : model.entries)
                holds = holds || e.parent == int(i);
            modelLeaves += holds ? 0 : 1;
        }
        QCOMPARE(leaves.size(), modelLeaves);
        QVERIFY(leaves.size() >= 4);
        for (QAction* leaf : leaves)
            QVERIFY(!leaf->isEnabled());

        QList<int> chosen;
        f.window.SetMenuTaskHandler([&chosen](int code) { chosen << code; });
        leaves.clear();
        menus = section->findChildren<QMenu*>();
        menus << section;
        for (QMenu* menu : menus)
            for (QAction* action : menu->actions())
                if (!action->menu() && !action->isSeparator())
                    leaves << action;
        QAction* leaf = leaves.first();
        QVERIFY(leaf->isEnabled());
        leaf->trigger();
        QCOMPARE(chosen, QList<int>{leaf->data().toInt()});
        QVERIFY(f.ctx.Templates().RowIndexOfCode(chosen.first()) >= 0);

        // Another device rebuilds the menu from its own template.
        SelectDeviceByName(f.ctx, QStringLiteral("12F675"));
        LoadDeviceProfile(f.ctx);
        QStringList top;
        for (const auto& e : f.ctx.Templates().menu.entries)
            if (e.parent < 0)
                top << e.caption;
        QVERIFY(!top.isEmpty());
        QCOMPARE(Captions(section), top);
    }

    void resetFromEitherMenuReportsSuccess()
    {
        Fixture f;
        f.Trigger(f.window.ActResetRun());
        QVERIFY(f.Logged(QStringLiteral("Resetting Port:COM1 Success")));
        QCOMPARE(f.ctx.Window().StatusText(), QStringLiteral("Resetting Port:COM1 Success"));
        QVERIFY(f.window.ControlBarPanel()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        f.ctx.Window().SetStatusText(QString());
        f.Trigger(f.window.ActResetHelp());
        QCOMPARE(f.ctx.History().DisplayText().count(QStringLiteral("Resetting Port:COM1 Success")), 2);
    }

    void clearLedsResetsThenClearsTheBoxErrors()
    {
        Fixture f;
        f.Trigger(f.window.ActClearLeds());
        QVERIFY(f.Logged(QStringLiteral("Clearing Errors Success")));
        // The clear-errors command follows the reset as the last thing sent.
        QVERIFY(f.endpoint.recent.endsWith(QByteArray("<") + char(BoxProtocol::CmdClearErrors) + ">"));
        QCOMPARE(f.link.Errors().Word(), quint64(0));
    }

    void clearLedsDoesNothingDuringStartUp()
    {
        Fixture f;
        f.ctx.Flags().StartupInProgress = true;
        f.window.ActClearLeds()->trigger();
        QTest::qWait(50);
        QVERIFY(f.endpoint.recent.isEmpty());
        QVERIFY(!f.Logged(QStringLiteral("Clearing Errors Success")));
    }

    void aboutWithoutAProgrammerSaysSoOnEveryLine()
    {
        Fixture f(false);
        QStringList shown;
        bool readyWhileShown = true;
        f.commands->SetAboutShownHook([&](AboutBox& box) {
            shown << box.HardwareLine()->text() << box.FirmwareLine()->text() << box.BootLoaderLine()->text()
                  << box.SerialLine()->text();
            readyWhileShown = f.ctx.Flags().ProgramReady;
            QCOMPARE(box.windowTitle(), QStringLiteral("About"));
            box.accept();
        });
        f.commands->ShowAbout();
        QCOMPARE(shown, QStringList(4, QStringLiteral("Hardware Not Available.")));
        QVERIFY(!readyWhileShown);
        QVERIFY(f.ctx.Flags().ProgramReady);
        QVERIFY(f.window.ActAbout()->isEnabled());
    }

    void aboutShowsTheIdentityTheResetRead()
    {
        Fixture f;
        QString firmware, serial;
        f.commands->SetAboutShownHook([&](AboutBox& box) {
            firmware = box.FirmwareLine()->text();
            serial = box.SerialLine()->text();
            box.accept();
        });
        f.commands->ShowAbout();
        QCOMPARE(firmware, ProgrammerIdentity::VersionText(f.box.Identity().firmwareVersion));
        QCOMPARE(serial, f.link.Identity().SerialNumber());
        QVERIFY(serial.trimmed().size() > 0 && serial != ProgrammerIdentity::NotAvailable);
    }
};

QTEST_MAIN(TestMainWindowMenus)
#include "TestMainWindowMenus.moc"
