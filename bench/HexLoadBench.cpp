// HEX load benchmark: writes a large INHX32 file (2M random program words in 16-byte records,
// about 12 MB of text) and times the program's read of it (the image cleared, the text parsed and
// stored, as opening a file does, without the history and the window) beside a minimal one-pass
// parse of the same text into a flat array, objcopy and srec_cat converting the file to binary.
// The four are timed in turn within each repetition, so drift of the machine reaches them alike.
// Also times the checksum over the 2M words.

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/image/HexImageStore.h"
#include "core/image/HexRecordParser.h"
#include "core/model/DeviceProfile.h"
#include "core/model/OptionIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {
constexpr int Words = 2 * 1024 * 1024;
constexpr int RecordBytes = 16;
// The program's read may take at most this many times the minimal parse.
constexpr double MinimalRatioTarget = 2.0;

const char* const Usage = "Usage: praxon-bench-hexload [RUNS]\n"
                          "Times the program's HEX read of a 12 MB file against a minimal one-pass parse,\n"
                          "objcopy and srec_cat, RUNS times each (default 5), interleaved. Exits 1 when\n"
                          "the read takes more than 2 times the minimal parse or loads the file wrongly.\n";

// Nothing in the benchmark should ask the operator anything: a box is counted and reported.
class CountingOperator : public OperatorInterface
{
public:
    int boxes = 0;
    BoxButton ShowMessage(const MessageRequest& request) override
    {
        ++boxes;
        return request.defaultButton;
    }
    void PlaySound(SoundKind) override {}
    QString ChooseOpenFile(const FileRequest&) override { return {}; }
    QString ChooseSaveFile(const FileRequest&) override { return {}; }
    bool AskText(const QString&, const QString&, QString&) override { return false; }
    bool ShowNotice(const NoticeRequest& request) override
    {
        ++boxes;
        return request.ticked;
    }
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

// The least a reader must do: one pass over the lines, every digit decoded and every checksum
// compared, data bytes written into a flat array at their address (blanked first). Returns false
// on a malformed record or a wrong checksum.
bool MinimalParse(const QByteArray& text, std::vector<quint8>& flat)
{
    static const std::array<qint8, 256> digit = [] {
        std::array<qint8, 256> table{};
        table.fill(-1);
        for (int i = 0; i < 10; ++i)
            table[size_t('0' + i)] = qint8(i);
        for (int i = 0; i < 6; ++i)
            table[size_t('A' + i)] = table[size_t('a' + i)] = qint8(10 + i);
        return table;
    }();
    std::fill(flat.begin(), flat.end(), quint8(0xFF));
    const char* p = text.constData();
    const char* const end = p + text.size();
    quint64 upper = 0;
    auto pair = [&](const char* at) {
        const int high = digit[quint8(at[0])];
        const int low = digit[quint8(at[1])];
        return (high << 4) | low | ((high | low) & ~0xFF);
    };
    while (p < end) {
        if (*p == ':') {
            if (end - p < 11)
                return false;
            const int count = pair(p + 1);
            const int high = pair(p + 3);
            const int low = pair(p + 5);
            const int type = pair(p + 7);
            if (count < 0 || high < 0 || low < 0 || type < 0 || end - p < 11 + 2 * count)
                return false;
            quint32 sum = quint32(count + high + low + type);
            const quint64 address = upper + quint64(high << 8 | low);
            const bool store = type == 0 && address + quint64(count) <= flat.size();
            quint8* out = store ? flat.data() + address : nullptr;
            int bad = 0;
            for (int j = 0; j < count; ++j) {
                const int byte = pair(p + 9 + 2 * j);
                bad |= byte;
                sum += quint32(byte);
                if (store)
                    out[j] = quint8(byte);
            }
            if (bad < 0)
                return false;
            const int checksum = pair(p + 9 + 2 * count);
            if (checksum < 0 || quint8(sum + quint32(checksum)) != 0)
                return false;
            if (type == 4 && count >= 2)
                upper = quint64(pair(p + 9) << 8 | pair(p + 11)) << 16;
            if (type == 1)
                return true;
            p += 11 + 2 * count;
        }
        while (p < end && *p != '\n')
            ++p;
        ++p;
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Milliseconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Wall time of one run of an external program in milliseconds, or -1 when it fails.
double TimeTool(const QString& program, const QStringList& args)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// One way of loading the file, timed in every repetition.
struct Contender {
    Contender(const char* n, std::function<double()> r) : name(n), run(std::move(r)) {}
    const char* name;
    std::function<double()> run; // milliseconds, or negative when it failed
    std::vector<double> times;
    bool available = true;
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    if (argc > 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (argc == 2) {
        if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        char* rest = nullptr;
        const long value = std::strtol(argv[1], &rest, 10);
        if (*rest != '\0' || value < 1 || value > 1000) {
            std::fputs(Usage, stderr);
            return 2;
        }
        runs = int(value);
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "praxon-bench-hexload: no temporary directory\n");
        return 1;
    }
    std::mt19937 random(2027);
    std::vector<quint16> words(Words);
    for (quint16& w : words)
        w = quint16(random());
    const QString hexPath = dir.filePath("large.hex");
    const QString binPath = dir.filePath("large.bin");
    const QByteArray text = MakeHexText(words);
    if (!WriteFile(hexPath, text)) {
        std::fprintf(stderr, "praxon-bench-hexload: cannot write %s\n", qPrintable(hexPath));
        return 1;
    }

    // A PIC18 device whose program memory covers the whole code buffer.
    CountingOperator op;
    AppContext ctx(op, dir.path());
    DeviceProfile& profile = ctx.Profile();
    profile.rom = 2097152;
    profile.ee = 1024;
    profile.core = CoreFamily::Core18X;
    profile.idLoc = 1048576;
    profile.cfgLoc = 3145728;
    profile.cfgWords = 7;
    MemoryImage& image = ctx.Image();
    image.ApplyProfileToGrids(profile);
    const HexImageLayout layout = HexImageLayout::Of(profile);

    bool readFailed = false;
    std::vector<quint8> flat(size_t(Words) * 2);
    bool minimalFailed = false;
    std::vector<Contender> contenders;
    contenders.emplace_back("program read", [&] {
        return Milliseconds([&] {
            image.ClearImage();
            image.LoadStatus().Reset();
            const HexFileContent content = ParseHexRecords(text);
            const HexStoreResult result = StoreHexContent(content, layout, image);
            readFailed = readFailed || content.error || !result.error.isEmpty();
        });
    });
    contenders.emplace_back("minimal parse", [&] {
        return Milliseconds([&] { minimalFailed = minimalFailed || !MinimalParse(text, flat); });
    });
    auto tool = [&](const char* name, const QStringList& args) {
        Contender c(name, [name, args] { return TimeTool(QString::fromLatin1(name), args); });
        c.available = !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
        return c;
    };
    contenders.push_back(tool("objcopy", {"-I", "ihex", "-O", "binary", hexPath, binPath}));
    contenders.push_back(tool("srec_cat", {hexPath, "-Intel", "-o", binPath, "-Binary"}));

    // Each repetition starts with a different contender, so none always runs first.
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < contenders.size(); ++k) {
            Contender& c = contenders[(size_t(i) + k) % contenders.size()];
            if (!c.available)
                continue;
            const double t = c.run();
            if (t < 0)
                c.available = false;
            else
                c.times.push_back(t);
        }
    }

    // The figures only count if both in-process loads were right.
    const auto code = image.CodeBuffer();
    bool correct = !readFailed && !minimalFailed && std::equal(words.begin(), words.begin() + 0x100000, code.begin());
    for (size_t w = 0; correct && w < words.size(); ++w)
        correct = flat[2 * w] == quint8(words[w]) && flat[2 * w + 1] == quint8(words[w] >> 8);

    ctx.Options().SetValue(OptionIndex::ProgramCode, true);
    std::vector<double> checksum;
    for (int i = 0; i < runs; ++i) {
        image.SetLastChecksum(0);
        checksum.push_back(Milliseconds([&] { ComputeChecksum(ctx); }));
    }

    // Ratios are medians of the per-repetition ratios: each pairs times taken moments apart.
    auto ratio = [&](const Contender& other) {
        std::vector<double> ratios;
        for (size_t i = 0; i < other.times.size() && i < contenders[0].times.size(); ++i)
            ratios.push_back(contenders[0].times[i] / other.times[i]);
        return ratios.empty() ? -1.0 : Median(ratios);
    };
    std::printf("HEX load benchmark: %d runs interleaved, medians\n", runs);
    std::printf("  file:                %.1f MB, %d words in %d-byte records\n", text.size() / 1e6, Words, RecordBytes);
    for (const Contender& c : contenders) {
        if (c.times.empty()) {
            std::printf("  %-19s not available\n", c.name);
            continue;
        }
        std::printf("  %-19s %8.1f ms", c.name, Median(c.times));
        if (&c != &contenders[0])
            std::printf("   program read / %s = %.2f", c.name, ratio(c));
        std::printf("\n");
    }
    std::printf("  ComputeChecksum:    %8.2f ms over %d words ($%08llX)\n", Median(checksum), Words,
                static_cast<unsigned long long>(image.LastChecksum()));

    bool ok = true;
    if (!correct) {
        std::printf("  the file was not loaded correctly: no figure counts\n");
        ok = false;
    }
    if (op.boxes > 0) {
        std::printf("  %d message boxes were shown\n", op.boxes);
        ok = false;
    }
    const double minimal = ratio(contenders[1]);
    const bool met = minimal > 0 && minimal <= MinimalRatioTarget;
    std::printf("  target (program read within %.0fx the minimal parse): %s\n", MinimalRatioTarget,
                met ? "met" : "NOT met");
    return ok && met ? 0 : 1;
}
