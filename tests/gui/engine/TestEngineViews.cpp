// The socket indicators, the counters panel and the target monitor window follow their core state.
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TargetMonitor.h"
#include "gui/engine/CountersPanel.h"
#include "gui/engine/TPXled.h"
#include "gui/engine/TargetMonitorView.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {
using Picture = SocketIndicator::Picture;

struct Fixture {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};
    EngineSockets masks;
    SocketPanel sockets{ctx, masks};
    ProductionCounters counters;
    CountersPanel panel{sockets, counters};

    Fixture() { panel.show(); }
    TPXled* Led(int s) { return panel.Led(s); }
    // What the indicator shows: lamp picture, switch caption, switch enabled, flashing.
    void Expect(int s, Picture picture, const char* caption, bool enabled, bool flashing)
    {
        QCOMPARE(Led(s)->ShownPicture(), picture);
        QCOMPARE(Led(s)->LampLabel()->pixmap().toImage(), TPXled::PictureOf(picture).toImage());
        QCOMPARE(Led(s)->Switch()->text(), QString::fromLatin1(caption));
        QCOMPARE(Led(s)->Switch()->isEnabled(), enabled);
        QCOMPARE(Led(s)->Flashing(), flashing);
    }
};
} // namespace

class TestEngineViews : public QObject
{
    Q_OBJECT

private slots:
    void picturesDiffer()
    {
        QList<QImage> seen;
        for (Picture p : {Picture::On, Picture::Off, Picture::NotInUse, Picture::Error, Picture::ErrorOff}) {
            const QImage image = TPXled::PictureOf(p).toImage();
            QCOMPARE(image.size(), QSize(TPXled::PictureSize, TPXled::PictureSize));
            QVERIFY(!seen.contains(image));
            seen << image;
        }
    }

    // Socket B switched on with its switch, both sockets lit during a run, B failing a task run
    // alone flashes with "X" until that switch is clicked.
    void indicatorFollowsARun()
    {
        Fixture f;
        f.Expect(0, Picture::Off, "I", true, false);
        f.Expect(1, Picture::NotInUse, "O", true, false);
        QCOMPARE(f.Led(0)->Switch()->toolTip(), QStringLiteral("Socket A or In Circuit Programming"));
        QCOMPARE(f.Led(3)->Switch()->toolTip(), QStringLiteral("Socket D"));

        QTest::mouseClick(f.Led(1)->Switch(), Qt::LeftButton);
        f.Expect(1, Picture::Off, "I", true, false);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x40 | 0x10));
        QVERIFY(f.op.boxes.isEmpty());

        for (int s : {0, 1})
            f.sockets.Indicator(s).Setison(true);
        f.Expect(0, Picture::On, "I", false, false);
        f.Expect(1, Picture::On, "I", false, false);
        f.Expect(2, Picture::NotInUse, "O", true, false);

        // After the task: A passed goes dark, B failed flashes between the two error pictures.
        f.sockets.Indicator(0).Setison(false);
        f.sockets.Indicator(1).Seterror(true);
        f.Expect(0, Picture::Off, "I", true, false);
        QVERIFY(f.Led(1)->Flashing());
        QCOMPARE(f.Led(1)->Switch()->text(), QStringLiteral("X"));
        QSet<Picture> flashed;
        QTRY_VERIFY_WITH_TIMEOUT((flashed << f.Led(1)->ShownPicture(),
                                  flashed.contains(Picture::Error) && flashed.contains(Picture::ErrorOff)),
                                 2000);
        QVERIFY(f.Led(1)->Flashing());

        QTest::mouseClick(f.Led(1)->Switch(), Qt::LeftButton);
        f.Expect(1, Picture::Off, "I", true, false);
        QVERIFY(!f.sockets.Indicator(1).error());
        QCOMPARE(f.masks.EnabledSockets, quint8(0x40 | 0x10));

        // A further click switches B out of use again.
        QTest::mouseClick(f.Led(1)->Switch(), Qt::LeftButton);
        f.Expect(1, Picture::NotInUse, "O", true, false);
        QCOMPARE(f.masks.EnabledSockets, quint8(0x40));
    }

    void countersPanelShowsTheCounts()
    {
        Fixture f;
        QCOMPARE(f.panel.RunCountLabel()->text(), QStringLiteral("00000"));
        QCOMPARE(f.panel.TimeLapseLabel()->text(), QStringLiteral("?"));
        f.counters.runCount = 99999 + 1;
        f.counters.totalPassed = 7;
        f.counters.totalFailed = 2;
        f.counters.ShowCounters();
        f.counters.SetElapsedText(QStringLiteral("1 Min, 15 Sec, 500 ms"));
        f.counters.SetCycleMaximum(4);
        f.counters.SetGauges(30, 3);
        QCOMPARE(f.panel.RunCountLabel()->text(), QStringLiteral("00001"));
        QCOMPARE(f.panel.PassLabel()->text(), QStringLiteral("7"));
        QCOMPARE(f.panel.FailLabel()->text(), QStringLiteral("2"));
        QCOMPARE(f.panel.TimeLapseLabel()->text(), QStringLiteral("1 Min, 15 Sec, 500 ms"));
        QCOMPARE(f.panel.TaskGauge()->value(), 30);
        QCOMPARE(f.panel.CycleGauge()->maximum(), 4);
        QCOMPARE(f.panel.CycleGauge()->value(), 3);
        QCOMPARE(f.panel.TaskGauge()->toolTip(), QStringLiteral("Task Progress"));
        QCOMPARE(f.panel.CycleGauge()->toolTip(), QStringLiteral("Cycle Progress"));
    }

    // A wait, then the error display: texts, colours, the button's caption and its cancel.
    void targetMonitorWindowFollowsTheMonitor()
    {
        TargetMonitor monitor;
        TargetMonitorView view(monitor);
        QVERIFY(!view.isVisible());
        QCOMPARE(view.windowTitle(), QStringLiteral("Target Monitor Status"));

        monitor.ShowWait(QStringLiteral("VDD 4.5 - 5.5 V"), QStringLiteral("Turning On VDD..."), QStringLiteral("0.0"));
        QVERIFY(view.isVisible());
        QCOMPARE(view.RangeLabel()->text(), QStringLiteral("VDD 4.5 - 5.5 V"));
        QCOMPARE(view.ActionLabel()->text(), QStringLiteral("Turning On VDD..."));
        QCOMPARE(view.Button()->text(), QStringLiteral("Cancel"));
        QCOMPARE(view.palette().color(QPalette::Window), QColor(166, 202, 240));

        monitor.SetTexts(QString(), QString(), HistoryColours::Red, QStringLiteral("6.1"));
        QCOMPARE(view.ValueLabel()->text(), QStringLiteral("6.1"));
        QCOMPARE(view.ValueLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QTest::mouseClick(view.Button(), Qt::LeftButton);
        QVERIFY(monitor.TakeCancel());

        monitor.ErrorMode();
        QVERIFY(view.isVisible());
        QCOMPARE(view.Button()->text(), QStringLiteral("Close"));
        QCOMPARE(view.palette().color(QPalette::Window), QColor(255, 0, 0));
        QTest::mouseClick(view.Button(), Qt::LeftButton);
        QVERIFY(monitor.TakeCancel());
        monitor.Reset();
        monitor.Close();
        QVERIFY(!view.isVisible());
        QCOMPARE(view.Button()->text(), QStringLiteral("Cancel"));
    }
};

QTEST_MAIN(TestEngineViews)
#include "TestEngineViews.moc"
