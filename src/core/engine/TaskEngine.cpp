#include "core/engine/TaskEngine.h"

#include "core/context/AppContext.h"
#include "core/engine/ElapsedText.h"
#include "core/engine/EngineState.h"
#include "core/engine/OperationRunner.h"
#include "core/engine/PowerSequencer.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/ProtectionTest.h"
#include "core/engine/RunLock.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TaskResults.h"
#include "core/image/ConfigurationWords.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QDateTime>

namespace {

constexpr int ResultColumn = 34;
constexpr int ConfigSlot = 15;     // configuration words with their masks
constexpr int ConfigByteSlot = 29; // configuration bytes sent from the masks
constexpr int MaxConfigPasses = 8;

using Bit = LinkErrorWord::Bit;

} // namespace

TaskEngine::TaskEngine(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power,
                       OperationRunner& runner, TaskResults& results, SocketPanel& sockets, RunLock& lock,
                       ProductionCounters& counters)
    : m_ctx(ctx), m_link(link), m_state(state), m_power(power), m_runner(runner), m_results(results),
      m_sockets(sockets), m_lock(lock), m_counters(counters)
{
}

bool TaskEngine::Stopped() const
{
    return m_ctx.Flags().StopRequested;
}

// ---------------------------------------------------------------------------------------------
// Run state

void TaskEngine::ReadResults()
{
    BoxLink& box = m_link.Box();
    box.ReadResults(m_state.PassingSockets, m_state.SelectedSockets);
    m_state.LastStatusReply = box.StatusReply();
}

void TaskEngine::ResetRunState()
{
    m_state.SupplyStatus = 0;
    m_state.VddReading = m_state.VppReading = 0;
    m_state.VddShown = m_state.VppShown = 0;
    m_state.HoldPowerBit = false;
    m_state.CycleStartMs = QDateTime::currentMSecsSinceEpoch();
    m_counters.SetElapsedText(QStringLiteral("?"));
    TemplateTables& t = m_ctx.Templates();
    t.selectedRow = -1;
    for (TaskRow& r : t.rows) {
        if (!r.available)
            r.nodeState = TaskRow::NotAvailable;
        else
            r.nodeState = r.run ? TaskRow::Ready : TaskRow::SwitchedOff;
    }
    for (int s = 0; s < Sockets::Count; ++s)
        m_sockets.Indicator(s).Seterror(false);
    ProgramFlags& flags = m_ctx.Flags();
    flags.StopRequested = false;
    flags.TaskFailed = false;
    m_link.Errors().ClearError(0);
    m_state.FailedSocketOrdinals = 0;
    m_link.Progress().SetPosition(0);
    m_counters.SetGauges(0, 0);
    // A reset leaves the target unpowered.
    m_state.PowerOn = false;
    m_state.PreTestPassed = false;
    m_state.PoweredForOperation = false;
    if (flags.AutoRunArmed)
        m_ctx.Window().SetStatusText(QStringLiteral("READY"));
    t.NotifyStatesChanged();
}

void TaskEngine::PrepareSocketsForRun()
{
    m_results.PrepareSocketsForRun();
}

void TaskEngine::ReportResults()
{
    m_results.ReportResults();
}

void TaskEngine::LockForRun(bool locked)
{
    m_lock.SetLocked(locked);
    m_ctx.Templates().NotifyStatesChanged();
}

void TaskEngine::SelectNode(int row)
{
    TemplateTables& t = m_ctx.Templates();
    if (row < 0) {
        t.selectedRow = -1;
    } else if (t.treeSelectAllowed && row < t.nodeCount) {
        t.selectedRow = row;
    }
    t.NotifyStatesChanged();
}

void TaskEngine::SetNodeFailed(int row)
{
    TemplateTables& t = m_ctx.Templates();
    t.rows[size_t(row)].nodeState = TaskRow::Failed;
    const int parent = t.parentRow[size_t(row)];
    if (parent >= 0 && parent < TemplateTables::RowCount)
        t.rows[size_t(parent)].nodeState = TaskRow::Failed;
}

void TaskEngine::ShowElapsed()
{
    m_counters.SetElapsedText(FormatElapsed(QDateTime::currentMSecsSinceEpoch() - m_state.CycleStartMs));
}

void TaskEngine::RefreshConfigDisplay()
{
    MemoryImage& image = m_ctx.Image();
    const int words = qBound(0, m_ctx.Profile().cfgWords, DeviceProfile::MaxConfigWords);
    for (int i = 0; i < words; ++i)
        DecodeConfigWord(m_ctx, quint16(image.ConfigWords()[size_t(i)] & image.ConfigMasks()[size_t(i)]), i);
}

