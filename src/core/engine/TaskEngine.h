#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class AppContext;
struct OperationRecord;
class OperationRunner;
class PowerSequencer;
class ProductionCounters;
class ProgrammerLink;
class RunLock;
class SocketPanel;
class TaskResults;
struct EngineState;

// Runs one task row of the device's template: its begin step, its operations (each powered as
// its power mode asks and run by the operation runner on the selected sockets), the special
// handling of the configuration-word, calibration and per-socket codes, and its end step with the
// result report. A row runs alone (from the task tree, the menu or a read) or as a step of a cycle.
class TaskEngine
{
public:
    static constexpr int NoTask = 63;

    TaskEngine(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power,
               OperationRunner& runner, TaskResults& results, SocketPanel& sockets, RunLock& lock,
               ProductionCounters& counters);

    // Runs one row; cycleMode false = a task started alone. Returns true when the run may go on.
    bool RunRow(int row, bool cycleMode);
    // Every step of row for socket 0..3 alone.
    void RunRowPerSocket(int row, int socket);
    // Tells the box which sockets passed after a per-socket step (pass or fail form).
    void ReportSocketResult(int slot, quint8 failedBefore, bool taskFailed, quint8 passMask);
    // Decodes every configuration word from ConfigWords under its mask.
    void RefreshConfigDisplay();

    // --- run state shared with the cycle runner ---
    // Reads the status reply: narrows PassingSockets, raises the voltage and task-failed bits, and
    // keeps the reply for the result report.
    void ReadResults();
    // Clears everything a run leaves behind (error word, stop and failure flags, socket errors,
    // supply readings, node states, gauges).
    void ResetRunState();
    void PrepareSocketsForRun();
    void ReportResults();
    // While locked only Stop is offered; the task tree is repainted either way.
    void LockForRun(bool locked);
    // Selects row's tree node (when the tree has it and selection is allowed), -1 deselects.
    void SelectNode(int row);
    void SetNodeFailed(int row);
    // The time-lapse label from the cycle start time to now.
    void ShowElapsed();

    // A task started from an MCU Section menu command runs even when switched off.
    bool FromMenu = false;
    // Set while a serial-number row runs (serial numbering reads it).
    bool SerialNumberTask = false;
    // The serialize step of row for one socket (serial numbering); without it the row fails.
    std::function<void(int row, int socket)> serialNumberTask;
    // Writes the serial-number log after a serial-number row run alone.
    std::function<void()> serialNumberLog;

private:
    bool BeginTask(int row);
    bool EndTask(int row);
    bool BeginCycleStep(int row);
    bool EndCycleStep(int row);
    void RunPerSocketLoop(int row);
    // The plain rule for one step: an undefined operation stops the row; otherwise power on and
    // run it unless stopped. Returns false when the step was undefined.
    bool RunPlainStep(int slot);
    bool StepDefined(int slot);
    void PowerAndRun(int slot);
    // Mask bytes of the j-th word of the programming order into op's block; returns the mask
    // and the word's number in word.
    quint16 PrepareConfigPass(OperationRecord& op, int j, int* word);
    void RunConfigurationBytes(int slot);
    void RunConfigurationWords(int slot);
    bool Stopped() const;
    void SkippedLine(int row);

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_state;
    PowerSequencer& m_power;
    OperationRunner& m_runner;
    TaskResults& m_results;
    SocketPanel& m_sockets;
    RunLock& m_lock;
    ProductionCounters& m_counters;
};
