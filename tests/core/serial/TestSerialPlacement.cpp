// Where and how a serial number lands in target memory: the length rules, the next automatic
// number, the encodings per core family and the four data blocks with their parameter bytes and
// marker address.
#include "core/link/BoxProtocol.h"
#include "core/serial/SerialDataBlocks.h"
#include "core/serial/SerialNumberRules.h"

#include <QTest>
#include <vector>

using namespace SerialNumberRules;

namespace {

// An operation record of a serial-number slot; marked: the script ends with the address marker.
OperationRecord Operation(bool marked, quint8 flags = 0)
{
    OperationRecord op;
    const std::vector<quint8> script =
        marked ? std::vector<quint8>{0x18, 0x0D, 0x93, 0, 0, 0} : std::vector<quint8>{0x14, 0x02, 0x08, 0x06};
    std::copy(script.begin(), script.end(), op.script.begin());
    op.scriptLength = int(script.size());
    op.parameterBlock[OperationRecord::Flags] = flags;
    return op;
}

quint32 MarkerAddress(const OperationRecord& op)
{
    return quint32(op.script[3]) << 16 | quint32(op.script[4]) << 8 | op.script[5];
}

// Code whose every word is its own address.
std::vector<quint16> Code(int words)
{
    std::vector<quint16> code(static_cast<size_t>(words));
    for (int i = 0; i < words; ++i)
        code[size_t(i)] = quint16(i);
    return code;
}

} // namespace

