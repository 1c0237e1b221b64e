#pragma once

#include <QString>
#include <QtGlobal>

// What the information report shows about the programmer box: the about box's identity texts and
// the facts the link derives from the box's fourth identification word. Until the box has been
// reached every text is a single blank and the facts are unknown.
struct HardwareInformation {
    bool identified = false; // the link has read the box's identification
    int revision = 0;        // hardware revision
    int modification = 0;    // modification byte
    int modificationFlags = 0;
    QString hardwareVersion = QStringLiteral(" "); // the about box's text, shown until identified
    QString bootVersion = QStringLiteral(" ");
    QString firmwareVersion = QStringLiteral(" ");
    QString serialNumber = QStringLiteral(" ");
};
