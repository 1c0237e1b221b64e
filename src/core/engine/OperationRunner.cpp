#include "core/engine/OperationRunner.h"

#include "core/context/AppContext.h"
#include "core/engine/EngineState.h"
#include "core/engine/PowerSequencer.h"
#include "core/image/ConfigurationWords.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/util/ErrorOut.h"

#include <exception>
#include <span>
#include <vector>

namespace {

constexpr int Slot10 = 10;
constexpr int IdBytes18X = 8;
constexpr int IdWordsAtLocation = 4;

void SetLocation(quint8* pb, quint32 value)
{
    pb[2] = quint8(value);
    pb[3] = quint8(value >> 8);
    pb[4] = quint8(value >> 16);
}

} // namespace

OperationRunner::OperationRunner(AppContext& ctx, ProgrammerLink& link, EngineState& state, PowerSequencer& power)
    : m_ctx(ctx), m_link(link), m_state(state), m_power(power)
{
}

quint8 OperationRunner::ScalePulse(int basePulse, bool scaling, int ppw)
{
    int p = basePulse;
    if (scaling) {
        const int q = p / 4;
        switch (ppw) {
        case 2: p += q; break;
        case 3: p += 2 * q; break;
        case 4: p += 3 * q; break;
        case 5: p *= 2; break;
        default: break;
        }
        if (p <= 0)
            p = 1;
    }
    return quint8(qMin(p, 255));
}

OperationRunner::SocketBytes OperationRunner::ComputeSocketBytes(const EngineState& s)
{
    // After a supply had to be waited for, only socket A is worked on.
    if (s.VoltageSeen && (s.EnabledSockets & ~BoxProtocol::SocketA & 0x55) != 0)
        return {quint8(BoxProtocol::SocketA & s.EnabledSockets & s.PassingSockets), 1, 14};
    return {quint8(s.SelectedSockets & s.PassingSockets), s.EnabledSocketOrdinals, s.FailedSocketOrdinals};
}

bool OperationRunner::Execute(const OperationRecord& op, bool waitCompletion)
{
    BoxLink& box = m_link.Box();
    const quint8* pb = op.parameterBlock.data();
    if (!waitCompletion)
        return box.Command(BoxProtocol::CmdExecute, false);
    if (pb[BoxProtocol::PbFlags] & BoxProtocol::FlagLongOperation) {
        // One progress report per 256 items before the completion.
        const int reports = int(qMax<qint64>(0, op.size) / BoxProtocol::WordsPerBlockAck);
        return box.CommandWithReplies(BoxProtocol::CmdExecute, BoxLink::ClassBlock, reports, true);
    }
    return box.Command(BoxProtocol::CmdExecute, true);
}

bool OperationRunner::Load(int slot, OperationRecord& op)
{
    // Slots 13 and 14 keep flag 0x40 as serial numbering or the load left it; slot 5 clears it
    // while blank locations are skipped; every other slot sets it.
    quint8& flags = op.parameterBlock[BoxProtocol::PbFlags];
    const bool skip = m_ctx.Options().IsEffective(OptionIndex::SkipBlank);
    bool keepSkip = false;
    if (slot == 13 || slot == 14)
        keepSkip = !(flags & BoxProtocol::FlagWriteAll);
    else if (slot == 5)
        keepSkip = skip;
    m_lastBlock = op.parameterBlock;
    const bool stopped =
        m_link.Box().SendOperationSetup(op.parameterBlock.data(), op.script.data(),
                                        qBound(0, op.scriptLength, OperationRecord::MaxScript), true, keepSkip);
    m_lastBlock = op.parameterBlock;
    return stopped;
}

