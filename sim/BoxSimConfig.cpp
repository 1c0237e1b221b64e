#include "BoxSimConfig.h"

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "core/util/IniFile.h"

namespace {

bool ParseNumber(const QString& text, qint64* value)
{
    bool ok = false;
    const QString t = text.trimmed();
    if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        *value = t.mid(2).toLongLong(&ok, 16);
    else
        *value = t.toLongLong(&ok, 10);
    return ok;
}

int SocketIndex(const QString& letter)
{
    const QString l = letter.trimmed().toUpper();
    if (l.size() != 1 || l[0] < u'A' || l[0] > u'D')
        return -1;
    return l[0].unicode() - u'A';
}

bool ParseReplyByte(const QString& text, quint8* byte)
{
    if (text == QLatin1String("e") || text == QLatin1String("f")) {
        *byte = quint8(text[0].toLatin1());
        return true;
    }
    qint64 value = 0;
    if (!ParseNumber(text, &value) || value < 0 || value > 255)
        return false;
    *byte = quint8(value);
    return true;
}

} // namespace

QString BoxSimUsage()
{
    return QStringLiteral(
        "Usage: praxon-boxsim [options]\n"
        "  --listen HOST:PORT          serve RFC 2217 here (default 127.0.0.1:2217; port 0 = any)\n"
        "  --table FILE                device table (default PXMCU.TBL beside the program)\n"
        "  --socket X=DEVICE|X=empty   chip in socket X (A-D); default 16F877A in all four\n"
        "  --dump-dir DIR              write socketX.hex there on exit and on 'dump'\n"
        "  --firmware-version N        firmware version reported at start (default: table VERSION)\n"
        "  --config-letter L           configuration letter at start (default A)\n"
        "  --boot-version N            boot loader version (default 0x0102)\n"
        "  --serial N                  serial number, identification word 0 (default 1001)\n"
        "  --hardware-revision N       hardware revision (default 3)\n"
        "  --modification N            modification byte (default 0)\n"
        "  --dual-vpp-fitted           revision 1-2 box with the dual-VPP modification (mode 0: reduced VPP)\n"
        "  --silent-after N            answer nothing after N received bytes until the next reset\n"
        "  --garbage-after N[:BYTE]    replace the first reply after N received bytes (default 0xA5)\n"
        "  --reply-fault CMD=BYTE      command CMD answers BYTE (e, f, 253, 254, ...) after its echo\n"
        "  --supply-fault BITS         supply fault bits 0x01-0x20 (readings out of range, poll bits)\n"
        "  --supply-drop vdd|vpp[:N]   the supply collapses during the N-th operation (default 1)\n"
        "  --slow-rise                 supplies take two polls to rise (the host waits, one socket)\n"
        "  --status-voltage BITS       voltage error bits in byte 13 of the status reply\n"
        "  --vdd-idle N, --vpp-idle N  readings (1/16 V) of switched-off supplies\n"
        "  --vdd-level N, --vpp-level N  reading (1/16 V) of a switched-on supply, no fault bits\n"
        "  --vpp-reduced-level N       VPP reading (1/16 V) in the reduced range, no fault bits\n"
        "  --bad-cell X:ADDR[=VALUE]   program word ADDR of socket X stuck at VALUE (default 0)\n"
        "  --timing                    model line rate and USB adapter latency\n"
        "  --latency MS                adapter latency timer, 1-16 ms (default 16)\n"
        "  --packet N                  adapter packet payload (default 62)\n"
        "  --silent-at STAGE[:N]       fall silent in the boot loader, N bytes into the firmware download,\n"
        "                              at the start of the firmware (reset), on the speed change, N bytes\n"
        "                              into a program or read transfer\n"
        "  --verbose                   log resets, operations and supply switches on standard error\n"
        "  --watch ADDR[:N]            report program words ADDR.. (N, default 1) of every socket on\n"
        "                              standard error each time they change\n"
        "Numbers are decimal, or hexadecimal with 0x. Standard input: 'dump' writes the HEX files,\n"
        "'quit' ends the program.\n");
}

