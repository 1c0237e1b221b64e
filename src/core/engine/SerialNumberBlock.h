#pragma once

#include <QtGlobal>
#include <array>

// The words the serial-number operations (slots 13 and 14) send for one socket, prepared by serial
// numbering before the row runs: the number buffer holds the plain, write-block and alternative
// blocks (code or EE words), the panel buffer the panel-ordered block of multi-panel code writes.
struct SerialNumberBlock {
    static constexpr int NumberWords = 128;
    static constexpr int PanelWords = 513;

    std::array<quint16, NumberWords> number{};
    std::array<quint16, PanelWords> panel{};
    int wordCount = 0;   // words of the current write-block or panel block
    int size = 0;        // locations of the number (its length)
    qint64 eeOffset = 0; // EE start address of the number, added to EELOC
};
