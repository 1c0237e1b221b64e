#pragma once

#include "core/model/DeviceProfile.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// The arithmetic of serial numbers: the largest number of each length, the digit counts of the
// number fields, the texts, the location encoding in target memory and the next automatic number.
// Numbers are non-negative signed 64-bit values.
namespace SerialNumberRules {

constexpr int MinimumLength = 1;
constexpr int MaximumLength = 8; // outside SQTP mode
constexpr qint64 Largest = 0x7FFFFFFFFFFFFFFF;

// The largest number of length locations (a length outside 1 to 8 takes the mask of length 1).
qint64 LengthMask(int length);
// Digits of the largest number in decimal, and twice the length in hexadecimal.
int DecimalDigits(int length);
int HexDigits(int length);
bool LengthUsable(int length);

// Upper-case hexadecimal without leading zeros, or padded to at least minDigits.
QString HexText(qint64 number, int minDigits = 1);
// Hexadecimal text as a number: an empty text counts as 0, non-digits count as digit 0, a value
// with the sign bit set as negative.
qint64 ParseHex(const QString& text);

// The word written for byte b of a number: in code memory with RETLW encoding the core's RETLW
// instruction, otherwise the byte itself.
quint16 EncodeLocation(CoreFamily core, bool retlw, quint8 b);

// The next automatic number after the last one used, when one may be issued: the counter must
// not wrap (a negative last number or 0x7FFFFFFFFFFFFFFF) and the next number must fit the
// length, or the same number would be issued again. *why receives the operator's message.
std::optional<qint64> NextAutomaticNumber(qint64 last, int length, QString* why);
// The message for a number that does not fit the length.
QString DoesNotFitText(qint64 number, int length);

} // namespace SerialNumberRules
