#pragma once

#include "BoxFaults.h"
#include "BoxIdentity.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

class BoxSimulator;

// Everything praxon-boxsim can be told on its command line (docs/boxsim.md lists the options).
struct BoxSimConfig {
    struct BadCell {
        int socket = 0;
        int address = 0;
        quint16 value = 0;
    };

    QString listenHost = QStringLiteral("127.0.0.1");
    quint16 listenPort = 2217;
    QString tablePath; // empty: PXMCU.TBL beside the executable
    QString dumpDir;   // empty: no HEX files
    std::array<QString, 4> sockets{QStringLiteral("16F877A"), QStringLiteral("16F877A"), QStringLiteral("16F877A"),
                                   QStringLiteral("16F877A")}; // empty: no chip
    QVector<BadCell> badCells;
    BoxIdentity identity;
    bool firmwareVersionGiven = false;
    BoxFaults faults;
    bool timing = false;
    int latencyMs = 16;
    int packetBytes = 62;
    bool verbose = false;
    // Program words reported on standard error whenever an operation or a closing client leaves
    // them changed (watchCount 0: none).
    int watchAddress = 0;
    int watchCount = 0;
};

// Parses the arguments (without the program name). On failure returns false with a message.
bool ParseBoxSimArguments(const QStringList& arguments, BoxSimConfig* config, QString* error);
QString BoxSimUsage();

// Fills the sockets and sets identity, faults and timing. Unless the firmware version was
// given, the box reports the device table's VERSION, as a box synchronised to it would.
bool ConfigureSimulator(const BoxSimConfig& config, BoxSimulator& simulator, QString* error);
