#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// The part of the serial-number state that the control file and the settings store keep: the
// numbering mode flags, placement, length, start addresses, the counters and the SQTP and log
// file paths. Defaults are those a control file without a SERIALNUM section loads.
struct SerialNumberSettings {
    static constexpr int SocketCount = 4;
    // The lengths an operator may set outside SQTP mode (a file's SQTP header may say more).
    static constexpr int MinimumLength = 1;
    static constexpr int MaximumLength = 8;

    bool autoNumbering = true; // automatic or SQTP mode (value 67 or value 38)
    bool codeSpace = true;     // numbers go to code memory (entry 65), else EE memory (entry 64)
    bool sqtpReady = false;    // the SQTP file was opened and validated
    bool sqtpInUse = false;    // entry 38 was effective at the last refresh
    quint16 length = 1;        // locations per number (1 to 8 outside SQTP mode), as the file says
    qint64 eeStartAddress = 0;
    qint64 codeStartAddress = 0;
    qint64 currentNumber = 0;
    QString currentText = QStringLiteral("0"); // upper-case hexadecimal of currentNumber
    QString lastHexText = QStringLiteral("0"); // last number issued (last_hex)
    std::array<QString, SocketCount> lastSocketTexts{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                                     QStringLiteral("0")};
    std::array<qint64, SocketCount> lastSocketNumbers{};
    QString sqtpFile = QStringLiteral("[none selected]");
    QString logFile = QStringLiteral("[none]");
};
