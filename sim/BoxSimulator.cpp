#include "BoxSimulator.h"

#include "MemoryDump.h"
#include "SerialAdapterModel.h"
#include "UartLine.h"

#include <QDir>

using namespace BoxProtocol;

namespace {
constexpr int VddNominal = 80;    // 5.0 V
constexpr int VddFaultLow = 64;   // 4.0 V
constexpr int VddFaultHigh = 96;  // 6.0 V
constexpr int VppStandard = 208;  // 13.0 V
constexpr int VppReduced = 176;   // 11.0 V
constexpr int VppFaultLow = 150;  // 9.4 V
constexpr int VppFaultHigh = 230; // 14.4 V
constexpr int NotRisingLevel = 8; // 0.5 V
} // namespace

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
    DropWork();
    m_mode = Mode::Loader;
    m_loaderSequence.clear();
    m_download.clear();
    m_boxBaud = NormalBaud;
    if (m_adapter)
        m_adapter->SetRate(m_boxBaud);
    m_out.clear();
    m_receivedSinceReset = 0;
    m_vddOn = m_vppOn = m_selfPowered = false;
    m_rampStep = -1;
    m_lastRaised = 0;
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

void BoxSimulator::LoaderByte(quint8 byte)
{
    // The loader knows three-byte requests '<' x '>' and ignores everything else.
    if (m_loaderSequence.isEmpty()) {
        if (byte == FrameStart)
            m_loaderSequence.append(char(byte));
        return;
    }
    if (m_loaderSequence.size() == 1) {
        m_loaderSequence.append(char(byte));
        return;
    }
    const quint8 request = quint8(m_loaderSequence[1]);
    m_loaderSequence.clear();
    if (byte != FrameEnd) {
        if (byte == FrameStart)
            m_loaderSequence.append(char(byte));
        return;
    }
    switch (request) {
    case LoaderIdentify:
        Reply(quint8(m_identity.firmwareVersion & 0xFF));
        Reply(quint8(m_identity.firmwareVersion >> 8));
        Reply(quint8(m_identity.bootVersion & 0xFF));
        Reply(quint8(m_identity.bootVersion >> 8));
        break;
    case LoaderLoad:
        Reply(LoaderReady);
        m_download.clear();
        m_mode = Mode::Download;
        break;
    case LoaderRun:
        Reply(Resync);
        m_mode = Mode::Application;
        m_state = State::Idle;
        m_escapePending = false;
        break;
    default: break;
    }
}

void BoxSimulator::DownloadByte(quint8 byte)
{
    m_download.append(char(byte));
    Reply(ImageByteAccepted);
    if (m_download.size() < ImageWords * 2)
        return;
    // A complete image: take its version and letter when its marker and check sum hold.
    m_lastImage = m_download;
    quint16 sum = 0;
    auto word = [this](int i) { return quint16(quint8(m_lastImage[2 * i]) | quint8(m_lastImage[2 * i + 1]) << 8); };
    for (int i = 0; i < ImageWords; ++i)
        sum = quint16(sum + word(i));
    if (word(0) == ImageMarker && sum == 0) {
        m_identity.firmwareVersion = word(1);
        m_identity.configLetter = char(word(2) & 0xFF);
    } else {
        m_identity.firmwareVersion = 0xFFFF;
        m_identity.configLetter = '?';
    }
    m_download.clear();
    m_mode = Mode::Loader;
}

void BoxSimulator::ApplicationByte(quint8 byte)
{
    // The acknowledgement of an escape byte waits for the value: the abort escape has none.
    if (m_escapePending) {
        m_escapePending = false;
        EscapeValue(byte);
        return;
    }
    if (byte == Escape) {
        m_escapePending = true;
        return;
    }
    Reply(Ack);
    switch (m_state) {
    case State::Idle:
        if (byte == FrameStart)
            m_state = State::FrameCommand;
        break;
    case State::FrameCommand:
        m_command = byte;
        m_state = State::FrameEnd;
        break;
    case State::FrameEnd:
        if (byte == FrameEnd)
            StartCommand(m_command);
        else
            m_state = State::Idle;
        break;
    case State::ReadTransfer:
        if (byte == ReadRequest)
            AnswerReadRequest();
        else
            DropWork();
        break;
    default: DataByte(byte); break;
    }
}

