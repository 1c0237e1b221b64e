#pragma once

#include <QObject>
#include <QString>
#include <functional>

class AppContext;
class PowerSequencer;
class ProductionCounters;
class ProgrammerLink;
class SocketPanel;
class TaskEngine;
struct EngineState;

// The operator's programming commands: each cycle command runs the task rows of its cycle row
// one after the other with one voltage pre-test, one power-down and a timed summary (Auto Run
// also counts the parts); single tasks start from the task tree or the MCU Section menu; Read
// works on one chosen socket; Stop halts whatever runs.
class CycleRunner : public QObject
{
    Q_OBJECT
public:
    // Cycle codes of the commands.
    enum Code {
        AutoRunCode = 0,
        EraseCode = 1,
        BlankCheckCode = 7,
        ProgramCode = 12,
        VerifyCode = 18,
        SerializeCode = 24,
        ReadCode = 27,
        FusesCode = 33
    };

    CycleRunner(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power, TaskEngine& tasks,
                SocketPanel& sockets, ProductionCounters& counters, QObject* parent = nullptr);

    void AutoRun();
    void Erase();
    void BlankCheck();
    void ProgramOnly();
    void Verify();
    void Serialize();
    void Fuses();
    void Read();
    // Read cycle (or the pending read task) on one socket: ordinal 1 = A, 2 = B, 4 = C, 8 = D.
    void ReadSocket(int socketOrdinal);
    void Stop();
    void ClearLeds();
    void ClearStats();
    // A row chosen in the task tree (or by the menu), after the operator's confirmation.
    void RunFromTree(int row);
    // An MCU Section menu command carrying its task code.
    void MenuTask(int code);

    // At least one socket is switched on; otherwise the "Socket Not Selected" box and false.
    bool SocketSelected();

    // The common body of the cycle commands and its three stages.
    void RunCycle(int code, const QString& title, bool counting, bool countRuns);
    void StartCycle(int row, int steps, bool countRuns, const QString& title);
    void RunCycleSteps(int row, int steps);
    void EndCycle(const QString& title, bool counting);

    // Serial numbering's part of a cycle that serializes (Auto Run, Serialize): prepare the
    // numbers before it (false: the cycle does not run) and log them after it.
    std::function<bool()> prepareSerialNumbers;
    std::function<void()> logSerialNumbers;

signals:
    // The Read command needs the operator to choose a socket: the GUI pops up the Read socket menu.
    void SocketChoiceRequested();

private:
    bool Confirm(const QString& text);
    // A run that stops before it begins counts as a failed run.
    void EarlyStop();
    void ChooseSocketForRead();
    bool Stopped() const;
    void RefreshAfterRead(int code);

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_state;
    PowerSequencer& m_power;
    TaskEngine& m_tasks;
    SocketPanel& m_sockets;
    ProductionCounters& m_counters;
};
