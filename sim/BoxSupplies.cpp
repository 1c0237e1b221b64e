// The supply model: VDD and VPP readings in 1/16 V, their rise over the status polls of a
// power-up and their decay after switching off, and the voltage faults a box notices.
#include "BoxSimulator.h"

using namespace BoxProtocol;

namespace {
constexpr int VddNominal = 80;    // 5.0 V
constexpr int VddFaultLow = 64;   // 4.0 V
constexpr int VddFaultHigh = 96;  // 6.0 V
constexpr int VppStandard = 208;  // 13.0 V
constexpr int VppReduced = 176;   // 11.0 V
constexpr int VppFaultLow = 150;  // 9.4 V
constexpr int VppFaultHigh = 230; // 14.4 V
constexpr int NotRisingLevel = 8; // 0.5 V
constexpr int OffLevel = 13;      // 0.8125 V: the highest reading that counts as off
constexpr int FallSteps = 2;      // queries a supply takes to decay: a quarter, a sixteenth
constexpr quint8 StatusVoltageOnVdd = 0x40;
constexpr quint8 StatusMclrNotLow = 0x80;

// What a decaying supply of this level reads, with steps queries still to go.
int Decayed(int level, int steps)
{
    return steps >= FallSteps ? level / 4 : steps > 0 ? level / 16 : 0;
}
} // namespace

void BoxSimulator::SwitchVdd(bool on)
{
    if (!on && m_vddOn) {
        m_vddFallFrom = VddReading();
        m_vddFall = FallSteps;
    }
    if (on)
        m_vddFall = 0;
    if (!on)
        m_dropped &= quint8(~SupplyVddLow);
    const bool changed = m_vddOn != on;
    m_vddOn = on;
    if (changed)
        emit SuppliesSwitched(m_vddOn, m_vppOn);
}

void BoxSimulator::SetSupplies(bool vdd, bool vpp)
{
    const bool changed = m_vddOn != vdd || m_vppOn != vpp;
    m_vddOn = vdd;
    m_vppOn = vpp;
    if (changed)
        emit SuppliesSwitched(m_vddOn, m_vppOn);
}

void BoxSimulator::SwitchVpp(bool on)
{
    if (!on && m_vppOn) {
        m_vppFallFrom = VppReading();
        m_vppFall = FallSteps;
    }
    if (on)
        m_vppFall = 0;
    if (!on)
        m_dropped &= quint8(~SupplyVppLow);
    const bool changed = m_vppOn != on;
    m_vppOn = on;
    if (changed)
        emit SuppliesSwitched(m_vddOn, m_vppOn);
}

void BoxSimulator::SuppliesQueried()
{
    if (!m_vddOn && m_vddFall > 0)
        --m_vddFall;
    if (!m_vppOn && m_vppFall > 0)
        --m_vppFall;
}

void BoxSimulator::NoteOperationSupplies()
{
    ++m_operationsRun;
    const quint8 drop = m_faults.dropDuringOperation & (SupplyVddLow | SupplyVppLow);
    if (drop && m_operationsRun >= m_faults.dropAtOperation && (m_vddOn || m_selfPowered || m_vppOn))
        m_dropped |= drop;
    if (m_vddOn || m_vppOn || m_selfPowered)
        m_voltageBits |= quint8((m_faults.supplyFaults & 0x3F) | m_dropped);
}

void BoxSimulator::NoteIdleSupplies()
{
    if (!m_vddOn && !m_selfPowered && m_faults.vddIdle > OffLevel)
        m_voltageBits |= StatusVoltageOnVdd;
    if (!m_vppOn && m_faults.vppIdle > OffLevel)
        m_voltageBits |= StatusMclrNotLow;
}

