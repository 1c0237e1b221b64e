// Link throughput against the simulator with a modelled line and USB serial adapter: a program
// transfer and a read-back of 8K words at 115200 baud (adapter latency 1 ms and 16 ms) and a
// firmware download at 57600. Each figure is printed next to the bound computed from the line
// rate, the window and the adapter latency, and to the ratio of the two; the target is 1.2 and
// the exit status is 1 when a figure misses it. Arguments (program, read, download) choose the
// figures to run. The data directory is PRAXON_APP_DIR, else the executable's own.

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "core/app/AutoAnswerOperator.h"
#include "core/context/AppContext.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

using namespace BoxProtocol;

namespace {
constexpr double BitsPerByte = 10.0; // start, 8 data, stop
constexpr int Words = 8192;
constexpr int Drains = 100; // full drains at the progress steps of a bulk transfer

QString DataDir()
{
    const QString env = qEnvironmentVariable("PRAXON_APP_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + u'/' : env + u'/';
}

struct Rig {
    AutoAnswerOperator op;
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

constexpr double Target = 1.2; // a figure within 1.2 times its bound passes

int g_missed = 0;

// A figure that could not be measured counts as missed.
void Fail(const char* what, const char* why, quint64 word)
{
    ++g_missed;
    std::printf("%s: %s (error word 0x%llx)\n", what, why, static_cast<unsigned long long>(word));
    std::fflush(stdout);
}

void Report(const char* what, double seconds, double boundSeconds)
{
    const double ratio = seconds / boundSeconds;
    if (ratio > Target)
        ++g_missed;
    std::printf("%-44s %8.3f s   bound %8.3f s   %.2fx %s\n", what, seconds, boundSeconds, ratio,
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

    QElapsedTimer clock;
    clock.start();
    if (StartOperation(rig, ActProgram))
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
    // Every byte crosses the line once each way. The adapter passes the acknowledgements on after
    // its latency (they never fill a packet), so at most one window of 16 bytes is acknowledged
    // per latency period; and each of the 100 progress steps drains the window. A drain costs at
    // least one byte time (the step's last acknowledgement waits only for the rest of the latency
    // period already running in the adapter, which can be that short), so the bound charges that
    // and stays a true minimum: no run can come in under it.
    const double byteTime = BitsPerByte / HighBaud;
    const double bytes = 2.0 * Words;
    const double wire = bytes * byteTime;
    const double windows = bytes / BoxLink::Window * latencyMs / 1000.0;
    const double bound = std::max(wire, windows) + Drains * byteTime;
    char label[64];
    std::snprintf(label, sizeof label, "program 8K words, 115200, latency %2d ms", latencyMs);
    Report(label, seconds, bound);
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
    QElapsedTimer clock;
    clock.start();
    if (StartOperation(rig, ActRead))
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
    // A data byte costs one request byte out and two bytes back (the '8' and the data), so the
    // return direction carries twice the data. With 16 requests in flight, a window of them is
    // answered per round trip of the latency plus three byte times (request out, '8' and data
    // back); and each of the 100 progress steps drains, at one byte time at least (as for the
    // program figure).
    const double byteTime = BitsPerByte / HighBaud;
    const double bytes = 2.0 * Words;
    const double wire = 2.0 * bytes * byteTime;
    const double windows = bytes / BoxLink::Window * (latencyMs / 1000.0 + 3 * byteTime);
    const double bound = std::max(wire, windows) + Drains * byteTime;
    char label[64];
    std::snprintf(label, sizeof label, "read 8K words, 115200, latency %2d ms", latencyMs);
    Report(label, seconds, bound);
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
    // Stop-and-wait per word, one round trip each: the two bytes go out back to back and each 'y'
    // comes back one byte time after its byte, so the first 'y' reaches the adapter two byte times
    // after the word was sent and the second one follows within the adapter's latency, which
    // hands both over together. The line is full duplex: the return overlaps the sending.
    const double perWord = 2.0 * BitsPerByte / NormalBaud + latencyMs / 1000.0;
    char label[64];
    std::snprintf(label, sizeof label, "firmware download, 57600, latency %2d ms", latencyMs);
    Report(label, seconds, ImageWords * perWord);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("PRAXON_AUTO_ANSWER", "1");
    // Arguments choose the figures (program, read, download); none runs them all.
    const QStringList chosen = app.arguments().mid(1);
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
