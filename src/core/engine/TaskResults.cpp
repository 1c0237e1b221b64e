#include "core/engine/TaskResults.h"

#include "core/context/HistoryLog.h"
#include "core/context/ProgramFlags.h"

namespace {
constexpr int ResultColumn = 34;
}

TaskResults::TaskResults(HistoryLog& history, ProgramFlags& flags, EngineState& state, SocketPanel& panel)
    : m_history(history), m_flags(flags), m_state(state), m_panel(panel)
{
}

QString TaskResults::FailureText(int failureFormat, quint32 location)
{
    QString text;
    quint32 number = location;
    switch (failureFormat) {
    case 1:
        text = QStringLiteral(": ERROR @ 0x");
        number = location * 2;
        break;
    case 2:
    case 3:
        text = QStringLiteral(": ERROR in Configuration Word #");
        number = location + 1;
        break;
    default: text = QStringLiteral(": ERROR @ 0x"); break;
    }
    return text + QString::number(number, 16).toUpper().rightJustified(6, u'0');
}

void TaskResults::ReportResults()
{
    if (m_state.CycleRunning) {
        if (m_state.SelectedSockets != m_state.PassingSockets) {
            m_history.AppendColumn(QStringLiteral("Failed"), ResultColumn, HistoryStyle::Error);
        } else if (m_flags.StopRequested) {
            m_history.AppendColumn(QStringLiteral("Failed "), ResultColumn, HistoryStyle::Error);
            m_state.PassingSockets = 0;
        } else {
            m_history.AppendColumn(QStringLiteral("OK"), ResultColumn, HistoryStyle::Normal);
        }
    }
    // A failing socket raises the error word, which requests a stop; whether the sockets that
    // passed are listed depends on a stop asked for before this list, so that the sockets after a
    // failed one are still named.
    const bool stoppedBefore = m_flags.StopRequested;
    for (int s = 0; s < Sockets::Count; ++s) {
        const quint8 bit = Sockets::HardwareBit[size_t(s)];
        if (!m_panel.Indicator(s).douse() || !(m_state.SelectedSockets & bit))
            continue;
        if (m_state.PassingSockets & bit) {
            SocketPassed(s, stoppedBefore);
        } else {
            m_state.SelectedSockets &= quint8(~bit);
            m_state.FailedSocketOrdinals |= Sockets::OrdinalBit[size_t(s)];
            SocketFailed(s);
        }
    }
}

void TaskResults::SocketPassed(int socket, bool stopRequested)
{
    m_panel.Indicator(socket).Setison(m_state.CycleRunning);
    if (m_state.CycleRunning || !stopRequested)
        m_history.AddLine(QStringLiteral("   Device ") + QChar(Sockets::Letter[size_t(socket)]) +
                              QStringLiteral(": OK"),
                          HistoryStyle::Normal);
}

void TaskResults::SocketFailed(int socket)
{
    const int at = Sockets::StatusPosition[size_t(socket)];
    const quint32 location = quint32(m_state.LastStatusReply[size_t(at)]) |
                             (quint32(m_state.LastStatusReply[size_t(at + 1)]) << 8) |
                             (quint32(m_state.LastStatusReply[size_t(at + 2)]) << 16);
    const QString device = QStringLiteral("   Device ") + QChar(Sockets::Letter[size_t(socket)]);
    if (m_state.CycleRunning) {
        m_history.AddLine(device + FailureText(m_state.FailureFormat, location), HistoryStyle::Error);
        --m_state.GoodCount;
        ++m_state.FailedCount;
    } else {
        m_panel.Indicator(socket).Seterror(true);
        m_history.AddLine(m_state.ShowFailAddress ? device + FailureText(m_state.FailureFormat, location)
                                                  : device + QStringLiteral(": ERROR"),
                          HistoryStyle::Error);
    }
    if (recordTaskFailed)
        recordTaskFailed();
}

void TaskResults::PrepareSocketsForRun()
{
    m_state.GoodCount = 0;
    m_state.FailedCount = 0;
    for (int s = 0; s < Sockets::Count; ++s)
        m_panel.Indicator(s).Setison(m_panel.Indicator(s).douse());
    m_state.SelectedSockets = m_state.PassingSockets = m_state.EnabledSockets;
    m_state.GoodCount = m_panel.InUseCount();
    m_panel.RefreshIndicators();
}
