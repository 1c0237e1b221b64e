#include "BoxOperation.h"

#include "SimulatedChip.h"

using namespace BoxProtocol;

BoxOperation::BoxOperation(const QByteArray& pb, const QByteArray& script, const Chips& chips) : m_chips(chips)
{
    auto at = [&pb](int i) { return i < pb.size() ? quint8(pb[i]) : quint8(0); };
    const quint8 code = at(PbOperation);
    m_action = Action(code >> 4);
    m_region = Region(code & 0x0F);
    m_flags = at(PbFlags);
    m_mask = quint16(at(PbMaskLow) | at(PbMaskHigh) << 8);
    const quint8 unit = at(PbItemUnit);
    m_unit = unit <= UnitConfigWord ? ItemUnit(unit) : UnitWord;
    const qint64 value = qint64(at(PbValueLow)) | qint64(at(PbValueLow + 1)) << 8 | qint64(at(PbValueLow + 2)) << 16;
    const quint8 countByte = at(PbCount);

    m_valid = m_action <= ActRead && m_region <= RegCalibrationBackup &&
              !(m_region == RegDevice && (m_action == ActProgram || m_action == ActVerify || m_action == ActRead));

    switch (at(PbCountRule)) {
    case CountPairs: m_count = 2 * (value + 1); break;
    case CountAtAddress:
        m_located = true;
        m_address = value;
        m_count = countByte ? countByte : 256;
        break;
    case CountEndingAt:
        m_count = qMax<qint64>(1, countByte);
        m_located = true;
        m_address = value - m_count + 1;
        break;
    case CountStartingAt:
        m_located = true;
        m_address = value;
        m_count = qMax<qint64>(1, countByte);
        break;
    case CountSingleConfig:
        m_located = true;
        m_address = countByte / 2;
        m_highByteOnly = (countByte & 1) != 0;
        m_count = 1;
        break;
    case CountWriteGroups:
        // A panel write counts words (bytes 2-4 hold size - 1); a plain one counts write groups.
        m_count = (value + 1) * ((m_flags & FlagPanelWrite) ? 1 : WriteGroupWords(at(PbBlockBytes) / 2));
        break;
    case CountLastIndex:
    default: m_count = value + 1; break;
    }

    // The address marker in the script gives the start address (high byte first).
    const qsizetype marker = script.indexOf(char(ScriptAddressMarker));
    if (marker >= 0 && marker + 3 < script.size()) {
        m_located = true;
        m_address = qint64(quint8(script[marker + 1])) << 16 | qint64(quint8(script[marker + 2])) << 8 |
                    qint64(quint8(script[marker + 3]));
    }

    m_wireBytes = m_unit == UnitByte ? 1 : m_unit == UnitConfigWord && m_count > 1 && m_action != ActRead ? 4 : 2;
    if (m_action == ActProgram || m_action == ActVerify)
        m_transfer = Transfer::Send;
    else if (m_action == ActRead)
        m_transfer = Transfer::Read;
    else if (m_action == ActBlankCheck && m_unit == UnitConfigWord && m_count > 1)
        m_transfer = Transfer::Send; // the masks to check under
    if (!m_valid)
        m_transfer = Transfer::None;

    // A panel write sends program words panel by panel: the region splits into byte 17 panels of
    // equal size, and each visit to a panel brings byte 13 / 2 consecutive words.
    if ((m_flags & FlagPanelWrite) && m_region == RegCode && m_transfer == Transfer::Send && m_wireBytes == 2) {
        m_panels = qMax(1, int(at(PbPanels)));
        m_groupWords = qMax(1, at(PbBlockBytes) / 2);
        m_panelWords = m_count / m_panels;
        if (m_panelWords < m_groupWords)
            m_panels = 1; // too small to split: plain order
    }

    // Address the sockets; a chip of another family than the script's does not answer.
    const quint8 sockets = at(PbSocketMask);
    const quint8 family = script.isEmpty() ? 0 : quint8(script[0]);
    const bool familyNamed = family == ScriptFamily5X || family == ScriptFamilyXX || family == ScriptFamily18X;
    for (int s = 0; s < SocketCount; ++s) {
        if (!(sockets & SocketBit(s)))
            continue;
        m_results[size_t(s)].addressed = true;
        if (!m_chips[size_t(s)] || (familyNamed && m_chips[size_t(s)]->Geometry().FamilyCode() != family))
            Fail(s, 0);
    }
    SetChipTimes();
}

