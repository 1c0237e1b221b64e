#include "BoxSimulator.h"

#include "MemoryDump.h"
#include "SerialAdapterModel.h"
#include "UartLine.h"

#include <QDir>

using namespace BoxProtocol;

BoxSimulator::BoxSimulator(QObject* parent) : QObject(parent) {}

BoxSimulator::~BoxSimulator() = default;

void BoxSimulator::InsertChip(int socket, std::unique_ptr<SimulatedChip> chip)
{
    if (socket >= 0 && socket < SocketCount)
        m_chips[size_t(socket)] = std::move(chip);
}

void BoxSimulator::RemoveChip(int socket)
{
    if (socket >= 0 && socket < SocketCount)
        m_chips[size_t(socket)].reset();
}

SimulatedChip* BoxSimulator::Chip(int socket) const
{
    return socket >= 0 && socket < SocketCount ? m_chips[size_t(socket)].get() : nullptr;
}

void BoxSimulator::EnableTiming(int latencyMs, int packetBytes)
{
    m_adapter = std::make_unique<SerialAdapterModel>(latencyMs, packetBytes);
    m_adapter->SetRate(m_boxBaud);
}

void BoxSimulator::AttachHost(Sink sink)
{
    m_sink = std::move(sink);
}

void BoxSimulator::HostLineRate(qint32 baud)
{
    m_hostBaud = baud;
}

void BoxSimulator::HostDtr(bool raised)
{
    // A reset is a pulse: DTR raised, then dropped. Opening a port (which may raise it) is not.
    if (raised) {
        m_dtr = true;
        return;
    }
    const bool pulse = m_dtr;
    m_dtr = false;
    if (pulse)
        Reset();
}

void BoxSimulator::HostBytes(const QByteArray& bytes)
{
    auto process = [this](const QByteArray& arrived) {
        const QByteArray seen = m_hostBaud == m_boxBaud ? arrived : UartResample(arrived, m_hostBaud, m_boxBaud);
        for (const char c : seen)
            Receive(quint8(c));
        Flush();
    };
    if (m_adapter)
        m_adapter->ToBox(bytes, process);
    else
        process(bytes);
}

void BoxSimulator::Reset()
{
    ++m_resets;
    m_stageSilent = false;
    DropWork();
    m_mode = Mode::Loader;
    m_loaderSequence.clear();
    m_download.clear();
    m_boxBaud = NormalBaud;
    if (m_adapter)
        m_adapter->SetRate(m_boxBaud);
    m_out.clear();
    m_receivedSinceReset = 0;
    SetSupplies(false, false);
    m_selfPowered = false;
    m_rampStep = -1;
    m_lastRaised = 0;
    m_vddFall = m_vppFall = 0;
    m_dropped = 0;
    m_operationsRun = 0;
    m_voltageBits = 0;
    m_voltageMode = 3;
    m_parameterBlock.clear();
    m_script.clear();
    m_blockSinceScript = false;
    m_windowAddressed = m_windowFailed = 0;
    m_failLocation.fill(0);
    m_windowClosed = true;
    emit ResetDone();
}

void BoxSimulator::Receive(quint8 byte)
{
    ++m_receivedSinceReset;
    ++m_receivedTotal;
    switch (m_mode) {
    case Mode::Loader: LoaderByte(byte); break;
    case Mode::Download: DownloadByte(byte); break;
    case Mode::Application: ApplicationByte(byte); break;
    }
}

bool BoxSimulator::SilentAt(BoxFaults::Stage stage, qint64 bytesDone)
{
    const bool atOnce =
        stage == BoxFaults::Stage::Loader || stage == BoxFaults::Stage::Reset || stage == BoxFaults::Stage::SpeedChange;
    if (m_faults.silentStage == stage && (atOnce || bytesDone >= m_faults.silentStageBytes))
        m_stageSilent = true;
    return m_stageSilent;
}

void BoxSimulator::Reply(quint8 byte)
{
    if (m_faults.silentAfter >= 0 && m_receivedSinceReset > m_faults.silentAfter)
        return;
    if (m_stageSilent)
        return;
    if (!m_garbageDone && m_faults.garbageAfter >= 0 && m_receivedTotal > m_faults.garbageAfter) {
        m_garbageDone = true;
        byte = m_faults.garbageByte;
        // A failure byte in place of a reply fails the command as a real failure does.
        m_failureInjected = byte == Refused || byte == Resync;
    }
    m_out.append(char(byte));
}

void BoxSimulator::Flush()
{
    if (m_out.isEmpty())
        return;
    QByteArray bytes = m_out;
    m_out.clear();
    if (m_hostBaud != m_boxBaud)
        bytes = UartResample(bytes, m_boxBaud, m_hostBaud);
    if (m_adapter) {
        m_adapter->ToHost(bytes, [this](const QByteArray& delivered) {
            if (m_sink)
                m_sink(delivered);
        });
    } else if (m_sink) {
        m_sink(bytes);
    }
}

bool BoxSimulator::WriteMemoryDumps(const QString& dir, QString* error) const
{
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    for (int s = 0; s < SocketCount; ++s) {
        if (!m_chips[size_t(s)])
            continue;
        const QString path = QDir(dir).filePath(QStringLiteral("socket%1.hex").arg(QChar(u'A' + s)));
        if (!WriteChipHex(*m_chips[size_t(s)], path, error))
            return false;
    }
    return true;
}