class TestSerialPlacement : public QObject
{
    Q_OBJECT
private slots:
    void LengthRules_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("mask");
        QTest::addColumn<int>("decimal");
        QTest::newRow("1") << 1 << qint64(0xFF) << 3;
        QTest::newRow("2") << 2 << qint64(0xFFFF) << 5;
        QTest::newRow("3") << 3 << qint64(0xFFFFFF) << 8;
        QTest::newRow("5") << 5 << qint64(0xFFFFFFFFFF) << 13;
        QTest::newRow("7") << 7 << qint64(0xFFFFFFFFFFFFFF) << 17;
        QTest::newRow("8 is 63 bits") << 8 << qint64(0x7FFFFFFFFFFFFFFF) << 19;
        QTest::newRow("0 as 1") << 0 << qint64(0xFF) << 3;
        QTest::newRow("9 as 1") << 9 << qint64(0xFF) << 3;
    }
    void LengthRules()
    {
        QFETCH(int, length);
        QFETCH(qint64, mask);
        QFETCH(int, decimal);
        QCOMPARE(LengthMask(length), mask);
        QCOMPARE(DecimalDigits(length), decimal);
        QCOMPARE(LengthUsable(length), length >= 1 && length <= 8);
    }

    void NextAutomaticNumber_data()
    {
        QTest::addColumn<qint64>("last");
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("next"); // -1: none is issued
        QTest::newRow("counts on") << qint64(0x12FE) << 2 << qint64(0x12FF);
        QTest::newRow("from 0") << qint64(0) << 1 << qint64(1);
        // The text clamps 0x10000 back to 0xFFFF and would repeat it.
        QTest::newRow("length full") << qint64(0xFFFF) << 2 << qint64(-1);
        QTest::newRow("63-bit limit") << qint64(0x7FFFFFFFFFFFFFFF) << 8 << qint64(-1);
        QTest::newRow("negative counter") << qint64(-5) << 8 << qint64(-1);
        QTest::newRow("largest of 8") << qint64(0x7FFFFFFFFFFFFFFE) << 8 << qint64(0x7FFFFFFFFFFFFFFF);
    }
    void NextAutomaticNumber()
    {
        QFETCH(qint64, last);
        QFETCH(int, length);
        QFETCH(qint64, next);
        QString why;
        const std::optional<qint64> n = SerialNumberRules::NextAutomaticNumber(last, length, &why);
        QCOMPARE(n.value_or(-1), next);
        QCOMPARE(why.contains(QStringLiteral("No serial number was issued")), next < 0);
    }

    void PlainBlockPerFamily_data()
    {
        QTest::addColumn<int>("core");
        QTest::addColumn<bool>("code");
        QTest::addColumn<bool>("retlw");
        QTest::addColumn<QList<int>>("words");
        QTest::newRow("XX RETLW") << int(CoreFamily::CoreXX) << true << true << QList<int>{0x3456, 0x3434, 0x3412};
        QTest::newRow("5X RETLW") << int(CoreFamily::Core5X) << true << true << QList<int>{0x856, 0x834, 0x812};
        QTest::newRow("18X RETLW") << int(CoreFamily::Core18X) << true << true << QList<int>{0xC56, 0xC34, 0xC12};
        QTest::newRow("code plain") << int(CoreFamily::CoreXX) << true << false << QList<int>{0x56, 0x34, 0x12};
        // RETLW never applies to EE data.
        QTest::newRow("EE") << int(CoreFamily::CoreXX) << false << true << QList<int>{0x56, 0x34, 0x12};
    }
    void PlainBlockPerFamily()
    {
        QFETCH(int, core);
        QFETCH(bool, code);
        QFETCH(bool, retlw);
        QFETCH(QList<int>, words);
        OperationRecord op = Operation(false);
        SerialNumberBlock block;
        const std::vector<quint16> image = Code(0x400);
        SerialDataBlocks::Placement p;
        p.core = CoreFamily(core);
        p.codeSpace = code;
        p.retlw = retlw;
        p.start = 0x3FD;
        p.length = 3;
        SerialDataBlocks b(p, op, block, image);
        b.PrepareOperation();
        QVERIFY(b.BuildPlain(SerialDataBlocks::NumberBytes(0x123456, 3)));
        QCOMPARE(QList<int>(block.number.begin(), block.number.begin() + 3), words);
        QCOMPARE(op.LocationField(), quint32(0x3FD));
        QCOMPARE(int(op.parameterBlock[OperationRecord::CountOrIndex]), 3);
        QVERIFY(op.parameterBlock[OperationRecord::Flags] & OperationRecord::FlagWriteEveryWord);
    }

    void SqtpTextBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("bytes"); // location 0 first
        QTest::newRow("as long") << "00012F" << 3 << QByteArray("\x2F\x01\x00", 3);
        QTest::newRow("shorter text") << "12" << 3 << QByteArray("\x12\x00\x00", 3);
        // A text longer than the length keeps its most significant bytes.
        QTest::newRow("longer text") << "ABCDEF" << 2 << QByteArray("\xCD\xAB", 2);
    }
    void SqtpTextBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QByteArray, bytes);
        QCOMPARE(SerialDataBlocks::TextBytes(text, length), bytes);
    }

    void WriteBlocks_data()
    {
        QTest::addColumn<int>("core");
        QTest::addColumn<int>("paw");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("aligned");
        QTest::addColumn<int>("count");
        QTest::newRow("XX PAW 4") << int(CoreFamily::CoreXX) << 4 << qint64(0x1FE) << 2 << qint64(0x1FC) << 16;
        QTest::newRow("XX PAW 8") << int(CoreFamily::CoreXX) << 8 << qint64(0x3FD) << 3 << qint64(0x3F8) << 16;
        QTest::newRow("18X PAW 4") << int(CoreFamily::Core18X) << 4 << qint64(0x203) << 4 << qint64(0x200) << 16;
        QTest::newRow("18X PAW 16") << int(CoreFamily::Core18X) << 16 << qint64(0x41) << 8 << qint64(0x40) << 32;
    }
    void WriteBlocks()
    {
        QFETCH(int, core);
        QFETCH(int, paw);
        QFETCH(qint64, start);
        QFETCH(int, length);
        QFETCH(qint64, aligned);
        QFETCH(int, count);
        const bool is18 = CoreFamily(core) == CoreFamily::Core18X;
        OperationRecord op = Operation(is18);
        SerialNumberBlock block;
        const std::vector<quint16> image = Code(0x800);
        SerialDataBlocks::Placement p;
        p.core = CoreFamily(core);
        p.start = start;
        p.length = length;
        p.paw = paw;
        SerialDataBlocks b(p, op, block, image);
        b.PrepareOperation();
        QCOMPARE(op.LocationField(), quint32(aligned));
        QVERIFY2(b.BuildWriteBlock(SerialDataBlocks::NumberBytes(0x0102030405060708, length)), qPrintable(b.Error()));
        QCOMPARE(block.wordCount, count);
        QCOMPARE(int(op.parameterBlock[OperationRecord::CountOrIndex]), count);
        const int offset = int(start - aligned);
        for (int i = 0; i < count; ++i) {
            const bool number = i >= offset && i < offset + length;
            QCOMPARE(block.number[size_t(i)], number ? quint16(8 - (i - offset)) : quint16(aligned + i));
        }
        if (is18) {
            QCOMPARE(MarkerAddress(op), quint32(2 * aligned));
            QCOMPARE(op.LocationField(), quint32(length - 1));
        }
    }

    void RefusedBlocks_data()
    {
        QTest::addColumn<int>("paw");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QString>("error");
        // PAW 2 gives an 8-word block: a number of 8 from its second word would overrun it.
        QTest::newRow("number past the block") << 2 << qint64(0x101) << 8 << true << "does not fit the write block";
        QTest::newRow("block past the buffer") << 65 << qint64(0x100) << 2 << true << "does not fit the write block";
        QTest::newRow("block past code") << 4 << qint64(0x7FE) << 2 << true << "outside code memory";
        QTest::newRow("no marker on 18X") << 4 << qint64(0x100) << 2 << false << "no address marker";
    }
    void RefusedBlocks()
    {
        QFETCH(int, paw);
        QFETCH(qint64, start);
        QFETCH(int, length);
        QFETCH(bool, marked);
        QFETCH(QString, error);
        OperationRecord op = Operation(marked);
        SerialNumberBlock block;
        block.number.fill(0xAAAA);
        const std::vector<quint16> image = Code(0x800);
        SerialDataBlocks::Placement p;
        p.core = CoreFamily::Core18X;
        p.start = start;
        p.length = length;
        p.paw = paw;
        SerialDataBlocks b(p, op, block, image);
        QVERIFY(!b.BuildWriteBlock(SerialDataBlocks::NumberBytes(1, length)));
        QVERIFY2(b.Error().contains(error), qPrintable(b.Error()));
    }

    void AlternativeTransfer()
    {
        OperationRecord op = Operation(true, BoxProtocol::FlagByteTransfer);
        SerialNumberBlock block;
        const std::vector<quint16> image = Code(16);
        SerialDataBlocks::Placement p;
        p.core = CoreFamily::Core18X;
        p.codeSpace = false;
        p.start = 0x7E;
        p.length = 2;
        p.panelCount = 4;
        SerialDataBlocks b(p, op, block, image);
        b.PrepareOperation();
        QVERIFY(b.BuildAlternative(SerialDataBlocks::NumberBytes(0xBEEF, 2)));
        QCOMPARE(MarkerAddress(op), quint32(0x7E));
        QCOMPARE(op.LocationField(), quint32(1));
        QCOMPARE(int(op.parameterBlock[OperationRecord::CountOrIndex]), 2);
        QCOMPARE(block.wordCount, 16);
        QCOMPARE(block.number[0], quint16(0xEF));
        QCOMPARE(block.eeOffset, qint64(0x7E));
    }

    void PanelPasses()
    {
        // Four panels of 8 KB, four words per write: a number of 4 from word 2 takes two passes,
        // the first placing words 2 and 3, the second words 4 and 5.
        OperationRecord op = Operation(true, BoxProtocol::FlagPanelWrite);
        SerialNumberBlock block;
        const std::vector<quint16> image = Code(0x4000);
        SerialDataBlocks::Placement p;
        p.core = CoreFamily::Core18X;
        p.retlw = true;
        p.start = 2;
        p.length = 4;
        p.paw = 4;
        p.panel = 8192;
        p.panelCount = 4;
        SerialDataBlocks b(p, op, block, image);
        b.PrepareOperation();
        QCOMPARE(op.LocationField(), quint32(0)); // a panel write keeps its block untouched
        int placed = 0;
        int pass = 1;
        const QByteArray bytes = SerialDataBlocks::NumberBytes(0x44332211, 4);
        QVERIFY(b.BuildPanelPass(bytes, placed, pass));
        QCOMPARE(placed, 2);
        QCOMPARE(MarkerAddress(op), quint32(0));
        QCOMPARE(block.wordCount, 16);
        QCOMPARE(op.LocationField(), quint32(15));
        QCOMPARE(QList<quint16>(block.panel.begin(), block.panel.begin() + 5),
                 (QList<quint16>{0, 1, 0xC11, 0xC22, 0x1000}));
        QVERIFY(b.BuildPanelPass(bytes, placed, pass));
        QCOMPARE(placed, 4);
        QCOMPARE(pass, 3);
        QCOMPARE(MarkerAddress(op), quint32(8));
        QCOMPARE(QList<quint16>(block.panel.begin(), block.panel.begin() + 4), (QList<quint16>{0xC33, 0xC44, 6, 7}));
    }
};

QTEST_GUILESS_MAIN(TestSerialPlacement)
#include "TestSerialPlacement.moc"
