#include "core/serial/SerialNumbering.h"

#include "core/context/AppContext.h"
#include "core/engine/EngineState.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TaskEngine.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerIdentity.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsStore.h"
#include "core/serial/LockedFile.h"
#include "core/serial/SerialDataBlocks.h"
#include "core/serial/SerialNumberLog.h"
#include "core/serial/SerialNumberRules.h"
#include "core/serial/SqtpRecords.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const QString SerialSection = QStringLiteral("SERIALNUM");
const QString LastHexKey = QStringLiteral("last_hex");
const QString Passed = QStringLiteral("Passed        ");
const QString Failed = QStringLiteral("Failed        ");
const QString Skipped = QStringLiteral("Skipped       ");
// The automatic counter of a control file shared by several stations is read, advanced and
// stored under this lock file beside it; a station waits this many pauses for another's turn.
const QString CounterLockSuffix = QStringLiteral(".lock");
constexpr int CounterLockTries = 40;
const QString DeniedWriteAccess = QStringLiteral(
    "Praxon has been Denied Write Access to the SQTP File.\r\rPlease restore write access and try again.");

QChar Letter(int socket)
{
    return QChar(Sockets::Letter[size_t(socket)]);
}

// Why a number of length locations from start reaches no part of the placement's memory, or
// empty when every location lies within it.
QString PlacementFault(const DeviceProfile& profile, bool code, qint64 start, int length)
{
    const qint64 size = code ? profile.rom : profile.ee;
    const QString memory = code ? QStringLiteral("code") : QStringLiteral("EE data");
    if (size <= 0)
        return QStringLiteral("The serial number cannot be placed: %1 has no %2 memory.")
            .arg(profile.sectionName, memory);
    if (start >= 0 && start + length <= size)
        return {};
    const QString address =
        start < 0 ? QStringLiteral("-") + SerialNumberRules::HexText(-start) : SerialNumberRules::HexText(start);
    return QStringLiteral("The serial number start address %1 cannot be used: its %2 location(s) must lie within "
                          "the %3 locations of %4 memory.")
        .arg(address)
        .arg(length)
        .arg(size)
        .arg(memory);
}

} // namespace

