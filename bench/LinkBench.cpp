// Link throughput against the simulator with a modelled line and USB serial adapter: a program
// transfer of 8K words at 115200 baud (adapter latency 1 ms and 16 ms) and a firmware download
// at 57600. Each figure is printed next to the bound computed from the line rate, the window
// and the adapter latency in the same run.

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "app/AppContext.h"
#include "app/AutoAnswerOperator.h"
#include "link/BoxProtocol.h"
#include "link/ProgrammerLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

using namespace BoxProtocol;

namespace {
constexpr double BitsPerByte = 10.0; // start, 8 data, stop

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

void Report(const char* what, double seconds, double boundSeconds)
{
    std::printf("%-44s %8.3f s   bound %8.3f s   (%.0f %%)\n", what, seconds, boundSeconds,
                100.0 * boundSeconds / seconds);
}

void ProgramWords(int latencyMs)
{
    Rig rig(latencyMs);
    rig.ctx.Options().SetValue(72, quint8(1)); // 115200
    rig.link.ResetProgrammer();
    if (!rig.link.Port().ProgrammerReady() || rig.box.LineRate() != HighBaud) {
        std::printf("program 8K words: reset at 115200 failed (word 0x%llx)\n",
                    static_cast<unsigned long long>(rig.link.Errors().Word()));
        return;
    }
    constexpr int Words = 8192;
    QByteArray block(ParameterBlockSize, '\0');
    block[PbOperation] = char(OperationCode(ActProgram, RegCode));
    block[PbValueLow] = char((Words - 1) & 0xFF);
    block[PbValueLow + 1] = char((Words - 1) >> 8);
    block[PbSocketMask] = char(SocketA);
    block[PbMaskLow] = char(0xFF);
    block[PbMaskHigh] = char(0x3F);
    const QByteArray script = QByteArray::fromHex("140208");
    std::vector<quint16> words(Words);
    for (int i = 0; i < Words; ++i)
        words[size_t(i)] = quint16((i * 37) & 0x3FFF);

    QElapsedTimer clock;
    clock.start();
    BoxLink& link = rig.link.Box();
    link.SendOperationSetup(reinterpret_cast<quint8*>(block.data()),
                            reinterpret_cast<const quint8*>(script.constData()), script.size(), true, false);
    link.Command(CmdExecute, false);
    link.SendWords(0x3FFF, words.data(), Words);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (rig.link.Errors().Word() != 0) {
        std::printf("program 8K words: failed (word 0x%llx)\n",
                    static_cast<unsigned long long>(rig.link.Errors().Word()));
        return;
    }
    // Every byte crosses the line once each way. The adapter passes the acknowledgements on after
    // its latency (they never fill a packet), so at most one window of 16 bytes is acknowledged
    // per latency period; and a full drain at each of the 100 progress steps costs one latency.
    const double bytes = 2.0 * Words;
    const double wire = bytes * BitsPerByte / HighBaud;
    const double windows = bytes / BoxLink::Window * latencyMs / 1000.0;
    const double bound = std::max(wire, windows) + 100 * latencyMs / 1000.0;
    char label[64];
    std::snprintf(label, sizeof label, "program 8K words, 115200, latency %2d ms", latencyMs);
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
    if (rig.box.LastImage().size() != 2 * ImageWords) {
        std::printf("firmware download: failed (word 0x%llx)\n",
                    static_cast<unsigned long long>(rig.link.Errors().Word()));
        return;
    }
    // Stop-and-wait per word: two bytes out, two 'y' back, and the adapter's latency on the way back.
    const double perWord = 4.0 * BitsPerByte / NormalBaud + latencyMs / 1000.0;
    char label[64];
    std::snprintf(label, sizeof label, "firmware download, 57600, latency %2d ms", latencyMs);
    Report(label, seconds, ImageWords * perWord);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("PRAXON_AUTO_ANSWER", "1");
    ProgramWords(1);
    ProgramWords(16);
    DownloadFirmware(1);
    return 0;
}
