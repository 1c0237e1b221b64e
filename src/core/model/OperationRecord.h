#pragma once

#include <QtGlobal>
#include <array>

// One elementary programmer operation of the device's template: its script, its parameter block
// and the memory region it covers. The box interprets the block and the script as
// docs/box-operations.md describes; the host passes them through.
struct OperationRecord {
    static constexpr int MaxScript = 32;
    static constexpr int BlockSize = 19;

    std::array<quint8, MaxScript> script{};
    int scriptLength = 0;      // bytes of script in use; 1 or less: undefined for this device
    qint64 size = 0;           // item count, or last location + 1, of the region
    quint32 wordMask = 0xFFFF; // applied to every word sent
    quint8 basePulse = 0;      // template value 2
    int powerMode = 0;         // template value 16
    quint8 present = 0;        // 0: the device has no such operation
    std::array<quint8, BlockSize> parameterBlock{};

    // Parameter block bytes named by what the box reads from them.
    enum Byte {
        OperationCode = 0,
        Pulse = 1,
        Location = 2, // 2..4, 24 bits low first
        SocketOrdinals = 5,
        FailedOrdinals = 6,
        SocketMask = 7,
        CountRule = 8,
        ItemUnit = 9,
        CountOrIndex = 10,
        MaskLow = 11,
        MaskHigh = 12,
        WriteBlock = 13,
        EraseTime = 14,
        PanelCount = 17,
        Flags = 18,
    };
    static constexpr quint8 FlagWriteEveryWord = 0x40;

    // The 24-bit location or count in bytes 2-4.
    quint32 LocationField() const
    {
        return quint32(parameterBlock[2]) | (quint32(parameterBlock[3]) << 8) | (quint32(parameterBlock[4]) << 16);
    }
    void SetLocationField(quint32 value)
    {
        parameterBlock[2] = quint8(value);
        parameterBlock[3] = quint8(value >> 8);
        parameterBlock[4] = quint8(value >> 16);
    }
};