void BoxOperation::SetChipTimes()
{
    for (int s = 0; s < SocketCount; ++s) {
        const SimulatedChip* chip = m_chips[size_t(s)];
        if (!m_results[size_t(s)].addressed || !chip)
            continue;
        const ChipTiming& t = chip->Timing();
        qint64 ns = 0;
        qint64 items = 1;
        switch (m_region) {
        case RegCode:
            ns = t.codeWriteNs;
            // A panel write latches one write group in every panel and writes them together.
            items = m_panels > 1 ? qint64(m_groupWords) * m_panels : chip->Geometry().paw;
            break;
        case RegEeData: ns = t.eeWriteNs; break;
        case RegId:
            ns = t.idWriteNs;
            items = chip->Geometry().family == ChipGeometry::Family::Pic18 ? chip->Geometry().IdCount() : 1;
            break;
        case RegConfig: ns = t.configWriteNs; break;
        default: ns = t.codeWriteNs; break; // calibration words are program-array cells
        }
        if (m_action == ActProgram) {
            m_cycleNs = qMax(m_cycleNs, ns);
            m_cycleItems = qMax<qint64>(m_cycleItems, items);
        }
        if (m_action == ActErase)
            m_eraseNs = qMax(m_eraseNs, m_region == RegEeData ? t.eeEraseNs : t.eraseNs);
    }
}

qint64 BoxOperation::TakeChipTimeNs()
{
    const qint64 ns = m_chipNs;
    m_chipNs = 0;
    return ns;
}

int BoxOperation::BlockAcks() const
{
    if (m_transfer != Transfer::None || !(m_flags & FlagLongOperation))
        return 0;
    return int(m_count / WordsPerBlockAck);
}

quint8 BoxOperation::AddressedMask() const
{
    quint8 mask = 0;
    for (int s = 0; s < SocketCount; ++s)
        if (m_results[size_t(s)].addressed)
            mask |= SocketBit(s);
    return mask;
}

void BoxOperation::Fail(int socket, quint32 location)
{
    SocketResult& r = m_results[size_t(socket)];
    if (!r.failed) {
        r.failed = true;
        r.location = location & 0xFFFFFF;
    }
}

qint64 BoxOperation::IndexOf(const SimulatedChip& chip, qint64 item) const
{
    if (!m_located)
        return item;
    if (m_region == RegConfig)
        return m_address + item;
    return chip.IndexOf(m_region, m_address) + item;
}

quint32 BoxOperation::LocationOf(qint64 item) const
{
    return quint32((m_located ? m_address : 0) + item);
}

quint16 BoxOperation::ItemMask(const SimulatedChip& chip, qint64 index, quint16 transferredMask) const
{
    quint16 mask = m_mask ? m_mask : 0xFFFF;
    if (m_region == RegConfig) {
        if (m_wireBytes == 4)
            mask = transferredMask;
        else if (!m_mask)
            mask = chip.Geometry().fuseMask.value(int(index), 0xFFFF);
        if (m_highByteOnly)
            mask &= 0xFF00;
    }
    return mask;
}

