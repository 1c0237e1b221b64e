// The supply model: VDD and VPP readings in 1/16 V and the status poll during a power-up.
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
} // namespace

int BoxSimulator::VddReading() const
{
    if (!m_vddOn && !m_selfPowered)
        return m_faults.vddIdle;
    const quint8 f = m_faults.supplyFaults;
    if (f & SupplyVddNotRising)
        return NotRisingLevel;
    if (f & SupplyVddLow)
        return VddFaultLow;
    if (f & SupplyVddHigh)
        return VddFaultHigh;
    return VddNominal;
}

int BoxSimulator::NominalVpp() const
{
    // From hardware revision 3 on, voltage mode bit 0 selects the standard window; clear, the
    // reduced one.
    return m_identity.hardwareRevision >= 3 && !(m_voltageMode & 1) ? VppReduced : VppStandard;
}

int BoxSimulator::VppReading() const
{
    if (!m_vppOn)
        return m_faults.vppIdle;
    const quint8 f = m_faults.supplyFaults;
    if (f & SupplyVppNotRising)
        return NotRisingLevel;
    if (f & SupplyVppLow)
        return VppFaultLow;
    if (f & SupplyVppHigh)
        return VppFaultHigh;
    return NominalVpp();
}

QByteArray BoxSimulator::StatusPoll()
{
    // During a power-up each supply takes two polls (half, then full level): the first supply,
    // then the second. Afterwards a poll reports the supply raised last.
    int shown = 0; // 5 VDD, 6 VPP
    bool half = false;
    if (m_rampStep >= 0) {
        const int step = m_rampStep++;
        const int second = m_rampFirst == 5 ? 6 : 5;
        if (step < 4) {
            shown = step < 2 ? m_rampFirst : second;
            half = (step % 2) == 0;
            (shown == 5 ? m_vddOn : m_vppOn) = true;
            m_lastRaised = shown;
        }
        if (step >= 3)
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
    quint8 status = (m_vddOn || m_vppOn) ? quint8(m_faults.supplyFaults & 0x3F) : quint8(0);
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
    QByteArray out;
    out.append(char(status));
    out.append(char(qBound(0, reading, 255)));
    return out;
}
