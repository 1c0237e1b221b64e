#include "SimulatedChip.h"

using namespace BoxProtocol;

SimulatedChip::SimulatedChip(const ChipGeometry& geometry) : m_geometry(geometry), m_timing(ChipTiming::For(geometry))
{
    FactoryReset();
}

quint16 SimulatedChip::FactoryCalibration() const
{
    // MOVLW k (5X) or RETLW k (XX) with a mid-range oscillator trim.
    return m_geometry.family == ChipGeometry::Family::Baseline ? 0x0C24 : 0x3480;
}

quint16 SimulatedChip::FactoryXcalBits() const
{
    // The band-gap bits as a factory trims them: the upper of the two set.
    const quint16 mask = m_geometry.xcal1Mask;
    if (!mask)
        return 0;
    const quint16 lowest = mask & quint16(-mask);
    return quint16(mask & ~lowest);
}

void SimulatedChip::FactoryReset()
{
    const ChipGeometry& g = m_geometry;
    m_code.fill(g.CodeWidth(), g.ProgramArrayWords());
    m_ee.fill(0xFF, g.ee);
    m_id.fill(g.family == ChipGeometry::Family::Pic18 ? 0xFF : g.CodeWidth(), g.IdCount());
    m_config.resize(g.cfgWords);
    for (int w = 0; w < g.cfgWords; ++w)
        m_config[w] = Erased(RegConfig, w);
    if (g.xcal1Mask)
        m_config[0] = quint16((m_config[0] & ~g.xcal1Mask) | FactoryXcalBits());
    const int calCount = g.CalibrationCount();
    m_backup.fill(g.CodeWidth(), g.bcal ? calCount : 0);
    m_separateCalibration.clear();
    if (calCount > 0 && !g.CalibrationInProgramArray())
        m_separateCalibration.fill(g.CodeWidth(), calCount);
    for (int i = 0; i < calCount; ++i) {
        SetRaw(RegCalibration, i, FactoryCalibration());
        if (g.bcal)
            m_backup[i] = FactoryCalibration();
    }
    for (auto it = m_badCells.cbegin(); it != m_badCells.cend(); ++it)
        if (it.key() >= 0 && it.key() < m_code.size())
            m_code[it.key()] = it.value();
}

void SimulatedChip::SetBadCell(int codeAddress, quint16 value)
{
    m_badCells.insert(codeAddress, value);
    if (codeAddress >= 0 && codeAddress < m_code.size())
        m_code[codeAddress] = value;
}

quint16 SimulatedChip::ProgramWord(int address) const
{
    return address >= 0 && address < m_code.size() ? m_code.at(address) : quint16(0);
}

int SimulatedChip::RegionSize(Region region) const
{
    switch (region) {
    case RegCode: return qMin(m_geometry.rom, int(m_code.size())); // calibration words above stay out of reach
    case RegEeData: return m_ee.size();
    case RegId: return m_id.size();
    case RegConfig: return m_config.size();
    case RegCalibration: return m_geometry.CalibrationCount();
    case RegCalibrationBackup: return m_backup.size();
    case RegDevice: return 0;
    }
    return 0;
}

qint64 SimulatedChip::RegionBase(Region region) const
{
    const ChipGeometry& g = m_geometry;
    const bool pic18 = g.family == ChipGeometry::Family::Pic18;
    switch (region) {
    case RegCode: return 0;
    case RegEeData: return pic18 ? 0xF00000 : g.eeLoc;
    case RegId: return pic18 ? 0x200000 : g.idLoc;
    case RegConfig: return 0;
    case RegCalibration: return g.CalibrationBase();
    case RegCalibrationBackup: return g.bcalLoc;
    case RegDevice: return 0;
    }
    return 0;
}

qint64 SimulatedChip::IndexOf(Region region, qint64 address) const
{
    if (region == RegCode && m_geometry.family == ChipGeometry::Family::Pic18)
        return address / 2;
    const qint64 base = RegionBase(region);
    return base > 0 && address >= base ? address - base : address;
}

quint16 SimulatedChip::Width(Region region) const
{
    switch (region) {
    case RegEeData: return 0xFF;
    case RegId: return m_geometry.family == ChipGeometry::Family::Pic18 ? 0xFF : m_geometry.CodeWidth();
    case RegConfig: return 0xFFFF;
    default: return m_geometry.CodeWidth();
    }
}

quint16 SimulatedChip::Erased(Region region, int index) const
{
    if (region == RegConfig) {
        // Erased configuration bits read 1 wherever they are implemented; 18X words are byte pairs.
        if (m_geometry.family == ChipGeometry::Family::Pic18)
            return 0xFFFF;
        Q_UNUSED(index);
        return m_geometry.CodeWidth();
    }
    return Width(region);
}

QVector<quint16>* SimulatedChip::Cells(Region region, int* offset)
{
    return const_cast<QVector<quint16>*>(static_cast<const SimulatedChip*>(this)->Cells(region, offset));
}

const QVector<quint16>* SimulatedChip::Cells(Region region, int* offset) const
{
    *offset = 0;
    switch (region) {
    case RegCode: return &m_code;
    case RegEeData: return &m_ee;
    case RegId: return &m_id;
    case RegConfig: return &m_config;
    case RegCalibrationBackup: return &m_backup;
    case RegCalibration:
        if (!m_separateCalibration.isEmpty())
            return &m_separateCalibration;
        *offset = m_geometry.CalibrationBase();
        return &m_code;
    case RegDevice: return nullptr;
    }
    return nullptr;
}

