#pragma once

#include "core/engine/ProductionCounters.h"
#include "core/engine/SocketMasks.h"
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
    TaskResults(HistoryLog& history, ProgramFlags& flags, EngineSockets& masks, SocketPanel& panel,
                ProductionCounters& counters);

    // Run state the report reads.
    bool CycleRunning = false;
    bool ShowFailAddress = true; // false from a cycle's start until its end report
    int FailureFormat = 0;       // 0 word address, 1 byte address, 2 and 3 configuration word number
    // The last status reply of the box (first failing locations at 0, 3, 6, 9).
    std::array<quint8, 14> StatusReply{};
    // Raises "current programming task failed" in the link error word.
    std::function<void()> recordTaskFailed;

    void ReportResults();
    void SocketPassed(int socket);
    void SocketFailed(int socket);
    // Good and failed counts of the run start again; the sockets in use light up and lock.
    void PrepareSocketsForRun();

    // ": ERROR @ 0x000246" and the like, for the socket's location in the status reply.
    static QString FailureText(int failureFormat, quint32 location);

private:
    HistoryLog& m_history;
    ProgramFlags& m_flags;
    EngineSockets& m_masks;
    SocketPanel& m_panel;
    ProductionCounters& m_counters;
};
