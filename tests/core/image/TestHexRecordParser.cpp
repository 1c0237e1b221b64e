// The HEX reader without a context: text in, records, events and errors out; records into an
// image with a given layout.

#include "core/image/HexImageStore.h"
#include "core/image/HexRecordParser.h"
#include "core/model/MemoryImage.h"

#include <QtTest>

namespace {
// One record with its checksum computed.
QByteArray Rec(int count, quint16 address, int type, const QList<int>& bytes)
{
    QByteArray line = ":" + QByteArray::number(count, 16).rightJustified(2, '0') +
                      QByteArray::number(address, 16).rightJustified(4, '0') +
                      QByteArray::number(type, 16).rightJustified(2, '0');
    int sum = count + (address >> 8) + (address & 0xFF) + type;
    for (int b : bytes) {
        line += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    return line.toUpper() + QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0').toUpper();
}

// Everything the parse found, in one line.
QString Describe(const HexFileContent& c)
{
    QStringList parts;
    for (const HexDataRecord& r : c.records) {
        QString bytes;
        for (quint8 b : c.Data(r))
            bytes += QString::asprintf("%02X", b);
        parts << QString::asprintf("%llX:", static_cast<unsigned long long>(r.address)) + bytes;
    }
    for (const QByteArray& name : c.deviceNames)
        parts << "name " + QString::fromLatin1(name);
    for (const HexParseEvent& e : c.events) {
        if (e.kind == HexParseEvent::Kind::IgnoredLine)
            parts << QString::asprintf("ignored %lld", static_cast<long long>(e.line));
        else if (e.kind == HexParseEvent::Kind::Inhx32)
            parts << QString::asprintf("inhx32 %lld", static_cast<long long>(e.line));
        else
            parts << QString::asprintf("device %04X%s", e.code, e.complete ? "" : " part");
    }
    if (c.ignoredLines > HexFileContent::IgnoredLinesNamed)
        parts << QString::asprintf("ignored total %lld", static_cast<long long>(c.ignoredLines));
    if (c.error)
        parts << "error " + c.error->message + (c.error->detail.isEmpty() ? QString() : " / " + c.error->detail);
    return parts.join(" | ");
}
} // namespace

class TestHexRecordParser : public QObject
{
    Q_OBJECT
private slots:
    void Parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        const QByteArray four = Rec(4, 0x10, 0, {1, 2, 3, 4});
        QTest::newRow("data") << four + "\r\n:00000001FF\r\n"
                              << "10:01020304";
        QTest::newRow("lower case, trailing text, lone CR")
            << four.toLower() + " ; note\r" + Rec(1, 0x20, 0, {0xAB}) << "10:01020304 | 20:AB";
        QTest::newRow("extended and segment bases") << Rec(2, 0, 4, {0, 1}) + "\n" + Rec(2, 0xFFFF, 0, {5, 6}) + "\n" +
                                                           Rec(2, 0, 2, {0x10, 0}) + "\n" + Rec(1, 2, 0, {7})
                                                    << "1FFFF:0506 | 10002:07 | inhx32 1";
        QTest::newRow("device word, whole and cut")
            << Rec(2, 0xFFFE, 0, {0x34, 0x12}) + "\n" + Rec(1, 0xFFFE, 0, {0x99}) + "\n" + Rec(0, 0xFFFE, 0, {})
            << "FFFE:3412 | FFFE:99 | device 1234 | device 0000 part";
        QTest::newRow("other types skipped unread")
            << QByteArray(":0000000Z00\n:02000003XXXX\n") + four << "10:01020304";
        QTest::newRow("mark, blanks, comments, names, other lines")
            << "\xEF\xBB\xBF" + four + "\n\t " + four + "\n;PIC16F877A\n\n; c\nnot hex\n;PIC"
            << "10:01020304 | 10:01020304 | name 16F877A | name  | ignored 6";
        QByteArray many;
        for (int i = 0; i < 22; ++i)
            many += "x\n";
        QTest::newRow("ignored lines named up to 20")
            << many
            << "ignored 1 | ignored 2 | ignored 3 | ignored 4 | ignored 5 | ignored 6 | ignored 7 | ignored 8 | "
               "ignored 9 | ignored 10 | ignored 11 | ignored 12 | ignored 13 | ignored 14 | ignored 15 | "
               "ignored 16 | ignored 17 | ignored 18 | ignored 19 | ignored 20 | ignored total 22";
        QTest::newRow("wrong checksum") << four + "\n" + four.chopped(2) + "00\n" + four
                                        << "10:01020304 | error Error in HEX file. / Line 2: record "
                                           "checksum 00, calculated E2";
        QTest::newRow("names after an error still count") << ":0400100001\njunk\n" + four + "\n;PIC18F252"
                                                          << "name 18F252 | error Error in HEX file.";
        QTest::newRow("short line") << QByteArray(":04001000") << "error Error in HEX file.";
        QTest::newRow("bad count") << QByteArray(":G4001000010203040000") << "error Error in HEX file.";
        QTest::newRow("bad data digit") << QByteArray(":040010000102G304E2") << "error Error in HEX file.";
        QTest::newRow("line break inside the data")
            << QByteArray(":04001000010\n20304E2") << "error Error in HEX file.";
        QTest::newRow("bad address") << QByteArray(":04001G00010203040000") << "error Bad Address in HEX file.";
        QTest::newRow("bad segment") << QByteArray(":0200G0021000EC") << "error Bad Segment Address in HEX file.";
        QTest::newRow("extended too short") << Rec(1, 0, 4, {1}) << "error Bad Extended Address in HEX file.";
        QTest::newRow("extended cut") << QByteArray(":02000004000") << "error Bad Extended Address in HEX file.";
    }
    void Parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(Describe(ParseHexRecords(text)), expected);
    }

    // Straight 18X stores and byte-by-byte stores give the same words, from odd and even starts.
    void StoresWordsFromEitherStart_data()
    {
        QTest::addColumn<bool>("is18");
        QTest::newRow("classified per byte") << false;
        QTest::newRow("18X already") << true;
    }
    void StoresWordsFromEitherStart()
    {
        QFETCH(bool, is18);
        MemoryImage image;
        image.ClearImage();
        image.LoadStatus().Reset();
        image.LoadStatus().Is18X = is18;
        HexImageLayout layout;
        layout.programEnd = 0x1000;
        layout.idFirst = layout.configFirst = 0x1000;
        layout.idLast = layout.configLast = 0x1001;
        const HexFileContent content =
            ParseHexRecords(Rec(3, 0x101, 0, {0xA1, 0xB2, 0xC3}) + "\n" + Rec(3, 0x110, 0, {0x01, 0x02, 0x03}));
        const HexStoreResult result = StoreHexContent(content, layout, image);
        QVERIFY(result.error.isEmpty());
        QVERIFY(result.diagnostics.empty());
        const auto code = image.CodeBuffer();
        QCOMPARE((QList<quint16>{code[0x80], code[0x81], code[0x88], code[0x89]}),
                 (QList<quint16>{0xA1FF, 0xC3B2, 0x0201, 0xFF03}));
    }

    // Bytes written twice are counted once each, across the 64-address blocks of the marks, with
    // the first differing address; bytes past program memory are counted (the buffer still keeps
    // them), and data above the code buffer outside the PIC18 windows is not looked at.
    void ReportsTwiceAndBeyond()
    {
        MemoryImage image;
        image.ClearImage();
        image.LoadStatus().Reset();
        HexImageLayout layout;
        layout.programEnd = 0x40; // words: bytes from 0x80 are beyond
        layout.idFirst = layout.configFirst = 0x1000;
        layout.idLast = layout.configLast = 0x1001;
        QList<int> elevens(16, 0x11);
        QList<int> second(8, 0x11);
        second[2] = second[5] = 0x22;
        const HexFileContent content = ParseHexRecords(Rec(16, 0x38, 0, elevens) + "\n" + Rec(8, 0x40, 0, second) +
                                                       "\n" + Rec(4, 0x7E, 0, {1, 2, 3, 4}) + "\n" +
                                                       Rec(2, 0, 4, {0, 0x25}) + "\n" + Rec(2, 0, 0, {9, 9}));
        const HexStoreResult result = StoreHexContent(content, layout, image);
        QVERIFY(result.error.isEmpty());
        QStringList lines;
        for (const HexDiagnostic& d : result.diagnostics)
            lines << d.text.trimmed() + " " + d.value;
        QCOMPARE(lines, (QStringList{"WARNING: Data beyond program memory ignored: @: 0x0080, 2 bytes",
                                     "WARNING: Address written twice, later kept: @: 0x0042, 2 bytes"}));
        const auto code = image.CodeBuffer();
        QCOMPARE(code[0x21], quint16(0x1122));
        QCOMPARE(code[0x22], quint16(0x2211));
        QCOMPARE(code[0x3F], quint16(0x0201));
        QCOMPARE(code[0x40], quint16(0x0403));
    }
};

QTEST_GUILESS_MAIN(TestHexRecordParser)
#include "TestHexRecordParser.moc"