void BoxSimulator::EscapeValue(quint8 value)
{
    switch (value) {
    case Escape:
        Reply(Ack);
        Reply(Ack);
        if (m_state != State::Idle && m_state != State::FrameCommand && m_state != State::FrameEnd &&
            m_state != State::ReadTransfer)
            DataByte(Escape);
        break;
    case EscAbort:
        DropWork();
        Reply(Resync);
        break;
    case EscConfirm:
        Reply(Ack);
        Reply(Ack);
        if (m_rampStep >= 0) {
            m_vddOn = m_vppOn = true;
            m_lastRaised = m_rampFirst == 5 ? 6 : 5;
            m_rampStep = -1;
        }
        Reply(Done);
        break;
    case EscPoll: {
        Reply(Ack);
        Reply(Ack);
        const QByteArray poll = StatusPoll();
        for (const char c : poll)
            Reply(quint8(c));
        break;
    }
    case EscStop:
        Reply(Ack);
        Reply(Ack);
        DropWork();
        m_vddOn = m_vppOn = false;
        m_rampStep = -1;
        break;
    default:
        Reply(Ack);
        Reply(Ack);
        break;
    }
}

void BoxSimulator::DataByte(quint8 byte)
{
    switch (m_state) {
    case State::PayloadLength:
        if (byte > MaxPayload) {
            CommandReply(Refused);
            DropWork();
            return;
        }
        m_expected = byte;
        m_buffer.clear();
        m_state = State::Payload;
        if (m_expected == 0) {
            m_script.clear();
            m_blockSinceScript = false;
            m_state = State::Idle;
            CommandReply(Done);
        }
        break;
    case State::Payload:
        m_buffer.append(char(byte));
        if (m_buffer.size() == m_expected) {
            m_script = m_buffer;
            m_blockSinceScript = false;
            m_state = State::Idle;
            CommandReply(Done);
        }
        break;
    case State::Record:
        m_buffer.append(char(byte));
        if (m_buffer.size() == 2) {
            const quint8 kind = quint8(m_buffer[1]);
            const quint8 value = quint8(m_buffer[0]);
            if (kind == RecordModification)
                m_identity.modification = value;
            else if (kind == RecordDualVpp)
                m_identity.modification |= value;
            m_state = State::Idle;
            CommandReply(Done);
        }
        break;
    case State::ParameterBlock:
        m_buffer.append(char(byte));
        if (m_buffer.size() == ParameterBlockSize) {
            m_parameterBlock = m_buffer;
            m_blockSinceScript = true;
            m_state = State::Idle;
            CommandReply(Done);
        }
        break;
    case State::ModeByte:
        m_voltageMode = byte;
        m_state = State::Idle;
        CommandReply(Done);
        break;
    case State::SendTransfer:
        m_operation->Receive(byte);
        if (++m_transferDone >= m_operation->TransferBytes())
            FinishOperation();
        break;
    default: break;
    }
}

