#include "core/serial/SqtpRecords.h"

namespace {

bool EndsRecord(char c)
{
    return c == '\r' || c == '\n' || c == '\t' || c == ' ';
}

// Hexadecimal digits of text [at, at + n) as a number; false when one is not a digit.
bool HexField(const QByteArray& text, int at, int n, qint64* value)
{
    if (at + n > text.size() || n <= 0)
        return false;
    bool ok = false;
    *value = text.mid(at, n).toLongLong(&ok, 16);
    return ok && !text.mid(at, n).contains('-') && !text.mid(at, n).contains('+');
}

} // namespace

bool SqtpRecords::ReadNext(qint64 from, Record* record, QString* error) const
{
    const qint64 start = m_bytes.indexOf(':', qMax<qint64>(0, from));
    if (start < 0) {
        *error = Exhausted;
        return false;
    }
    qint64 end = start + 1;
    while (end < m_bytes.size() && !EndsRecord(m_bytes[end]))
        ++end;
    record->offset = start;
    record->text = m_bytes.mid(start, end - start);
    if (end >= m_bytes.size() || record->text.toUpper() == ":00000001FF") {
        *error = Exhausted;
        return false;
    }
    return true;
}

bool SqtpRecords::ReadHeader(Header* header, QString* error) const
{
    qint64 offset = 0;
    qint64 base = 0;
    for (;;) {
        Record r;
        if (!ReadNext(offset, &r, error))
            return false;
        const QByteArray type = r.Type();
        if (type != "00" && type != "02" && type != "04") {
            *error = QStringLiteral("Bad Record Type in SQTP file");
            return false;
        }
        qint64 byteCount = 0;
        if (!HexField(r.text, 1, 2, &byteCount)) {
            *error = QStringLiteral("Error in SQTP file");
            return false;
        }
        qint64 value = 0;
        if (type == "02" || type == "04") {
            if (!HexField(r.text, 9, 4, &value)) {
                *error = type == "02" ? QStringLiteral("Bad Segment Address in SQTP file.")
                                      : QStringLiteral("Bad Extended Address in SQTP file.");
                return false;
            }
            base = type == "02" ? (base | (value << 4)) : (value << 16);
            offset = r.offset + 1;
            continue;
        }
        if (!HexField(r.text, 3, 4, &value)) {
            *error = QStringLiteral("Bad Address in SQTP file.");
            return false;
        }
        const qint64 byteAddress = value + base;
        header->address = byteAddress < 0x200000 ? byteAddress / 2 : byteAddress;
        header->length = int(qMin<qint64>(byteCount / 2, 65535));
        header->recordOffset = r.offset;
        return true;
    }
}

bool SqtpRecords::TakeNext(qint64* offset, int length, QString* numberText, QString* error) const
{
    *numberText = QStringLiteral("00");
    for (;;) {
        Record r;
        if (!ReadNext(*offset, &r, error))
            return false;
        *offset = r.offset;
        const QByteArray type = r.Type();
        if (type == "02" || type == "04") {
            *offset = r.offset + 1;
            continue;
        }
        if (type != "00") {
            *error = QStringLiteral("Bad Record Type in SQTP file");
            return false;
        }
        qint64 byteCount = 0;
        if (!HexField(r.text, 1, 2, &byteCount)) {
            *error = QStringLiteral("Error in SQTP file");
            return false;
        }
        const int count = int(byteCount / 2);
        if (count != length) {
            *error = QStringLiteral("Serial Number Length Error: Expected [%1] Found [%2]").arg(length).arg(count);
            return false;
        }
        if (r.text.size() != 4 * count + 11) {
            *error = QStringLiteral("SQTP file contains an invalid Serial Number or Address Length");
            return false;
        }
        // Location k's low byte, location 0 first, then the pairs reversed: most significant first.
        QString text;
        for (int k = count - 1; k >= 0; --k) {
            qint64 byte = 0;
            if (!HexField(r.text, 9 + 4 * k, 2, &byte)) {
                *error = QStringLiteral("Error in SQTP file");
                return false;
            }
            text += QString::fromLatin1(r.text.mid(9 + 4 * k, 2)).toUpper();
        }
        *numberText = text;
        return true;
    }
}