bool SimulatedChip::Stuck(Region region, int index, quint16* value) const
{
    int offset = 0;
    const QVector<quint16>* cells = Cells(region, &offset);
    if (cells != &m_code)
        return false;
    const auto it = m_badCells.constFind(offset + index);
    if (it == m_badCells.cend())
        return false;
    *value = it.value();
    return true;
}

quint16 SimulatedChip::Raw(Region region, int index) const
{
    int offset = 0;
    const QVector<quint16>* cells = Cells(region, &offset);
    if (!cells || index < 0 || index >= RegionSize(region) || offset + index >= cells->size())
        return 0;
    return cells->at(offset + index);
}

void SimulatedChip::SetRaw(Region region, int index, quint16 value)
{
    int offset = 0;
    QVector<quint16>* cells = Cells(region, &offset);
    if (!cells || index < 0 || index >= RegionSize(region) || offset + index >= cells->size())
        return;
    quint16 stuck = 0;
    (*cells)[offset + index] = Stuck(region, index, &stuck) ? stuck : quint16(value & Width(region));
}

bool SimulatedChip::CodeProtected() const
{
    for (int w = 0; w < m_config.size(); ++w) {
        const quint16 protectionBits =
            quint16(m_geometry.fuseMask.value(w, 0xFFFF) & ~m_geometry.cpMask.value(w, 0xFFFF));
        if (protectionBits & ~m_config[w])
            return true;
    }
    return false;
}

quint16 SimulatedChip::Read(Region region, int index) const
{
    if ((region == RegCode || region == RegEeData) && CodeProtected())
        return 0;
    return Raw(region, index);
}

bool SimulatedChip::Program(Region region, int index, quint16 value, quint16 mask)
{
    if (index < 0 || index >= RegionSize(region))
        return false;
    mask &= Width(region);
    const quint16 old = Raw(region, index);
    quint16 next = quint16((old & ~mask) | (value & mask));
    if (!m_geometry.flash)
        next = quint16(old & (value | ~mask)); // EPROM cells only go from 1 to 0
    SetRaw(region, index, next);
    return Verify(region, index, value, mask);
}

bool SimulatedChip::Verify(Region region, int index, quint16 value, quint16 mask) const
{
    if (index < 0 || index >= RegionSize(region))
        return false;
    mask &= Width(region);
    return (Read(region, index) & mask) == (value & mask);
}

bool SimulatedChip::IsBlank(Region region, int index, quint16 mask) const
{
    return Verify(region, index, Erased(region, index), mask);
}

void SimulatedChip::EraseCells(Region region)
{
    for (int i = 0; i < RegionSize(region); ++i)
        SetRaw(region, i, Erased(region, i));
}

int SimulatedChip::Erase(Region region)
{
    const ChipGeometry& g = m_geometry;
    if (g.flash) {
        switch (region) {
        case RegDevice:
            for (Region r : {RegCode, RegEeData, RegId, RegConfig, RegCalibration, RegCalibrationBackup})
                EraseCells(r);
            break;
        case RegCode: {
            // Program memory, ID and configuration go; calibration words and bits stay. Words
            // above ROM are out of the code region's reach; words a table counts inside ROM are
            // saved and put back.
            QVector<quint16> calibration;
            for (int i = 0; i < RegionSize(RegCalibration); ++i)
                calibration.append(Raw(RegCalibration, i));
            const quint16 xcal = g.xcal1Mask && !m_config.isEmpty() ? quint16(m_config[0] & g.xcal1Mask) : 0;
            EraseCells(RegCode);
            EraseCells(RegId);
            EraseCells(RegConfig);
            for (int i = 0; i < calibration.size(); ++i)
                SetRaw(RegCalibration, i, calibration[i]);
            if (g.xcal1Mask && !m_config.isEmpty())
                m_config[0] = quint16((m_config[0] & ~g.xcal1Mask) | xcal);
            break;
        }
        case RegConfig: {
            const quint16 xcal = g.xcal1Mask && !m_config.isEmpty() ? quint16(m_config[0] & g.xcal1Mask) : 0;
            EraseCells(RegConfig);
            if (g.xcal1Mask && !m_config.isEmpty())
                m_config[0] = quint16((m_config[0] & ~g.xcal1Mask) | xcal);
            break;
        }
        default: EraseCells(region); break;
        }
    }
    // Erase-verify over what the erase covered.
    QVector<Region> covered;
    if (region == RegDevice)
        covered = {RegCode, RegEeData, RegId, RegConfig};
    else if (region == RegCode)
        covered = {RegCode};
    else
        covered = {region};
    for (Region r : covered) {
        for (int i = 0; i < RegionSize(r); ++i) {
            const bool keptCalibration = region == RegCode && r == RegCode && g.HasCalibration() &&
                                         i >= g.CalibrationBase() && i < g.CalibrationBase() + g.CalibrationCount();
            quint16 mask = r == RegConfig ? g.fuseMask.value(i, 0xFFFF) : Width(r);
            if (r == RegConfig && i == 0 && region != RegDevice)
                mask &= quint16(~g.xcal1Mask);
            if (!keptCalibration && !IsBlank(r, i, mask))
                return i;
        }
    }
    return -1;
}
