#include "core/link/BoxLink.h"

#include "core/context/ProgramFlags.h"
#include "core/link/BoxProtocol.h"
#include "core/link/LinkErrorWord.h"
#include "core/link/LinkPort.h"
#include "core/link/LinkProgress.h"
#include "core/link/SerialTransport.h"
#include "core/model/OptionIndex.h"
#include "core/model/OptionTable.h"

#include <QCoreApplication>

using Bit = LinkErrorWord::Bit;

BoxLink::BoxLink(LinkPort& port, LinkErrorWord& errors, ProgramFlags& flags, const OptionTable& options,
                 LinkProgress& progress, QObject* parent)
    : QObject(parent), m_port(port), m_errors(errors), m_flags(flags), m_options(options), m_progress(progress),
      m_ring(RingCapacity, 0)
{
    m_port.SetHooks(this);
}

BoxLink::~BoxLink()
{
    StopWatchdog();
    m_port.SetHooks(nullptr);
}

bool BoxLink::LinkHealthy() const
{
    return m_errors.LinkHealthy();
}

bool BoxLink::StopRequested() const
{
    return m_flags.StopRequested;
}

void BoxLink::SetWatchdogInterval(int ms)
{
    m_watchdogMs = ms;
}

// ---------------------------------------------------------------------------------------------
// Queue and receive

bool BoxLink::WaitQueueSpace()
{
    // A queue that is full is drained by the replies it waits for; it is never written past its end.
    if (m_queueCount < QueueCapacity)
        return true;
    if (!WatchdogRunning())
        StartWatchdog();
    while (m_queueCount >= QueueCapacity && LinkHealthy())
        ProcessReceived();
    return m_queueCount < QueueCapacity;
}

void BoxLink::Expect(quint8 replyClass)
{
    if (!WaitQueueSpace())
        return;
    m_queue[m_queueWrite] = replyClass;
    m_queueWrite = (m_queueWrite + 1) % QueueCapacity;
    ++m_queueCount;
}

quint8 BoxLink::PopClass()
{
    const quint8 c = m_queue[m_queueRead];
    m_queueRead = (m_queueRead + 1) % QueueCapacity;
    --m_queueCount;
    return c;
}

void BoxLink::ProcessEvents()
{
    m_port.Clock().ProcessEvents();
}

void BoxLink::ProcessReceived()
{
    if (m_queueCount == 0) {
        ProcessEvents();
        return;
    }
    // Take what has arrived (up to the expected count); with nothing there, wait for one byte
    // only, so a single acknowledgement frees the window at once instead of after a read gap.
    const int wanted = qMin(m_queueCount, ReadChunk);
    const qint64 pending = m_port.Transport() ? m_port.Transport()->BytesAvailable() : 0;
    const QByteArray bytes = m_port.ReadPort(pending > 0 ? int(qMin<qint64>(pending, wanted)) : 1);
    for (const char c : bytes) {
        if (!LinkHealthy() || m_queueCount == 0)
            break;
        if (!ProcessByte(quint8(c)))
            break;
    }
}

void BoxLink::StoreData(quint8 byte)
{
    m_ring[m_ringWrite] = byte;
    m_ringWrite = (m_ringWrite + 1) % RingCapacity;
    if (m_available < RingCapacity)
        ++m_available;
    else
        m_ringRead = m_ringWrite; // the oldest byte is overwritten
}

bool BoxLink::ProcessByte(quint8 b)
{
    // A status reply is 14 bytes; a fifteenth class-112 byte waits for the next request.
    if (m_queue[m_queueRead] == ClassStatusReply && m_statusCount >= BoxProtocol::StatusReplySize)
        return false;
    const quint8 c = PopClass();
    auto mustEqual = [this, b, c] {
        if (b != c)
            HandleBoxError(b);
    };
    if (c <= 26) {
        mustEqual();
        return true;
    }
    switch (c) {
    case ClassAck:
        if (b == c)
            m_inFlight = qMax(0, m_inFlight - 1);
        else
            HandleBoxError(b);
        break;
    case ClassFirmwareVersion:
    case ClassBootVersion: {
        quint16& version = c == ClassFirmwareVersion ? m_firmwareVersion : m_bootVersion;
        if (m_currentClass == c) {
            version |= quint16(b << 8);
            m_currentClass = NoClass;
        } else {
            version = b;
            m_currentClass = c;
        }
        break;
    }
    case ClassLoaderReady:
    case ClassDone:
    case ClassImageByte: mustEqual(); break;
    case ClassResync:
        if (b == c)
            m_inFlight = 0;
        else
            HandleBoxError(b);
        break;
    case ClassSupplyStatus: m_supplyStatus = b; break;
    case ClassSupplyReading:
        if (m_supplyStatus & BoxProtocol::SupplyReadingIsVpp)
            m_vppReading = b;
        else if (m_supplyStatus & BoxProtocol::SupplyReadingIsVdd)
            m_vddReading = b;
        else
            m_vddReading = m_vppReading = 0;
        break;
    case ClassVdd: m_vddReading = b; break;
    case ClassVpp: m_vppReading = b; break;
    case ClassBlock:
        if (b != c) {
            HandleBoxError(b);
            break;
        }
        if (++m_blockCounter >= m_progress.Step()) {
            m_progress.AdvanceProgress(m_progress.Increment());
            m_blockCounter = 0;
            StopWatchdog();
            StartWatchdog();
        }
        break;
    case ClassStatusReply: m_statusReply[m_statusCount++] = b; break;
    case ClassData: StoreData(b); break;
    case ClassConfigVersion: m_configVersion = char(b); break;
    default: m_errors.RecordError(Bit::BadData); break;
    }
    return true;
}