bool ParseBoxSimArguments(const QStringList& arguments, BoxSimConfig* config, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString option = arguments[i];
        if (option == QLatin1String("--timing")) {
            config->timing = true;
            continue;
        }
        if (option == QLatin1String("--verbose")) {
            config->verbose = true;
            continue;
        }
        if (option == QLatin1String("--dual-vpp-fitted")) {
            config->identity.dualVppFitted = true;
            continue;
        }
        if (option == QLatin1String("--slow-rise")) {
            config->faults.slowRise = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1: unknown option or missing value").arg(option));
        const QString value = arguments[++i];
        qint64 n = 0;
        auto number = [&](qint64 low, qint64 high) { return ParseNumber(value, &n) && n >= low && n <= high; };
        if (option == QLatin1String("--listen")) {
            const qsizetype colon = value.lastIndexOf(u':');
            qint64 port = 0;
            if (colon <= 0 || !ParseNumber(value.mid(colon + 1), &port) || port < 0 || port > 65535)
                return fail(QStringLiteral("--listen needs HOST:PORT"));
            config->listenHost = value.left(colon);
            config->listenPort = quint16(port);
        } else if (option == QLatin1String("--table")) {
            config->tablePath = value;
        } else if (option == QLatin1String("--dump-dir")) {
            config->dumpDir = value;
        } else if (option == QLatin1String("--socket")) {
            const qsizetype eq = value.indexOf(u'=');
            const int socket = eq > 0 ? SocketIndex(value.left(eq)) : -1;
            if (socket < 0)
                return fail(QStringLiteral("--socket needs X=DEVICE with X one of A, B, C, D"));
            const QString device = value.mid(eq + 1).trimmed();
            config->sockets[size_t(socket)] =
                device.compare(QLatin1String("empty"), Qt::CaseInsensitive) == 0 ? QString() : device;
        } else if (option == QLatin1String("--firmware-version")) {
            if (!number(0, 0xFFFF))
                return fail(QStringLiteral("--firmware-version needs a 16-bit number"));
            config->identity.firmwareVersion = quint16(n);
            config->firmwareVersionGiven = true;
        } else if (option == QLatin1String("--config-letter")) {
            if (value.size() != 1)
                return fail(QStringLiteral("--config-letter needs one character"));
            config->identity.configLetter = value[0].toLatin1();
        } else if (option == QLatin1String("--boot-version")) {
            if (!number(0, 0xFFFF))
                return fail(QStringLiteral("--boot-version needs a 16-bit number"));
            config->identity.bootVersion = quint16(n);
        } else if (option == QLatin1String("--serial")) {
            if (!number(0, 0xFFFF))
                return fail(QStringLiteral("--serial needs a 16-bit number"));
            config->identity.serialNumber = quint16(n);
        } else if (option == QLatin1String("--hardware-revision")) {
            if (!number(1, 256))
                return fail(QStringLiteral("--hardware-revision needs 1 to 256"));
            config->identity.hardwareRevision = quint8(n);
        } else if (option == QLatin1String("--modification")) {
            if (!number(0, 255))
                return fail(QStringLiteral("--modification needs a byte"));
            config->identity.modification = quint8(n);
        } else if (option == QLatin1String("--vpp-reduced-level")) {
            if (!number(1, 255))
                return fail(QStringLiteral("--vpp-reduced-level needs a reading 1 to 255"));
            config->faults.vppReducedLevel = int(n);
        } else if (option == QLatin1String("--silent-after")) {
            if (!number(0, Q_INT64_C(1) << 40))
                return fail(QStringLiteral("--silent-after needs a byte count"));
            config->faults.silentAfter = n;
        } else if (option == QLatin1String("--silent-at")) {
            static const QMap<QString, BoxFaults::Stage> stages{
                {"loader", BoxFaults::Stage::Loader},   {"download", BoxFaults::Stage::Download},
                {"reset", BoxFaults::Stage::Reset},     {"speed", BoxFaults::Stage::SpeedChange},
                {"program", BoxFaults::Stage::Program}, {"read", BoxFaults::Stage::Read}};
            const QStringList parts = value.split(u':');
            qint64 bytes = 16;
            if (!stages.contains(parts[0].toLower()) || parts.size() > 2 ||
                (parts.size() == 2 && (!ParseNumber(parts[1], &bytes) || bytes < 0)))
                return fail(QStringLiteral("--silent-at needs loader, download, reset, speed, program or read, "
                                           "optionally :N (bytes of the transfer first)"));
            config->faults.silentStage = stages.value(parts[0].toLower());
            config->faults.silentStageBytes = bytes;
        } else if (option == QLatin1String("--garbage-after")) {
            const QStringList parts = value.split(u':');
            qint64 byte = 0xA5;
            if (!ParseNumber(parts[0], &n) || n < 0 ||
                (parts.size() > 1 && (!ParseNumber(parts[1], &byte) || byte < 0 || byte > 255)))
                return fail(QStringLiteral("--garbage-after needs N or N:BYTE"));
            config->faults.garbageAfter = n;
            config->faults.garbageByte = quint8(byte);
        } else if (option == QLatin1String("--reply-fault")) {
            const qsizetype eq = value.indexOf(u'=');
            qint64 command = 0;
            quint8 byte = 0;
            if (eq <= 0 || !ParseNumber(value.left(eq), &command) || command < 0 || command > 255 ||
                !ParseReplyByte(value.mid(eq + 1), &byte))
                return fail(QStringLiteral("--reply-fault needs CMD=BYTE (BYTE: e, f or a number)"));
            config->faults.replyFaults.insert(int(command), byte);
        } else if (option == QLatin1String("--supply-fault")) {
            if (!number(0, 0x3F))
                return fail(QStringLiteral("--supply-fault needs bits 0x00 to 0x3F"));
            config->faults.supplyFaults = quint8(n);
        } else if (option == QLatin1String("--supply-drop")) {
            const QStringList parts = value.split(u':');
            const QString which = parts[0].toLower();
            qint64 at = 1;
            if ((which != QLatin1String("vdd") && which != QLatin1String("vpp")) || parts.size() > 2 ||
                (parts.size() == 2 && (!ParseNumber(parts[1], &at) || at < 1 || at > 1000000)))
                return fail(QStringLiteral("--supply-drop needs vdd or vpp, optionally :N (the N-th operation)"));
            config->faults.dropDuringOperation =
                which == QLatin1String("vdd") ? BoxProtocol::SupplyVddLow : BoxProtocol::SupplyVppLow;
            config->faults.dropAtOperation = int(at);
        } else if (option == QLatin1String("--status-voltage")) {
            if (!number(0, 255))
                return fail(QStringLiteral("--status-voltage needs a byte"));
            config->faults.statusVoltageBits = quint8(n);
        } else if (option == QLatin1String("--vdd-idle") || option == QLatin1String("--vpp-idle")) {
            if (!number(0, 255))
                return fail(QStringLiteral("%1 needs a reading 0 to 255").arg(option));
            (option == QLatin1String("--vdd-idle") ? config->faults.vddIdle : config->faults.vppIdle) = int(n);
        } else if (option == QLatin1String("--vdd-level") || option == QLatin1String("--vpp-level")) {
            if (!number(1, 255))
                return fail(QStringLiteral("%1 needs a reading 1 to 255").arg(option));
            (option == QLatin1String("--vdd-level") ? config->faults.vddLevel : config->faults.vppLevel) = int(n);
        } else if (option == QLatin1String("--bad-cell")) {
            const qsizetype colon = value.indexOf(u':');
            const int socket = colon > 0 ? SocketIndex(value.left(colon)) : -1;
            QString rest = value.mid(colon + 1);
            qint64 stuck = 0;
            const qsizetype eq = rest.indexOf(u'=');
            if (eq >= 0) {
                if (!ParseNumber(rest.mid(eq + 1), &stuck) || stuck < 0 || stuck > 0xFFFF)
                    return fail(QStringLiteral("--bad-cell value must be a 16-bit number"));
                rest = rest.left(eq);
            }
            qint64 address = 0;
            if (socket < 0 || !ParseNumber(rest, &address) || address < 0)
                return fail(QStringLiteral("--bad-cell needs X:ADDRESS[=VALUE]"));
            config->badCells.append({socket, int(address), quint16(stuck)});
        } else if (option == QLatin1String("--watch")) {
            const QStringList parts = value.split(u':');
            qint64 address = 0;
            qint64 count = 1;
            if (parts.size() > 2 || !ParseNumber(parts[0], &address) || address < 0 || address > 0xFFFFFF ||
                (parts.size() == 2 && (!ParseNumber(parts[1], &count) || count < 1 || count > 64)))
                return fail(QStringLiteral("--watch needs ADDR or ADDR:N (N 1 to 64 words)"));
            config->watchAddress = int(address);
            config->watchCount = int(count);
        } else if (option == QLatin1String("--latency")) {
            if (!number(1, 16))
                return fail(QStringLiteral("--latency needs 1 to 16 ms"));
            config->latencyMs = int(n);
        } else if (option == QLatin1String("--packet")) {
            if (!number(1, 4096))
                return fail(QStringLiteral("--packet needs 1 to 4096 bytes"));
            config->packetBytes = int(n);
        } else {
            return fail(QStringLiteral("%1: unknown option").arg(option));
        }
    }
    return true;
}

