#pragma once

#include <QtGlobal>

// What the simulated box reports about itself: firmware and boot loader versions, configuration
// letter and identification words. The firmware version and letter change when the boot loader
// receives a valid image.
struct BoxIdentity {
    quint16 firmwareVersion = 0x0118;
    char configLetter = 'A';
    quint16 bootVersion = 0x0102;
    quint16 serialNumber = 1001;
    quint8 hardwareRevision = 3; // the hardware word holds revision - 1 in its low byte
    quint8 modification = 0;     // high byte of the hardware word
    // Hardware of revision 1 or 2 that carries the dual-VPP modification: voltage mode 0 gives the
    // reduced VPP, as boxes from revision 3 on do whenever mode bit 0 is clear.
    bool dualVppFitted = false;
    quint16 productionWord1 = 0x2026;
    quint16 productionWord2 = 0x0001;

    quint16 HardwareWord() const { return quint16(modification << 8 | quint8(hardwareRevision - 1)); }
};
