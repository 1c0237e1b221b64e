// The main window wired as the program wires it: the command table in its menus, enabling during a
// run and with option editing locked, the views, the recent-file list, help and the information
// window.
#include "MainWindowRig.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/MainWindowHelpCommands.h"
#include "gui/app/MainWindowViews.h"
#include "gui/app/RecentFilesMenu.h"
#include "gui/app/TPXinfo.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/MainWindowRunCommands.h"
#include "gui/options/MainWindowOptionCommands.h"
#include "gui/options/MainWindowOptionsDialog.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

namespace {
struct Fixture : MainWindowRig {
    MainWindowRunCommands* run;
    MainWindowViews* views;
    MainWindowHelpCommands* help;

    Fixture()
    {
        new MainWindowOptionCommands(window, ctx, shell);
        new MainWindowOptionsDialog(window, ctx, shell);
        run = new MainWindowRunCommands(window, ctx, engine);
        views = new MainWindowViews(window, ctx);
        help = new MainWindowHelpCommands(window, ctx);
        // Every cycle command switched on, so that their menu entries are enabled.
        for (int option : {OptionIndex::Erase, OptionIndex::BlankCheck, OptionIndex::Verify,
                           OptionIndex::SerialNumbering, OptionIndex::ProgramConfig})
            ctx.Options().SetValue(option, true);
        OptionsChanged(ctx);
        window.resize(900, 640);
        window.show();
    }
    QMenu* Menu(const char* name) const { return window.findChild<QMenu*>(QString::fromLatin1(name)); }
};

// The visible entries of a menu: caption, and "-" for disabled ones.
QStringList Entries(const QMenu* menu)
{
    QStringList entries;
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible())
            entries << (action->isEnabled() ? action->text() : QStringLiteral("-") + action->text());
    return entries;
}
} // namespace

class TestMainWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void commandTable_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("File") << "Menu_File" << QStringList{"&Open File ...",         "-&Re-Open",
                                                            "Save &Hex File As ...",  "&Save Option settings",
                                                            "-&Print / Save History", "E&XIT"};
        QTest::newRow("Edit") << "Menu_Edit"
                              << QStringList{"-C&alibration ...",
                                             "-&Code ...",
                                             "-&Data ...",
                                             "-&ID Values ...",
                                             "-Configuration &Word ...",
                                             "-&Serial Numbers ...",
                                             "Disable &Option Editing"};
        QTest::newRow("Run") << "Menu_Run"
                             << QStringList{"Auto Run",  "Erase", "Blank Check",           "Verify",       "Read",
                                            "Serialize", "Fuses", "Set Auto &Options ...", "Reset Praxon "};
        QTest::newRow("Options") << "Menu_Options"
                                 << QStringList{"Auto &Options ...",   "&General ...",  "&HEX File ...",
                                                "Serial &Numbers ...", "&Advanced ...", "&Select MCU Device ...",
                                                "&Programming Sockets"};
        QTest::newRow("View") << "Menu_View"
                              << QStringList{"&Full View", "&Compact View", "&Information Group", "Programming &Tasks",
                                             "&History"};
        QTest::newRow("Help") << "Menu_Help"
                              << QStringList{"&About Praxon ...", "&Help File ...", "Reset Praxon ",
                                             "Clear Leds",        "Clear &Stats",   "Synchronize &Firmware",
                                             "-Test Dual &VPP"};
    }

    // Every command in its menu; those of windows still to come are there and disabled.
    void commandTable()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, entries);
        Fixture f;
        QCOMPARE(Entries(f.Menu(menu.toLatin1().constData())), entries);
    }

    void toolBarsAndShortcuts()
    {
        Fixture f;
        QStringList titles;
        for (QAction* action : f.window.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Run", "MCU Section", "&Options", "&View", "&Help"}));
        QStringList status;
        for (QAction* action : f.window.StatusTools()->actions())
            status << action->text();
        QCOMPARE(status, (QStringList{"Info", "Clear Leds", "Stop", "Auto Run"}));
        const QList<std::pair<QAction*, QKeySequence>> keys = {
            {f.window.ActAutoRun(), QKeySequence(Qt::Key_F4)},
            {f.window.ActErase(), QKeySequence(Qt::CTRL | Qt::Key_E)},
            {f.window.ActBlankCheck(), QKeySequence(Qt::CTRL | Qt::Key_B)},
            {f.window.ActVerify(), QKeySequence(Qt::Key_F5)},
            {f.run->ActProgramOnly(), QKeySequence(Qt::CTRL | Qt::Key_P)},
            {f.window.ActRead(), QKeySequence(Qt::CTRL | Qt::Key_R)},
            {f.window.ActExit(), QKeySequence(Qt::ALT | Qt::Key_X)}};
        for (const auto& [action, key] : keys)
            QCOMPARE(action->shortcut(), key);
        for (QAction* action : f.window.ControlBarPanel()->ToolBar()->actions())
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }

    // A run leaves Stop alone; option editing locked by the control file hides what would change
    // the device, the data or the file, and offers the unlock instead of the lock.
    void enablingDuringARunAndWithOptionEditingLocked()
    {
        Fixture f;
        QVERIFY(f.window.ActInfo()->isEnabled());
        f.engine.Lock().SetLocked(true);
        QVERIFY(!f.window.ActInfo()->isEnabled());
        QVERIFY(!f.window.ActAutoRun()->isEnabled());
        QVERIFY(f.run->ActStop()->isEnabled());
        f.engine.Lock().SetLocked(false);
        QVERIFY(f.window.ActInfo()->isEnabled());

        f.ctx.Options().SetOptionsHidden(true);
        OptionsChanged(f.ctx);
        QCOMPARE(Entries(f.Menu("Menu_File")),
                 (QStringList{"&Open File ...", "-&Re-Open", "-&Print / Save History", "E&XIT"}));
        QCOMPARE(Entries(f.Menu("Menu_Edit")), (QStringList{"-&Serial Numbers ...", "Enable &Option Editing"}));
        QCOMPARE(Entries(f.Menu("Menu_Run")),
                 (QStringList{"Auto Run", "Erase", "Blank Check", "Verify", "Read", "Reset Praxon "}));
        QVERIFY(!Entries(f.Menu("Menu_Help")).contains(QStringLiteral("Clear &Stats")));
        QVERIFY(!f.window.McuSectionMenu()->menuAction()->isVisible());
        QVERIFY(!f.window.ControlBarPanel()->SelectMcuButton()->isVisible());
        // A click on the MCU box asks for device selection; nothing opens.
        emit f.window.ControlBarPanel()->SelectMcuRequested();
        QVERIFY(f.op.boxes.isEmpty());

        f.ctx.Options().SetOptionsHidden(false);
        OptionsChanged(f.ctx);
        QVERIFY(f.window.ActSaveHex()->isVisible());
        QVERIFY(f.run->ActFuses()->isVisible());
        QVERIFY(f.window.ActDisableEditing()->isVisible());
        QVERIFY(!f.window.ActEnableEditing()->isVisible());
    }

    // Compact and back restores the full height; in the compact view the show/hide items are off
    // and the window cannot grow; a view command on its own view changes nothing.
    void compactAndFullView()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.window.resize(900, 620);
        QTRY_COMPARE(f.window.height(), 620);
        f.window.ActCompactView()->trigger();
        QVERIFY(f.views->CompactShown());
        QVERIFY(f.ctx.Options().IsSet(OptionIndex::CompactView));
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(f.window.WorkArea()->isHidden());
        QVERIFY(f.window.ControlBarPanel()->isHidden());
        QVERIFY(f.window.CountersPanelWidget()->isVisible());
        QVERIFY(f.window.ActCompactView()->isChecked());
        for (QAction* item : {f.window.ActShowInformation(), f.window.ActShowTasks(), f.window.ActShowHistory()})
            QVERIFY(!item->isEnabled());
        const int compact = f.window.maximumHeight();
        QVERIFY(compact < 620);
        QTRY_COMPARE(f.window.height(), compact);
        f.window.resize(900, 700);
        QCOMPARE(f.window.height(), compact);
        // Nothing visible is clipped: the counters panel and status bar fit.
        QVERIFY(f.window.CountersPanelWidget()->height() >= f.window.CountersPanelWidget()->minimumSizeHint().height());

        f.ctx.Flags().SettingsDirty = false;
        f.window.ActCompactView()->trigger();
        QVERIFY(!f.ctx.Flags().SettingsDirty);

        f.window.ActFullView()->trigger();
        QVERIFY(!f.views->CompactShown());
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(!f.ctx.Options().IsSet(OptionIndex::CompactView));
        QVERIFY(f.window.WorkArea()->isVisible());
        QTRY_COMPARE(f.window.height(), 620);
        QVERIFY(f.window.ActShowTasks()->isEnabled());

        // The view follows the option on every refresh (start-up and file loads).
        f.ctx.Options().SetValue(OptionIndex::CompactView, true);
        OptionsChanged(f.ctx);
        QVERIFY(f.views->CompactShown());
    }

    void showHideItems()
    {
        Fixture f;
        f.window.ActShowTasks()->trigger();
        QVERIFY(f.window.TaskPanel()->isHidden());
        QVERIFY(!f.ctx.Workstation().ShowTasks());
        QVERIFY(!f.window.ActShowTasks()->isChecked());
        f.window.ActShowInformation()->trigger();
        QVERIFY(f.window.InformationPanel()->isHidden());
        QVERIFY(!f.ctx.Workstation().ShowInformation());
        f.window.ActShowHistory()->trigger();
        QVERIFY(f.window.HistoryList()->isHidden());
        QVERIFY(f.ctx.Flags().SettingsDirty);
        f.window.ActShowHistory()->trigger();
        QVERIFY(!f.window.HistoryList()->isHidden());
        // The window cannot be made lower than its parts' headers.
        f.window.resize(900, 10);
        QVERIFY(f.window.height() >= f.window.minimumHeight());
        QVERIFY(f.window.minimumHeight() > TPXmain::MinimumHeight);
    }

    // The placement arithmetic on the primary work area.
    void placement_data()
    {
        QTest::addColumn<QPoint>("remembered");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("placed"); // relative to the work area's top left
        QTest::addColumn<bool>("fits");
        QTest::newRow("10 above the top") << QPoint(100, -10) << QSize(800, 400) << QPoint(100, 0) << true;
        QTest::newRow("3 above the top") << QPoint(100, -3) << QSize(800, 400) << QPoint(100, -3) << true;
        QTest::newRow("no monitor there") << QPoint(-30000, -30000) << QSize(90000, 90000) << QPoint(0, 0) << false;
    }

    void placement()
    {
        QFETCH(QPoint, remembered);
        QFETCH(QSize, size);
        QFETCH(QPoint, placed);
        QFETCH(bool, fits);
        Fixture f;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        WindowPlacement& record = f.ctx.Workstation().Placement(RememberedWindow::Information);
        const QPoint start = fits ? area.topLeft() + remembered : remembered;
        record = {start.y(), start.x(), size.height(), size.width(), 0};
        f.help->ShowInformation();
        QCOMPARE(QPoint(record.left, record.top) - area.topLeft(), placed);
        QVERIFY(record.width <= area.width() && record.height <= area.height());
        QCOMPARE(f.help->InformationWindow()->pos(), QPoint(record.left, record.top));
    }

    // Newest first with renumbered accelerators; long paths shortened; case tells files apart.
    void recentFiles()
    {
        Fixture f;
        QStringList paths;
        for (int i = 0; i < 12; ++i)
            paths << QStringLiteral("/w/f%1.hex").arg(i);
        f.ctx.Workstation().SetRecentFiles(paths);
        QList<QAction*> entries = f.window.RecentMenu()->actions();
        QCOMPARE(entries.size(), 13); // and the separator
        QCOMPARE(entries.at(0)->text(), QStringLiteral("&1 /w/f0.hex"));
        QCOMPARE(entries.at(9)->text(), QStringLiteral("&A /w/f9.hex"));
        QCOMPARE(entries.at(11)->text(), QStringLiteral("&C /w/f11.hex"));
        QVERIFY(entries.at(12)->isSeparator());

        entries.at(4)->trigger(); // the file is missing: reported, and still moved to the top
        QCOMPARE(f.ctx.Workstation().RecentFiles().mid(0, 5),
                 (QStringList{"/w/f4.hex", "/w/f0.hex", "/w/f1.hex", "/w/f2.hex", "/w/f3.hex"}));
        entries = f.window.RecentMenu()->actions();
        QCOMPARE(entries.at(0)->text(), QStringLiteral("&1 /w/f4.hex"));
        QCOMPARE(entries.at(4)->text(), QStringLiteral("&5 /w/f3.hex"));

        f.ctx.Workstation().AddRecentFile(QStringLiteral("/w/F4.HEX"));
        QCOMPARE(f.ctx.Workstation().RecentFiles().mid(0, 2), (QStringList{"/w/F4.HEX", "/w/f4.hex"}));
        f.ctx.Workstation().AddRecentFile(QStringLiteral("/w/a&b.hex"));
        QCOMPARE(f.window.RecentMenu()->actions().at(0)->text(), QStringLiteral("&1 /w/a&&b.hex"));

        const QFontMetrics metrics(f.window.RecentMenu()->font());
        const QString deep = QStringLiteral("/home/operator/projects/customer/boards/rev4/firmware/blink.hex");
        const QString shortened = RecentFilesMenu::ShortenPath(deep, metrics, 200, u'/');
        QVERIFY(metrics.horizontalAdvance(shortened) <= 200);
        QVERIFY2(shortened.startsWith(QStringLiteral("/home/")) && shortened.endsWith(QStringLiteral("/.../blink.hex")),
                 qPrintable(shortened));
        const QString wide = QStringLiteral("/") + QString(60, u'x') + QStringLiteral("/name.hex");
        const QString cut = RecentFilesMenu::ShortenPath(wide, metrics, 200, u'/');
        QVERIFY(metrics.horizontalAdvance(cut) <= 200);
        QCOMPARE(RecentFilesMenu::ShortenPath(QStringLiteral("C:\\a\\b.hex"), metrics, 200, u'\\'),
                 QStringLiteral("C:\\a\\b.hex"));
    }

    void helpFile()
    {
        QTemporaryDir dir;
        QCOMPARE(MainWindowHelpCommands::HelpFilePath(dir.path()), QString());
        QFile manual(dir.filePath(QString::fromLatin1(MainWindowHelpCommands::ManualName)));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        QCOMPARE(MainWindowHelpCommands::HelpFilePath(dir.path()), manual.fileName());
        QFile preferred(dir.filePath(QString::fromLatin1(MainWindowHelpCommands::PreferredHelpName)));
        QVERIFY(preferred.open(QIODevice::WriteOnly));
        preferred.close();
        QCOMPARE(MainWindowHelpCommands::HelpFilePath(dir.path()), preferred.fileName());

        // The shipped data folder has no manual: the command says so and opens nothing.
        Fixture f;
        QStringList opened;
        f.help->SetOpener([&opened](const QString& path) {
            opened << path;
            return true;
        });
        f.window.ActHelpFile()->trigger();
        QCOMPARE(opened, QStringList());
        QCOMPARE(f.op.Captions(), QStringList{"Required File Missing"});
        // The build puts the manual beside the program.
        QVERIFY(!MainWindowHelpCommands::HelpFilePath(TestPaths::RuntimeDir()).isEmpty());
    }

    // Info shows the report under the HEX file's name; closed while the program ends, the window
    // stays marked open for the next start.
    void informationWindow()
    {
        Fixture f;
        f.ctx.Image().Display().SetInformationWindow(QStringLiteral("Information - /w/blink.hex"),
                                                     QStringLiteral("CONFIG 3F72\nDevice: 16F877A"));
        f.window.ActInfo()->trigger();
        TPXinfo* info = f.help->InformationWindow();
        QVERIFY(info->isVisible());
        QCOMPARE(info->windowTitle(), QStringLiteral("Information - /w/blink.hex"));
        QCOMPARE(info->Text()->toPlainText(), QStringLiteral("CONFIG 3F72\nDevice: 16F877A"));
        WindowPlacement& record = f.ctx.Workstation().Placement(RememberedWindow::Information);
        QCOMPARE(record.open, 1);
        info->CloseButton()->click();
        QCOMPARE(record.open, 0);

        f.help->RestoreInformationWindow();
        QVERIFY(!info->isVisible());
        f.window.ActInfo()->trigger();
        f.ctx.Flags().ProgramExiting = true;
        info->close();
        QCOMPARE(record.open, 1);
        f.ctx.Flags().ProgramExiting = false;
        f.help->RestoreInformationWindow();
        QVERIFY(info->isVisible());
    }
};

QTEST_MAIN(TestMainWindowCommands)
#include "TestMainWindowCommands.moc"
