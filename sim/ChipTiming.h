#pragma once

#include <QString>
#include <QtGlobal>

struct ChipGeometry;

// How long a chip works on a write or an erase, as its datasheet gives it. The box programs
// every addressed socket at once, so a cycle costs its time once however many sockets take
// part. The write unit of program memory is the device table's PAW (words latched per write);
// the other regions write one cell per cycle, except the eight PIC18 ID bytes, which are one
// write buffer. Verify, read and blank check cost no chip time worth modelling (microseconds).
struct ChipTiming {
    qint64 codeWriteNs = 0;   // one program-memory write cycle (PAW words, or one calibration word)
    qint64 eeWriteNs = 0;     // one EE data byte
    qint64 idWriteNs = 0;     // one ID word (PIC18: the eight ID bytes together)
    qint64 configWriteNs = 0; // one configuration word
    qint64 eraseNs = 0;       // a device or program-memory erase (0: the part has no erase)
    qint64 eeEraseNs = 0;     // an erase of EE data alone
    QString source;           // where the figures come from

    // The figures for a device (by name, with the family's assumptions where the datasheet
    // facts we have give none).
    static ChipTiming For(const ChipGeometry& geometry);
};
