#pragma once

#include <QtGlobal>
#include <functional>

struct ProgramFlags;

// The link error word: one bit per cause of failure on the way to and inside the programmer.
// Recording any bit sets StopRequested, which every sender and waiting loop tests; the low 16 bits
// are the process exit code. Bits 0x8, 0x40, 0x10000 and 0x20000 are soft: while only they are
// set a receive loop still runs to the end of its exchange.
class LinkErrorWord
{
public:
    enum Bit : quint64 {
        PortError = 0x1,
        NotResponding = 0x2,
        BadData = 0x4,
        TaskFailed = 0x8,
        FirmwareNotSynchronized = 0x10,
        HighSpeedFailed = 0x20,
        UserAbort = 0x40,
        UnknownError = 0x80,
        VddTooLow = 0x100,
        VddTooHigh = 0x200,
        VddNotRising = 0x400,
        MclrTooLow = 0x800,
        MclrTooHigh = 0x1000,
        MclrNotRising = 0x2000,
        VoltageOnVdd = 0x4000,
        CannotPullMclrLow = 0x8000,
        AllDevicesFailed = 0x10000,
        ProgrammingVoltageError = 0x20000,
    };
    static constexpr quint64 SoftBits = TaskFailed | UserAbort | AllDevicesFailed | ProgrammingVoltageError;

    // exitCode receives the low 16 bits after every change; hardFault runs before a port, response,
    // bad-data or high-speed failure is recorded (it clears ProgrammerReady and the power state).
    LinkErrorWord(ProgramFlags& flags, std::function<void(int)> exitCode, std::function<void()> hardFault = {});

    void SetHardFaultHandler(std::function<void()> hardFault) { m_hardFault = std::move(hardFault); }

    quint64 Word() const { return m_word; }
    bool Has(quint64 bits) const { return (m_word & bits) != 0; }
    // True while no hard bit is set.
    bool LinkHealthy() const { return (m_word & ~SoftBits) == 0; }

    // ORs bits in (0x40, 0x80, 0x10000 and 0x20000 also imply 0x8) and sets StopRequested.
    void RecordError(quint64 bits);
    // 0 clears the whole word (and StopRequested); otherwise clears that bit.
    void ClearError(quint64 bit);
    // After a report: bits 0x10000 and above go, the low 16 bits stay.
    void DropReportedHighBits();
    // The Stop command replaces the whole word.
    void Replace(quint64 word);

    int ExitCode() const { return int(m_word & 0xFFFF); }

private:
    void Publish();

    ProgramFlags& m_flags;
    std::function<void(int)> m_exitCode;
    std::function<void()> m_hardFault;
    quint64 m_word = 0;
};
