// Runs the built praxon executable headless on the gpasm-written 16F877A sample and checks what
// its /L log says about the file: what was found, the checksum, and no errors.

#include "TestPaths.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString Executable()
{
    return TestPaths::RuntimeDir() + QStringLiteral("praxon");
}

// The plain checksum of the sample for a 16F877A with the factory options (code, EE, fuses and
// ID locations enabled): every code word under codeMask (blank words 0xFFFF), every EE byte
// (blank 0xFF), the configuration word under FUSEMASK 2FCF, and the four ID nibbles as one number.
quint64 ExpectedChecksum(const QByteArray& hex, quint16 codeMask)
{
    std::vector<quint16> code(8192, 0xFFFF);
    std::vector<quint16> ee(256, 0xFF);
    quint16 config = 0x3FFF;
    std::array<quint16, 4> id{0xF, 0xF, 0xF, 0xF};
    quint32 upper = 0;
    for (const QByteArray& raw : hex.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith(':'))
            continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(1));
        const int count = quint8(bytes[0]);
        const quint32 address = (upper << 16) | (quint8(bytes[1]) << 8) | quint8(bytes[2]);
        if (bytes[3] == 4)
            upper = (quint8(bytes[4]) << 8) | quint8(bytes[5]);
        if (bytes[3] != 0)
            continue;
        for (int i = 0; i + 1 < count; i += 2) {
            const quint32 word = (address + i) / 2;
            const quint16 value = quint16(quint8(bytes[4 + i]) | (quint8(bytes[5 + i]) << 8));
            if (word < 8192)
                code[word] = value;
            else if (word >= 0x2000 && word < 0x2004)
                id[word - 0x2000] = value;
            else if (word == 0x2007)
                config = value;
            else if (word >= 0x2100 && word < 0x2200)
                ee[word - 0x2100] = value & 0xFF;
        }
    }
    quint64 sum = 0;
    for (quint16 w : code)
        sum += w & codeMask;
    for (quint16 b : ee)
        sum += b;
    sum += config & 0x2FCF;
    sum += ((id[0] & 0xF) << 12) | ((id[1] & 0xF) << 8) | ((id[2] & 0xF) << 4) | (id[3] & 0xF);
    return sum & 0x7FFFFFFF;
}
} // namespace

class TestHeadlessHexLoad : public QObject
{
    Q_OBJECT
private slots:
    void LogShowsWhatTheFileHolds()
    {
        if (!QFile::exists(Executable()))
            QSKIP("the praxon executable has not been built");
        QTemporaryDir work;
        const QString hex = work.filePath("BLINK877A.HEX");
        QVERIFY(QFile::copy(TestPaths::Samples() + "BLINK877A.HEX", hex));
        const QString log = work.filePath("Run.log");

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAXON_AUTO_ANSWER", "1");
        env.insert("XDG_CONFIG_HOME", work.filePath("config"));
        env.remove("DISPLAY");
        process.setProcessEnvironment(env);
        process.start(Executable(), {hex, "/D16F877A", "/L" + log});
        QVERIFY(process.waitForFinished(60000));

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        const QString all = lines.join(u'\n');
        auto has = [&](const QString& text, const QString& value) {
            return lines.contains(text.leftJustified(40) + value);
        };
        QVERIFY2(has("  Found ID Record (5x/xx): ", "@: 0x4000"), qPrintable(all));
        QVERIFY(has("  Found ID Record (5x/xx): ", "@: 0x4007"));
        QVERIFY(has("  Found Fuse Record (5x/xx): ", "@: 0x400E"));
        QVERIFY(has("  Found EEDATA (xx) ", "@: 0x4200"));
        QVERIFY(lines.contains("  Loaded FUSE Data (xx) From HEX File   0x3F72"));

        QFile sample(hex);
        QVERIFY(sample.open(QIODevice::ReadOnly));
        const QByteArray content = sample.readAll();
        // The code mask is the template's (3FFF for a 14-bit part) or, without one, FFFF.
        const QStringList accepted{" Checksum Calculated: $" + HexText(ExpectedChecksum(content, 0x3FFF)),
                                   " Checksum Calculated: $" + HexText(ExpectedChecksum(content, 0xFFFF))};
        const QStringList checksums = lines.filter(" Checksum Calculated: $");
        QVERIFY2(!checksums.isEmpty(), qPrintable(all));
        // No value of a half-finished refresh is logged either.
        for (const QString& line : checksums)
            QVERIFY2(accepted.contains(line), qPrintable(line + " not in " + accepted.join(", ")));

        // Lines of the file load only: the programmer reset that follows has no box to find here.
        const qsizetype reset = lines.indexOf(QStringLiteral("Resetting Praxon.."));
        for (const QString& line : reset < 0 ? lines : lines.mid(0, reset)) {
            QVERIFY2(!line.contains("ERROR") && !line.contains("Error") && !line.contains("WARNING: Record checksum"),
                     qPrintable(line));
        }
    }

private:
    static QString HexText(quint64 value) { return QString::number(value, 16).toUpper().rightJustified(8, u'0'); }
};

QTEST_GUILESS_MAIN(TestHeadlessHexLoad)
#include "TestHeadlessHexLoad.moc"