void BoxSimulator::StartCommand(quint8 command)
{
    m_state = State::Idle;
    m_commandDropped = false;
    m_commandReplied = false;
    Reply(command); // the echo
    auto complete = [this] { CommandReply(Done); };
    auto echoOnly = [this, command] {
        // No reply follows these commands; an injected fault is sent right after the echo.
        if (m_faults.replyFaults.contains(command))
            CommandReply(Done);
    };
    switch (command) {
    case CmdPayload:
        m_buffer.clear();
        m_state = m_blockSinceScript ? State::PayloadLength : State::Record;
        break;
    case CmdExecute: Execute(); break;
    case CmdParameterBlock:
        m_buffer.clear();
        m_state = State::ParameterBlock;
        break;
    case CmdReadVdd:
        if (CommandReply(quint8(qBound(0, VddReading(), 255))))
            complete();
        break;
    case CmdReadVpp:
        if (CommandReply(quint8(qBound(0, VppReading(), 255))))
            complete();
        break;
    case CmdVddOn:
        m_vddOn = true;
        m_lastRaised = 5;
        echoOnly();
        break;
    case CmdVppOn:
        m_vppOn = true;
        m_lastRaised = 6;
        echoOnly();
        break;
    case CmdVppOff:
        m_vppOn = false;
        complete();
        break;
    case CmdClearErrors:
        m_windowAddressed = m_windowFailed = 0;
        m_failLocation.fill(0);
        complete();
        break;
    case CmdOperationPowerOn:
        if (!m_selfPowered)
            m_vddOn = true;
        m_vppOn = true;
        complete();
        break;
    case CmdPrepareVoltageTest:
        m_vddOn = m_vppOn = false;
        m_rampStep = -1;
        complete();
        break;
    case CmdReadStatus: {
        const QByteArray reply = StatusReply();
        m_windowClosed = true;
        for (const char c : reply)
            if (!CommandReply(quint8(c)))
                return;
        complete();
        break;
    }
    case CmdReadIdentification: {
        const quint16 words[IdentificationWords] = {m_identity.serialNumber, m_identity.productionWord1,
                                                    m_identity.productionWord2, m_identity.HardwareWord()};
        m_readData.clear();
        for (const quint16 w : words) {
            m_readData.append(char(w & 0xFF));
            m_readData.append(char(w >> 8));
        }
        m_operation.reset();
        m_transferDone = 0;
        m_state = State::ReadTransfer;
        break;
    }
    case CmdSocketFail:
    case CmdSocketPass:
    case CmdParallelMode: complete(); break;
    case CmdTargetPowered:
        m_selfPowered = true;
        complete();
        break;
    case CmdPowerUpVddFirst:
    case CmdPowerUpVppFirst:
        m_vddOn = m_vppOn = false;
        m_rampStep = 0;
        m_rampFirst = command == CmdPowerUpVddFirst ? 5 : 6;
        echoOnly();
        break;
    case CmdModificationDone:
        m_identity.modification |= 0x01;
        complete();
        break;
    case CmdReadConfigVersion:
        if (CommandReply(quint8(m_identity.configLetter)))
            complete();
        break;
    case CmdHighSpeed:
        if (CommandReply(Done)) {
            // The completion still leaves at the old rate.
            Flush();
            m_boxBaud = HighBaud;
            if (m_adapter)
                m_adapter->SetRate(m_boxBaud);
        }
        break;
    case CmdVddOff:
        m_vddOn = false;
        complete();
        break;
    case CmdProgrammerPowered:
        m_selfPowered = false;
        complete();
        break;
    case CmdVoltageMode: m_state = State::ModeByte; break;
    default:
        // Commands 7, 24 and anything above 26 are not part of the firmware.
        CommandReply(Refused);
        DropWork();
        break;
    }
}

void BoxSimulator::Execute()
{
    if (m_parameterBlock.size() != ParameterBlockSize) {
        CommandReply(Refused);
        DropWork();
        return;
    }
    BoxOperation::Chips chips{};
    for (int s = 0; s < SocketCount; ++s)
        chips[size_t(s)] = m_chips[size_t(s)].get();
    m_operation = std::make_unique<BoxOperation>(m_parameterBlock, m_script, chips);
    if (!m_operation->Valid()) {
        CommandReply(Refused);
        DropWork();
        return;
    }
    if (m_windowClosed) {
        m_windowAddressed = m_windowFailed = 0;
        m_failLocation.fill(0);
        m_windowClosed = false;
    }
    m_operation->Start();
    m_transferDone = 0;
    switch (m_operation->TransferKind()) {
    case BoxOperation::Transfer::None:
        for (int k = 0; k < m_operation->BlockAcks(); ++k)
            if (!CommandReply(BlockAck))
                return;
        FinishOperation();
        break;
    case BoxOperation::Transfer::Send: m_state = State::SendTransfer; break;
    case BoxOperation::Transfer::Read:
        m_readData.clear();
        for (qint64 i = 0; i < m_operation->TransferBytes(); ++i)
            m_readData.append(char(m_operation->ReadByte(i)));
        m_state = State::ReadTransfer;
        break;
    }
}

void BoxSimulator::FinishOperation()
{
    if (!m_operation)
        return;
    AccumulateResults(*m_operation);
    const quint8 code = quint8(m_parameterBlock.isEmpty() ? 0 : m_parameterBlock[PbOperation]);
    const quint8 passing = quint8(m_operation->AddressedMask() & ~m_windowFailed);
    m_operation.reset();
    m_state = State::Idle;
    CommandReply(Done);
    emit OperationDone(code, passing);
}

void BoxSimulator::AnswerReadRequest()
{
    if (m_transferDone >= m_readData.size()) {
        DropWork();
        return;
    }
    if (!CommandReply(quint8(m_readData[m_transferDone])))
        return;
    if (++m_transferDone < m_readData.size())
        return;
    if (m_operation)
        FinishOperation();
    else {
        m_state = State::Idle;
        CommandReply(Done);
    }
}

void BoxSimulator::DropWork()
{
    m_state = State::Idle;
    m_operation.reset();
    m_buffer.clear();
    m_readData.clear();
    m_transferDone = 0;
    m_escapePending = false;
    m_commandDropped = true;
}