void BoxLink::HandleBoxError(quint8 b)
{
    if (b == BoxProtocol::Refused || b == BoxProtocol::Resync) {
        m_errors.RecordError(Bit::TaskFailed);
        ResetLinkStateFull();
        m_port.Pause();
        m_currentClass = NoClass;
        return;
    }
    if (b == BoxProtocol::VoltageError || b == BoxProtocol::AllFailed) {
        m_errors.RecordError(b == BoxProtocol::VoltageError ? Bit::ProgrammingVoltageError : Bit::AllDevicesFailed);
        SendAbortEscape();
        m_port.Pause();
        m_currentClass = NoClass;
        return;
    }
    // Garbage: a wrong line rate during the speed trial, otherwise bad data.
    m_currentClass = b;
    if (m_highSpeedTrial && m_options.Raw(OptionIndex::HighSpeed) != 0 && !m_highSpeedFailed)
        m_errors.RecordError(Bit::HighSpeedFailed);
    else
        m_errors.RecordError(Bit::BadData);
    if (m_highSpeedTrial)
        m_highSpeedFailed = true;
    m_port.SetProgrammerReady(false);
    ResetLinkStateFull();
    m_currentClass = NoClass;
}

void BoxLink::WaitAllReplies()
{
    // Replies are awaited under the watchdog even when nothing was written since the last wait.
    if (m_queueCount > 0 && !WatchdogRunning())
        StartWatchdog();
    while (LinkHealthy()) {
        ProcessReceived();
        ProcessEvents();
        if (m_queueCount == 0)
            break;
    }
    StopWatchdog();
}

void BoxLink::WaitWindow()
{
    if (m_inFlight < Window)
        return;
    if (LinkHealthy()) {
        StartWatchdog();
        while (m_inFlight >= Window && LinkHealthy()) {
            ProcessEvents();
            ProcessReceived();
        }
    }
    StopWatchdog();
}

void BoxLink::WaitData(const std::function<void()>& meanwhile)
{
    if (m_available > 0)
        return;
    StartWatchdog();
    while (m_available == 0 && !m_flags.StopRequested) {
        ProcessReceived();
        ProcessEvents();
        if (meanwhile)
            meanwhile();
    }
    StopWatchdog();
}

quint8 BoxLink::ReadByte()
{
    if (m_available == 0)
        WaitData();
    return TakeByte();
}

quint8 BoxLink::TakeByte()
{
    if (m_flags.StopRequested || m_available == 0)
        return 0;
    const quint8 b = m_ring[m_ringRead];
    m_ringRead = (m_ringRead + 1) % RingCapacity;
    --m_available;
    return b;
}

quint16 BoxLink::ReadWord()
{
    const quint8 low = ReadByte();
    if (m_flags.StopRequested)
        return 0;
    const quint8 high = ReadByte();
    return quint16(low | high << 8);
}

void BoxLink::ClearProtocolState()
{
    m_queueRead = m_queueWrite = m_queueCount = 0;
    m_inFlight = 0;
    m_ringRead = m_ringWrite = m_available = 0;
    m_currentClass = NoClass;
}

void BoxLink::ResetLinkStateFull()
{
    ClearProtocolState();
    if (m_port.IsOpen())
        m_port.PurgePort(true, true);
    m_port.Pause();
    // Replies to bytes that were on their way when the exchange broke off (the acknowledgements
    // of the rest of a block the box failed) arrive during the pause; they answer nothing the
    // next exchange asks, so they go as well.
    if (m_port.IsOpen())
        m_port.PurgePort(true, false);
}

