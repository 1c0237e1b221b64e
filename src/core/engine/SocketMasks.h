#pragma once

#include <QtGlobal>
#include <array>

// The four adapter sockets: letter, hardware bit (the box's order), ordinal bit and the position
// of the socket's first failing location in the status reply.
namespace Sockets {
constexpr int Count = 4;
constexpr std::array<char, Count> Letter{'A', 'B', 'C', 'D'};
constexpr std::array<quint8, Count> HardwareBit{0x40, 0x10, 0x04, 0x01};
constexpr std::array<quint8, Count> OrdinalBit{1, 2, 4, 8};
constexpr std::array<int, Count> StatusPosition{0, 3, 6, 9};
constexpr quint8 AllHardware = 0x55;
} // namespace Sockets

// The socket masks a run works with (hardware bits unless named ordinals).
struct EngineSockets {
    quint8 EnabledSockets = 0x40;
    quint8 EnabledSocketOrdinals = 1;
    quint8 SelectedSockets = 0x40;
    quint8 PassingSockets = 0x55;
    quint8 PassingSocketsSaved = 0x55;
    quint8 FailedSocketOrdinals = 0;
};
