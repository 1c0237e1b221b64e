#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The records of a Microchip SQTP file, read from its bytes: Intel HEX records that start with ':'
// and end at a carriage return, line feed, tab or space; anything else (a used record, whose ':'
// was overwritten with ';') is passed over. The first data record gives the numbers' address and
// length; each data record holds one number as RETLW words, low byte first.
class SqtpRecords
{
public:
    struct Record {
        qint64 offset = 0; // of its ':'
        QByteArray text;   // from ':' to the last character before the end
        QByteArray Type() const { return text.mid(7, 2); }
    };
    struct Header {
        qint64 address = 0; // word address below byte 0x200000, else the byte address
        int length = 0;     // locations per number
        qint64 recordOffset = 0;
    };

    explicit SqtpRecords(const QByteArray& bytes) : m_bytes(bytes) {}

    // The next record from offset; false (and the message) when the numbers are exhausted: no
    // further ':', the end record, or a record that runs into the end of the file.
    bool ReadNext(qint64 from, Record* record, QString* error) const;
    // Address and length from the first data record, after any extended address records.
    bool ReadHeader(Header* header, QString* error) const;
    // The next unused data record from *offset for a number of length locations: its number in
    // hexadecimal, most significant byte first. *offset is left at the record's ':' (so a record
    // that fails can be reported, and a consumed one is passed over next time).
    bool TakeNext(qint64* offset, int length, QString* numberText, QString* error) const;
    // Every record up to the end of the numbers, checked before any number is issued: each unused
    // record must be well-formed hexadecimal of the length its byte count gives, with a matching
    // checksum and a known type, and no number may appear in two data records, used or not. False
    // with a message naming the line of the first bad record.
    bool Validate(QString* error) const;

    static inline const QString Exhausted = QStringLiteral("Numbers exhausted in SQTP file.");

private:
    const QByteArray& m_bytes;
};
