#include "core/app/HistoryMirror.h"
#include "core/context/HistoryLog.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestHistoryLog : public QObject
{
    Q_OBJECT
private slots:
    void StartsWithOneEmptyLine()
    {
        HistoryLog log;
        QCOMPARE(log.VisibleCount(), 1);
        QCOMPARE(log.DisplayLine(0).text, QString());
        log.AddLine(QStringLiteral("first"));
        QCOMPARE(log.VisibleCount(), 2);
        QCOMPARE(log.DisplayLine(0).text, QString());
        QCOMPARE(log.DisplayLine(1).text, QStringLiteral("first"));
    }

    void RingKeepsTheLast1024Lines()
    {
        HistoryLog log;
        for (int i = 0; i < 1023; ++i)
            log.AddLine(QString::number(i));
        QCOMPARE(log.VisibleCount(), 1024);
        QCOMPARE(log.DisplayLine(0).text, QString()); // the initial empty line is still the oldest
        log.AddLine(QStringLiteral("1023"));
        QCOMPARE(log.VisibleCount(), 1024);
        QCOMPARE(log.DisplayLine(0).text, QStringLiteral("0"));
        log.AddLine(QStringLiteral("1024"));
        QCOMPARE(log.VisibleCount(), 1024);
        QCOMPARE(log.DisplayLine(0).text, QStringLiteral("1"));
        QCOMPARE(log.DisplayLine(1023).text, QStringLiteral("1024"));
        QCOMPARE(log.NextWriteIndex(), 1025 % 1024);
        const QStringList text = log.DisplayText();
        QCOMPARE(text.size(), 1024);
        QCOMPARE(text.first(), QStringLiteral("1"));
        QCOMPARE(text.last(), QStringLiteral("1024"));
    }

    void AppendColumn_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("previous");
        const QString ten = QStringLiteral("0123456789");
        const QString fifty = QString(50, u'x');
        QTest::newRow("short line padded to the column") << ten << "OK" << ten + QString(30, u' ') + "OK"
                                                         << "";
        QTest::newRow("long line gets one blank")
            << fifty << QString(20, u'y') << fifty + " " + QString(20, u'y') << "";
        QTest::newRow("too long for 120 goes to a new line")
            << fifty << QString(40, u'z') << QString(40, u'z') << fifty;
        QTest::newRow("exactly 120 still fits") << fifty << QString(30, u'w') << fifty + " " + QString(30, u'w') << "";
        QTest::newRow("line as long as the column gets one blank")
            << QString(40, u'a') << "B" << QString(40, u'a') + " B"
            << "";
    }
    void AppendColumn()
    {
        QFETCH(QString, line);
        QFETCH(QString, text);
        QFETCH(QString, newest);
        QFETCH(QString, previous);
        HistoryLog log;
        log.AddLine(line, HistoryStyle::FileInformation);
        const int countBefore = log.VisibleCount();
        log.AppendColumn(text, 40, HistoryStyle::Error);
        QCOMPARE(log.Newest().text, newest);
        QCOMPARE(log.Newest().textColour, HistoryColours::Red);
        if (previous.isEmpty()) {
            QCOMPARE(log.VisibleCount(), countBefore);
        } else {
            QCOMPARE(log.VisibleCount(), countBefore + 1);
            const HistoryLog::Entry& older = log.DisplayLine(log.VisibleCount() - 2);
            QCOMPARE(older.text, previous);
            QCOMPARE(older.background, HistoryColours::Shaded); // the older line keeps its colours
        }
    }

    void AppendColumnBeforeAnyLineUsesTheLastEntry()
    {
        HistoryLog log;
        log.AppendColumn(QStringLiteral("X"), 16, HistoryStyle::Success);
        QCOMPARE(log.NextWriteIndex(), 0);
        QCOMPARE(log.DisplayLine(0).text, QString(16, u' ') + "X"); // entry 1023 is the display's line 0
        log.AddLine(QStringLiteral("next"));
        QCOMPARE(log.DisplayLine(0).text, QString(16, u' ') + "X");
    }

    void Styles()
    {
        const HistoryStyleColours highlight = ColoursOf(HistoryStyle::Highlight);
        QVERIFY(highlight.text == HistoryColour::Window());
        QCOMPARE(highlight.background, HistoryColour::FromRgb(192, 207, 204));
        QCOMPARE(ColoursOf(HistoryStyle::Success).text, HistoryColour::FromRgb(0, 128, 0));
        QCOMPARE(ColoursOf(HistoryStyle::Skipped).text, HistoryColour::FromRgb(128, 128, 0));
        QCOMPARE(ColoursOf(HistoryStyle::FileError).background, HistoryColours::Shaded);
        QCOMPARE(ColoursOf(HistoryStyle::Error).background, HistoryColour::Window());
    }

    void Bold()
    {
        using E = HistoryLog::Entry;
        QVERIFY(!HistoryLog::IsBold(E{{}, HistoryColour::WindowText(), HistoryColours::Shaded}));
        QVERIFY(!HistoryLog::IsBold(E{{}, HistoryColour::WindowText(), HistoryColour::FromRgb(0, 0, 0)}));
        QVERIFY(HistoryLog::IsBold(E{{}, HistoryColours::Red, HistoryColour::Window()}));
        QVERIFY(HistoryLog::IsBold(E{{}, HistoryColour::Window(), HistoryColours::Shaded}));
        QVERIFY(!HistoryLog::IsBold(E{{}, HistoryColours::Red, HistoryColour::FromRgb(0, 0, 0)}));
    }

    void Signals()
    {
        HistoryLog log;
        QSignalSpy added(&log, &HistoryLog::LineAdded);
        QSignalSpy changed(&log, &HistoryLog::NewestLineChanged);
        log.AddLine(QStringLiteral("a"));
        log.AppendColumn(QStringLiteral("b"), 40, HistoryStyle::Normal);
        log.AppendColumn(QString(100, u'c'), 40, HistoryStyle::Normal); // does not fit: a new line
        QCOMPARE(added.count(), 2);
        QCOMPARE(changed.count(), 1);
    }

    void MirrorWritesFinalLines()
    {
        QTemporaryDir dir;
        HistoryLog log;
        HistoryMirror mirror(log);
        const QString path = dir.filePath(QStringLiteral("run.log"));
        QVERIFY(mirror.Open(path));
        log.AddLine(QStringLiteral("Command-line MCU Specified: "));
        log.AppendColumn(QStringLiteral("16F877A"), 40, HistoryStyle::Highlight);
        log.AddLine(QStringLiteral("second"));
        log.AppendColumn(QStringLiteral("OK"), 34, HistoryStyle::Success);
        mirror.WriteExtraLine(QStringLiteral("praxon: exit word: 0x0008"));
        log.AppendColumn(QStringLiteral("late"), 34, HistoryStyle::Success); // must not overwrite the extra line
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("Command-line MCU Specified: ").leftJustified(40) + "16F877A");
        QCOMPARE(lines[1], QStringLiteral("second").leftJustified(34) + "OK");
        QCOMPARE(lines[2], QStringLiteral("praxon: exit word: 0x0008"));
        QCOMPARE(lines[3], QString());
    }

    void MirrorReportsAnUnwritablePath()
    {
        HistoryLog log;
        HistoryMirror mirror(log);
        QString reason;
        QVERIFY(!mirror.Open(QStringLiteral("/nonexistent-dir/x/run.log"), &reason));
        QVERIFY(!reason.isEmpty());
        log.AddLine(QStringLiteral("nothing happens"));
        QVERIFY(!mirror.IsOpen());
        QVERIFY(mirror.Lost());
    }

    // A full disk: the first failed write is reported, once, and the mirror stops writing.
    void MirrorSaysOnceWhenWritesFail()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        HistoryLog log;
        HistoryMirror mirror(log);
        QSignalSpy failed(&mirror, &HistoryMirror::WriteFailed);
        QVERIFY(mirror.Open(QStringLiteral("/dev/full")));
        QVERIFY(!mirror.Lost());
        log.AddLine(QStringLiteral("first"));
        log.AppendColumn(QStringLiteral("OK"), 34, HistoryStyle::Success);
        log.AddLine(QStringLiteral("second"));
        mirror.WriteExtraLine(QStringLiteral("praxon: exit word: 0x0008"));
        QCOMPARE(failed.count(), 1);
        QVERIFY(!failed.first().first().toString().isEmpty());
        QVERIFY(mirror.Lost());
        QVERIFY(!mirror.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestHistoryLog)
#include "TestHistoryLog.moc"