// ---------------------------------------------------------------------------------------------
// Send primitives

void BoxLink::Write(quint8 byte)
{
    m_port.WritePort(QByteArray(1, char(byte)));
}

void BoxLink::SendRaw(quint8 byte, bool expect, quint8 replyClass)
{
    if (m_flags.StopRequested)
        return;
    if (expect)
        Expect(replyClass);
    Write(byte);
    ++m_inFlight; // the loader sends no '8'; its 'f' clears the count
}

void BoxLink::SendFramed(quint8 byte, bool expect, quint8 replyClass)
{
    if (m_inFlight >= Window)
        WaitWindow();
    if (!LinkHealthy())
        return;
    Expect(ClassAck);
    if (expect)
        Expect(replyClass);
    Write(byte);
    ++m_inFlight;
}

void BoxLink::SendData(quint8 byte, bool expect, quint8 replyClass)
{
    // The escape byte goes out twice; the first copy only costs an acknowledgement.
    const int copies = byte == BoxProtocol::Escape ? 2 : 1;
    for (int copy = 1; copy <= copies; ++copy) {
        if (m_inFlight >= Window)
            WaitWindow();
        if (m_flags.StopRequested)
            return;
        Expect(ClassAck);
        if (copy == copies && expect)
            Expect(replyClass);
        Write(byte);
        ++m_inFlight;
    }
}

void BoxLink::SendRead(bool last)
{
    if (m_inFlight >= Window)
        WaitWindow();
    if (m_flags.StopRequested)
        return;
    Expect(ClassAck);
    Expect(ClassData);
    if (last)
        Expect(ClassDone);
    Write(BoxProtocol::ReadRequest);
    ++m_inFlight;
}

void BoxLink::SendEscape(quint8 value, quint8 firstClass, int count, bool acknowledged)
{
    if (!acknowledged)
        ResetLinkStateFull();
    if (acknowledged)
        Expect(ClassAck);
    Write(BoxProtocol::Escape);
    if (acknowledged)
        ++m_inFlight;
    if (acknowledged)
        Expect(ClassAck);
    for (int k = 0; k < count; ++k)
        Expect(quint8(firstClass + k));
    Write(value);
    if (acknowledged)
        ++m_inFlight;
    WaitAllReplies();
}

void BoxLink::SendAbortEscape()
{
    SendEscape(BoxProtocol::EscAbort, ClassResync, 1, false);
}

void BoxLink::SendStopEscape()
{
    SendEscape(BoxProtocol::EscStop, 0, 0, true);
}

// ---------------------------------------------------------------------------------------------
// Watchdog

bool BoxLink::WatchdogRunning() const
{
    return m_watchdog != 0;
}

void BoxLink::StartWatchdog()
{
    StopWatchdog();
    m_watchdog = m_port.Clock().StartTimer(m_watchdogMs, [this] {
        m_watchdog = 0;
        WatchdogExpired();
    });
}

void BoxLink::StopWatchdog()
{
    if (m_watchdog != 0)
        m_port.Clock().StopTimer(m_watchdog);
    m_watchdog = 0;
}

void BoxLink::WriteStarted()
{
    if (!WatchdogRunning())
        StartWatchdog();
}

void BoxLink::WatchdogExpired()
{
    if (m_highSpeedTrial) {
        m_highSpeedFailed = true;
        m_errors.RecordError(Bit::HighSpeedFailed);
    } else if (m_firstTimeout) {
        m_errors.RecordError(Bit::NotResponding);
    } else {
        // First expiry: try to bring the box back with the abort escape, under a fresh watchdog.
        m_firstTimeout = true;
        m_errors.RecordError(Bit::AllDevicesFailed);
        StartWatchdog();
        SendAbortEscape();
        return;
    }
    m_port.SetProgrammerReady(false);
    StopWatchdog();
    m_firstTimeout = false;
}

// ---------------------------------------------------------------------------------------------
// Port hooks

void BoxLink::PortOpened()
{
    m_errors.ClearError(0);
}

void BoxLink::PortClosed()
{
    m_errors.RecordError(Bit::PortError);
}

void BoxLink::ClearErrorWord()
{
    m_errors.ClearError(0);
}

void BoxLink::MarkHardwareNotAvailable()
{
    if (m_markNotAvailable)
        m_markNotAvailable();
}

void BoxLink::FirmwareHandshake()
{
    if (m_handshake)
        m_handshake();
}
