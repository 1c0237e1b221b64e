#include "ScriptedOperator.h"
#include "core/context/AppContext.h"
#include "gui/app/ControlBar.h"
#include "gui/app/FixedPitchFont.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/PortComboBox.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    // A context and a shown main window over it.
    struct Fixture {
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext context{op, dir.path()};
        TPXmain window{context};
        Fixture()
        {
            window.resize(900, 600);
            window.show();
        }
        template <typename T> T* Find(const char* name) const
        {
            return window.findChild<T*>(QString::fromLatin1(name));
        }
    };

private slots:
    void ControlBarShowsTheMcu()
    {
        Fixture f;
        auto* mcu = f.Find<QLineEdit>("CB_Mcu");
        QVERIFY(mcu);
        QVERIFY(mcu->isReadOnly());
        QCOMPARE(mcu->toolTip(), QStringLiteral("Click to Select a New Device"));
        QCOMPARE(mcu->text(), QString());
        f.context.Window().SetMcuText(QStringLiteral("PIC16F877"));
        QCOMPARE(mcu->text(), QStringLiteral("PIC16F877"));
        QCOMPARE(f.Find<QLabel>("LAB_Mcu")->text(), QStringLiteral(" MCU:  "));
        QCOMPARE(f.Find<QLabel>("LAB_Port")->text(), QStringLiteral(" PORT:  "));
    }

    void PortListAndState()
    {
        Fixture f;
        MainWindowState& state = f.context.Window();
        auto* ports = f.Find<QComboBox>("CB_Port");
        QVERIFY(ports);
        QStringList items;
        for (int i = 0; i < ports->count(); ++i)
            items << ports->itemText(i);
        QCOMPARE(items, QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}));
        QCOMPARE(ports->currentIndex(), state.PortIndex());

        // Opening the list shows beside each name the device it stands for now, unclipped.
        auto* list = qobject_cast<PortComboBox*>(ports);
        QVERIFY(list);
        qputenv("PRAXON_COM3", "rfc2217://bench-server:4001");
        f.context.Workstation().SetStoredPortTarget(2, "/nonexistent/ttyS9");
        list->showPopup();
        QCOMPARE(list->DeviceText(2), QStringLiteral("rfc2217://bench-server:4001"));
        QCOMPARE(list->DeviceText(1), QStringLiteral("/nonexistent/ttyS9 (not connected)"));
        QCOMPARE(list->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("rfc2217://bench-server:4001"));
        const int widest = list->view()->fontMetrics().horizontalAdvance("COM3   rfc2217://bench-server:4001");
        QVERIFY2(list->view()->width() >= widest, qPrintable(QString::number(list->view()->width())));
        list->hidePopup();
        qunsetenv("PRAXON_COM3");
        list->setCurrentIndex(1);
        QCOMPARE(list->toolTip(), QStringLiteral("COM2: /nonexistent/ttyS9 (not connected)"));
        list->setCurrentIndex(0);

        // Choosing a port is written to the state once.
        QSignalSpy changed(&state, &MainWindowState::Changed);
        ports->setCurrentIndex(4);
        QCOMPARE(state.PortIndex(), 4);
        QCOMPARE(changed.count(), 1);

        // A port set by the program is shown without being taken as a new choice.
        QSignalSpy chosen(ports, &QComboBox::currentIndexChanged);
        state.SetPortIndex(7);
        QCOMPARE(ports->currentText(), QStringLiteral("COM8"));
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(state.PortIndex(), 7);
    }

    void TitleFollowsState()
    {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Praxon"));
        f.context.Window().SetTitle(QStringLiteral("Praxon - /tmp/blink.hex"));
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Praxon - /tmp/blink.hex"));
        QCOMPARE(f.window.minimumSize(), QSize(749, 140));
    }

    void InformationMemosShowState()
    {
        Fixture f;
        auto* info = f.Find<QPlainTextEdit>("InformationMemo");
        auto* fuses = f.Find<QPlainTextEdit>("FuseMemo");
        QVERIFY(info && fuses);
        const QString report = QStringLiteral("MCU: PIC16F877\nProgram memory: 8192 words");
        f.context.Window().SetInformationText(report);
        f.context.Window().SetFuseSummaryText(QStringLiteral("WDT  : Off"));
        QCOMPARE(info->toPlainText(), report);
        QCOMPARE(fuses->toPlainText(), QStringLiteral("WDT  : Off"));
        for (const QPlainTextEdit* memo : {info, fuses}) {
            QVERIFY(memo->isReadOnly());
            QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
            QCOMPARE(memo->palette().color(QPalette::Base), QColor(226, 235, 241));
            QCOMPARE(memo->font(), FixedPitchFont());
            QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        }
        // Only a change of its own text rewrites a memo, so a status change keeps its scroll position.
        QSignalSpy rewritten(info->document(), &QTextDocument::contentsChanged);
        f.context.Window().SetStatusText(QStringLiteral("Ready"));
        QCOMPARE(rewritten.count(), 0);
    }

    void RightMemoTakesHalfOnResize()
    {
        Fixture f;
        InformationGroup* group = f.window.InformationPanel();
        QSplitter* splitter = group->Splitter();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        int total = splitter->width() - splitter->handleWidth();
        QCOMPARE(splitter->sizes().at(1), total / 2);
        splitter->setSizes({total - 200, 200}); // the operator dragged the divider
        QCOMPARE(splitter->sizes().at(1), 200);
        f.window.resize(1000, 600);
        QTRY_COMPARE(f.window.width(), 1000);
        total = splitter->width() - splitter->handleWidth();
        QCOMPARE(splitter->sizes().at(1), total / 2);
    }

    void WorkAreaLayout()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QCOMPARE(f.window.TreeSplitter()->sizes().at(0), TaskTreePanel::InitialWidth);
        QCOMPARE(f.window.InformationSplitter()->sizes().at(0), InformationGroup::InitialHeight);
        QCOMPARE(f.window.TaskPanel()->Tree()->topLevelItemCount(), 0);

        auto* history = f.window.findChild<HistoryView*>();
        QVERIFY(history);
        QVERIFY(history->isVisible());
        QCOMPARE(&history->History(), &f.context.History());
        f.context.History().AddLine(QStringLiteral("Opening HEX File: blink.hex"), HistoryStyle::FileInformation);
        QCOMPARE(history->RowCount(), 2);
        QCOMPARE(history->RowText(1), QStringLiteral("Opening HEX File: blink.hex"));
    }

    void ToolBarCaptionsAndPendingCommands()
    {
        Fixture f;
        QToolBar* bar = f.window.ControlBarPanel()->ToolBar();
        QStringList captions;
        for (QAction* action : bar->actions()) {
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            QVERIFY(button);
            captions << button->text();
            QVERIFY(!action->isEnabled());
        }
        QCOMPARE(captions, QStringList({"Open", "Auto Run", "Erase", "Blank Check", "Verify", "Read"}));
        QCOMPARE(f.window.ActAutoRun()->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(f.window.ActVerify()->shortcut(), QKeySequence(Qt::Key_F5));
    }

    void StatusLine()
    {
        Fixture f;
        QLabel* status = f.window.StatusLine();
        f.context.Window().SetStatusText(QStringLiteral("Opening Port: COM2"));
        QCOMPARE(status->text(), QStringLiteral("Opening Port: COM2"));
        QVERIFY(status->autoFillBackground());
        QCOMPARE(status->palette().color(QPalette::Window), f.window.palette().color(QPalette::ToolTipBase));
        QCOMPARE(f.Find<QLabel>("LAB_StatusCaption")->text(), QStringLiteral("  Status: "));
    }

    void McuBoxKeys()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        auto* mcu = f.Find<QLineEdit>("CB_Mcu");
        QSignalSpy requests(f.window.ControlBarPanel(), &ControlBar::SelectMcuRequested);
        mcu->setFocus();
        QVERIFY(mcu->hasFocus());

        QTest::keyClick(mcu, Qt::Key_Return);
        QTest::keyClick(mcu, Qt::Key_Shift);
        QCOMPARE(requests.count(), 0);
        QTest::keyClick(mcu, Qt::Key_A);
        QCOMPARE(requests.count(), 1);
        QTest::mouseClick(mcu, Qt::LeftButton);
        QCOMPARE(requests.count(), 2);
        QTest::mouseClick(f.Find<QPushButton>("B_SelectMcu"), Qt::LeftButton);
        QCOMPARE(requests.count(), 2); // disabled until device selection is connected
        f.window.ActSelectMcu()->setEnabled(true);
        QSignalSpy triggered(f.window.ActSelectMcu(), &QAction::triggered);
        QTest::mouseClick(f.Find<QPushButton>("B_SelectMcu"), Qt::LeftButton);
        QTest::keyClick(mcu, Qt::Key_Down);
        QCOMPARE(triggered.count(), 2);

        QTest::keyClick(mcu, Qt::Key_Tab);
        QVERIFY(!mcu->hasFocus());
        QCOMPARE(requests.count(), 4);
    }

    void ExitClosesTheWindow()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.context.Flags().AutoRunPending = true;
        QTest::mouseClick(f.Find<QPushButton>("B_Exit"), Qt::LeftButton);
        QVERIFY(!f.window.isVisible());
        // The program is ending: no Auto Run starts any more.
        QVERIFY(f.context.Flags().ProgramExiting);
        QVERIFY(!f.context.Flags().AutoRunPending);
        QVERIFY(!f.context.Flags().AutoRunArmed);

        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QTest::keyClick(&f.window, Qt::Key_X, Qt::AltModifier);
        QVERIFY(!f.window.isVisible());
    }

    void ShowRequests()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext context(op, dir.path());
        TPXmain window(context);
        QVERIFY(!window.isVisible());
        context.Window().RequestShow(true);
        QVERIFY(window.isVisible());
        QVERIFY(window.isMinimized());
        window.hide();
        context.Window().RequestShow(false);
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
