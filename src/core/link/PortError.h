#pragma once

#include <QFlags>
#include <QString>

// The port error categories the link reports, in their fixed order (index = category number).
// Each text begins with a blank; it is both the history line and the message box caption.
enum class PortErrorCategory : int {
    Opening = 0,
    ConfiguringState = 1,
    GettingState = 2,
    BuildingDcb = 3,
    SettingState = 4,
    SettingTimeouts = 5,
    Handshake = 6,
    Flushing = 7,
    Break = 8,
    Framing = 9,
    IoError = 10,
    ModeNotSupported = 11,
    Overrun = 12,
    ReceiveOverflow = 13,
    Parity = 14,
    TransmitFull = 15,
    WriteFailed = 16,
    ReadFailed = 17,
};
constexpr int PortErrorCategoryCount = 18;

QString PortErrorText(PortErrorCategory category);

// Line errors a driver (or a network serial server) reports for a failed read or write.
enum class LineError : int {
    None = 0,
    Break = 0x01,
    Framing = 0x02,
    IoError = 0x04,
    ModeNotSupported = 0x08,
    Overrun = 0x10,
    ReceiveOverflow = 0x20,
    Parity = 0x40,
    TransmitFull = 0x80,
};
Q_DECLARE_FLAGS(LineErrors, LineError)
Q_DECLARE_OPERATORS_FOR_FLAGS(LineErrors)

// The category of a failed read or write: the first line error present in the order transmit
// full, overrun, framing, receive overflow, mode, parity, I/O, break; the fallback (write or read
// failed) when none is present or the query itself failed.
PortErrorCategory ChooseLineErrorCategory(LineErrors errors, bool queryOk, PortErrorCategory fallback);

// The system text as the operator sees it: the first carriage return and the first line feed
// become blanks, the first "file" and the first "path" become "Port".
QString PortSystemText(QString systemText);
