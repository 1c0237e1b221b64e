// The main window's sizing rules and what closing it does, with the window wired as the program
// wires it (views, run commands with the counters panel and socket indicators).
#include "MainWindowRig.h"
#include "core/engine/SocketPanel.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/MainWindowSizing.h"
#include "gui/app/MainWindowViews.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/CountersPanel.h"
#include "gui/engine/MainWindowRunCommands.h"
#include "gui/engine/TPXled.h"
#include "gui/options/WindowPlacementBinder.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QtTest>

namespace {
using Rules = MainWindowSizing::Rules;

struct Fixture : MainWindowRig {
    MainWindowRunCommands* run;
    MainWindowViews* views;

    Fixture()
    {
        run = new MainWindowRunCommands(window, ctx, engine);
        views = new MainWindowViews(window, ctx);
        window.resize(900, 640);
        window.show();
    }
    int Splitter() const { return window.InformationSplitter()->handleWidth(); }
    int Header() const { return window.InformationPanel()->HeaderHeight(); }
    int Frame() const { return views->Sizing().Frame(); }
    // Drags the information splitter's handle down by dy with the left button.
    void DragSplitter(int dy)
    {
        QSplitterHandle* handle = window.InformationSplitter()->handle(1);
        const QPoint start(handle->width() / 2, handle->height() / 2);
        const QPoint end = start + QPoint(0, dy);
        QMouseEvent press(QEvent::MouseButtonPress, start, handle->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, end, handle->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, end, handle->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(handle, &press);
        QApplication::sendEvent(handle, &move);
        QApplication::sendEvent(handle, &release);
    }
};
} // namespace

class TestMainWindowSizing : public QObject
{
    Q_OBJECT
private slots:
    void Arithmetic()
    {
        QCOMPARE(Rules::MinimumWindowHeight(5, 20, 40, 90, 24, 22), 201);
        // The tree panel: left alone while it fits, else the window's width minus the splitter.
        QCOMPARE(Rules::TreePanelWidth(800, 6, 166), 166);
        QCOMPARE(Rules::TreePanelWidth(172, 6, 166), 166);
        QCOMPARE(Rules::TreePanelWidth(171, 6, 166), 165);
        QCOMPARE(Rules::TreePanelWidth(4, 6, 166), 0);
        // The information group: (height, header, splitter, control bar, counters top, frame).
        QCOMPARE(Rules::InformationHeight(234, 20, 5, 40, 500, 22), 234); // history has room
        QCOMPARE(Rules::InformationHeight(234, 20, 5, 40, 301, 22), 234); // exactly a frame left
        QCOMPARE(Rules::InformationHeight(234, 20, 5, 40, 291, 22), 224); // lower by the difference
        QCOMPARE(Rules::InformationHeight(234, 20, 5, 40, 60, 22), 20);   // never below the header
        QVERIFY(!Rules::SplitterMovable(25, 5, 20));
        QVERIFY(Rules::SplitterMovable(26, 5, 20));
    }

    // The lowest full view keeps the headers of the information group, the control bar, the
    // counters panel and the status bar; nothing else decides it.
    void MinimumHeightIsTheSumOfTheParts()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const int expected = Rules::MinimumWindowHeight(
            f.Splitter(), f.Header(), f.window.ControlBarPanel()->sizeHint().height(),
            f.window.CountersPanelWidget()->sizeHint().height(), f.window.statusBar()->sizeHint().height(), f.Frame());
        QCOMPARE(f.window.minimumHeight(), qMax(expected, int(TPXmain::MinimumHeight)));
        f.window.resize(900, 10);
        QTRY_COMPARE(f.window.height(), f.window.minimumHeight());
        QVERIFY(f.window.InformationPanel()->height() >= f.Header());
        QVERIFY(f.window.CountersPanelWidget()->height() >= f.window.CountersPanelWidget()->sizeHint().height());
        QVERIFY(f.window.ControlBarPanel()->height() >= f.window.ControlBarPanel()->sizeHint().height());
        // At that height the splitter cannot be moved.
        const int information = f.window.InformationPanel()->height();
        f.DragSplitter(40);
        QCOMPARE(f.window.InformationPanel()->height(), information);
        // In a window with room it can.
        f.window.resize(900, 640);
        QTRY_COMPARE(f.window.height(), 640);
        const int before = f.window.InformationPanel()->height();
        f.DragSplitter(40);
        QCOMPARE(f.window.InformationPanel()->height(), before + 40);
    }

