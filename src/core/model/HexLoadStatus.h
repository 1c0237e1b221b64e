#pragma once

// What the last HEX read found. Reset to the starting values at the start of every read and read
// by the load reconciliation and the writer.
struct HexLoadStatus {
    bool DeviceRecordFound = false; // a device record named or coded the MCU
    bool Width5X = true;            // every code word met so far fits in 12 bits
    bool WidthXX = false;           // a code word wider than 12 bits (not flagged 18X) was met
    bool Is18X = false;             // 18X code or data in an 18X-only region was met
    bool Id5xMissing = true;        // no byte fell in the 5X/XX ID window
    bool Fuse5xMissing = true;      // ... in the 5X/XX configuration window
    bool Ee5xMissing = true;        // ... in the 5X/XX EE data window
    bool Id18Missing = true;        // no byte fell in the 18X ID window
    bool Fuse18Missing = true;      // ... in the 18X configuration window
    bool Ee18Missing = true;        // ... in the 18X EE data window
    bool Inhx32Seen = false;        // an extended linear address record was met

    void Reset() { *this = HexLoadStatus{}; }
};
