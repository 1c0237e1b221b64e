#include "core/engine/CycleRunner.h"

#include "core/context/AppContext.h"
#include "core/engine/EngineState.h"
#include "core/engine/PowerSequencer.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/ProtectionTest.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TaskEngine.h"
#include "core/image/BufferChecksum.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/InformationReport.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"

#include <QDateTime>

namespace {

using Bit = LinkErrorWord::Bit;

constexpr int RuleWidth = 47;
constexpr int FirstReadTask = 28;
constexpr int LastReadTask = 32;
constexpr quint8 AllOrdinals = 15;

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// The socket of a single hardware bit, -1 when the mask holds none or several.
int SingleSocketOf(quint8 hardwareMask)
{
    for (int s = 0; s < Sockets::Count; ++s)
        if (hardwareMask == Sockets::HardwareBit[size_t(s)])
            return s;
    return -1;
}

} // namespace

CycleRunner::CycleRunner(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power,
                         TaskEngine& tasks, SocketPanel& sockets, ProductionCounters& counters, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_link(link), m_state(state), m_power(power), m_tasks(tasks), m_sockets(sockets),
      m_counters(counters)
{
}

bool CycleRunner::Stopped() const
{
    return m_ctx.Flags().StopRequested;
}

bool CycleRunner::SocketSelected()
{
    if ((m_state.EnabledSockets & Sockets::AllHardware) != 0)
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("Socket Not Selected");
    box.text = QStringLiteral("At least 1 Programming Socket must be selected.\r\rPlease verify that an MCU is "
                              "inserted in\rSocket A or select the desired socket for programming.");
    box.icon = BoxIcon::Warning;
    box.sound = SoundKind::Warning;
    m_ctx.Operator().ShowMessage(box);
    return false;
}

void CycleRunner::EarlyStop()
{
    // Nothing was programmed: an unattended caller must not read this as success.
    m_link.Errors().RecordError(Bit::TaskFailed);
    m_ctx.Flags().TaskFailed = true;
}

bool CycleRunner::Confirm(const QString& text)
{
    if (m_ctx.Options().IsEffective(OptionIndex::NoConfirm))
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("Confirm");
    box.text = text;
    box.icon = BoxIcon::Question;
    box.sound = SoundKind::Question;
    box.buttons = YesButton | NoButtonAnswer;
    box.defaultButton = YesButton;
    return m_ctx.Operator().ShowMessage(box) == YesButton;
}

// ---------------------------------------------------------------------------------------------
// Cycle commands

void CycleRunner::AutoRun()
{
    RunCycle(AutoRunCode, QStringLiteral("Program MCU Cycle #") + m_counters.RunCountText(), true, true);
}

void CycleRunner::Erase()
{
    RunCycle(EraseCode, QStringLiteral("Auto Erase Cycle: "), false, false);
}

void CycleRunner::BlankCheck()
{
    RunCycle(BlankCheckCode, QStringLiteral("Auto BLANK CHECK: "), false, false);
}

void CycleRunner::ProgramOnly()
{
    RunCycle(ProgramCode, QStringLiteral("Auto Program Cycle: "), false, false);
}

void CycleRunner::Verify()
{
    RunCycle(VerifyCode, QStringLiteral("Auto Verify Cycle: "), false, false);
}

void CycleRunner::Serialize()
{
    RunCycle(SerializeCode, QStringLiteral("Auto Serialize Cycle: "), false, true);
}

void CycleRunner::Fuses()
{
    RunCycle(FusesCode, QStringLiteral("Auto Configuration Word: "), false, false);
}

void CycleRunner::RunCycle(int code, const QString& title, bool counting, bool countRuns)
{
    ProgramFlags& flags = m_ctx.Flags();
    if (m_state.CycleRunning || flags.StartupInProgress)
        return;
    if (!SocketSelected()) {
        EarlyStop();
        return;
    }
    m_tasks.ResetRunState();
    const TemplateTables& t = m_ctx.Templates();
    const int row = t.RowOfCode[size_t(code & 63)];
    if (row < 0 || row >= TemplateTables::RowCount || t.rows[size_t(row)].taskCode == TaskEngine::NoTask) {
        EarlyStop();
        return;
    }
    if (code == AutoRunCode)
        flags.AutoRunArmed = false;

    const bool prepareWords = code == AutoRunCode || code == ProgramCode || code == VerifyCode || code == FusesCode;
    const bool protection = code == AutoRunCode || code == ProgramCode || code == FusesCode;
    if (prepareWords && !m_state.CycleRunning)
        StoreComposedWords(m_ctx);
    if (protection && !ProtectionTest(m_ctx, false)) {
        EarlyStop();
        return;
    }
    const bool serializes = code == AutoRunCode || code == SerializeCode;
    if (serializes && prepareSerialNumbers && !prepareSerialNumbers()) {
        m_tasks.ResetRunState();
        EarlyStop();
        return;
    }

    const int steps = qBound(0, t.rows[size_t(row)].stepCount, TaskRow::MaxSteps);
    auto finish = [&] {
        EndCycle(title, counting);
        if (serializes && logSerialNumbers)
            logSerialNumbers();
    };
    try {
        StartCycle(row, steps, countRuns, title);
        RunCycleSteps(row, steps);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void CycleRunner::StartCycle(int row, int steps, bool countRuns, const QString& title)
{
    m_state.HoldPowerBit = false;
    m_state.CycleStartMs = Now();
    m_counters.SetElapsedText(QStringLiteral("?"));
    TemplateTables& t = m_ctx.Templates();
    if (t.rows[size_t(row)].taskCode == TaskEngine::NoTask) {
        m_ctx.Flags().StopRequested = true;
        return;
    }
    m_link.Box().ClearFirstTimeout();
    m_link.ResetProgrammer();
    if (!Stopped()) {
        m_tasks.PrepareSocketsForRun();
        m_tasks.LockForRun(true);
    }
    m_state.CycleRunning = true;
    m_state.ShowFailAddress = false;
    if (countRuns && !Stopped()) {
        ++m_counters.runCount;
        m_counters.ShowCounters();
    }
    HistoryLog& history = m_ctx.History();
    history.AddLine(QStringLiteral(" "), HistoryStyle::Normal);
    history.AddLine(QStringLiteral(" ") + title + QStringLiteral(" - ") + QString::number(m_sockets.InUseCount()) +
                        QStringLiteral(" Sockets"),
                    HistoryStyle::FileInformation);
    history.AddLine(QString(RuleWidth, u'_'), HistoryStyle::FileInformation);
    m_ctx.Window().SetStatusText(title);
    if (!Stopped()) {
        t.treeSelectAllowed = true;
        m_tasks.SelectNode(row);
        m_counters.SetCycleMaximum(steps);
        if (!Stopped()) {
            m_tasks.ResetRunState();
            m_power.VoltagePreTest();
            m_state.CycleStartMs = Now();
        }
    }
}

void CycleRunner::RunCycleSteps(int row, int steps)
{
    const TemplateTables& t = m_ctx.Templates();
    for (int i = 0; i < steps && m_state.SelectedSockets != 0 && !Stopped(); ++i) {
        const int code = t.rows[size_t(row)].steps[size_t(i)] & 63;
        m_tasks.RunRow(t.RowOfCode[size_t(code)], true);
        m_counters.SetGauges(m_counters.taskPosition, m_counters.cyclePosition + 1);
        m_tasks.ShowElapsed();
    }
}

void CycleRunner::EndCycle(const QString& title, bool counting)
{
    ProgramFlags& flags = m_ctx.Flags();
    m_tasks.ShowElapsed();
    m_power.PowerOff();
    m_link.ResetAfterLinkError();
    m_state.CycleRunning = false;
    if (counting) {
        if (m_link.Errors().Has(Bit::NotResponding))
            m_state.GoodCount = 0;
        m_counters.passedLastCycle = m_state.GoodCount;
        m_counters.totalPassed += m_counters.passedLastCycle;
        m_counters.totalFailed += m_state.FailedCount;
    }
    HistoryLog& history = m_ctx.History();
    history.AddLine(QString(RuleWidth, QChar(0xAF)), HistoryStyle::Normal);
    if (counting)
        history.AddLine(QString::number(m_counters.passedLastCycle) +
                            QStringLiteral(" Devices Passed, Total is now: ") + QString::number(m_counters.totalPassed),
                        HistoryStyle::Success);
    else
        history.AddLine(title + QStringLiteral(" Results: "), HistoryStyle::Success);
    if (flags.TaskFailed || flags.StopRequested) {
        m_ctx.Window().SetStatusText(title + QStringLiteral(" ERROR!"));
        m_ctx.Operator().PlaySound(SoundKind::Warning);
    } else {
        m_ctx.Window().SetStatusText(title + QStringLiteral(" PASSED"));
        m_counters.SetGauges(m_counters.taskPosition, m_counters.cycleMaximum);
        m_ctx.Operator().PlaySound(SoundKind::Information);
    }
    m_state.SelectedSockets = m_state.EnabledSockets;
    m_tasks.ReportResults();
    m_link.ReportErrors();
    m_state.ShowFailAddress = true;
    if (counting)
        m_counters.ShowCounters();
    m_sockets.RefreshIndicators();
    m_tasks.LockForRun(false);
    m_ctx.Templates().treeSelectAllowed = false;
    m_state.PoweredForOperation = false;
    if (m_state.VoltageSeen && (m_state.EnabledSockets & ~Sockets::HardwareBit[0] & Sockets::AllHardware))
        m_sockets.ForceSingleSocket();
}

// ---------------------------------------------------------------------------------------------
// Tasks from the tree and the menu

void CycleRunner::RunFromTree(int row)
{
    if (row < 0 || row >= TemplateTables::RowCount)
        return;
    m_tasks.ResetRunState();
    TemplateTables& t = m_ctx.Templates();
    if (t.hoverRow >= 0 && t.hoverRow < t.nodeCount) {
        t.selectedRow = row;
        t.NotifyStatesChanged();
    }
    const TaskRow& r = t.rows[size_t(row)];
    QString question;
    if (!r.group)
        question = r.taskCode > ReadCode
                       ? r.description + QStringLiteral(" will Overwrite Data in the Editor.\r\r    Continue?")
                       : QStringLiteral("This will perform the Task of ") + r.description +
                             QStringLiteral("\r\r    Are You Sure?");
    else
        question =
            r.taskCode == ReadCode
                ? QStringLiteral("Reading will Overwrite Data in All Editors.\r\r    Continue?")
                : QStringLiteral("This will automatically ") + r.description + QStringLiteral("\r\r    Continue?");
    if (!Confirm(question))
        return;
    switch (r.taskCode) {
    case AutoRunCode: AutoRun(); break;
    case EraseCode: Erase(); break;
    case BlankCheckCode: BlankCheck(); break;
    case ProgramCode: ProgramOnly(); break;
    case VerifyCode: Verify(); break;
    case SerializeCode:
    case 25:
    case 26: Serialize(); break;
    case FusesCode: Fuses(); break;
    default:
        if (r.taskCode >= ReadCode && r.taskCode <= LastReadTask) {
            if (r.enabled) {
                m_state.PendingReadCode = r.taskCode;
                ChooseSocketForRead();
            }
            break;
        }
        m_state.HoldPowerBit = false;
        m_state.CycleStartMs = Now();
        m_counters.SetElapsedText(QStringLiteral("?"));
        m_tasks.RunRow(row, false);
        break;
    }
}

void CycleRunner::MenuTask(int code)
{
    if (m_state.CycleRunning || m_ctx.Flags().StartupInProgress || !SocketSelected())
        return;
    m_tasks.FromMenu = true;
    TemplateTables& t = m_ctx.Templates();
    const int row = t.RowOfCode[size_t(code & 63)];
    t.hoverRow = row;
    if (code >= ReadCode && code <= LastReadTask) {
        m_state.PendingReadCode = code;
        ChooseSocketForRead();
    } else {
        RunFromTree(row);
    }
    m_tasks.FromMenu = false;
}

// ---------------------------------------------------------------------------------------------
// Read

void CycleRunner::Read()
{
    if (m_state.CycleRunning || !SocketSelected())
        return;
    if (!Confirm(QStringLiteral("Reading will Overwrite Data in All Editors.\r\r    Continue?")))
        return;
    m_state.PendingReadCode = ReadCode;
    ChooseSocketForRead();
}

void CycleRunner::ChooseSocketForRead()
{
    const int single = SingleSocketOf(m_state.EnabledSockets);
    if (single >= 0)
        ReadSocket(Sockets::OrdinalBit[size_t(single)]);
    else
        emit SocketChoiceRequested();
}

void CycleRunner::RefreshAfterRead(int code)
{
    MemoryImage& image = m_ctx.Image();
    const DeviceProfile& profile = m_ctx.Profile();
    // The editors window shows what was read.
    const auto show = [this](EditorPage page) {
        if (m_ctx.Bindings().showEditorPage)
            m_ctx.Bindings().showEditorPage(page);
    };
    switch (code) {
    case 30:
        show(EditorPage::Calibration);
        image.RefreshEditorView(profile, ImageDisplayState::CalibrationPage);
        return;
    case 29:
        if (!m_ctx.Options().IsEffective(OptionIndex::EeEditorOff)) {
            show(EditorPage::EeData);
            image.RefreshEditorView(profile, ImageDisplayState::EeDataPage);
        }
        break;
    case 31: show(EditorPage::IdValues); break;
    case 32:
        show(EditorPage::ConfigWord);
        m_tasks.RefreshConfigDisplay();
        break;
    default:
        show(EditorPage::Code);
        image.RefreshEditorView(profile, ImageDisplayState::CodePage);
        break;
    }
    ComputeChecksum(m_ctx);
    UpdateInformationWindow(m_ctx);
}

void CycleRunner::ReadSocket(int socketOrdinal)
{
    int socket = -1;
    for (int s = 0; s < Sockets::Count; ++s)
        if (socketOrdinal == Sockets::OrdinalBit[size_t(s)])
            socket = s;
    if (socket < 0)
        return;
    m_tasks.ResetRunState();
    TemplateTables& t = m_ctx.Templates();
    const int code = qBound(int(ReadCode), m_state.PendingReadCode, LastReadTask);
    const int row = t.RowOfCode[size_t(code)];
    if (row < 0 || row >= TemplateTables::RowCount || t.rows[size_t(row)].taskCode == TaskEngine::NoTask)
        return;

    const quint8 keptEnabled = m_state.EnabledSockets;
    std::array<bool, Sockets::Count> keptInUse{};
    for (int s = 0; s < Sockets::Count; ++s) {
        keptInUse[size_t(s)] = m_sockets.Indicator(s).douse();
        m_sockets.Indicator(s).Setdouse(false);
    }
    m_sockets.Indicator(socket).Setdouse(true);
    m_sockets.Indicator(socket).Setison(true);
    m_state.EnabledSockets = Sockets::HardwareBit[size_t(socket)];
    const QString title = QStringLiteral("Auto READ Cycle - Socket: ") + QChar(Sockets::Letter[size_t(socket)]);

    auto restore = [&] {
        m_state.EnabledSockets = keptEnabled;
        m_state.SelectedSockets = keptEnabled;
        for (int s = 0; s < Sockets::Count; ++s)
            m_sockets.Indicator(s).Setdouse(keptInUse[size_t(s)]);
        // The box forgets the read's socket results: every socket passes again.
        m_tasks.ReportSocketResult(row, 0, false, AllOrdinals);
        m_sockets.RefreshIndicators();
        m_state.PendingReadCode = ReadCode;
        t.NotifyStatesChanged();
    };
    try {
        if (code == ReadCode) {
            const int steps = qBound(0, t.rows[size_t(row)].stepCount, TaskRow::MaxSteps);
            try {
                StartCycle(row, steps, false, title);
                RunCycleSteps(row, steps);
            } catch (...) {
                EndCycle(title, false);
                throw;
            }
            EndCycle(title, false);
            RefreshAfterRead(FirstReadTask);
        } else {
            if (t.rows[size_t(row)].enabled && row < t.nodeCount) {
                t.treeSelectAllowed = true;
                m_tasks.SelectNode(row);
                m_tasks.RunRow(row, false);
            }
            RefreshAfterRead(code);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

// ---------------------------------------------------------------------------------------------
// Stop, counters, indicators

void CycleRunner::Stop()
{
    BoxLink& box = m_link.Box();
    box.ResetLinkStateFull();
    box.SendStopEscape();
    m_link.Port().Pause();
    // The running task ends at its next error check, which the abort bit triggers.
    m_link.Errors().Replace(Bit::UserAbort);
}

void CycleRunner::ClearStats()
{
    m_counters.ClearCounts();
    m_state.FailedCount = 0;
    m_tasks.ResetRunState();
    m_counters.ShowCounters();
    m_counters.SetGauges(0, 0);
}

void CycleRunner::ClearLeds()
{
    m_link.ClearLedsCommand();
}