// ---------------------------------------------------------------------------------------------
// Begin and end steps

void TaskEngine::SkippedLine(int row)
{
    HistoryLog& history = m_ctx.History();
    history.AddLine(QStringLiteral(" ") + m_ctx.Templates().rows[size_t(row)].description + QStringLiteral(":"),
                    HistoryStyle::Skipped);
    history.AppendColumn(QStringLiteral("Skipped"), ResultColumn, HistoryStyle::Skipped);
}

bool TaskEngine::BeginTask(int row)
{
    const TaskRow& r = m_ctx.Templates().rows[size_t(row)];
    if (!FromMenu && !r.run) {
        SkippedLine(row);
        return false;
    }
    if (!r.enabled)
        return false;
    ResetRunState();
    PrepareSocketsForRun();
    m_ctx.History().AddLine(QStringLiteral(" "), HistoryStyle::Normal);
    m_ctx.Templates().treeSelectAllowed = true;
    SelectNode(row);
    m_link.Box().ClearFirstTimeout();
    m_link.ResetProgrammer();
    if (!Stopped()) {
        PrepareSocketsForRun();
        LockForRun(true);
    }
    if (!Stopped())
        m_power.VoltagePreTest();
    m_ctx.Window().SetStatusText(r.description);
    m_ctx.History().AddLine(r.description, HistoryStyle::FileInformation);
    return !Stopped();
}

bool TaskEngine::EndTask(int row)
{
    ProgramFlags& flags = m_ctx.Flags();
    m_power.PowerOff();
    m_link.ResetAfterLinkError();
    ReadResults();
    ReportResults();
    TemplateTables& t = m_ctx.Templates();
    if (flags.StopRequested || flags.TaskFailed) {
        flags.TaskFailed = true;
        m_ctx.Window().SetStatusText(QStringLiteral("Failed"));
        SetNodeFailed(row);
        m_link.ReportErrors();
    } else {
        t.rows[size_t(row)].nodeState = TaskRow::Passed;
        m_ctx.Window().SetStatusText(QStringLiteral("Ready"));
    }
    m_sockets.RefreshIndicators();
    LockForRun(false);
    SelectNode(-1);
    t.treeSelectAllowed = false;
    if (m_state.VoltageSeen && (m_state.EnabledSockets & ~Sockets::HardwareBit[0] & Sockets::AllHardware))
        m_sockets.ForceSingleSocket();
    return false;
}

bool TaskEngine::BeginCycleStep(int row)
{
    const TaskRow& r = m_ctx.Templates().rows[size_t(row)];
    if (!r.run) {
        SkippedLine(row);
        return false;
    }
    if (!r.enabled)
        return false;
    m_ctx.Templates().treeSelectAllowed = true;
    SelectNode(row);
    if (!r.group) {
        m_sockets.RefreshIndicators();
        m_ctx.History().AddLine(QStringLiteral(" ") + r.description + QStringLiteral(":"), HistoryStyle::Success);
    }
    return !Stopped();
}

bool TaskEngine::EndCycleStep(int row)
{
    TemplateTables& t = m_ctx.Templates();
    const TaskRow& r = t.rows[size_t(row)];
    if (r.group || !r.enabled || !r.run)
        return false;
    ProgramFlags& flags = m_ctx.Flags();
    ReadResults();
    ReportResults();
    if (!flags.StopRequested && !flags.TaskFailed) {
        t.rows[size_t(row)].nodeState = TaskRow::Passed;
    } else {
        flags.TaskFailed = true;
        m_ctx.Window().SetStatusText(QStringLiteral("Failed"));
        SetNodeFailed(row);
    }
    // A device failure alone does not end the cycle: the next row runs for the sockets that
    // still pass.
    LinkErrorWord& errors = m_link.Errors();
    if ((errors.Word() & ~quint64(Bit::TaskFailed)) == 0)
        errors.ClearError(Bit::TaskFailed);
    SelectNode(-1);
    t.treeSelectAllowed = false;
    return !flags.StopRequested;
}

// ---------------------------------------------------------------------------------------------
// Steps

bool TaskEngine::StepDefined(int slot)
{
    if (slot < 0 || slot >= TemplateTables::SlotCount || m_ctx.Templates().operations[size_t(slot)].scriptLength <= 1) {
        // An operation the device does not define stops the row.
        m_ctx.Flags().StopRequested = true;
        return false;
    }
    return true;
}

