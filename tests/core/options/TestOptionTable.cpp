// The option table itself: effective and raw values, the factory and absent defaults, the two
// choices stored as one key (bit4, Codespace).

#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"
#include "core/model/OptionTable.h"

#include <QtTest>

class TestOptionTable : public QObject
{
    Q_OBJECT
private slots:
    void EffectiveIsValueOnlyWhenPresent()
    {
        OptionTable table;
        table.SetValue(OptionIndex::ProgramEe, quint8(1));
        table.SetPresent(OptionIndex::ProgramEe, false);
        QCOMPARE(table.Effective(OptionIndex::ProgramEe), quint8(0));
        QCOMPARE(table.Raw(OptionIndex::ProgramEe), quint8(1));
        table.SetPresent(OptionIndex::ProgramEe, true);
        QCOMPARE(table.Effective(OptionIndex::ProgramEe), quint8(1));
        // A present entry with value 0 is not effective either.
        table.SetValue(OptionIndex::ProgramEe, quint8(0));
        QVERIFY(!table.IsEffective(OptionIndex::ProgramEe));
    }

    void IndicesOutsideTheTableAreRejected()
    {
        OptionTable table;
        table.SetAllPresentAndOn();
        for (int index : {-1, 80, 1000}) {
            table.SetValue(index, quint8(1));
            table.SetPresent(index, true);
            QCOMPARE(table.Effective(index), quint8(0));
            QCOMPARE(table.Raw(index), quint8(0));
            QVERIFY(!table.Present(index));
        }
    }

    // Factory values and the values a loader takes for a missing key differ for BLOCKCP only.
    void FactoryAndAbsentDefaults()
    {
        QCOMPARE(FactoryValue(OptionIndex::WarnProtection), quint8(1));
        QCOMPARE(AbsentValue(OptionIndex::WarnProtection), quint8(0));
        for (const OptionDefinition& definition : OptionDefinitions()) {
            if (definition.index != OptionIndex::WarnProtection)
                QCOMPARE(definition.factory, definition.absent);
        }
        // The reset list: these become 0, everything else (gaps included) 1.
        const QList<int> zero{0, 1, 2, 4, 35, 37, 38, 39, 52, 53, 64, 68, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79};
        OptionTable table;
        table.SetFactoryValues();
        for (int i = 0; i < OptionTable::Count; ++i)
            QVERIFY2(table.Raw(i) == (zero.contains(i) ? 0 : 1), qPrintable(QString::number(i)));
    }

    void FactoryResetKeepsPresentFlags()
    {
        OptionTable table;
        table.SetPresent(OptionIndex::ProgramCal, false);
        table.SetFactoryValues();
        QVERIFY(!table.Present(OptionIndex::ProgramCal));
        QVERIFY(table.Present(OptionIndex::ProgramCode));
    }

    void Bit4RoundTrip_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<bool>("ascii7");
        QTest::addColumn<bool>("hex4");
        QTest::addColumn<bool>("hex7");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("mask");
        QTest::newRow("0 = 7-bit ASCII") << qint64(0) << true << false << false << 0 << 0x7F;
        QTest::newRow("1 = 4-bit hex") << qint64(1) << false << true << false << 1 << 0x0F;
        QTest::newRow("2 = 7-bit hex") << qint64(2) << false << false << true << 2 << 0x7F;
        QTest::newRow("7 = none, written as 1") << qint64(7) << false << false << false << 1 << 0x7F;
        QTest::newRow("-1 = none") << qint64(-1) << false << false << false << 1 << 0x7F;
    }

    void Bit4RoundTrip()
    {
        QFETCH(qint64, stored);
        OptionTable table;
        table.SetAllPresentAndOn();
        table.SetBit4(stored);
        QTEST(table.IsSet(OptionIndex::IdAscii7), "ascii7");
        QTEST(table.IsSet(OptionIndex::IdHex4), "hex4");
        QTEST(table.IsSet(OptionIndex::IdHex7), "hex7");
        QTEST(table.Bit4Code(), "written");
        QTEST(int(table.IdNibbleMask()), "mask");
    }

    // With several set (a hand-made state), 4-bit hex wins, then 7-bit ASCII.
    void Bit4WritePriority()
    {
        OptionTable table;
        table.SetValue(OptionIndex::IdAscii7, true);
        table.SetValue(OptionIndex::IdHex7, true);
        QCOMPARE(table.Bit4Code(), 0);
        table.SetValue(OptionIndex::IdHex4, true);
        QCOMPARE(table.Bit4Code(), 1);
    }

    void SerialPlacementIsOneChoice()
    {
        OptionTable table;
        table.SetSerialInCode(false);
        QVERIFY(table.IsSet(OptionIndex::SerialInEe));
        QVERIFY(!table.IsSet(OptionIndex::SerialInCode));
        table.SetSerialInCode(true);
        QVERIFY(!table.IsSet(OptionIndex::SerialInEe));
        QVERIFY(table.IsSet(OptionIndex::SerialInCode));
    }
};

QTEST_GUILESS_MAIN(TestOptionTable)
#include "TestOptionTable.moc"
