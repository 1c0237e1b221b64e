#pragma once

#include "core/model/OperationRecord.h"

#include <QString>
#include <QtGlobal>
#include <array>

class AppContext;
class PowerSequencer;
class ProgrammerLink;
struct EngineState;

// Runs one elementary operation of the device's template on the selected sockets: completes its
// parameter block for this run, loads it and its script into the box, starts it, and streams the
// memory region it covers to or from the box.
class OperationRunner
{
public:
    static constexpr int LastSlot = 32;

    OperationRunner(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power);

    // Runs the operation of slot on the sockets in SelectedSockets. Always returns true: failures
    // travel through StopRequested, the link error word and PassingSockets.
    bool RunOperation(int slot);

    // --- decision rules ---
    // The pulse value: the base pulse, scaled by ppw when scaling is on, at least 1 when scaled,
    // at most 255.
    static quint8 ScalePulse(int basePulse, bool scaling, int ppw);
    struct SocketBytes {
        quint8 mask;     // parameter byte 7
        quint8 ordinals; // byte 5
        quint8 failed;   // byte 6
    };
    static SocketBytes ComputeSocketBytes(const EngineState& state);

    // The parameter block as it was last sent (for tests and the benchmark).
    const std::array<quint8, OperationRecord::BlockSize>& LastBlock() const { return m_lastBlock; }

private:
    void RunSlot(int slot, OperationRecord& op, qint64 n, quint16 mask);
    bool Load(int slot, OperationRecord& op);
    bool Execute(const OperationRecord& op, bool waitCompletion);
    // A program fault inside an operation: error box, passing sockets from the last status reply,
    // target off.
    void Fail(const QString& message);

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_state;
    PowerSequencer& m_power;
    std::array<quint8, OperationRecord::BlockSize> m_lastBlock{};
};
