// Link throughput against the simulator with a modelled line, USB serial adapter and chip write
// times: a program transfer and a read-back of 8K words at 115200 baud (adapter latency 1 ms and
// 16 ms) and a firmware download at 57600. Each figure is printed next to its floor, the time a
// perfect host (one that answers every packet at once) needs for the same bytes under the
// simulator's own line, adapter and chip model (the 16F877A's write cycles for the program), and
// to the ratio of the two; the target is 1.2 and the exit status is 1 when
// a figure misses it. Arguments (program, read, download) choose the figures to run; --help
// says so. The data directory is PRAXON_APP_DIR, else the executable's own.

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "PerfectHost.h"
#include "core/app/AutoAnswerOperator.h"
#include "core/context/AppContext.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace BoxProtocol;

namespace {
using PerfectHost::BitsPerByte;
using PerfectHost::HostByte;
constexpr int Words = 8192;

// The bulk transfers' progress steps: items per full drain.
int StepOf(int items)
{
    LinkProgress progress;
    progress.SetupProgress(items);
    return progress.Step();
}

QString DataDir()
{
    const QString env = qEnvironmentVariable("PRAXON_APP_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + u'/' : env + u'/';
}

// The boxes a figure shows go into memory, not to the terminal: a box the figure expects is
// answered as in an unattended run, any other is a failure of that figure.
struct BoxCapture {
    char* text = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&text, &size);
    ~BoxCapture()
    {
        if (stream)
            std::fclose(stream);
        std::free(text);
    }
    QStringList Lines()
    {
        if (!stream)
            return {};
        std::fflush(stream);
        return QString::fromUtf8(text, qsizetype(size)).split(u'\n', Qt::SkipEmptyParts);
    }
};

struct Rig {
    BoxCapture boxes;
    AutoAnswerOperator op{boxes.stream ? boxes.stream : stderr};
    AppContext ctx{op, DataDir()};
    BoxSimulator box;
    ProgrammerLink link{ctx};

