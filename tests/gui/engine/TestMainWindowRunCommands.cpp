// The main window's run commands render the engine's run lock and socket state.
#include "MainWindowRig.h"
#include "core/engine/SocketPanel.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "gui/app/ControlBar.h"
#include "gui/engine/CountersPanel.h"
#include "gui/engine/MainWindowRunCommands.h"
#include "gui/engine/TPXled.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {
struct Fixture : MainWindowRig {
    MainWindowRunCommands* commands;

    Fixture()
    {
        commands = new MainWindowRunCommands(window, ctx, engine);
        window.show();
    }
};
} // namespace

class TestMainWindowRunCommands : public QObject
{
    Q_OBJECT

private slots:
    // Locked: Stop alone, with the panels off and the busy cursor; unlocked: the
    // commands follow their options again, and a command set that re-enables an
    // action mid-run is overruled.
    void actionsFollowTheRunLock()
    {
        Fixture f;
        using Item = RunLock::Item;
        f.ctx.Options().SetValue(OptionIndex::Verify, false);
        OptionsChanged(f.ctx);
        QVERIFY(!f.commands->ActStop()->isEnabled());
        QVERIFY(f.window.ActAutoRun()->isEnabled());
        QVERIFY(!f.window.ActVerify()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());

        f.engine.Lock().SetLocked(true);
        for (Item item : {Item::AutoRun, Item::Erase, Item::BlankCheck, Item::ProgramOnly, Item::Verify, Item::Read,
                          Item::ClearLeds, Item::ResetMenu})
            QVERIFY2(!f.commands->ActionOf(item)->isEnabled(), qPrintable(f.commands->ActionOf(item)->text()));
        QVERIFY(f.commands->ActStop()->isEnabled());
        QVERIFY(!f.window.ControlBarPanel()->isEnabled());
        QVERIFY(!f.commands->Counters()->isEnabled());
        QVERIFY(QApplication::overrideCursor());
        f.window.ActClearLeds()->setEnabled(true);
        f.window.ControlBarPanel()->setEnabled(true);
        QVERIFY(!f.window.ActClearLeds()->isEnabled());
        QVERIFY(!f.window.ControlBarPanel()->isEnabled());

        f.ctx.Options().SetValue(OptionIndex::Verify, true);
        OptionsChanged(f.ctx);
        QVERIFY(!f.window.ActVerify()->isEnabled());
        f.engine.Lock().SetLocked(false);
        QVERIFY(f.window.ActVerify()->isEnabled());
        QVERIFY(!f.commands->ActStop()->isEnabled());
        QVERIFY(f.window.ControlBarPanel()->isEnabled());
        QVERIFY(f.commands->Counters()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    // The Programming Sockets items act like the switches; the Read socket menu
    // offers the sockets in use, the first remaining one becoming the default
    // when the default goes.
    void socketMenusFollowTheSockets()
    {
        Fixture f;
        QMenu* sockets = f.commands->SocketsMenu();
        QMenu* read = f.commands->ReadSocketMenu();
        const auto item = [](QMenu* menu, const QString& text) {
            for (QAction* a : menu->actions())
                if (a->text() == text)
                    return a;
            return static_cast<QAction*>(nullptr);
        };
        QVERIFY(item(sockets, QStringLiteral("ICP or &Single"))->isChecked());
        item(sockets, QStringLiteral("Socket &C"))->trigger();
        QVERIFY(item(sockets, QStringLiteral("&Gang"))->isChecked());
        QVERIFY(item(sockets, QStringLiteral("Socket &C"))->isChecked());
        QVERIFY(f.commands->Counters()->Led(2)->Switch()->text() == QStringLiteral("I"));
        QStringList visible;
        for (QAction* a : read->actions())
            if (a->isVisible())
                visible << a->text();
        QCOMPARE(visible, (QStringList{"Socket &A", "Socket &C"}));
        QCOMPARE(read->defaultAction(), item(read, QStringLiteral("Socket &A")));

        item(sockets, QStringLiteral("Socket &A"))->trigger();
        QVERIFY(!item(read, QStringLiteral("Socket &A"))->isVisible());
        QCOMPARE(read->defaultAction(), item(read, QStringLiteral("Socket &C")));
        QVERIFY(item(read, QStringLiteral("Socket &C"))->isChecked());
    }
};

QTEST_MAIN(TestMainWindowRunCommands)
#include "TestMainWindowRunCommands.moc"
