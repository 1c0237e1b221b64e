// The programming engine against the simulator with a modelled line, USB serial adapter and
// chip times, at 115200 baud with adapter latency 1 ms and 16 ms:
//  - operation: one code program and one code verify of a full 16F877A (8K words) through the
//    operation runner, on one socket;
//  - autorun: the Auto Run (erase, program, verify of code, EE, ID and configuration) of a full
//    16F877A and of a full 18F452 (16K words) on four sockets.
// Each figure is timed from the end of the box reset (the reset's fixed pauses are not part of
// it) and printed beside its floor: the time a perfect host needs for the same bytes on the same
// model (line, 16-byte window, drains at the end of every exchange and progress step, adapter
// latency, the chips' write and erase times), found by replaying every byte the program sent
// through a second simulated box. The target is 1.10x; the exit status is 1 when a figure misses
// it or fails. The share of the process's CPU time (host and in-process simulator together) is
// printed beside each figure.

#include "ChipGeometry.h"
#include "PerfectHost.h"
#include "core/app/AutoAnswerOperator.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/image/ConfigurationWords.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace BoxProtocol;

namespace {

constexpr double Target = 1.10;
int g_missed = 0;

QString DataDir()
{
    const QString env = qEnvironmentVariable("PRAXON_APP_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + u'/' : env + u'/';
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The boxes the program shows go into memory (answered as in an unattended run).
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
};

// The program's engine on the shipped support files with four chips of the device, talking to
// the timed simulator through the replaying endpoint, the options of a fresh installation (erase,
// program and verify on) at 115200 baud, every socket on, and an image that fills every region.
struct EngineRig {
    BoxCapture boxes;
    AutoAnswerOperator op{boxes.stream ? boxes.stream : stderr};
    AppContext ctx{op, DataDir()};
    BoxSimulator box, shadow;
    PerfectHost::ReplayEndpoint endpoint{box, shadow};
    ProgrammerLink link{ctx};
    Engine engine{ctx, link};
    ChipGeometry geometry;

    EngineRig(const QString& device, int chips, int latencyMs)
    {
        ctx.SetLink(&link);
        ctx.Support().versionText = QStringLiteral("280");
        ctx.Flags().AutoRunArmed = false;
        link.Factory().RegisterLoopback(QStringLiteral("box"), &endpoint);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        engine.Install();
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, device);
        LoadDeviceProfile(ctx);
        ctx.Options().SetFactoryValues();
        ctx.Options().SetValue(OptionIndex::HighSpeed, quint8(1));
        OptionsChanged(ctx);
        QString error;
        if (!ChipGeometry::Load(DataDir() + QStringLiteral("PXMCU.TBL"), device, &geometry, &error))
            qFatal("%s", qPrintable(error));
        for (int s = 0; s < chips; ++s) {
            box.InsertChip(s, std::make_unique<SimulatedChip>(geometry));
            shadow.InsertChip(s, std::make_unique<SimulatedChip>(geometry));
        }
        box.EnableTiming(latencyMs);
        link.ResetProgrammer();
        if (chips == 4)
            engine.Sockets().GangClick();
        FillImage();
    }
    void FillImage()
    {
        MemoryImage& image = ctx.Image();
        const SimulatedChip& chip = *box.Chip(0);
        for (int i = 0; i < chip.RegionSize(RegCode); ++i)
            image.CodeBuffer()[size_t(i)] = quint16((i * 0x135 + 7) & chip.Width(RegCode));
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            image.EeBuffer()[size_t(i)] = quint16((i * 3 + 1) & 0xFF);
        for (int i = 0; i < chip.RegionSize(RegId); ++i)
            image.IdWords()[size_t(i)] = quint16((0x10 + i) & chip.Width(RegId));
        // Configuration words with every field at its erased (unprotected) setting.
        for (int w = 0; w < ctx.Profile().cfgWords; ++w)
            DecodeConfigWord(ctx, 0xFFFF, w);
    }
    // Cells of socket that differ from the image (code, EE, ID).
    int Mismatches(int socket)
    {
        const SimulatedChip& chip = *box.Chip(socket);
        MemoryImage& image = ctx.Image();
        int n = 0;
        for (int i = 0; i < chip.RegionSize(RegCode); ++i)
            n += chip.Raw(RegCode, i) != image.CodeBuffer()[size_t(i)];
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            n += chip.Raw(RegEeData, i) != image.EeBuffer()[size_t(i)];
        for (int i = 0; i < chip.RegionSize(RegId); ++i)
            n += chip.Raw(RegId, i) != (image.IdWords()[size_t(i)] & chip.Width(RegId));
        return n;
    }
};

void Fail(const QString& what, const char* why, quint64 word)
{
    ++g_missed;
    std::printf("%s: %s (error word 0x%llx)\n", qPrintable(what), why, static_cast<unsigned long long>(word));
    std::fflush(stdout);
}

void Report(const QString& what, double seconds, double floorSeconds, double chipSeconds, double cpuSeconds)
{
    const double ratio = seconds / floorSeconds;
    // A figure below its floor means the floor's model is not the simulator's: a failure too.
    const bool missed = !(ratio <= Target && ratio >= 0.99);
    if (missed)
        ++g_missed;
    std::printf("%-46s %7.3f s  floor %7.3f s (chips %6.3f s)  %.3fx  cpu %4.1f%%  %s\n", qPrintable(what), seconds,
                floorSeconds, chipSeconds, ratio, 100.0 * cpuSeconds / seconds, missed ? "MISSED" : "ok");
    std::fflush(stdout);
}

double FloorSeconds(const std::vector<PerfectHost::HostByte>& bytes, int latencyMs)
{
    return PerfectHost::Seconds(bytes, PerfectHost::BitsPerByte / HighBaud, latencyMs / 1000.0);
}

double ChipSeconds(const std::vector<PerfectHost::HostByte>& bytes)
{
    double s = 0;
    for (const PerfectHost::HostByte& b : bytes)
        s += b.busy;
    return s;
}

// One code program and one code verify through the operation runner, after a passed pre-test.
void ProgramAndVerify(int latencyMs)
{
    const QString what = QStringLiteral("program+verify 16F877A code, latency %1 ms").arg(latencyMs, 2);
    EngineRig rig(QStringLiteral("16F877A"), 1, latencyMs);
    if (!rig.link.Port().ProgrammerReady() || rig.box.LineRate() != HighBaud)
        return Fail(what, "reset at 115200 failed", rig.link.Errors().Word());
    EngineState& state = rig.engine.State();
    state.CycleRunning = true;
    rig.engine.Tasks().PrepareSocketsForRun();
    rig.engine.VoltagePreTest();
    if (rig.link.Errors().Word() != 0)
        return Fail(what, "pre-test failed", rig.link.Errors().Word());
    const double cpu0 = CpuSeconds();
    rig.endpoint.Mark();
    for (const int slot : {5, 9}) {
        rig.engine.PowerOnForOperation(rig.ctx.Templates().operations[size_t(slot)].powerMode);
        rig.engine.RunOperation(slot);
        rig.link.Box().ReadResults(state.PassingSockets, state.SelectedSockets);
    }
    const double seconds = rig.endpoint.SecondsSinceMark();
    const double cpu = CpuSeconds() - cpu0;
    if (rig.link.Errors().Word() != 0 || !(state.PassingSockets & SocketA))
        return Fail(what, "the operations failed", rig.link.Errors().Word());
    const SimulatedChip& chip = *rig.box.Chip(0);
    for (int i = 0; i < chip.RegionSize(RegCode); ++i)
        if (chip.Raw(RegCode, i) != rig.ctx.Image().CodeBuffer()[size_t(i)])
            return Fail(what, "the chip does not hold the image", 0);
    const std::vector<PerfectHost::HostByte> bytes = rig.endpoint.Bytes();
    Report(what, seconds, FloorSeconds(bytes, latencyMs), ChipSeconds(bytes), cpu);
}

// The Auto Run on four sockets; every chip must hold the image afterwards.
void AutoRun(const QString& device, int latencyMs)
{
    const QString what = QStringLiteral("Auto Run %1 x4, latency %2 ms").arg(device).arg(latencyMs, 2);
    EngineRig rig(device, 4, latencyMs);
    if (!rig.link.Port().ProgrammerReady() || rig.box.LineRate() != HighBaud)
        return Fail(what, "reset at 115200 failed", rig.link.Errors().Word());
    const double cpu0 = CpuSeconds();
    rig.endpoint.Mark(true); // a reset at the start of the cycle is left out
    rig.engine.Cycles().AutoRun();
    const double seconds = rig.endpoint.SecondsSinceMark();
    const double cpu = CpuSeconds() - cpu0;
    if (rig.link.Errors().Word() != 0 || rig.engine.Counters().PassText() != QStringLiteral("4"))
        return Fail(what, "the Auto Run did not pass four parts", rig.link.Errors().Word());
    for (int s = 0; s < 4; ++s)
        if (rig.Mismatches(s) != 0)
            return Fail(what, "a chip does not hold the image", 0);
    const std::vector<PerfectHost::HostByte> bytes = rig.endpoint.Bytes();
    Report(what, seconds, FloorSeconds(bytes, latencyMs), ChipSeconds(bytes), cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("PRAXON_AUTO_ANSWER", "1");
    const QStringList chosen = app.arguments().mid(1);
    const QStringList figures{QStringLiteral("operation"), QStringLiteral("autorun")};
    for (const QString& argument : chosen) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h") || !figures.contains(argument)) {
            const bool help = argument == QStringLiteral("--help") || argument == QStringLiteral("-h");
            std::fprintf(help ? stdout : stderr,
                         "%s"
                         "usage: praxon-bench-engine [operation] [autorun]\n"
                         "Times the programming engine against the simulator with a modelled line, USB serial\n"
                         "adapter and chip write/erase times, at 115200 baud with adapter latency 1 and 16 ms:\n"
                         "  operation  one code program and verify of a full 16F877A through the operation runner\n"
                         "  autorun    the Auto Run (erase, program, verify) of a full 16F877A and a full 18F452\n"
                         "             on four sockets\n"
                         "Each figure (from the end of the box reset) is shown with its floor, the time a perfect\n"
                         "host needs for the same bytes on the same model (line, window, drains, latency, chip\n"
                         "times), their ratio and the process's CPU share. Without arguments every figure runs.\n"
                         "Exit status 0 when every figure is within %.2fx its floor, 1 when one misses it or\n"
                         "fails, 2 on a wrong argument. Support files come from PRAXON_APP_DIR, else the\n"
                         "executable's directory.\n",
                         help ? ""
                              : qPrintable(QStringLiteral("praxon-bench-engine: unknown argument %1\n").arg(argument)),
                         Target);
            return help ? 0 : 2;
        }
    }
    auto wanted = [&](const char* name) { return chosen.isEmpty() || chosen.contains(QLatin1String(name)); };
    if (wanted("operation")) {
        ProgramAndVerify(1);
        ProgramAndVerify(16);
    }
    if (wanted("autorun")) {
        for (const char* device : {"16F877A", "18F452"}) {
            AutoRun(QString::fromLatin1(device), 1);
            AutoRun(QString::fromLatin1(device), 16);
        }
    }
    return g_missed == 0 ? 0 : 1;
}