    explicit Rig(int latencyMs)
    {
        ctx.Support().versionText = QStringLiteral("280");
        ctx.Flags().ProgramReady = true;
        link.Factory().RegisterLoopback(QStringLiteral("box"), &box);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        box.EnableTiming(latencyMs);
        ChipGeometry g;
        QString error;
        if (!ChipGeometry::Load(DataDir() + QStringLiteral("PXMCU.TBL"), QStringLiteral("16F877A"), &g, &error))
            qFatal("%s", qPrintable(error));
        box.InsertChip(0, std::make_unique<SimulatedChip>(g));
    }
};

constexpr double Target = 1.2; // a figure within 1.2 times its floor passes

int g_missed = 0;

// A box other than the expected ones counts as a failure of the figure.
bool NoStrayBoxes(Rig& rig, const char* what, const QStringList& expectedCaptions = {})
{
    bool clean = true;
    for (const QString& line : rig.boxes.Lines()) {
        bool expected = false;
        for (const QString& caption : expectedCaptions)
            expected = expected || line.startsWith(QStringLiteral("praxon: box: ") + caption + u':');
        if (expected)
            continue;
        if (clean)
            ++g_missed;
        clean = false;
        std::printf("%s: unexpected box: %s\n", what, qPrintable(line));
    }
    std::fflush(stdout);
    return clean;
}

// A figure that could not be measured counts as missed.
void Fail(const char* what, const char* why, quint64 word)
{
    ++g_missed;
    std::printf("%s: %s (error word 0x%llx)\n", what, why, static_cast<unsigned long long>(word));
    std::fflush(stdout);
}

void Report(const char* what, double seconds, double floorSeconds)
{
    const double ratio = seconds / floorSeconds;
    if (ratio > Target)
        ++g_missed;
    std::printf("%-44s %8.3f s   floor %8.3f s   %.3fx %s\n", what, seconds, floorSeconds, ratio,
                ratio > Target ? "MISSED" : "ok");
    std::fflush(stdout);
}

// Loads an operation (parameter block and payload) for 8K words of program memory on socket A
// and starts it.
bool StartOperation(Rig& rig, Action action)
{
    QByteArray block(ParameterBlockSize, '\0');
    block[PbOperation] = char(OperationCode(action, RegCode));
    block[PbValueLow] = char((Words - 1) & 0xFF);
    block[PbValueLow + 1] = char((Words - 1) >> 8);
    block[PbSocketMask] = char(SocketA);
    block[PbMaskLow] = char(0xFF);
    block[PbMaskHigh] = char(0x3F);
    const QByteArray script = QByteArray::fromHex("140208");
    BoxLink& link = rig.link.Box();
    link.SendOperationSetup(reinterpret_cast<quint8*>(block.data()),
                            reinterpret_cast<const quint8*>(script.constData()), script.size(), true, false);
    link.Command(CmdExecute, false);
    return rig.link.Errors().Word() == 0;
}

// Resets the box and switches the link to 115200; false (reported) when that failed.
bool ResetAtHighSpeed(Rig& rig, const char* what)
{
    rig.ctx.Options().SetValue(72, quint8(1)); // 115200
    rig.link.ResetProgrammer();
    if (rig.link.Port().ProgrammerReady() && rig.box.LineRate() == HighBaud)
        return true;
    Fail(what, "reset at 115200 failed", rig.link.Errors().Word());
    return false;
}

void ProgramWords(int latencyMs)
{
    Rig rig(latencyMs);
    if (!ResetAtHighSpeed(rig, "program 8K words"))
        return;
    std::vector<quint16> words(Words);
    for (int i = 0; i < Words; ++i)
        words[size_t(i)] = quint16((i * 37) & 0x3FFF);

    if (!StartOperation(rig, ActProgram)) {
        Fail("program 8K words", "operation setup failed", rig.link.Errors().Word());
        return;
    }
    QElapsedTimer clock;
    clock.start();
    rig.link.Box().SendWords(0x3FFF, words.data(), Words);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (rig.link.Errors().Word() != 0) {
        Fail("program 8K words", "transfer failed", rig.link.Errors().Word());
        return;
    }
    for (int i = 0; i < Words; ++i) {
        if (rig.box.Chip(0)->Raw(RegCode, i) != words[size_t(i)]) {
            Fail("program 8K words", "the chip does not hold the words sent", 0);
            return;
        }
    }
    if (!NoStrayBoxes(rig, "program 8K words"))
        return;
    // The bytes as the host sends them: each data byte acknowledged with '8', an escape byte sent
    // twice, the last byte also answered with 'd', a drain after every progress step. The chip
    // writes PAW words per cycle once they are latched; a cycle of words all equal to the erased
    // value is skipped (the operation does not write every word).
    const int step = StepOf(Words);
    const SimulatedChip& chip = *rig.box.Chip(0);
    const int paw = chip.Geometry().paw;
    const double cycle = double(chip.Timing().codeWriteNs) / 1e9;
    std::vector<HostByte> bytes;
    bool groupWrites = false;
    for (int i = 0; i < Words; ++i) {
        for (const quint8 b : {quint8(words[size_t(i)] & 0xFF), quint8(words[size_t(i)] >> 8)}) {
            if (b == Escape)
                bytes.push_back({});
            bytes.push_back({});
        }
        groupWrites = groupWrites || words[size_t(i)] != 0x3FFF;
        if ((i + 1) % paw == 0 || i + 1 == Words) {
            bytes.back().busy = groupWrites ? cycle : 0;
            groupWrites = false;
        }
        if (i + 1 == Words) {
            // The transfer's completion leaves after the last write cycle.
            bytes.back().replies += 1;
            bytes.back().completionAfterWork = true;
        }
        bytes.back().drainAfter = (i + 1) % step == 0 || i + 1 == Words;
    }
    const double floor = PerfectHost::Seconds(bytes, BitsPerByte / HighBaud, latencyMs / 1000.0);
    char label[64];
    std::snprintf(label, sizeof label, "program 8K words, 115200, latency %2d ms", latencyMs);
    Report(label, seconds, floor);
}

void ReadWords(int latencyMs)
{
    Rig rig(latencyMs);
    if (!ResetAtHighSpeed(rig, "read 8K words"))
        return;
    // Known contents to read back: every word of program memory set directly in the chip.
    SimulatedChip* chip = rig.box.Chip(0);
    for (int i = 0; i < Words; ++i)
        chip->SetRaw(RegCode, i, quint16((i * 53 + 7) & 0x3FFF));

    std::vector<quint16> words(Words, 0);
    if (!StartOperation(rig, ActRead)) {
        Fail("read 8K words", "operation setup failed", rig.link.Errors().Word());
        return;
    }
    QElapsedTimer clock;
    clock.start();
    rig.link.Box().ReadWords(words.data(), Words);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (rig.link.Errors().Word() != 0) {
        Fail("read 8K words", "transfer failed", rig.link.Errors().Word());
        return;
    }
    for (int i = 0; i < Words; ++i) {
        if (words[size_t(i)] != quint16((i * 53 + 7) & 0x3FFF)) {
            Fail("read 8K words", "a word read back differs from the chip's", 0);
            return;
        }
    }
    if (!NoStrayBoxes(rig, "read 8K words"))
        return;
    // One read request per data byte, answered with '8' and the byte; the last also with 'd'; the
    // requests of one progress step are drained before the next step's go out.
    const int step = StepOf(Words);
    std::vector<HostByte> bytes;
    for (int i = 0; i < Words; ++i) {
        bytes.push_back({2, true, false});
        bytes.push_back({i + 1 == Words ? 3 : 2, true, (i + 1) % step == 0 || i + 1 == Words});
    }
    const double floor = PerfectHost::Seconds(bytes, BitsPerByte / HighBaud, latencyMs / 1000.0);
    char label[64];
    std::snprintf(label, sizeof label, "read 8K words, 115200, latency %2d ms", latencyMs);
    Report(label, seconds, floor);
}

void DownloadFirmware(int latencyMs)
{
    Rig rig(latencyMs);
    rig.box.Identity().firmwareVersion = 0x0117;
    // Time the download itself: from the bar set to the image size to the bar filled (the
    // resets around it pause for the box on purpose).
    QElapsedTimer clock;
    double seconds = 0;
    LinkProgress& progress = rig.link.Progress();
    QObject::connect(&progress, &LinkProgress::Changed, [&]() {
        if (progress.Maximum() != ImageWords)
            return;
        if (progress.Position() == 0 && !clock.isValid())
            clock.start();
        else if (progress.Position() == ImageWords && clock.isValid() && seconds == 0)
            seconds = clock.nsecsElapsed() / 1e9;
    });
    rig.link.ResetProgrammer(); // asks (answered OK), downloads, resets again
    if (rig.box.LastImage().size() != 2 * ImageWords || seconds == 0) {
        Fail("firmware download", "download failed", rig.link.Errors().Word());
        return;
    }
    if (!NoStrayBoxes(rig, "firmware download", {QStringLiteral("Synchronizing Hardware to Match Software")}))
        return;
    // Stop-and-wait per word: two bytes out, each answered with 'y', all replies awaited.
    std::vector<HostByte> bytes;
    for (int i = 0; i < ImageWords; ++i) {
        bytes.push_back({1, false, false});
        bytes.push_back({1, false, true});
    }
    const double floor = PerfectHost::Seconds(bytes, BitsPerByte / NormalBaud, latencyMs / 1000.0);
    char label[64];
    std::snprintf(label, sizeof label, "firmware download, 57600, latency %2d ms", latencyMs);
    Report(label, seconds, floor);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("PRAXON_AUTO_ANSWER", "1");
    // Arguments choose the figures (program, read, download); none runs them all.
    const QStringList chosen = app.arguments().mid(1);
    const QStringList figures{QStringLiteral("program"), QStringLiteral("read"), QStringLiteral("download")};
    for (const QString& argument : chosen) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h") || !figures.contains(argument)) {
            const bool help = argument == QStringLiteral("--help") || argument == QStringLiteral("-h");
            std::fprintf(help ? stdout : stderr,
                         "%s"
                         "usage: praxon-bench-link [program] [read] [download]\n"
                         "Times link transfers against the simulator with a modelled line, USB serial\n"
                         "adapter and chip write times: program and read 8K words of a 16F877A at 115200\n"
                         "baud (adapter latency 1 and 16 ms), and the firmware download at 57600. Each\n"
                         "figure is shown with its floor, the time a perfect host needs for the same bytes on\n"
                         "the same model (the chip's write cycles included), and their ratio.\n"
                         "Without arguments every figure runs. Exit status 0 when every figure is within\n"
                         "%.1fx its floor, 1 when one misses it or fails, 2 on a wrong argument.\n"
                         "The support files are read from PRAXON_APP_DIR, else the executable's directory.\n",
                         help ? ""
                              : qPrintable(QStringLiteral("praxon-bench-link: unknown argument %1\n").arg(argument)),
                         Target);
            return help ? 0 : 2;
        }
    }
    auto wanted = [&](const char* name) { return chosen.isEmpty() || chosen.contains(QLatin1String(name)); };
    if (wanted("program")) {
        ProgramWords(1);
        ProgramWords(16);
    }
    if (wanted("read")) {
        ReadWords(1);
        ReadWords(16);
    }
    if (wanted("download"))
        DownloadFirmware(1);
    // The exit status says whether every figure met its target.
    return g_missed == 0 ? 0 : 1;
}
