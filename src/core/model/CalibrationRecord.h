#pragma once

#include <QtGlobal>
#include <array>

// One socket's calibration data: the extra calibration word chosen for the socket, the index of
// that choice in the device's list, and the calibration words read from or written to the part.
struct CalibrationRecord {
    static constexpr int WordCount = 257;

    quint16 xcalValue = 0;
    qint32 xcalChoice = 0; // 0 when no choice matches
    std::array<quint16, WordCount> words{};
};