    // Made lower, the window takes the room from the history first; once the history would have
    // less than a frame's height the information group gives way instead.
    void InformationGroupGivesWayToTheHistory()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QTRY_COMPARE(f.window.height(), 640);
        const int information = f.window.InformationPanel()->height();
        QVERIFY(information > f.Header() + 40);
        f.window.resize(900, f.window.minimumHeight() + f.Frame() + 40);
        QTRY_COMPARE(f.window.InformationPanel()->height(), f.Header() + 40);
        QCOMPARE(f.window.HistoryList()->height(), f.Frame());
        // With the history hidden the information group has the whole area.
        f.window.ActShowHistory()->trigger();
        QTRY_COMPARE(f.window.InformationPanel()->height(), f.window.InformationSplitter()->height());
    }

    void TreePanelStaysInsideTheWindow()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.window.resize(1200, 640);
        QTRY_COMPARE(f.window.width(), 1200);
        f.window.TreeSplitter()->setSizes({1000, 194});
        QVERIFY(f.window.TaskPanel()->width() > 900);
        f.window.resize(TPXmain::MinimumWidth, 640);
        QTRY_COMPARE(f.window.width(), int(TPXmain::MinimumWidth));
        QVERIFY2(f.window.TaskPanel()->width() + f.window.TreeSplitter()->handleWidth() <= f.window.width(),
                 qPrintable(QString::number(f.window.TaskPanel()->width())));
    }

    // Closing switches the indicators off (dark, not flashing) and never refuses; the sockets in
    // use stay as they are for the settings saved afterwards. The main window's placement is
    // recorded, except while the control file locks option editing.
    void CloseSwitchesTheIndicatorsOff_data()
    {
        QTest::addColumn<int>("accessMode");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("options editable") << 1 << true;
        QTest::newRow("locked by the control file") << 2 << false;
    }

    void CloseSwitchesTheIndicatorsOff()
    {
        QFETCH(int, accessMode);
        QFETCH(bool, recorded);
        Fixture f;
        new WindowPlacementBinder(f.ctx, RememberedWindow::Main, &f.window);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.engine.Sockets().GangClick();
        f.engine.Sockets().Indicator(2).Seterror(true); // socket C failed and flashes
        auto* counters = qobject_cast<CountersPanel*>(f.window.CountersPanelWidget());
        QVERIFY(counters);
        QVERIFY(counters->Led(2)->Flashing());
        f.ctx.Flags().AutoRunPending = true;
        f.ctx.Flags().AutoRunArmed = true;
        f.ctx.File().optionAccessMode = accessMode;
        WindowPlacement& record = f.ctx.Workstation().Placement(RememberedWindow::Main);
        record.width = 777;
        f.window.resize(880, 600);
        QTRY_COMPARE(f.window.width(), 880);
        QVERIFY(f.window.close());
        for (int s = 0; s < 4; ++s) {
            QCOMPARE(counters->Led(s)->ShownPicture(), SocketIndicator::Picture::NotInUse);
            QVERIFY(!counters->Led(s)->Flashing());
            QVERIFY(f.ctx.Workstation().SocketInUse(s));
        }
        QVERIFY(f.ctx.Flags().ProgramExiting);
        QVERIFY(!f.ctx.Flags().AutoRunPending);
        QVERIFY(!f.ctx.Flags().AutoRunArmed);
        QCOMPARE(record.width, recorded ? 880 : 777);
    }
};

QTEST_MAIN(TestMainWindowSizing)
#include "TestMainWindowSizing.moc"