void TaskEngine::PowerAndRun(int slot)
{
    if (!Stopped())
        m_power.PowerOnForOperation(m_ctx.Templates().operations[size_t(slot)].powerMode);
    if (!Stopped())
        m_runner.RunOperation(slot);
}

bool TaskEngine::RunPlainStep(int slot)
{
    if (!StepDefined(slot))
        return false;
    PowerAndRun(slot);
    return true;
}

quint16 TaskEngine::PrepareConfigPass(OperationRecord& op, int j, int* word)
{
    const auto& masks = m_ctx.Image().ConfigMasks();
    const int w = qBound(0, m_ctx.Profile().cfgSeq[size_t(j)], 15);
    const quint16 m = w < int(masks.size()) ? masks[size_t(w)] : 0;
    op.parameterBlock[BoxProtocol::PbMaskLow] = quint8(m);
    op.parameterBlock[BoxProtocol::PbMaskHigh] = quint8(m >> 8);
    *word = w;
    return m;
}

void TaskEngine::RunConfigurationBytes(int slot)
{
    const DeviceProfile& profile = m_ctx.Profile();
    if (profile.cfgWords <= 1) {
        PowerAndRun(slot);
        return;
    }
    OperationRecord& op = m_ctx.Templates().operations[size_t(slot)];
    const int passes = qMin(profile.cfgWords, MaxConfigPasses);
    for (int j = 0; j < passes && !Stopped(); ++j) {
        int w = 0;
        const quint16 m = PrepareConfigPass(op, j, &w);
        // The low and the high byte of the mask each go as the single word, when not 0.
        for (int half = 0; half < 2; ++half) {
            if (quint8(m >> (8 * half)) == 0)
                continue;
            op.parameterBlock[BoxProtocol::PbCount] = quint8(2 * w + half);
            m_state.ChosenConfigWord = m;
            PowerAndRun(slot);
        }
    }
}

void TaskEngine::RunConfigurationWords(int slot)
{
    const DeviceProfile& profile = m_ctx.Profile();
    if (profile.cfgWords <= 1 || profile.core != CoreFamily::Core18X) {
        PowerAndRun(slot);
        return;
    }
    OperationRecord& op = m_ctx.Templates().operations[size_t(slot)];
    const auto& words = m_ctx.Image().ConfigWords();
    const int passes = qMin(profile.cfgWords, MaxConfigPasses);
    for (int j = 0; j < passes && !Stopped(); ++j) {
        int w = 0;
        PrepareConfigPass(op, j, &w);
        op.parameterBlock[BoxProtocol::PbCount] = quint8(2 * w);
        m_state.ChosenConfigWord = w < int(words.size()) ? words[size_t(w)] : 0xFFFF;
        PowerAndRun(slot);
    }
}

void TaskEngine::RunPerSocketLoop(int row)
{
    MemoryImage& image = m_ctx.Image();
    const int keptCalSocket = image.SelectedCalSocket();
    for (int socket = 0; socket < Sockets::Count; ++socket) {
        image.SetSelectedCalSocket(socket);
        RunRowPerSocket(row, socket);
    }
    image.SetSelectedCalSocket(keptCalSocket);
}

