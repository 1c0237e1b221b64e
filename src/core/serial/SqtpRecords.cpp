#include "core/serial/SqtpRecords.h"

#include <QHash>
#include <algorithm>
#include <cctype>
#include <vector>

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

bool AllHexDigits(const QByteArray& text, int from)
{
    for (int i = from; i < text.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// The number of a data record as TakeNext reads it: the low byte of each location, most
// significant location first.
QByteArray NumberOf(const QByteArray& text, int count)
{
    QByteArray number;
    for (int k = count - 1; k >= 0; --k)
        number += text.mid(9 + 4 * k, 2).toUpper();
    return number;
}

// A record that is hexadecimal throughout, as long as its byte count says, whose bytes (count,
// address, type, data and checksum) add up to 0 modulo 256. *why names the fault otherwise.
bool WellFormed(const QByteArray& text, QString* why)
{
    if (text.size() < 11 || text.size() % 2 == 0 || !AllHexDigits(text, 1)) {
        *why = QStringLiteral("the record is not a well-formed HEX record");
        return false;
    }
    if (text.size() != 2 * text.mid(1, 2).toInt(nullptr, 16) + 11) {
        *why = QStringLiteral("the record's length does not match its byte count");
        return false;
    }
    int sum = 0;
    for (int i = 1; i < text.size(); i += 2)
        sum += text.mid(i, 2).toInt(nullptr, 16);
    if (sum & 0xFF) {
        *why = QStringLiteral("the record's checksum does not match its digits");
        return false;
    }
    return true;
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

bool SqtpRecords::Validate(QString* error) const
{
    struct Seen {
        qint64 offset;
        QByteArray text;
        bool used;
    };
    std::vector<Seen> seen;
    // The records taking would visit, up to the end of the numbers.
    qint64 end = m_bytes.size();
    for (qint64 offset = 0;;) {
        Record r;
        r.offset = m_bytes.size();
        QString exhausted;
        if (!ReadNext(offset, &r, &exhausted)) {
            end = r.offset;
            break;
        }
        seen.push_back({r.offset, r.text, false});
        offset = r.offset + 1;
    }
    // Used records, whose numbers are already on parts: a ';' that starts a record.
    for (qint64 i = 0; i < end; ++i) {
        if (m_bytes[i] != ';' || (i > 0 && !EndsRecord(m_bytes[i - 1])))
            continue;
        qint64 stop = i + 1;
        while (stop < m_bytes.size() && !EndsRecord(m_bytes[stop]))
            ++stop;
        seen.push_back({i, m_bytes.mid(i, stop - i), true});
    }
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.offset < b.offset; });

    struct First {
        int line;
        bool used;
    };
    QHash<QByteArray, First> firstOf;
    qint64 counted = 0;
    int line = 1;
    for (const Seen& record : seen) {
        for (; counted < record.offset; ++counted) {
            const char c = m_bytes[counted];
            if (c == '\n' || (c == '\r' && (counted + 1 >= m_bytes.size() || m_bytes[counted + 1] != '\n')))
                ++line;
        }
        QString why;
        if (!WellFormed(record.text, &why)) {
            // A used record was checked when it was issued; only its number still counts.
            if (record.used)
                continue;
            *error = QStringLiteral("Error in SQTP file at line %1: %2.").arg(line).arg(why);
            return false;
        }
        const QByteArray type = record.text.mid(7, 2);
        if (type != "00" && type != "02" && type != "04") {
            if (record.used)
                continue;
            *error = QStringLiteral("Error in SQTP file at line %1: record type %2 is neither data nor an address.")
                         .arg(line)
                         .arg(QString::fromLatin1(type));
            return false;
        }
        if (type != "00")
            continue;
        const QByteArray number = NumberOf(record.text, record.text.mid(1, 2).toInt(nullptr, 16) / 2);
        const auto first = firstOf.constFind(number);
        // Two used records of one number are past mending; an unused one must not repeat any.
        if (first != firstOf.constEnd() && !(first->used && record.used)) {
            *error = QStringLiteral("Error in SQTP file at line %1: serial number %2 is also in line %3; no number "
                                    "may be issued twice.")
                         .arg(line)
                         .arg(QString::fromLatin1(number))
                         .arg(first->line);
            return false;
        }
        if (first == firstOf.constEnd())
            firstOf.insert(number, {line, record.used});
    }
    return true;
}
