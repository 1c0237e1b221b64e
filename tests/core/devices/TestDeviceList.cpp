#include "ScriptedOperator.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceSelection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString DevicesMissing =
    QStringLiteral("Error - Device Types Missing. Please Re-install Program or update supporting files.");
const QString DeviceMissing =
    QStringLiteral("Error - Device Type Missing. Please Re-install Program or update supporting files.");
const QString CodeMissing = QStringLiteral(
    "Error - Device Type Missing or not supported. Please Re-install Program or update supporting files.");

QString Unsupported(const QString& name)
{
    return QStringLiteral("Error - Incorrect or Unsupported Device Type: [") + name +
           QStringLiteral("]. Please specify a valid MCU or update supporting files.");
}

// A fresh context on an empty application directory.
struct Bench {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path()};

    void WriteTable(const QString& text)
    {
        QFile file(ctx.AppFile(QStringLiteral("PXMCU.TBL")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toLatin1());
    }
};
} // namespace

class TestDeviceList : public QObject
{
    Q_OBJECT
private slots:
    void BuildSortsByWholeLineIgnoringCase()
    {
        Bench b;
        // A key-only sort would put 16F87 before 16F870; a case-sensitive one would put 16c57 last.
        b.WriteTable(QStringLiteral("[PXDEVICES]\r\n18F252=252\r\n16F87=87\r\n16c57 *=C57\r\n16F870=870\r\n"
                                    "12F675 ~=675\r\n16F84A=84A\r\n"));
        b.ctx.Flags().AutoRunPending = true;
        BuildDeviceList(b.ctx);
        QCOMPARE(b.ctx.Devices().Lines(),
                 (QStringList{"12F675 ~=675", "16c57 *=C57", "16F84A=84A", "16F870=870", "16F87=87", "18F252=252"}));
        QVERIFY(b.op.boxes.isEmpty());
        QVERIFY(b.ctx.Flags().AutoRunPending);
    }

    void BuildReadsDeviceNotes()
    {
        Bench b;
        // Key 2 is missing (reads as "X"), key 4 is beyond count.
        b.WriteTable(QString::fromLatin1("[DEVNOTES]\r\ncount=4\r\n0=* Beta support\r\n1=X\r\n3=\xB0 Needs adapter\r\n"
                                         "4=ignored\r\n[PXDEVICES]\r\n16F877=877\r\n"));
        BuildDeviceList(b.ctx);
        QCOMPARE(b.ctx.Devices().Notes(),
                 (QStringList{QStringLiteral(" * Beta support"), QString::fromLatin1(" \xB0 Needs adapter")}));
        // A second build starts from an empty note list.
        b.WriteTable(QStringLiteral("[PXDEVICES]\r\n16F877=877\r\n"));
        BuildDeviceList(b.ctx);
        QVERIFY(b.ctx.Devices().Notes().isEmpty());
    }

    void BuildFallsBackWhenListIsEmpty_data()
    {
        QTest::addColumn<QString>("table"); // empty: no table file at all
        QTest::newRow("no table") << QString();
        QTest::newRow("no section") << QStringLiteral("[PRAXON]\r\nVERSION=1\r\n");
        QTest::newRow("empty section") << QStringLiteral("[PXDEVICES]\r\n; nothing yet\r\n\r\n[DEVNOTES]\r\n");
    }
    void BuildFallsBackWhenListIsEmpty()
    {
        QFETCH(QString, table);
        Bench b;
        if (!table.isEmpty())
            b.WriteTable(table);
        b.ctx.Flags().AutoRunPending = true;
        BuildDeviceList(b.ctx);
        QCOMPARE(b.ctx.Devices().Lines(), QStringList{QStringLiteral("16F877=877")});
        QCOMPARE(b.op.boxes.size(), 1);
        QCOMPARE(b.op.boxes[0].caption, QStringLiteral("Table File Error"));
        QCOMPARE(b.op.boxes[0].text, DevicesMissing);
        QCOMPARE(b.op.boxes[0].icon, BoxIcon::Error);
        QCOMPARE(b.op.sounds, QList<SoundKind>{SoundKind::Error});
        QVERIFY(!b.ctx.Flags().AutoRunPending);
    }

    void SelectByName_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("startIndex");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("selectedLine"); // empty: no selection
        QTest::addColumn<QString>("mcuName");
        QTest::addColumn<QString>("message"); // empty: no box

