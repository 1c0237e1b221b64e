#pragma once

#include <QtGlobal>
#include <array>

// The run state the programming engine shares between power sequencing, the operation runner,
// the task engine and the cycle runner. Socket masks in the box's numbering use A = 0x40,
// B = 0x10, C = 0x04, D = 0x01; ordinal masks use A = 1, B = 2, C = 4, D = 8.
struct EngineState {
    // --- sockets ---
    quint8 EnabledSockets = 0x40;      // switched on by the operator (box bits)
    quint8 EnabledSocketOrdinals = 1;  // the same as ordinals
    quint8 SelectedSockets = 0x40;     // what the next operation addresses (box bits)
    quint8 PassingSockets = 0x55;      // not failed in this run (box bits)
    quint8 PassingSocketsSaved = 0x55; // kept across per-socket loops
    quint8 FailedSocketOrdinals = 0;   // ordinals of sockets that failed a per-socket task
    int SelectedCalSocket = 0;         // 0..3: whose calibration record per-socket operations use
    int FailureFormat = 0;             // 0 word address, 1 byte address, 2/3 configuration word number
    bool CycleRunning = false;         // a programming cycle is in progress

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

    // Good devices of this run and the failed count they go to when a pre-test fails.
    int GoodCount = 0;
    int FailedCount = 0;

    // The last 14-byte status reply of an operation (first failing locations, passing sockets,
    // voltage bits).
    std::array<quint8, 14> LastStatusReply{};

    // Row-level choices the configuration-word slots use when a device has several words: the
    // single word to send (RunRow sets it).
    quint16 ChosenConfigWord = 0;
};