void BoxSimulator::Reply(quint8 byte)
{
    if (m_faults.silentAfter >= 0 && m_receivedSinceReset > m_faults.silentAfter)
        return;
    if (!m_garbageDone && m_faults.garbageAfter >= 0 && m_receivedTotal > m_faults.garbageAfter) {
        m_garbageDone = true;
        byte = m_faults.garbageByte;
    }
    m_out.append(char(byte));
}

bool BoxSimulator::CommandReply(quint8 byte)
{
    if (m_commandDropped)
        return false;
    if (!m_commandReplied) {
        m_commandReplied = true;
        const auto fault = m_faults.replyFaults.constFind(m_command);
        if (fault != m_faults.replyFaults.cend()) {
            Reply(fault.value());
            DropWork();
            return false;
        }
    }
    Reply(byte);
    return true;
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

void BoxSimulator::AccumulateResults(const BoxOperation& op)
{
    for (int s = 0; s < SocketCount; ++s) {
        const BoxOperation::SocketResult& r = op.Results()[size_t(s)];
        if (!r.addressed)
            continue;
        const quint8 bit = SocketBit(s);
        m_windowAddressed |= bit;
        if (r.failed && !(m_windowFailed & bit)) {
            m_windowFailed |= bit;
            m_failLocation[size_t(s)] = r.location;
        }
    }
}

QByteArray BoxSimulator::StatusReply()
{
    QByteArray reply;
    for (int s = 0; s < SocketCount; ++s) {
        const quint32 location = (m_windowFailed & SocketBit(s)) ? m_failLocation[size_t(s)] : 0;
        reply.append(char(location & 0xFF));
        reply.append(char((location >> 8) & 0xFF));
        reply.append(char((location >> 16) & 0xFF));
    }
    reply.append(char(m_windowAddressed & ~m_windowFailed));
    reply.append(char(m_faults.statusVoltageBits));
    return reply;
}

int BoxSimulator::VddReading() const
{
    if (!m_vddOn && !m_selfPowered)
        return m_faults.vddIdle;
    const quint8 f = m_faults.supplyFaults;
    if (f & SupplyVddNotRising)
        return NotRisingLevel;
    if (f & SupplyVddLow)
        return VddFaultLow;
    if (f & SupplyVddHigh)
        return VddFaultHigh;
    return VddNominal;
}

int BoxSimulator::NominalVpp() const
{
    // From hardware revision 3 on, voltage mode bit 0 selects the standard window; clear, the
    // reduced one.
    return m_identity.hardwareRevision >= 3 && !(m_voltageMode & 1) ? VppReduced : VppStandard;
}

int BoxSimulator::VppReading() const
{
    if (!m_vppOn)
        return m_faults.vppIdle;
    const quint8 f = m_faults.supplyFaults;
    if (f & SupplyVppNotRising)
        return NotRisingLevel;
    if (f & SupplyVppLow)
        return VppFaultLow;
    if (f & SupplyVppHigh)
        return VppFaultHigh;
    return NominalVpp();
}

QByteArray BoxSimulator::StatusPoll()
{
    // During a power-up each supply takes two polls (half, then full level): the first supply,
    // then the second. Afterwards a poll reports the supply raised last.
    int shown = 0; // 5 VDD, 6 VPP
    bool half = false;
    if (m_rampStep >= 0) {
        const int step = m_rampStep++;
        const int second = m_rampFirst == 5 ? 6 : 5;
        if (step < 4) {
            shown = step < 2 ? m_rampFirst : second;
            half = (step % 2) == 0;
            (shown == 5 ? m_vddOn : m_vppOn) = true;
            m_lastRaised = shown;
        }
        if (step >= 3)
            m_rampStep = -1;
    }
    if (!shown) {
        if (m_lastRaised == 6 && m_vppOn)
            shown = 6;
        else if (m_lastRaised == 5 && (m_vddOn || m_selfPowered))
            shown = 5;
        else if (m_vppOn)
            shown = 6;
        else if (m_vddOn || m_selfPowered)
            shown = 5;
    }
    quint8 status = (m_vddOn || m_vppOn) ? quint8(m_faults.supplyFaults & 0x3F) : quint8(0);
    int reading = 0;
    if (shown == 5) {
        status |= SupplyReadingIsVdd;
        reading = VddReading();
    } else if (shown == 6) {
        status |= SupplyReadingIsVpp;
        reading = VppReading();
    }
    if (half)
        reading /= 2;
    QByteArray out;
    out.append(char(status));
    out.append(char(qBound(0, reading, 255)));
    return out;
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
