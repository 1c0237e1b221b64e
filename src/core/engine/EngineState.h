#pragma once

#include "core/engine/SerialNumberBlock.h"
#include "core/engine/SocketMasks.h"

#include <QtGlobal>
#include <array>

// The run state the programming engine shares between power sequencing, the operation runner,
// the task engine, the cycle runner and the result report. The socket masks come from
// EngineSockets (box numbering A = 0x40, B = 0x10, C = 0x04, D = 0x01; ordinals A = 1 .. D = 8).
// Whose calibration record a per-socket operation uses is the image's SelectedCalSocket.
struct EngineState : EngineSockets {
    int FailureFormat = 0;       // 0 word address, 1 byte address, 2/3 configuration word number
    bool CycleRunning = false;   // a programming cycle is in progress
    bool ShowFailAddress = true; // false from a cycle's start until its end report is written
    qint64 CycleStartMs = 0;     // when the run's time lapse began (ms since the epoch)
    int PendingReadCode = 27;    // the read task to run next (27 = read everything)

    // --- supplies and power ---
    quint16 VddReading = 0; // last read-VDD / poll reading, 1/16 V
    quint16 VppReading = 0; // last read-VPP / poll reading, 1/16 V (clamped to 212 for display)
    quint16 VddShown = 0;   // readings last taken into a check
    quint16 VppShown = 0;
    quint8 SupplyStatus = 0; // status byte of the last poll
    int VppLow = 160;        // accepted VPP window; reduced until the first pre-test
    int VppHigh = 192;
    bool PowerOn = false;
    bool PreTestPassed = false;
    bool PoweredForOperation = false;
    bool VoltageSeen = false; // a supply wait since the last pre-test began had to wait
    bool HoldPowerBit = false;
    bool DualVppNoticePending = true;

    // Good devices of this run (the sockets in use when it began, less those that failed) and
    // the failed devices of this run; a failed pre-test moves the good count to the failed one.
    int GoodCount = 0;
    int FailedCount = 0;

    // The last 14-byte status reply of the box (first failing locations at 0, 3, 6 and 9, passing
    // sockets at 12, voltage bits at 13).
    std::array<quint8, 14> LastStatusReply{};

    // The single configuration word a multi-word configuration slot sends (the task engine sets
    // it for each word).
    quint16 ChosenConfigWord = 0;

    // What the serial-number operations send for the socket being serialized.
    SerialNumberBlock SerialBlock;
};
