#pragma once

#include <QByteArray>
#include <QtGlobal>

// What a UART receiving at rxBaud makes of bytes sent back to back at txBaud (8N1 both sides):
// it waits for a falling edge, samples the eight data bits and the stop bit in the middle of its
// own bit times, and delivers whatever it saw (a missing stop bit is a framing error; the byte is
// delivered all the same, as most drivers do). Equal rates give the bytes unchanged; a host at
// the wrong rate reads garbage, as with a real line.
QByteArray UartResample(const QByteArray& sent, qint32 txBaud, qint32 rxBaud);