        const QStringList single{"16F877=877"};
        const QStringList several{"16F877=877", "16F873=873", "16F870=870", "18F252=252"};
        QTest::newRow("code text selects") << single << 0 << false << "877" << true << "16F877=877"
                                           << "877"
                                           << "";
        QTest::newRow("prefix takes first sorted") << several << 3 << false << "16F87" << true << "16F870=870"
                                                   << "16F87"
                                                   << "";
        QTest::newRow("case ignored") << several << 0 << false << "18f252" << true << "18F252=252"
                                      << "18f252"
                                      << "";
        QTest::newRow("miss selects first") << several << 2 << false << "PIC99" << false << "16F870=870"
                                            << "OLD" << Unsupported("PIC99");
        QTest::newRow("miss during start-up still reported") << several << 2 << true << "PIC99" << false << "16F870=870"
                                                             << "OLD" << Unsupported("PIC99");
        QTest::newRow("empty name is a miss") << several << 1 << false << "" << false << "16F870=870"
                                              << "OLD" << Unsupported("");
        QTest::newRow("miss without selection") << several << -1 << false << "PIC99" << false << ""
                                                << "OLD" << DeviceMissing;
        QTest::newRow("miss without selection during start-up") << several << -1 << true << "PIC99" << false << ""
                                                                << "OLD"
                                                                << "";
    }
    void SelectByName()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, startIndex);
        QFETCH(bool, armed);
        QFETCH(QString, name);
        QFETCH(bool, found);
        QFETCH(QString, selectedLine);
        QFETCH(QString, mcuName);
        QFETCH(QString, message);

        Bench b;
        b.ctx.Devices().SetLines(lines);
        b.ctx.Devices().SetSelectedIndex(startIndex);
        b.ctx.Flags().AutoRunArmed = armed;
        b.ctx.Flags().AutoRunPending = true;
        b.ctx.File().mcuName = QStringLiteral("OLD");

        QCOMPARE(SelectDeviceByName(b.ctx, name), found);
        QCOMPARE(b.ctx.Devices().SelectedLine(), selectedLine);
        if (selectedLine.isEmpty())
            QCOMPARE(b.ctx.Devices().SelectedIndex(), -1);
        QCOMPARE(b.ctx.File().mcuName, mcuName);
        QCOMPARE(b.ctx.Flags().AutoRunPending, found);
        QCOMPARE(b.op.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(b.op.boxes[0].caption, QStringLiteral("Table File Error"));
            QCOMPARE(b.op.sounds, QList<SoundKind>{SoundKind::Error});
        }
    }

    void SelectByCode_data()
    {
        QTest::addColumn<int>("startIndex");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<bool>("mcuFromCommandLine");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("selectedLine");
        QTest::addColumn<QString>("mcuName");
        QTest::addColumn<bool>("reported"); // message shown and AutoRunPending cleared

        QTest::newRow("found") << 0 << true << false << 0x877 << true << "16F877=877"
                               << "16F877" << false;
        QTest::newRow("key keeps its marker") << 0 << true << false << 0xC57 << true << "16C57 *=C57"
                                              << "16C57 *" << false;
        QTest::newRow("lower-case code text") << 0 << true << false << 0x84A << true << "16F84A=84a"
                                              << "16F84A" << false;
        QTest::newRow("command-line name kept") << 0 << false << true << 0x877 << true << "16F877=877"
                                                << "OLD" << false;
        QTest::newRow("whole code compared") << 1 << false << false << 0x0252 << false << "16C57 *=C57"
                                             << "OLD" << true;
        QTest::newRow("miss outside start-up") << 2 << false << false << 0x1234 << false << "16F84A=84a"
                                               << "OLD" << true;
        QTest::newRow("miss during start-up") << 2 << true << false << 0x1234 << false << "16F84A=84a"
                                              << "OLD" << false;
        QTest::newRow("miss without selection") << -1 << true << false << 0x1234 << false << "12F675 ~=675"
                                                << "OLD" << false;
    }
    void SelectByCode()
    {
        QFETCH(int, startIndex);
        QFETCH(bool, armed);
        QFETCH(bool, mcuFromCommandLine);
        QFETCH(int, code);
        QFETCH(bool, found);
        QFETCH(QString, selectedLine);
        QFETCH(QString, mcuName);
        QFETCH(bool, reported);

        Bench b;
        // Sorted: 12F675 ~, 16C57 *, 16F84A, 16F877, 18F252 (code 10252 is not 0x252).
        b.ctx.Devices().SetLines({"16F877=877", "16F84A=84a", "18F252=10252", "12F675 ~=675", "16C57 *=C57"});
        b.ctx.Devices().SetSelectedIndex(startIndex);
        b.ctx.Flags().AutoRunArmed = armed;
        b.ctx.Flags().AutoRunPending = true;
        b.ctx.Flags().McuFromCommandLine = mcuFromCommandLine;
        b.ctx.File().mcuName = QStringLiteral("OLD");

        QCOMPARE(SelectDeviceByCode(b.ctx, quint16(code)), found);
        QCOMPARE(b.ctx.Devices().SelectedLine(), selectedLine);
        QCOMPARE(b.ctx.File().mcuName, mcuName);
        QCOMPARE(b.op.Texts(), reported ? QStringList{CodeMissing} : QStringList());
        QCOMPARE(b.ctx.Flags().AutoRunPending, !reported);
        if (reported)
            QCOMPARE(b.op.boxes[0].caption, QStringLiteral("Table File Error"));
    }

    void MarkersAndLineParts()
    {
        for (const char16_t c : {u'*', u'~', char16_t(0xB0), char16_t(0xB2), char16_t(0xB3), char16_t(0xB9)})
            QVERIFY2(IsSupportMarker(QChar(c)), qPrintable(QString::number(c, 16)));
        for (const char16_t c : {u'A', u' ', u'=', char16_t(0xB1), char16_t(0xBA)})
            QVERIFY(!IsSupportMarker(QChar(c)));
        QCOMPARE(DeviceList::KeyOf(QStringLiteral("16C57 *=C57")), QStringLiteral("16C57 *"));
        QCOMPARE(DeviceList::CodeOf(QStringLiteral("16C57 *=C57")), QStringLiteral("C57"));
    }
};

QTEST_GUILESS_MAIN(TestDeviceList)
#include "TestDeviceList.moc"