SerialNumbering::SerialNumbering(AppContext& ctx, ProgrammerLink& link, EngineState& state, TaskEngine& tasks,
                                 SocketPanel& sockets, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_link(link), m_engine(state), m_tasks(tasks), m_sockets(sockets)
{
}

SerialNumberSettings& SerialNumbering::Settings()
{
    return m_ctx.SerialSettings();
}

bool SerialNumbering::SqtpReady() const
{
    const SerialNumberSettings& s = m_ctx.SerialSettings();
    return s.sqtpInUse && s.sqtpReady;
}

// ---------------------------------------------------------------------------------------------
// Numbers

void SerialNumbering::RefreshNumbers()
{
    if (m_ctx.Workstation().Loading())
        return;
    SerialNumberSettings& s = Settings();
    if (!s.sqtpInUse) {
        using namespace SerialNumberRules;
        const qint64 mask = LengthMask(s.length);
        s.currentNumber = qMin(qMax<qint64>(0, s.currentNumber), mask);
        s.currentText = HexText(s.currentNumber);
        m_state.currentDecimalText = QString::number(s.currentNumber);
        for (int i = 0; i < SerialNumberState::SocketCount; ++i) {
            qint64& n = s.lastSocketNumbers[size_t(i)];
            n = qMin(qMax<qint64>(0, n), mask);
            m_state.socketHexTexts[size_t(i)] = HexText(n);
            m_state.socketDecimalTexts[size_t(i)] = QString::number(n);
        }
    }
    emit Changed();
}

bool SerialNumbering::AssignNumber(int socket, bool sqtpReady)
{
    using namespace SerialNumberRules;
    SerialNumberSettings& s = Settings();
    LockedFile counterLock;
    if (s.autoNumbering) {
        if (!sqtpReady) {
            if (!LockCounter(counterLock, socket))
                return false;
            const QString text = ControlFile::ReadSerialValue(m_ctx.File().controlPath, LastHexKey, s.lastHexText);
            QString why;
            const std::optional<qint64> next = NextAutomaticNumber(ParseHex(text), s.length, &why);
            if (!next) {
                RefuseSocket(socket, why);
                return false;
            }
            s.currentNumber = *next;
            s.currentText = HexText(*next, s.length);
        } else {
            s.currentNumber = ParseHex(s.currentText.right(16));
        }
        m_state.socketHexTexts[size_t(socket)] = s.currentText;
        if (!sqtpReady)
            s.lastSocketNumbers[size_t(socket)] = s.currentNumber;
    } else {
        const qint64 number = s.lastSocketNumbers[size_t(socket)];
        if (number < 0 || number > LengthMask(s.length)) {
            RefuseSocket(socket, DoesNotFitText(number, s.length));
            return false;
        }
        s.currentNumber = number;
        s.currentText = HexText(number);
    }
    s.lastHexText = s.currentText;
    const QString taken = s.currentText;
    RefreshNumbers();
    // The shown text loses its padding in the refresh; the number placed keeps it.
    s.currentText = taken;
    if (sqtpReady)
        return true;
    return StoreLastUsed(socket);
}

bool SerialNumbering::LockCounter(LockedFile& lock, int socket)
{
    const QString& control = m_ctx.File().controlPath;
    if (control.isEmpty())
        return true;
    // The lock sits beside the control file itself, not beside the name this station reached it
    // by, so stations whose folders link to one control file share one lock. It is made with the
    // control file's group and permissions: whoever may advance the counter may also lock it.
    const QString target = LockedFile::CanonicalPath(control);
    const QString path = target + CounterLockSuffix;
    for (int tries = 0; tries < CounterLockTries; ++tries) {
        switch (lock.OpenOrCreate(path, target)) {
        case LockedFile::Result::Opened: return true;
        // Numbering without the lock could hand out a number another station is handing out.
        case LockedFile::Result::Failed:
            RefuseSocket(socket, QStringLiteral("The serial number counter of %1 cannot be locked: %2: %3.")
                                     .arg(control, path, lock.Error()));
            return false;
        case LockedFile::Result::Busy: m_link.Port().Pause(); break;
        }
    }
    RefuseSocket(socket, QStringLiteral("The serial number counter of %1 is held by another station.").arg(control));
    return false;
}

bool SerialNumbering::StoreLastUsed(int socket)
{
    const SerialNumberSettings& s = m_ctx.SerialSettings();
    QString failed;
    if (!SettingsStore::WriteValue(m_ctx, SerialSection, LastHexKey, s.lastHexText))
        failed = SettingsStore::FileName();
    else if (!ControlFile::WriteSerialValue(m_ctx.File().controlPath, LastHexKey, s.lastHexText))
        failed = m_ctx.File().controlPath;
    if (failed.isNull())
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("Serial Number Logging Error");
    box.text = QStringLiteral("Could not Store Socket ") + Letter(socket) +
               QStringLiteral(" Serial Number to file: \r") + failed;
    box.icon = BoxIcon::Error;
    box.sound = SoundKind::Error;
    box.buttons = OkButton | CancelButton;
    m_ctx.Operator().ShowMessage(box);
    // Not stored, so the next socket or run would issue it again: it must not reach a part.
    RefuseSocket(
        socket,
        QStringLiteral("Serial number %1 was not programmed: its counter could not be stored.").arg(s.lastHexText));
    return false;
}

bool SerialNumbering::ResetCounter(const QString& hexText)
{
    SerialNumberSettings& s = Settings();
    s.currentNumber = qMax<qint64>(0, SerialNumberRules::ParseHex(hexText));
    s.currentText = SerialNumberRules::HexText(s.currentNumber, s.length);
    s.lastHexText = s.currentText;
    QString failed;
    if (!SettingsStore::WriteValue(m_ctx, SerialSection, LastHexKey, s.lastHexText))
        failed = SettingsStore::FileName();
    else if (!ControlFile::WriteSerialValue(m_ctx.File().controlPath, LastHexKey, s.lastHexText))
        failed = m_ctx.File().controlPath;
    emit Changed();
    if (failed.isNull())
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("Reset Serial Number Error");
    box.text = QStringLiteral("Could not Reset Serial Number in file: \r") + failed;
    box.icon = BoxIcon::Error;
    box.sound = SoundKind::Error;
    box.buttons = OkButton | CancelButton;
    m_ctx.Operator().ShowMessage(box);
    return false;
}

// ---------------------------------------------------------------------------------------------
// The serialize step

void SerialNumbering::ShowStatus(int socket, const QString& text)
{
    m_state.socketStatus[size_t(socket)] = text;
    emit Changed();
}

void SerialNumbering::RefuseSocket(int socket, const QString& why)
{
    const quint8 h = Sockets::HardwareBit[size_t(socket)];
    m_engine.PassingSockets &= quint8(~h);
    m_engine.PassingSocketsSaved &= quint8(~h);
    m_engine.FailedSocketOrdinals |= Sockets::OrdinalBit[size_t(socket)];
    m_ctx.Flags().TaskFailed = true;
    m_state.lastResult = false;
    m_ctx.History().AddLine(QStringLiteral("   Device ") + Letter(socket) + QStringLiteral(": ") +
                                QString(why).section(u'\r', 0, 0),
                            HistoryStyle::Error);
    ShowStatus(socket, Failed);
    if (!m_refusalShown) {
        m_refusalShown = true;
        Warn(why);
    }
}

void SerialNumbering::Warn(const QString& text)
{
    MessageRequest box;
    box.caption = QStringLiteral("Serial Number Error");
    box.text = text;
    box.icon = BoxIcon::Warning;
    box.sound = SoundKind::Warning;
    m_ctx.Operator().ShowMessage(box);
}

void SerialNumbering::SerializeSocket(int row, int socket)
{
    if (socket == 0)
        m_refusalShown = false;
    SerialNumberSettings& s = Settings();
    const DeviceProfile& profile = m_ctx.Profile();
    TemplateTables& t = m_ctx.Templates();
    const TaskRow& r = t.rows[size_t(row)];
    const int slot = r.stepCount > 0 ? int(r.steps[0]) : -1;
    if (slot < 0 || slot >= TemplateTables::SlotCount)
        return;
    OperationRecord& op = t.operations[size_t(slot)];

    SerialDataBlocks::Placement p;
    p.core = profile.core;
    p.codeSpace = s.codeSpace;
    p.retlw = m_ctx.Options().IsEffective(OptionIndex::EncodeRetlw);
    p.start = s.codeSpace ? s.codeStartAddress : s.eeStartAddress;
    p.length = s.length;
    p.paw = profile.paw;
    p.panel = profile.panel;
    p.panelCount = profile.panelCount;
    SerialDataBlocks blocks(p, op, m_engine.SerialBlock, m_ctx.Image().CodeBuffer());
    blocks.PrepareOperation();

    const quint8 h = Sockets::HardwareBit[size_t(socket)];
    if (!m_sockets.Indicator(socket).douse())
        return;
    if (!(m_engine.SelectedSockets & h) || !(m_engine.PassingSockets & h)) {
        ShowStatus(socket, Skipped);
        return;
    }
    const bool sqtp = SqtpReady();
    if (sqtp ? s.length < 1 || s.length > SerialNumberBlock::NumberWords : !SerialNumberRules::LengthUsable(s.length)) {
        RefuseSocket(socket, QStringLiteral("The serial number length %1 cannot be used: it must be 1 to %2 "
                                            "locations.")
                                 .arg(s.length)
                                 .arg(sqtp ? SerialNumberBlock::NumberWords : SerialNumberRules::MaximumLength));
        return;
    }
    const QString misplaced = PlacementFault(profile, s.codeSpace, p.start, s.length);
    if (!misplaced.isEmpty()) {
        RefuseSocket(socket, misplaced);
        return;
    }
    if (sqtp) {
        if (!m_state.numberTaken[size_t(socket)]) {
            RefuseSocket(socket, QStringLiteral("No SQTP serial number was taken for socket %1.").arg(Letter(socket)));
            return;
        }
        s.currentText = m_state.sqtpTexts[size_t(socket)];
    }
    if (!AssignNumber(socket, sqtp))
        return;
    m_state.highlightedSocket = socket;
    emit Changed();

    const QByteArray bytes = sqtp ? SerialDataBlocks::TextBytes(s.currentText, s.length)
                                  : SerialDataBlocks::NumberBytes(s.currentNumber, s.length);
    const quint8 flags = op.parameterBlock[OperationRecord::Flags];
    bool ran = true;
    if (flags & BoxProtocol::FlagPanelWrite) {
        m_state.placedCount = 0;
        m_state.panelPass = 1;
        do {
            if (!m_ctx.Flags().StopRequested && !blocks.BuildPanelPass(bytes, m_state.placedCount, m_state.panelPass)) {
                RefuseSocket(socket, blocks.Error());
                ran = false;
                break;
            }
            if (!m_ctx.Flags().StopRequested)
                m_tasks.RunRowPerSocket(row, socket);
        } while (m_state.placedCount < s.length && !m_ctx.Flags().StopRequested);
    } else {
        bool built = false;
        if ((flags & BoxProtocol::FlagByteTransfer) && (socket != 0 || profile.core == CoreFamily::Core18X))
            built = blocks.BuildAlternative(bytes);
        else if (s.codeSpace && profile.paw > 1)
            built = blocks.BuildWriteBlock(bytes);
        else
            built = blocks.BuildPlain(bytes);
        if (!built) {
            RefuseSocket(socket, blocks.Error());
            ran = false;
        } else {
            m_tasks.RunRowPerSocket(row, socket);
        }
    }
    m_state.highlightedSocket = -1;
    if (!ran)
        return;
    const bool passed = (m_engine.PassingSockets & h) != 0 && !m_ctx.Flags().StopRequested;
    m_state.numberProgrammed[size_t(socket)] = passed;
    m_state.lastResult = passed;
    ShowStatus(socket, passed ? Passed : Failed);
}

// ---------------------------------------------------------------------------------------------
// SQTP

bool SerialNumbering::AskRetry(const QString& text)
{
    MessageRequest box;
    box.caption = QStringLiteral("File Error");
    box.text = text;
    box.icon = BoxIcon::Warning;
    box.sound = SoundKind::Warning;
    box.buttons = OkButton | CancelButton;
    // Unattended runs answer the default: Cancel ends instead of asking for ever.
    box.defaultButton = CancelButton;
    return m_ctx.Operator().ShowMessage(box) == OkButton;
}

bool SerialNumbering::OpenLocked(LockedFile& file, const QString& path, const QString& busyQuestion)
{
    for (int failures = 0;; ++failures) {
        if (file.Open(path) == LockedFile::Result::Opened)
            return true;
        if (failures >= 1 && !AskRetry(busyQuestion))
            return false;
        m_link.Port().Pause();
    }
}

bool SerialNumbering::EnsureLogExists()
{
    const SerialNumberSettings& s = m_ctx.SerialSettings();
    while (!QFileInfo::exists(s.logFile)) {
        SerialNumberLog::Identity id;
        id.software = m_ctx.Support().softwareText;
        const HardwareInformation& hw = m_ctx.Hardware();
        auto shown = [](const QString& text) {
            return text.trimmed().isEmpty() ? ProgrammerIdentity::NotAvailable : text;
        };
        id.hardware = shown(hw.hardwareVersion);
        id.firmware = shown(hw.firmwareVersion);
        id.serialNumber = shown(hw.serialNumber);
        // The log appears with its header and with the SQTP file's group and permissions, so
        // every station that may take numbers from the file may also log them.
        LockedFile log;
        if (log.Create(s.logFile, s.sqtpFile, SerialNumberLog::Header(id, QDateTime::currentDateTime())))
            return true;
        if (QFileInfo::exists(s.logFile)) {
            // Another station created it meanwhile.
            return true;
        }
        if (!AskRetry(QStringLiteral("Can Not Locate or Create Serial Number LOG File:\r\r") + s.logFile +
                      QStringLiteral("\r\rRetry?")))
            return false;
    }
    return true;
}

bool SerialNumbering::CheckAndTakeNumbers(bool take)
{
    SerialNumberSettings& s = Settings();
    while (!QFileInfo::exists(s.sqtpFile)) {
        if (!AskRetry(QStringLiteral("Can Not Locate SQTP File:\r\r") + s.sqtpFile + QStringLiteral("\r\rRetry?")))
            return false;
    }
    if (!EnsureLogExists())
        return false;
    if (take && !QFileInfo(s.sqtpFile).isWritable()) {
        m_ctx.Operator().ShowError(QStringLiteral("File Error"), DeniedWriteAccess);
        return false;
    }
    LockedFile file;
    if (!OpenLocked(file, s.sqtpFile, QStringLiteral("Serial Number File Cannot Be accessed, Retry?")))
        return false;
    QByteArray bytes;
    if (!file.ReadAll(&bytes)) {
        m_ctx.Operator().ShowError(QStringLiteral("File Error"), file.Error());
        return false;
    }
    const SqtpRecords records(bytes);
    QString error;
    // The whole file is checked at every run, not only when it is chosen: it may have been edited
    // or replaced since, and a repeated number must never reach two parts.
    if (!records.Validate(&error)) {
        Warn(error);
        return false;
    }
    if (!take) {
        SqtpRecords::Header header;
        if (!records.ReadHeader(&header, &error)) {
            Warn(error);
            return false;
        }
        if (header.length < 1 || header.length > SerialNumberBlock::NumberWords) {
            Warn(QStringLiteral("SQTP serial numbers of %1 locations do not fit the number buffer of %2 words.")
                     .arg(header.length)
                     .arg(SerialNumberBlock::NumberWords));
            return false;
        }
        s.eeStartAddress = s.codeStartAddress = header.address;
        s.codeSpace = true;
        s.length = quint16(header.length);
        m_state.sqtpOffset = header.recordOffset;
        emit Changed();
        return true;
    }
    m_state.numberTaken.fill(false);
    m_state.numberProgrammed.fill(false);
    for (int socket = 0; socket < SerialNumberState::SocketCount; ++socket) {
        if (!(m_engine.SelectedSockets & Sockets::HardwareBit[size_t(socket)]))
            continue;
        QString text;
        qint64 offset = m_state.sqtpOffset;
        if (!records.TakeNext(&offset, s.length, &text, &error)) {
            Warn(error);
            return false;
        }
        if (!file.WriteAt(offset, QByteArrayLiteral(";"))) {
            m_ctx.Operator().ShowError(QStringLiteral("File Error"), DeniedWriteAccess);
            return false;
        }
        bytes[offset] = ';';
        m_state.sqtpOffset = offset;
        m_state.sqtpTexts[size_t(socket)] = text;
        m_state.numberTaken[size_t(socket)] = true;
    }
    emit Changed();
    return true;
}

void SerialNumbering::SelectSqtpFile()
{
    SerialNumberSettings& s = Settings();
    FileRequest request;
    request.caption = QStringLiteral("Select Microchip SQTP File");
    request.filter = QStringLiteral("SQTP File [*.num] (*.num);;Any File [*.*] (*)");
    if (!s.sqtpFile.startsWith(u'[')) {
        const QFileInfo current(s.sqtpFile);
        request.directory = current.path();
        request.fileName = current.fileName();
    }
    s.sqtpReady = false;
    const QString chosen = m_ctx.Operator().ChooseOpenFile(request);
    if (chosen.isEmpty())
        return;
    s.sqtpFile = chosen;
    s.logFile = SerialNumberLog::PathFor(chosen);
    OptionsChanged(m_ctx);
}

bool SerialNumbering::PrepareCycle()
{
    SerialNumberSettings& s = Settings();
    m_state.cycleSocketMask = m_engine.EnabledSockets;
    for (QString& status : m_state.socketStatus)
        status.clear();
    const OptionTable& options = m_ctx.Options();
    if (!options.IsEffective(OptionIndex::SerialNumbering) || !options.IsEffective(OptionIndex::UseSqtp))
        return true;
    bool ok = s.sqtpInUse && s.sqtpReady;
    if (ok) {
        m_engine.SelectedSockets = m_engine.PassingSockets = m_engine.EnabledSockets;
        ok = CheckAndTakeNumbers(true);
    }
    if (!ok) {
        // Numbers of the sockets before a failed take were consumed: they are logged as not
        // programmed.
        AppendCycleToLog();
        m_ctx.History().AddLine(QStringLiteral(" Error with SQTP Settings "), HistoryStyle::Error);
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Log

QString SerialNumbering::ProgrammerSerial() const
{
    const QString& text = m_ctx.Hardware().serialNumber;
    return text.trimmed().isEmpty() ? ProgrammerIdentity::NotAvailable : text;
}

void SerialNumbering::AppendCycleToLog()
{
    const QString time = SerialNumberLog::LineTime(QDateTime::currentDateTime());
    for (int socket = 0; socket < SerialNumberState::SocketCount; ++socket) {
        const quint8 h = Sockets::HardwareBit[size_t(socket)];
        if (!(m_state.cycleSocketMask & h) || !m_state.numberTaken[size_t(socket)])
            continue;
        m_state.numberTaken[size_t(socket)] = false;
        const bool passed = m_state.numberProgrammed[size_t(socket)] && (m_engine.PassingSockets & h);
        m_pendingLines << QString::fromLatin1(
            SerialNumberLog::Line(m_state.sqtpTexts[size_t(socket)], passed, time, ProgrammerSerial()));
    }
    if (m_pendingLines.isEmpty())
        return;
    if (!WritePendingLines())
        ReportUnlogged();
}

bool SerialNumbering::WritePendingLines()
{
    const QString& path = m_ctx.SerialSettings().logFile;
    while (!QFileInfo::exists(path)) {
        if (!AskRetry(QStringLiteral("Can Not Locate Serial Number LOG File:\r\r") + path +
                      QStringLiteral("\r\rRetry?")))
            return false;
    }
    LockedFile log;
    if (!OpenLocked(log, path, QStringLiteral("Serial Number LOG File Cannot Be accessed, Retry?")))
        return false;
    while (!m_pendingLines.isEmpty()) {
        const QByteArray line = m_pendingLines.first().toLatin1();
        if (line.size() > SerialNumberLog::MaxLine) {
            m_pendingLines.removeFirst();
            Warn(QStringLiteral("Serial number log line too long: ") + QString::fromLatin1(line.chopped(2)));
            return false;
        }
        if (!log.Append(line)) {
            Warn(log.Error());
            return false;
        }
        m_pendingLines.removeFirst();
    }
    return true;
}

void SerialNumbering::ReportUnlogged()
{
    // The numbers stay pending for the next append; until then the history holds them, and the
    // run does not count as a success.
    for (const QString& line : std::as_const(m_pendingLines))
        m_ctx.History().AddLine(QStringLiteral(" Serial number not logged: ") + line.trimmed(), HistoryStyle::Error);
    m_ctx.Flags().TaskFailed = true;
    m_link.Errors().RecordError(LinkErrorWord::TaskFailed);
}