void BoxOperation::Start()
{
    if (!m_valid)
        return;
    for (int s = 0; s < SocketCount; ++s) {
        SocketResult& r = m_results[size_t(s)];
        SimulatedChip* chip = m_chips[size_t(s)];
        if (!r.addressed || r.failed || !chip)
            continue;
        if (m_action == ActErase) {
            const int first = chip->Erase(m_region);
            if (first >= 0)
                Fail(s, quint32(first));
            m_chipNs = m_eraseNs; // the chips erase together
        } else if (m_action == ActBlankCheck && m_transfer == Transfer::None) {
            if (m_region == RegDevice) {
                for (Region region : {RegCode, RegEeData, RegId, RegConfig}) {
                    for (int i = 0; i < chip->RegionSize(region) && !r.failed; ++i) {
                        const quint16 mask = region == RegConfig ? chip->Geometry().fuseMask.value(i, 0xFFFF) : 0xFFFF;
                        if (!chip->IsBlank(region, i, mask))
                            Fail(s, quint32(i));
                    }
                }
                continue;
            }
            for (qint64 item = 0; item < m_count; ++item) {
                const qint64 index = IndexOf(*chip, item);
                if (index >= chip->RegionSize(m_region) ||
                    !chip->IsBlank(m_region, int(index), ItemMask(*chip, index, 0))) {
                    Fail(s, LocationOf(item));
                    break;
                }
            }
        }
    }
    if (m_transfer == Transfer::Read) {
        // Reads come from the first addressed socket that holds a chip.
        const SimulatedChip* source = nullptr;
        for (int s = 0; s < SocketCount && !source; ++s)
            if (m_results[size_t(s)].addressed && m_chips[size_t(s)])
                source = m_chips[size_t(s)];
        // Cells past the region's end read as erased: a read of single bytes by pairs asks for
        // twice the count (an 18X EE read of EE pairs returns 2 x EE bytes), and the host keeps
        // only the region's part.
        m_readData.reserve(TransferBytes());
        for (qint64 item = 0; item < m_count; ++item) {
            quint16 value = 0;
            if (source) {
                const qint64 index = IndexOf(*source, item);
                value = index >= 0 && index < source->RegionSize(m_region) ? source->Read(m_region, int(index))
                                                                           : source->Erased(m_region, 0);
            }
            m_readData.append(char(value & 0xFF));
            if (m_wireBytes == 2)
                m_readData.append(char(value >> 8));
        }
    }
}

void BoxOperation::Receive(quint8 byte)
{
    if (m_transfer != Transfer::Send || m_itemsDone >= m_count)
        return;
    m_item.append(char(byte));
    if (m_item.size() < m_wireBytes)
        return;
    const quint16 value = quint16(quint8(m_item[0]) | (m_wireBytes >= 2 ? quint8(m_item[1]) << 8 : 0));
    const quint16 mask = m_wireBytes == 4 ? quint16(quint8(m_item[2]) | quint8(m_item[3]) << 8) : 0;
    m_item.clear();
    ApplyItem(ItemOfArrival(m_itemsDone++), value, mask);
    if (m_action != ActProgram)
        return;
    // The write cycle starts once its items are latched (or the transfer ends) and costs its time
    // when a chip took one of them.
    if (++m_cycleFilled == m_cycleItems || m_itemsDone == m_count) {
        if (m_cycleWrites)
            m_chipNs += m_cycleNs;
        m_cycleFilled = 0;
        m_cycleWrites = false;
    }
}

qint64 BoxOperation::ItemOfArrival(qint64 n) const
{
    if (m_panels <= 1)
        return n;
    const qint64 round = qint64(m_panels) * m_groupWords;
    const qint64 within = n % round;
    return n / round * m_groupWords + within / m_groupWords * m_panelWords + within % m_groupWords;
}

void BoxOperation::ApplyItem(qint64 item, quint16 value, quint16 transferredMask)
{
    for (int s = 0; s < SocketCount; ++s) {
        SocketResult& r = m_results[size_t(s)];
        SimulatedChip* chip = m_chips[size_t(s)];
        if (!r.addressed || r.failed || !chip)
            continue;
        const qint64 index = IndexOf(*chip, item);
        if (index < 0 || index >= chip->RegionSize(m_region)) {
            Fail(s, LocationOf(item));
            continue;
        }
        const quint16 mask = ItemMask(*chip, index, transferredMask);
        bool ok = true;
        switch (m_action) {
        case ActProgram: {
            const quint16 width = quint16(mask & chip->Width(m_region));
            const bool blankValue = (value & width) == (chip->Erased(m_region, int(index)) & width);
            if ((m_flags & FlagWriteAll) || !blankValue) {
                ok = chip->Program(m_region, int(index), value, mask);
                m_cycleWrites = true;
            }
            break;
        }
        case ActVerify: ok = chip->Verify(m_region, int(index), value, mask); break;
        case ActBlankCheck: ok = chip->IsBlank(m_region, int(index), mask); break;
        default: break;
        }
        if (!ok)
            Fail(s, LocationOf(item));
    }
}

quint8 BoxOperation::ReadByte(qint64 i) const
{
    return i >= 0 && i < m_readData.size() ? quint8(m_readData[i]) : quint8(0);
}
