// The application firmware: escapes, command dispatch, operations and the status reply.
#include "BoxSimulator.h"

#include "SerialAdapterModel.h"

#include <utility>

using namespace BoxProtocol;

void BoxSimulator::ApplicationByte(quint8 byte)
{
    if (std::exchange(m_failureInjected, false))
        DropWork();
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
    if (std::exchange(m_failureInjected, false)) {
        DropWork(); // the byte whose acknowledgement became the failure is not taken
        return;
    }
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
            SetSupplies(true, true);
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
        SwitchVdd(false);
        SwitchVpp(false);
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
        SilentAt(BoxFaults::Stage::Program, m_transferDone);
        m_operation->Receive(byte);
        SpendChipTime();
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
    if (command == CmdHighSpeed)
        SilentAt(BoxFaults::Stage::SpeedChange);
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
    case CmdReadVdd: {
        const int reading = VddReading();
        SuppliesQueried();
        if (CommandReply(quint8(qBound(0, reading, 255))))
            complete();
        break;
    }
    case CmdReadVpp: {
        const int reading = VppReading();
        SuppliesQueried();
        if (CommandReply(quint8(qBound(0, reading, 255))))
            complete();
        break;
    }
    case CmdVddOn:
        SwitchVdd(true);
        m_lastRaised = 5;
        echoOnly();
        break;
    case CmdVppOn:
        SwitchVpp(true);
        m_lastRaised = 6;
        echoOnly();
        break;
    case CmdVppOff:
        SwitchVpp(false);
        complete();
        break;
    case CmdClearErrors:
        m_voltageBits = 0;
        m_windowAddressed = m_windowFailed = 0;
        m_failLocation.fill(0);
        complete();
        break;
    case CmdOperationPowerOn:
        if (!m_selfPowered)
            SwitchVdd(true);
        SwitchVpp(true);
        complete();
        break;
    case CmdPrepareVoltageTest:
        SwitchVdd(false);
        SwitchVpp(false);
        m_rampStep = -1;
        NoteIdleSupplies();
        complete();
        break;
    case CmdReadStatus: {
        const QByteArray reply = StatusReply();
        m_windowClosed = true;
        m_voltageBits = 0;
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
    case CmdSocketPass: {
        // A per-socket task's result: byte 7 of the parameter block names the sockets that pass,
        // and the next status reply reports them so.
        const quint8 passing =
            quint8(m_parameterBlock.size() > PbSocketMask ? m_parameterBlock[PbSocketMask] : 0) & quint8(0x55);
        m_windowAddressed |= passing;
        m_windowFailed &= quint8(~passing);
        complete();
        break;
    }
    case CmdParallelMode: complete(); break;
    case CmdTargetPowered:
        m_selfPowered = true;
        complete();
        break;
    case CmdPowerUpVddFirst:
    case CmdPowerUpVppFirst:
        SetSupplies(false, false);
        m_vddFall = m_vppFall = 0;
        m_dropped = 0;
        NoteIdleSupplies();
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
        SwitchVdd(false);
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
    NoteOperationSupplies();
    // Without its supply no chip answers: the operation changes nothing and its sockets fail.
    BoxOperation::Chips chips{};
    for (int s = 0; s < SocketCount; ++s)
        chips[size_t(s)] = m_dropped ? nullptr : m_chips[size_t(s)].get();
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
    SpendChipTime();
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
    SilentAt(BoxFaults::Stage::Read, m_transferDone);
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

BoxSimulator::Progress BoxSimulator::CurrentProgress() const
{
    Progress p;
    p.escapePending = m_escapePending;
    p.idle = m_mode == Mode::Application && m_state == State::Idle && !m_escapePending;
    if (m_operation && (m_state == State::SendTransfer || m_state == State::ReadTransfer)) {
        p.transfer = true;
        p.items = m_operation->ItemCount();
        const qint64 perItem = p.items > 0 ? qMax<qint64>(1, m_operation->TransferBytes() / p.items) : 1;
        p.itemsDone = m_transferDone / perItem;
    }
    return p;
}

void BoxSimulator::SpendChipTime()
{
    const qint64 ns = m_operation ? m_operation->TakeChipTimeNs() : 0;
    if (ns <= 0)
        return;
    m_chipTimeNs += ns;
    if (m_adapter) {
        Flush();
        m_adapter->HoldReplies(ns);
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
    reply.append(char(m_faults.statusVoltageBits | m_voltageBits));
    return reply;
}
