// praxon-boxsim: the programmer box simulator as a network serial port (RFC 2217).

#include "BoxSimConfig.h"
#include "BoxSimulator.h"
#include "Rfc2217Server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <array>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};
void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace
#endif

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);

    const QStringList arguments = app.arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << BoxSimUsage();
        return 0;
    }
    BoxSimConfig config;
    QString error;
    if (!ParseBoxSimArguments(arguments, &config, &error)) {
        err << "praxon-boxsim: " << error << "\n" << BoxSimUsage();
        return 2;
    }
    if (config.tablePath.isEmpty())
        config.tablePath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("PXMCU.TBL"));

    BoxSimulator simulator;
    if (!ConfigureSimulator(config, simulator, &error)) {
        err << "praxon-boxsim: " << error << "\n";
        return 2;
    }
    if (config.verbose) {
        QObject::connect(&simulator, &BoxSimulator::ResetDone, [&err] { err << "box reset\n" << Qt::flush; });
        QObject::connect(&simulator, &BoxSimulator::SuppliesSwitched, [&err](bool vdd, bool vpp) {
            err << "supplies VDD " << (vdd ? "on" : "off") << " VPP " << (vpp ? "on" : "off") << "\n" << Qt::flush;
        });
        QObject::connect(&simulator, &BoxSimulator::OperationDone, [&err](quint8 code, quint8 passing) {
            err << QStringLiteral("operation 0x%1 done, passing 0x%2\n")
                       .arg(code, 2, 16, QLatin1Char('0'))
                       .arg(passing, 2, 16, QLatin1Char('0'))
                << Qt::flush;
        });
    }

    Rfc2217Server server(simulator);
    // Watched words: one line per socket whose words changed since its last line (or since the
    // start), "watch A 0x0200: 3401 3400", so a test can follow every value a chip held even when
    // a later run overwrites it.
    std::array<QString, 4> watched;
    auto watch = [&] {
        for (int s = 0; s < 4; ++s) {
            const SimulatedChip* chip = simulator.Chip(s);
            if (!chip)
                continue;
            QString words;
            for (int i = 0; i < config.watchCount; ++i)
                words += QStringLiteral(" %1").arg(chip->ProgramWord(config.watchAddress + i), 4, 16, QLatin1Char('0'));
            if (words == watched[size_t(s)])
                continue;
            const bool first = watched[size_t(s)].isNull();
            watched[size_t(s)] = words;
            if (!first)
                err << "watch " << QChar(u'A' + s)
                    << QStringLiteral(" 0x%1:").arg(config.watchAddress, 4, 16, QLatin1Char('0')) << words << "\n"
                    << Qt::flush;
        }
    };
    if (config.watchCount > 0) {
        watch();
        QObject::connect(&simulator, &BoxSimulator::OperationDone, watch);
        // A host killed in a transfer leaves the words it reached.
        QObject::connect(&server, &Rfc2217Server::ClientDisconnected, watch);
    }
    if (!server.Listen(QHostAddress(config.listenHost), config.listenPort, &error)) {
        err << "praxon-boxsim: cannot listen on " << config.listenHost << ":" << config.listenPort << ": " << error
            << "\n";
        return 1;
    }
    out << "praxon-boxsim listening on rfc2217://" << config.listenHost << ":" << server.Port() << "\n" << Qt::flush;

    auto dump = [&] {
        if (config.dumpDir.isEmpty())
            return;
        QString dumpError;
        if (!simulator.WriteMemoryDumps(config.dumpDir, &dumpError))
            err << "praxon-boxsim: " << dumpError << "\n" << Qt::flush;
    };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, dump);

    // Commands on standard input, one per line.
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    QSocketNotifier inputNotifier(0, QSocketNotifier::Read);
    QObject::connect(&inputNotifier, &QSocketNotifier::activated, [&] {
        const QByteArray line = input.readLine().trimmed();
        if (line.isEmpty() && input.atEnd()) {
            inputNotifier.setEnabled(false); // end of input: keep serving
            return;
        }
        if (line == "dump") {
            dump();
            out << "dumped\n" << Qt::flush;
        } else if (line == "quit") {
            app.quit();
        } else if (!line.isEmpty()) {
            err << "praxon-boxsim: unknown command " << line << "\n" << Qt::flush;
        }
    });

#ifdef Q_OS_UNIX
    // SIGINT and SIGTERM end the program normally, so the HEX files are written.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::pipe(g_signalPipe) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&app] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
            app.quit();
        });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
#endif
    return app.exec();
}
