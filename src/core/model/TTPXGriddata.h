#pragma once

#include <QString>
#include <QtGlobal>

// What the grid editor needs to show one image buffer: where it starts, which bits of a cell are
// implemented, the core family, the cell kind, and how many rows and cells are in use.
struct TTPXGriddata {
    enum CellKind : qint16 { Words = 0, Bytes = 1, DoubleWords = 2 };

    qint32 startAddress = 0;
    quint16 wordMask = 0xFFFF; // implemented bits of one cell; a cell equal to it under it is blank
    QString coreFamily = QStringLiteral("XX");
    qint16 cellKind = Words;
    qint32 rows = 1;
    qint32 size = 15; // cells in use
};