bool TaskEngine::RunRow(int row, bool cycleMode)
{
    if (row < 0 || row >= TemplateTables::RowCount)
        return true;
    TemplateTables& t = m_ctx.Templates();
    const TaskRow& r = t.rows[size_t(row)];
    if (r.taskCode == NoTask || m_ctx.Flags().StartupInProgress)
        return true;
    const bool begun = cycleMode ? BeginCycleStep(row) : BeginTask(row);
    if (begun) {
        const int steps = qBound(0, r.stepCount, TaskRow::MaxSteps);
        auto forEachStep = [&](const std::function<void(int)>& step) {
            for (int i = 0; i < steps && !Stopped(); ++i)
                step(int(r.steps[size_t(i)]));
        };
        // The configuration codes: their special slot goes word by word, every other step plainly.
        auto runConfigSteps = [&](int specialSlot, void (TaskEngine::*special)(int)) {
            forEachStep([&](int slot) {
                if (!StepDefined(slot))
                    return;
                if (slot == specialSlot)
                    (this->*special)(slot);
                else
                    PowerAndRun(slot);
            });
        };
        switch (r.taskCode) {
        case 2: {
            m_state.PassingSocketsSaved = m_state.PassingSockets;
            RunPerSocketLoop(row);
            m_state.PassingSockets = m_state.PassingSocketsSaved;
            const DeviceProfile& profile = m_ctx.Profile();
            if (profile.hasExtraCalibration)
                for (int socket = 0; socket < Sockets::Count; ++socket)
                    DecodeXcal(m_ctx, m_ctx.Image().Calibration(socket).xcalValue, socket);
            m_ctx.Image().RefreshEditorView(profile, ImageDisplayState::CalibrationPage);
            break;
        }
        case 6:
        case 34: RunPerSocketLoop(row); break;
        case 3: runConfigSteps(ConfigByteSlot, &TaskEngine::RunConfigurationBytes); break;
        case 17:
        case 35:
            if (!m_state.CycleRunning) {
                StoreComposedWords(m_ctx);
                if (!ProtectionTest(m_ctx, false))
                    return EndTask(row);
            }
            runConfigSteps(ConfigSlot, &TaskEngine::RunConfigurationWords);
            break;
        case 25:
        case 26:
            SerialNumberTask = true;
            if (r.enabled) {
                // Nothing serialized is never reported as success.
                if (!serialNumberTask) {
                    m_link.Errors().RecordError(Bit::TaskFailed);
                    break;
                }
                m_state.PassingSocketsSaved = m_state.PassingSockets;
                for (int socket = 0; socket < Sockets::Count; ++socket)
                    serialNumberTask(row, socket);
                m_state.PassingSockets = m_state.PassingSocketsSaved;
                if (!cycleMode && serialNumberLog)
                    serialNumberLog();
            }
            break;
        default: forEachStep([&](int slot) { RunPlainStep(slot); }); break;
        }
    }
    return cycleMode ? EndCycleStep(row) : EndTask(row);
}

void TaskEngine::RunRowPerSocket(int row, int socket)
{
    if (socket < 0 || socket >= Sockets::Count)
        return;
    const quint8 h = Sockets::HardwareBit[size_t(socket)];
    const quint8 o = Sockets::OrdinalBit[size_t(socket)];
    if (!m_sockets.Indicator(socket).douse() || !(m_state.PassingSockets & h))
        return;
    const quint8 s0 = m_state.SelectedSockets;
    const quint8 f0 = m_state.FailedSocketOrdinals;
    quint8 p = m_state.PassingSockets;
    const TaskRow& r = m_ctx.Templates().rows[size_t(row)];
    const int steps = qBound(0, r.stepCount, TaskRow::MaxSteps);
    for (int i = 0; i < steps; ++i) {
        const int c = r.steps[size_t(i)];
        if (c < 0 || c >= TemplateTables::SlotCount)
            continue;
        if (m_link.Errors().LinkHealthy())
            m_power.PowerOnForOperation(m_ctx.Templates().operations[size_t(c)].powerMode);
        m_state.SelectedSockets = h;
        m_runner.RunOperation(c);
        ReadResults();
        const auto& reply = m_state.LastStatusReply;
        if (reply[12] != 0 || reply[13] != 0) {
            m_state.PassingSockets = p;
        } else {
            // The socket failed without any report from the box.
            m_state.PassingSockets = quint8((s0 & ~h) & Sockets::AllHardware);
            m_state.PassingSocketsSaved &= quint8(~h);
            m_state.FailedSocketOrdinals |= o;
        }
        p = quint8(p | (reply[12] & Sockets::AllHardware));
        ReportSocketResult(c, f0, m_link.Errors().Has(Bit::TaskFailed), p);
        m_state.SelectedSockets = s0;
    }
}

void TaskEngine::ReportSocketResult(int slot, quint8 failedBefore, bool taskFailed, quint8 passMask)
{
    if (slot < 0 || slot >= TemplateTables::SlotCount)
        return;
    std::array<quint8, OperationRecord::BlockSize> block = m_ctx.Templates().operations[size_t(slot)].parameterBlock;
    block[BoxProtocol::PbSocketMask] = passMask;
    block[BoxProtocol::PbSocketOrdinals] = m_state.EnabledSocketOrdinals;
    block[BoxProtocol::PbFailedOrdinals] = quint8(failedBefore | m_state.FailedSocketOrdinals);
    // A broken link (no answer, bad data, the port gone) keeps its error and ends the run: the box
    // cannot take the report, and clearing the word would send the next socket's work to a box
    // that does not answer, one watchdog round per socket, and lose the error.
    if (!m_link.Errors().LinkHealthy())
        return;
    m_link.Errors().ClearError(0);
    BoxLink& box = m_link.Box();
    if (box.SendBlock(BoxProtocol::CmdParameterBlock, block.data(), int(block.size()), false))
        return;
    box.Command(taskFailed ? BoxProtocol::CmdSocketFail : BoxProtocol::CmdSocketPass, true);
}
