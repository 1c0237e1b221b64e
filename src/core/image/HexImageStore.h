#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

class HexFileContent;
class MemoryImage;
struct DeviceProfile;

// Where a device's memories lie in the byte addresses of a HEX file, and which of the file's
// records the operator chose to override.
struct HexImageLayout {
    quint64 idFirst = 0; // the 5X/XX ID window, both ends included
    quint64 idLast = 0;
    quint64 configFirst = 0; // the 5X/XX configuration window, both ends included
    quint64 configLast = 0;
    quint64 programEnd = 0; // first word address the device cannot hold
    bool device18 = false;  // the 0x4200 window is program memory, not EE data
    bool idOverride = false;
    bool fuseOverride = false;
    bool eeOverride = false;

    // The windows of a profile, no override chosen.
    static HexImageLayout Of(const DeviceProfile& profile);
};

// A line of what the store found, for the history: the text and the value shown at its column.
struct HexDiagnostic {
    enum class Kind { Information, Warning };
    Kind kind = Kind::Information;
    QString text;
    QString value;
};

struct HexStoreResult {
    std::vector<HexDiagnostic> diagnostics; // in the order met
    QString error;                          // why the file cannot be used; empty when every record was stored
};

// Stores the data records of a parsed file into the image, mapping the PIC address conventions of
// the three core families: code below byte address 0x200000 (with the 5X/XX ID, configuration and
// 0x4200 EE data windows), the 18X ID bytes at 0x200000, configuration bytes at 0x300000 and EE
// data at 0xF00000; anything else is ignored. Classifies the width of the code in the image's load
// status and clears its "missing" flags for the regions met. Code beyond program memory and bytes
// given two different values each give one warning at the end (the later value is kept). EE data
// beyond its buffer stops the store with an error; what was stored so far stays.
//
// The image is not cleared first, and the load status is updated, not reset: the caller does both
// before it acts on the file's device records.
HexStoreResult StoreHexContent(const HexFileContent& content, const HexImageLayout& layout, MemoryImage& image);
