#include "core/link/LinkErrorWord.h"

#include "core/context/ProgramFlags.h"

LinkErrorWord::LinkErrorWord(ProgramFlags& flags, std::function<void(int)> exitCode, std::function<void()> hardFault)
    : m_flags(flags), m_exitCode(std::move(exitCode)), m_hardFault(std::move(hardFault))
{
}

void LinkErrorWord::RecordError(quint64 bits)
{
    // Only a single cause of these kinds means the programmer can no longer be used.
    if (bits == PortError || bits == NotResponding || bits == (PortError | NotResponding) || bits == BadData ||
        bits == HighSpeedFailed) {
        if (m_hardFault)
            m_hardFault();
    }
    if (bits == UserAbort || bits == UnknownError || bits == AllDevicesFailed || bits == ProgrammingVoltageError)
        bits |= TaskFailed;
    m_word |= bits;
    if (m_word != 0)
        m_flags.StopRequested = true;
    Publish();
}

void LinkErrorWord::ClearError(quint64 bit)
{
    if (bit == 0)
        m_word = 0;
    else
        m_word &= ~bit;
    Publish();
    if (m_word == 0)
        m_flags.StopRequested = false;
}

void LinkErrorWord::DropReportedHighBits()
{
    m_word &= 0xFFFF;
    Publish();
}

void LinkErrorWord::Replace(quint64 word)
{
    m_word = word;
    m_flags.StopRequested = m_word != 0;
    Publish();
}

void LinkErrorWord::Publish()
{
    if (m_exitCode)
        m_exitCode(ExitCode());
}
