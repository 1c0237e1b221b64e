#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The serial-number log (".PXL"): a text file beside the SQTP file that only grows. It starts with
// a three-line header naming the software and the programmer, then holds one line per SQTP number
// handed to a socket: the number, PASSED or FAILED, the time and the programmer's serial number.
// Lines end with CR LF and, header included, hold at most 256 characters.
namespace SerialNumberLog {

constexpr int MaxLine = 256;

struct Identity {
    QString software;
    QString hardware;
    QString firmware;
    QString serialNumber;
};

// "Mon, 05/17/2004,14:03:22:123, " (English day names, slashes whatever the locale).
QString HeaderTime(const QDateTime& time);
// "Mon,05/17/2004,14:03:22:123,".
QString LineTime(const QDateTime& time);
QByteArray Header(const Identity& identity, const QDateTime& created);
// "00012F,PASSED,Mon,05/17/2004,14:03:22:123,1234" with CR LF.
QByteArray Line(const QString& number, bool passed, const QString& lineTime, const QString& serialNumber);
// The log path of an SQTP file: its directory and name with the extension ".PXL".
QString PathFor(const QString& sqtpPath);

} // namespace SerialNumberLog
