// The history report: its header lines, the text file, and how many pages a printout takes.
#include "core/context/HistoryLog.h"
#include "core/link/ProgrammerIdentity.h"
#include "core/reports/HistoryReport.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

using namespace HistoryReport;

class TestHistoryReport : public QObject
{
    Q_OBJECT
private slots:
    void HeaderAndTextFile()
    {
        ProgrammerIdentity identity;
        identity.SetHardwareVersion(QStringLiteral("3-0"));
        identity.SetFirmwareVersion(0x0118);
        identity.SetSerialNumber(QStringLiteral("1001"));
        const QDateTime now(QDate(2026, 3, 4), QTime(9, 5));
        const QStringList header =
            HeaderLines(now, QStringLiteral("Praxon - /tmp/a.hex"), QStringLiteral("Version 2.8.0"), identity);
        const QLocale locale = QLocale::system();
        QCOMPARE(header, QStringList({QStringLiteral("Kestrix Praxon MCU Programmer History : ") +
                                          locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
                                          locale.toString(now.time(), QLocale::ShortFormat),
                                      QStringLiteral("Praxon - /tmp/a.hex"),
                                      QStringLiteral("[SW: Version 2.8.0] [HWVER: 3-0] [FWVER: 24.1] [SN: 1001]")}));

        HistoryLog history;
        history.Initialise();
        history.AddLine(QStringLiteral("Opening HEX File: /\u041F\u043B\u0430\u0442\u0430.hex"),
                        HistoryStyle::FileInformation);
        history.AddLine(QStringLiteral("Done"));
        QList<int> seen;
        const QStringList lines = TextFileLines(header, history, [&](int i) { seen << i; });
        QCOMPARE(lines.mid(0, 3), header);
        QCOMPARE(lines.value(3), QStringLiteral(" "));
        QCOMPARE(lines.mid(4), history.DisplayText());
        QCOMPARE(seen.size(), history.VisibleCount());
        QCOMPARE(seen.value(0), 0);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.txt"));
        QString error;
        QVERIFY(WriteTextFile(path, lines, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        // A folder that does not exist: reported, nothing written.
        QVERIFY(!WriteTextFile(dir.filePath(QStringLiteral("none/history.txt")), lines, &error));
        QVERIFY(!error.isEmpty());
    }

    // The page total: L = page height div h - 2, p = ceil(n / L), P = ceil((n + 4p + 3) / L).
    void PageTotal_data()
    {
        QTest::addColumn<int>("pageHeight");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("perPage");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("printed"); // by the print loop, three header lines
        QTest::addColumn<int>("footer");
        // 6600 / 60 = 110 lines, L = 108; the loop puts 100 lines on the first page, 103 on the next.
        QTest::newRow("empty history: the header's page") << 6600 << 60 << 0 << 108 << 1 << 1 << 1;
        QTest::newRow("first page full") << 6600 << 60 << 100 << 108 << 1 << 1 << 1;
        QTest::newRow("counted as one page, printed on two") << 6600 << 60 << 101 << 108 << 1 << 2 << 2;
        QTest::newRow("one line more") << 6600 << 60 << 102 << 108 << 2 << 2 << 2;
        QTest::newRow("two pages of history, margins still fit") << 6600 << 60 << 203 << 108 << 2 << 2 << 2;
        QTest::newRow("margins of the second page spill") << 6600 << 60 << 206 << 108 << 3 << 3 << 3;
        QTest::newRow("a full ring") << 6600 << 60 << 1024 << 108 << 10 << 10 << 10;
        // The division truncates: 14031 / 94 = 149.
        QTest::newRow("part line") << 14031 << 94 << 1024 << 147 << 8 << 8 << 8;
        QTest::newRow("tiny page") << 300 << 60 << 3 << 3 << 4 << 3 << 4;
    }
    void PageTotal()
    {
        QFETCH(int, pageHeight);
        QFETCH(int, lineHeight);
        QFETCH(int, lines);
        PageLayout layout;
        layout.pageHeight = pageHeight;
        layout.lineHeight = lineHeight;
        QTEST(layout.LinesPerPage(), "perPage");
        QTEST(layout.PageTotal(lines), "pages");
        QTEST(layout.PagesPrinted(lines, 3), "printed");
        QTEST(layout.FooterTotal(lines, 3), "footer");
        QCOMPARE(PageFooter(2, 7), QStringLiteral("[Page# 2 of 7]"));
    }
};

QTEST_GUILESS_MAIN(TestHistoryReport)
#include "TestHistoryReport.moc"