int BoxSimulator::VddReading() const
{
    if (!m_vddOn && !m_selfPowered)
        return qMax(m_faults.vddIdle, Decayed(m_vddFallFrom, m_vddFall));
    const quint8 f = m_faults.supplyFaults;
    if (m_dropped & SupplyVddLow)
        return VddFaultLow;
    if (f & SupplyVddNotRising)
        return NotRisingLevel;
    if (f & SupplyVddLow)
        return VddFaultLow;
    if (f & SupplyVddHigh)
        return VddFaultHigh;
    return m_faults.vddLevel > 0 ? m_faults.vddLevel : VddNominal;
}

int BoxSimulator::NominalVpp() const
{
    return ReducedVppSelected() ? VppReduced : VppStandard;
}

bool BoxSimulator::ReducedVppSelected() const
{
    // From hardware revision 3 on, voltage mode bit 0 selects the standard window; clear, the
    // reduced one. Older boxes have the reduced range only with the dual-VPP modification fitted,
    // and select it with mode 0 alone (their ordinary mode is 2).
    if (m_identity.hardwareRevision >= 3)
        return !(m_voltageMode & 1);
    return m_identity.dualVppFitted && (m_voltageMode & 3) == 0;
}

int BoxSimulator::VppReading() const
{
    if (!m_vppOn)
        return qMax(m_faults.vppIdle, Decayed(m_vppFallFrom, m_vppFall));
    const quint8 f = m_faults.supplyFaults;
    if (m_dropped & SupplyVppLow)
        return VppFaultLow;
    if (f & SupplyVppNotRising)
        return NotRisingLevel;
    if (f & SupplyVppLow)
        return VppFaultLow;
    if (f & SupplyVppHigh)
        return VppFaultHigh;
    if (m_faults.vppReducedLevel > 0 && ReducedVppSelected())
        return m_faults.vppReducedLevel;
    return m_faults.vppLevel > 0 ? m_faults.vppLevel : NominalVpp();
}

QByteArray BoxSimulator::StatusPoll()
{
    // During a power-up the first supply shows on the first poll, the second on the next one
    // (with slow supplies each takes two polls: half, then full level). Afterwards a poll reports
    // the supply raised last.
    int shown = 0; // 5 VDD, 6 VPP
    bool half = false;
    if (m_rampStep >= 0) {
        const int step = m_rampStep++;
        const int second = m_rampFirst == 5 ? 6 : 5;
        const int perSupply = m_faults.slowRise ? 2 : 1;
        if (step < 2 * perSupply) {
            shown = step < perSupply ? m_rampFirst : second;
            half = m_faults.slowRise && (step % 2) == 0;
            SetSupplies(m_vddOn || shown == 5, m_vppOn || shown == 6);
            m_lastRaised = shown;
        }
        // The second supply goes on only once the first has risen to half its level: a first
        // supply that does not rise keeps the power-up (and the host's wait) at it.
        const int firstLevel = m_rampFirst == 5 ? VddReading() : VppReading();
        const int firstNominal = m_rampFirst == 5 ? VddNominal : NominalVpp();
        if (step == perSupply - 1 && 2 * firstLevel < firstNominal)
            m_rampStep = step;
        else if (step >= 2 * perSupply - 1)
            m_rampStep = -1;
    }
    if (!shown) {
        if (m_lastRaised == 6 && m_vppOn)
            shown = 6;
        else if (m_lastRaised == 5 && (m_vddOn || m_selfPowered))
            shown = 5;
        else if (m_vppOn)
            shown = 6;
        else if (m_vddOn || m_selfPowered)
            shown = 5;
    }
    quint8 status = (m_vddOn || m_vppOn) ? quint8((m_faults.supplyFaults & 0x3F) | m_dropped) : quint8(0);
    int reading = 0;
    if (shown == 5) {
        status |= SupplyReadingIsVdd;
        reading = VddReading();
    } else if (shown == 6) {
        status |= SupplyReadingIsVpp;
        reading = VppReading();
    }
    if (half)
        reading /= 2;
    SuppliesQueried();
    QByteArray out;
    out.append(char(status));
    out.append(char(qBound(0, reading, 255)));
    return out;
}
