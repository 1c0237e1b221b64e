#pragma once

#include "core/engine/EngineState.h"
#include "core/engine/SocketPanel.h"

#include <QString>
#include <array>
#include <functional>

class HistoryLog;
struct ProgramFlags;

// The per-socket result report written after every task and at the end of every cycle: the
// "OK"/"Failed" column of the task's line, one line per socket, the indicators and the counts of
// the run. A failing socket's line names its first failing location as the box reported it.
class TaskResults
{
public:
    // Reads the run state (CycleRunning, ShowFailAddress, FailureFormat, LastStatusReply, the
    // socket masks) and keeps the run's good and failed counts in it.
    TaskResults(HistoryLog& history, ProgramFlags& flags, EngineState& state, SocketPanel& panel);

    // Raises "current programming task failed" in the link error word.
    std::function<void()> recordTaskFailed;

    void ReportResults();
    // Lists the socket as passed unless a stop had been requested (outside a cycle).
    void SocketPassed(int socket, bool stopRequested);
    void SocketFailed(int socket);
    // Good and failed counts of the run start again; the sockets in use light up and lock.
    void PrepareSocketsForRun();

    // ": ERROR @ 0x000246" and the like, for the socket's location in the status reply.
    static QString FailureText(int failureFormat, quint32 location);

private:
    HistoryLog& m_history;
    ProgramFlags& m_flags;
    EngineState& m_state;
    SocketPanel& m_panel;
};