bool ConfigureSimulator(const BoxSimConfig& config, BoxSimulator& simulator, QString* error)
{
    simulator.Identity() = config.identity;
    if (!config.firmwareVersionGiven) {
        const IniFile table(config.tablePath);
        const qint64 version = table.ReadInteger(QStringLiteral("PRAXON"), QStringLiteral("VERSION"), -1);
        if (version >= 0 && version <= 0xFFFF)
            simulator.Identity().firmwareVersion = quint16(version);
    }
    simulator.Faults() = config.faults;
    for (int s = 0; s < 4; ++s) {
        simulator.RemoveChip(s);
        const QString device = config.sockets[size_t(s)];
        if (device.isEmpty())
            continue;
        ChipGeometry geometry;
        if (!ChipGeometry::Load(config.tablePath, device, &geometry, error))
            return false;
        simulator.InsertChip(s, std::make_unique<SimulatedChip>(geometry));
    }
    for (const BoxSimConfig::BadCell& cell : config.badCells) {
        SimulatedChip* chip = simulator.Chip(cell.socket);
        if (!chip) {
            if (error)
                *error =
                    QStringLiteral("--bad-cell names socket %1, which holds no chip").arg(QChar(u'A' + cell.socket));
            return false;
        }
        if (cell.address >= chip->Geometry().rom) {
            if (error)
                *error = QStringLiteral("--bad-cell address %1 is outside program memory").arg(cell.address);
            return false;
        }
        chip->SetBadCell(cell.address, cell.value);
    }
    if (config.timing)
        simulator.EnableTiming(config.latencyMs, config.packetBytes);
    return true;
}
