// HEX load benchmark: writes a large INHX32 file (2M random program words in 16-byte records,
// about 12 MB of text), loads it with ReadHexFile, and sets the time against objcopy and srec_cat
// converting the same file to binary, measured in the same run. Also times the checksum over the
// 2M words. Usage: praxon-bench-hexload [runs]

#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/image/BufferChecksum.h"
#include "core/image/HexFileReader.h"
#include "core/options/OptionIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {
constexpr int Words = 2 * 1024 * 1024;
constexpr int RecordBytes = 16;

// Answers every box with its default and says what it was.
class SilentOperator : public OperatorInterface
{
public:
    BoxButton ShowMessage(const MessageRequest& request) override
    {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(request.caption), qPrintable(request.text));
        return request.defaultButton;
    }
    void PlaySound(SoundKind) override {}
    QString ChooseOpenFile(const FileRequest&) override { return {}; }
    QString ChooseSaveFile(const FileRequest&) override { return {}; }
    bool AskText(const QString&, const QString&, QString&) override { return false; }
};

void AppendRecord(QByteArray& out, quint16 address, quint8 type, const quint8* data, int count)
{
    static const char digits[] = "0123456789ABCDEF";
    quint32 sum = quint32(count) + (address >> 8) + (address & 0xFF) + type;
    auto hex = [&](quint8 b) {
        out += digits[b >> 4];
        out += digits[b & 15];
    };
    out += ':';
    hex(quint8(count));
    hex(quint8(address >> 8));
    hex(quint8(address));
    hex(type);
    for (int i = 0; i < count; ++i) {
        hex(data[i]);
        sum += data[i];
    }
    hex(quint8(0x100 - (sum & 0xFF)));
    out += "\r\n";
}

QByteArray MakeHexText(const std::vector<quint16>& words)
{
    QByteArray out;
    out.reserve(12 * 1024 * 1024);
    quint8 record[RecordBytes];
    quint32 upper = 0xFFFFFFFF;
    for (quint32 byte = 0; byte < quint32(words.size()) * 2; byte += RecordBytes) {
        if ((byte >> 16) != upper) {
            upper = byte >> 16;
            const quint8 value[2] = {quint8(upper >> 8), quint8(upper)};
            AppendRecord(out, 0, 0x04, value, 2);
        }
        for (int i = 0; i < RecordBytes; i += 2) {
            const quint16 w = words[(byte + i) / 2];
            record[i] = quint8(w);
            record[i + 1] = quint8(w >> 8);
        }
        AppendRecord(out, quint16(byte & 0xFFFF), 0x00, record, RecordBytes);
    }
    out += ":00000001FF\r\n";
    return out;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall time of one run of an external program in milliseconds, or -1 when it cannot run.
double TimeTool(const QString& program, const QStringList& args)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary directory");

    // A device whose program memory covers the whole code buffer.
    WriteFile(dir.filePath("PXMCU.TBL"), "[PRAXON]\r\nVERSION=280\r\nSOFTWARE=Version 2.8.0\r\n"
                                         "[PXDEVICES]\r\nBENCH18=FFF0\r\n"
                                         "[BENCH18]\r\nROM=2097152\r\nEE=1024\r\nCORE=18X\r\nIDLOC=1048576\r\n"
                                         "CFGLOC=3145728\r\nCFGWORDS=7\r\n");
    std::mt19937 random(2027);
    std::vector<quint16> words(Words);
    for (quint16& w : words)
        w = quint16(random());
    const QString hexPath = dir.filePath("large.hex");
    const QByteArray text = MakeHexText(words);
    WriteFile(hexPath, text);

    SilentOperator op;
    AppContext ctx(op, dir.path());
    ctx.Devices().Build(ctx);
    ctx.File().mcuName = QStringLiteral("BENCH18");

    std::vector<double> load;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        ReadHexFile(ctx, hexPath);
        load.push_back(timer.nsecsElapsed() / 1e6);
    }
    // The benchmark only counts if the load was right: every word below the code limit is stored.
    const auto code = ctx.Image().CodeBuffer();
    if (!std::equal(words.begin(), words.begin() + 0x100000, code.begin()) || ctx.Flags().NoValidFile)
        qFatal("the benchmark file was not loaded correctly");

    ctx.Options().SetValue(OptionIndex::ProgramCode, true);
    std::vector<double> checksum;
    for (int i = 0; i < runs; ++i) {
        ctx.Image().SetLastChecksum(0);
        QElapsedTimer timer;
        timer.start();
        ComputeChecksum(ctx);
        checksum.push_back(timer.nsecsElapsed() / 1e6);
    }

    auto toolMedian = [&](const char* name, const QStringList& args) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            return -1.0;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const double t = TimeTool(QString::fromLatin1(name), args);
            if (t < 0)
                return -1.0;
            times.push_back(t);
        }
        return Median(times);
    };
    const QString bin = dir.filePath("large.bin");
    const double objcopy = toolMedian("objcopy", {"-I", "ihex", "-O", "binary", hexPath, bin});
    const double srecCat = toolMedian("srec_cat", {hexPath, "-Intel", "-o", bin, "-Binary"});

    const double ours = Median(load);
    std::printf("HEX load benchmark: %d runs, medians\n", runs);
    std::printf("  file:                %.1f MB, %d words in %d-byte records\n", text.size() / 1e6, Words, RecordBytes);
    std::printf("  ReadHexFile:         %8.1f ms (three passes, history lines included)\n", ours);
    if (objcopy > 0)
        std::printf("  objcopy -> binary:   %8.1f ms   ReadHexFile/objcopy  = %.2f\n", objcopy, ours / objcopy);
    else
        std::printf("  objcopy:             not available\n");
    if (srecCat > 0)
        std::printf("  srec_cat -> binary:  %8.1f ms   ReadHexFile/srec_cat = %.2f\n", srecCat, ours / srecCat);
    else
        std::printf("  srec_cat:            not available\n");
    std::printf("  ComputeChecksum:     %8.2f ms over %d words ($%08llX)\n", Median(checksum), Words,
                static_cast<unsigned long long>(ctx.Image().LastChecksum()));
    if (objcopy > 0)
        std::printf("  target (no slower than objcopy): %s\n", ours <= objcopy ? "met" : "NOT met");
    return 0;
}
