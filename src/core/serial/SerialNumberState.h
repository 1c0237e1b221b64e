#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// The run-time half of the serial-number state (the half the control file keeps is
// SerialNumberSettings): what each socket's fields and status label show, the numbers taken from
// the SQTP file for this cycle and whether each reached its part, and the panel-write progress.
struct SerialNumberState {
    static constexpr int SocketCount = 4;

    bool lastResult = false;    // the last socket serialized passed
    quint8 cycleSocketMask = 0; // EnabledSockets when the cycle started (hardware bits)
    qint64 sqtpOffset = 0;      // byte offset of the current SQTP record's ':'
    int placedCount = 0;        // locations placed so far in panel mode
    int panelPass = 0;          // 1 for the first panel block of a number
    int highlightedSocket = -1; // the socket whose number panel is lit, -1 none
    QString currentDecimalText = QStringLiteral("0");
    std::array<QString, SocketCount> socketHexTexts{};
    std::array<QString, SocketCount> socketDecimalTexts{};
    std::array<QString, SocketCount> socketStatus{};  // "Passed        ", "Failed        ", ...
    std::array<QString, SocketCount> sqtpTexts{};     // most significant byte first
    std::array<bool, SocketCount> numberTaken{};      // an SQTP record was consumed this cycle
    std::array<bool, SocketCount> numberProgrammed{}; // that number was written and the part passed
};
