#include "core/serial/SerialNumberRules.h"

#include "core/util/HexText.h"

namespace SerialNumberRules {

qint64 LengthMask(int length)
{
    if (!LengthUsable(length))
        length = 1;
    return length == MaximumLength ? Largest : (qint64(1) << (8 * length)) - 1;
}

int DecimalDigits(int length)
{
    return int(QString::number(LengthMask(length)).size());
}

int HexDigits(int length)
{
    return 2 * (LengthUsable(length) ? length : 1);
}

bool LengthUsable(int length)
{
    return length >= MinimumLength && length <= MaximumLength;
}

QString HexText(qint64 number, int minDigits)
{
    return QString::number(quint64(number), 16).toUpper().rightJustified(qMax(1, minDigits), u'0');
}

qint64 ParseHex(const QString& text)
{
    if (text.trimmed().isEmpty())
        return 0;
    return qint64(ParseHexText(text.trimmed()));
}

quint16 EncodeLocation(CoreFamily core, bool retlw, quint8 b)
{
    if (!retlw)
        return b;
    switch (core) {
    case CoreFamily::Core5X: return quint16(0x800 + b);
    case CoreFamily::CoreXX: return quint16(0x3400 + b);
    default: return quint16(0x0C00 + b);
    }
}

QString DoesNotFitText(qint64 number, int length)
{
    return QStringLiteral("Serial number %1 does not fit in %2 location(s) (largest %3).\r\rNo serial number was "
                          "issued: raise the serial number length or reset the counter.")
        .arg(HexText(number), QString::number(length), HexText(LengthMask(length)));
}

std::optional<qint64> NextAutomaticNumber(qint64 last, int length, QString* why)
{
    if (last < 0 || last == Largest) {
        if (why)
            *why = QStringLiteral("The serial number counter (%1) is at its limit.\r\rNo serial number was issued: "
                                  "reset the counter.")
                       .arg(HexText(last));
        return std::nullopt;
    }
    const qint64 next = last + 1;
    if (next > LengthMask(length)) {
        if (why)
            *why = DoesNotFitText(next, length);
        return std::nullopt;
    }
    return next;
}

} // namespace SerialNumberRules