bool OperationRunner::RunOperation(int slot)
{
    LinkProgress& progress = m_link.Progress();
    progress.SetPosition(0);
    if (slot < 0 || slot > LastSlot)
        return true;
    try {
        // The record is completed on a copy, so one run's changes never leak into the next.
        OperationRecord op = m_ctx.Templates().operations[size_t(slot)];
        quint8* pb = op.parameterBlock.data();
        pb[BoxProtocol::PbPulse] = ScalePulse(op.basePulse, m_ctx.Options().IsEffective(OptionIndex::PulseWidth),
                                              m_ctx.Options().PulseWidthPosition());
        const SocketBytes sockets = ComputeSocketBytes(m_state);
        pb[BoxProtocol::PbSocketMask] = sockets.mask;
        pb[BoxProtocol::PbSocketOrdinals] = sockets.ordinals;
        pb[BoxProtocol::PbFailedOrdinals] = sockets.failed;
        m_state.FailureFormat = 0;
        if (m_ctx.Flags().StopRequested)
            return true;
        RunSlot(slot, op, op.size, quint16(op.wordMask));
        if (!m_ctx.Flags().StopRequested)
            progress.Fill();
    } catch (const ErrorOut& e) {
        Fail(e.Message());
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
    return true;
}

void OperationRunner::Fail(const QString& message)
{
    m_ctx.Operator().ShowError(QStringLiteral("Error"), message);
    m_state.PassingSockets = m_link.Box().StatusReply()[12] & 0x55;
    m_power.PowerOff();
}

void OperationRunner::RunSlot(int slot, OperationRecord& op, qint64 n, quint16 mask)
{
    const DeviceProfile& profile = m_ctx.Profile();
    MemoryImage& image = m_ctx.Image();
    BoxLink& box = m_link.Box();
    ProgramFlags& flags = m_ctx.Flags();
    quint8* pb = op.parameterBlock.data();
    const bool is18 = profile.core == CoreFamily::Core18X;
    const quint8 ownFlags = pb[BoxProtocol::PbFlags];
    const bool slot10Bytes =
        m_ctx.Templates().operations[Slot10].parameterBlock[BoxProtocol::PbFlags] & BoxProtocol::FlagByteTransfer;
    const int calCount = profile.bcal ? profile.cal / 2 : profile.cal;
    CalibrationRecord& cal = image.Calibration(image.SelectedCalSocket());
    const bool hasXcal = profile.hasExtraCalibration;
    const quint16 word0Mask = image.ConfigMasks()[0];
    auto setMaskBytes = [pb](quint16 m) {
        pb[BoxProtocol::PbMaskLow] = quint8(m);
        pb[BoxProtocol::PbMaskHigh] = quint8(m >> 8);
    };
    auto eeAtLocation = [&] {
        n = profile.ee;
        SetLocation(pb, quint32(profile.eeLoc) & 0xFFFF);
        pb[BoxProtocol::PbCount] = quint8(profile.ee);
    };
    // ID words addressed at IDLOC: the slot's size is that location plus one, but the box is told
    // to move the four ID words, so the transfer moves those four as well.
    auto idLocation = [&] {
        if (!is18 && profile.idLoc != 0x2000) {
            SetLocation(pb, quint32(profile.idLoc) & 0xFFFF);
            pb[BoxProtocol::PbCount] = IdWordsAtLocation;
            n = IdWordsAtLocation;
        }
    };
    auto fiveXWrite = [&](qint64 words) {
        const int k = int(words / BoxProtocol::WriteGroupWords(profile.paw));
        SetLocation(pb, quint32(k - 1));
        pb[BoxProtocol::PbBlockBytes] = quint8(2 * profile.paw);
    };
    // Every transfer moves at least one item; the counts are bounded by the buffers they use.
    auto bounded = [](qint64 count, size_t elements) { return int(qBound<qint64>(1, count, qint64(elements))); };
    auto sendWords = [&](const quint16* words, qint64 count, size_t elements) {
        if (!flags.StopRequested)
            box.SendWords(mask, words, bounded(count, elements));
    };
    auto sendBytes = [&](const quint16* words, qint64 count, size_t elements) {
        if (!flags.StopRequested)
            box.SendBytes(words, bounded(count, elements));
    };
    auto readWords = [&](quint16* words, qint64 count, size_t elements) {
        if (!flags.StopRequested)
            box.ReadWords(words, bounded(count, elements));
    };
    // ReadBytes fills two elements per count.
    auto readBytes = [&](quint16* elements, qint64 count, size_t size) {
        if (!flags.StopRequested)
            box.ReadBytes(elements, bounded(count, size / 2));
    };
    auto loadAndExecute = [&](bool transferFollows) {
        if (!flags.StopRequested)
            Load(slot, op);
        if (!flags.StopRequested)
            Execute(op, !transferFollows);
    };
    std::span<quint16> code = image.CodeBuffer();
    auto& ee = image.EeBuffer();
    auto& id = image.IdWords();
    auto& config = image.ConfigWords();
    auto& masks = image.ConfigMasks();

    switch (slot) {
    case 0:
    case 28: loadAndExecute(false); break;
    case 1: loadAndExecute(false); break;
    case 2:
        if (is18)
            m_state.FailureFormat = 1;
        if (ownFlags & BoxProtocol::FlagByteTransfer)
            SetLocation(pb, quint32(qMax<qint64>(0, (n - 1) / 2)));
        else if (profile.eeLoc != 0) {
            SetLocation(pb, quint32(profile.eeLoc) & 0xFFFF);
            pb[BoxProtocol::PbCount] = quint8(profile.ee);
        }
        loadAndExecute(false);
        break;
    case 3:
        idLocation();
        loadAndExecute(false);
        break;
    case 4:
        if (profile.cfgWords < 2) {
            setMaskBytes(word0Mask);
            loadAndExecute(false);
        } else {
            m_state.FailureFormat = is18 ? 2 : 3;
            loadAndExecute(true);
            if (!flags.StopRequested)
                box.SendConfigWords(masks.data(), masks.data(), bounded(n, config.size()), profile.cfgWords);
        }
        break;
    case 5:
        if (is18 && !(ownFlags & BoxProtocol::FlagPanelWrite))
            fiveXWrite(n);
        loadAndExecute(true);
        if (ownFlags & BoxProtocol::FlagPanelWrite) {
            if (!flags.StopRequested) {
                const int count = bounded(n, code.size());
                const int panels = qMax(1, int(pb[BoxProtocol::PbPanels]));
                box.SendPanelWords(mask, code.data(), 0, panels, count, count / panels,
                                   qMax(1, int(pb[BoxProtocol::PbBlockBytes]) / 2));
            }
        } else {
            sendWords(code.data(), n, code.size());
        }
        break;
    case 6:
        if (!slot10Bytes && profile.eeLoc != 0)
            eeAtLocation();
        loadAndExecute(true);
        if (is18)
            m_state.FailureFormat = 1;
        if (ownFlags & BoxProtocol::FlagByteTransfer)
            sendBytes(ee.data(), n, ee.size());
        else
            sendWords(ee.data(), n, ee.size());
        break;
    case 7:
    case 11:
    case 25:
    case 27:
        pb[BoxProtocol::PbCount] = quint8(calCount);
        loadAndExecute(true);
        sendWords(cal.words.data(), calCount, cal.words.size());
        break;
    case 8:
    case 12:
        idLocation();
        if (is18) {
            // All eight ID bytes: the box is told to expect them, and all of them are sent.
            n = IdBytes18X;
            const bool pairs = pb[BoxProtocol::PbCountRule] == BoxProtocol::CountPairs;
            SetLocation(pb, quint32(pairs ? n / 2 - 1 : n - 1));
        }
        loadAndExecute(true);
        if (is18)
            sendBytes(id.data(), n, id.size());
        else
            sendWords(id.data(), n, id.size());
        break;
    case 9:
        loadAndExecute(true);
        sendWords(code.data(), n, code.size());
        break;
    case 10:
        if (is18)
            m_state.FailureFormat = 1;
        if (ownFlags & BoxProtocol::FlagByteTransfer)
            SetLocation(pb, quint32(qMax<qint64>(0, (n - 1) / 2)));
        else if (profile.eeLoc != 0)
            eeAtLocation();
        loadAndExecute(true);
        if (slot10Bytes)
            sendBytes(ee.data(), n, ee.size());
        else
            sendWords(ee.data(), n, ee.size());
        break;
    case 15:
    case 29: {
        const bool single = profile.cfgWords == 1 || (slot == 15 && !is18);
        if (single) {
            setMaskBytes(hasXcal ? quint16(profile.xcal1Mask | word0Mask) : word0Mask);
            if (slot == 15 && !hasXcal && profile.cfgWords > 1)
                m_state.FailureFormat = 3;
        } else if (is18) {
            m_state.FailureFormat = 2;
        }
        loadAndExecute(true);
        if (single) {
            if (hasXcal)
                sendWords(config.data(), n, config.size());
            else if (!flags.StopRequested)
                box.SendConfigWords(config.data(), masks.data(), bounded(n, config.size()), profile.cfgWords);
        } else if (!flags.StopRequested) {
            box.SendWord(m_state.ChosenConfigWord);
        }
        break;
    }
    case 16:
        if (!m_state.CycleRunning)
            StoreComposedWords(m_ctx);
        if (profile.cfgWords == 1)
            setMaskBytes(word0Mask);
        else
            m_state.FailureFormat = is18 ? 2 : 3;
        loadAndExecute(true);
        if (!flags.StopRequested)
            box.SendConfigWords(config.data(), masks.data(), bounded(n, config.size()), profile.cfgWords);
        break;
    case 17:
        loadAndExecute(true);
        readWords(code.data(), n, code.size());
        break;
    case 18:
        if (is18)
            m_state.FailureFormat = 1;
        if (!slot10Bytes && profile.eeLoc != 0)
            eeAtLocation();
        loadAndExecute(true);
        if (ownFlags & BoxProtocol::FlagByteTransfer)
            readBytes(ee.data(), n, ee.size());
        else
            readWords(ee.data(), n, ee.size());
        break;
    case 19:
    case 23:
        pb[BoxProtocol::PbCount] = quint8(calCount);
        loadAndExecute(true);
        readWords(cal.words.data(), calCount, cal.words.size());
        break;
    case 20:
        idLocation();
        loadAndExecute(true);
        if (is18)
            readBytes(id.data(), n, id.size() - 1);
        else
            readWords(id.data(), n, id.size());
        break;
    case 21:
        if (profile.cfgWords == 1)
            m_state.FailureFormat = is18 ? 2 : 3;
        loadAndExecute(true);
        readWords(config.data(), n, config.size());
        if (hasXcal)
            config[0] |= profile.xcal1Mask;
        break;
    case 22: {
        loadAndExecute(true);
        std::vector<quint16> scratch(size_t(qMax<qint64>(1, n)));
        readWords(scratch.data(), n, scratch.size());
        cal.xcalValue = scratch[0];
        break;
    }
    case 24:
    case 26: {
        if (!m_state.CycleRunning)
            StoreComposedWords(m_ctx);
        if (!is18)
            setMaskBytes(quint16(profile.xcal1Mask | word0Mask));
        loadAndExecute(true);
        std::vector<quint16> scratch(size_t(qMax<qint64>(1, n)));
        scratch[0] = quint16((cal.xcalValue & profile.xcal1Mask) | word0Mask);
        sendWords(scratch.data(), n, scratch.size());
        break;
    }
    case 30:
    case 31:
    case 32: {
        pb[BoxProtocol::PbCount] = quint8(calCount);
        loadAndExecute(true);
        const size_t start = size_t(qBound(0, calCount, CalibrationRecord::WordCount - 1));
        const size_t room = cal.words.size() - start;
        const qint64 count = qMin(calCount, 256);
        if (slot == 30)
            readWords(cal.words.data() + start, count, room);
        else
            sendWords(cal.words.data() + start, count, room);
        break;
    }
    case 13: {
        // The serial number in code memory: the block serial numbering prepared for this socket.
        const SerialNumberBlock& sn = m_state.SerialBlock;
        const bool panel = ownFlags & BoxProtocol::FlagPanelWrite;
        if (is18 && !panel)
            fiveXWrite(sn.wordCount);
        else if (!is18 && profile.paw > 1)
            pb[BoxProtocol::PbPanels] = 1;
        loadAndExecute(true);
        if (panel)
            sendWords(sn.panel.data(), sn.wordCount, sn.panel.size());
        else if (profile.paw > 1)
            sendWords(sn.number.data(), sn.wordCount, sn.number.size());
        else
            sendWords(sn.number.data(), sn.size, sn.number.size());
        break;
    }
    case 14: {
        // The serial number in EE memory.
        const SerialNumberBlock& sn = m_state.SerialBlock;
        if (is18) {
            m_state.FailureFormat = 1;
        } else if (profile.eeLoc != 0) {
            SetLocation(pb, quint32(profile.eeLoc + sn.eeOffset) & 0xFFFFFF);
            pb[BoxProtocol::PbCount] = quint8(sn.size);
        }
        loadAndExecute(true);
        if (ownFlags & BoxProtocol::FlagByteTransfer)
            sendBytes(sn.number.data(), sn.size, sn.number.size());
        else
            sendWords(sn.number.data(), sn.size, sn.number.size());
        break;
    }
    default: loadAndExecute(false); break;
    }
}
