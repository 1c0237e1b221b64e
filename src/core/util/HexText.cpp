#include "core/util/HexText.h"

quint64 ParseHexText(const QString& text, bool* error)
{
    const QString upper = text.isEmpty() ? QStringLiteral("F") : text.toUpper();
    quint64 value = 0;
    quint64 weight = 1;
    bool bad = false;
    for (qsizetype i = upper.size() - 1; i >= 0; --i) {
        const char16_t c = upper.at(i).unicode();
        quint64 digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            bad = true;
        value += digit * weight;
        weight <<= 4; // wraps to 0 after 16 digits: higher digits fall out of the 64-bit result
    }
    if (error)
        *error = bad;
    return value;
}

QString SplitAtSeparator(QString& text, QChar separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0) {
        QString whole = text;
        text.clear();
        return whole;
    }
    QString before = text.left(at);
    text = text.mid(at + 1);
    return before;
}

QString HexWord(quint64 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}
