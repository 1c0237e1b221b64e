#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <span>
#include <vector>

// The message of a file that cannot be used, as the operator sees it.
inline constexpr const char* HexErrorInFile = "Error in HEX file.";

// One data record with at least one byte: its bytes start at the absolute byte address (the
// record's address field plus the segment or extended base in force).
struct HexDataRecord {
    quint64 address = 0;
    quint32 offset = 0; // into HexFileContent's byte pool
    quint32 count = 0;
};

// Something met on the way through the file that its reader reports or acts on, in file order.
struct HexParseEvent {
    enum class Kind {
        IgnoredLine, // a non-empty line that is neither record nor ';' comment (the first 20 only)
        Inhx32,      // the first extended linear address record
        DeviceWord,  // a data record starting at byte address 0xFFFE
    };
    Kind kind = Kind::IgnoredLine;
    qsizetype line = 0;    // 1-based
    quint16 code = 0;      // DeviceWord: the device code, low byte first in the file
    bool complete = false; // DeviceWord: the record holds both bytes of the code
};

// Why the file cannot be used. A record checksum error also carries a detail line (the line
// number and both sums); the other errors are the message alone.
struct HexParseError {
    QString message;
    QString detail;
};

// Everything the text of an Intel HEX file (INHX8M or INHX32) holds, read in one pass: the data
// records with their absolute addresses, the ";PIC<name>" device names, the events a reader
// reports, and the first error. Lines end at CR LF, LF or a lone CR; a UTF-8 byte-order mark at
// the start and blanks and tabs at the start of each line are dropped. Records other than data,
// extended segment and extended linear address are skipped unread; the three kinds read must be
// complete up to a matching checksum. After an error no record is taken, but the device names of
// the whole file still are.
class HexFileContent
{
public:
    static constexpr int IgnoredLinesNamed = 20;

    std::vector<QByteArray> deviceNames; // every ";PIC" line's rest, in file order
    std::vector<HexDataRecord> records;  // up to the error
    std::vector<HexParseEvent> events;   // up to the error
    qsizetype ignoredLines = 0;          // all of them, up to the error
    std::optional<HexParseError> error;

    std::span<const quint8> Data(const HexDataRecord& record) const
    {
        return {m_bytes.get() + record.offset, record.count};
    }

private:
    friend HexFileContent ParseHexRecords(QByteArrayView text);
    std::unique_ptr<quint8[]> m_bytes; // no record's bytes take more than half the text
};

HexFileContent ParseHexRecords(QByteArrayView text);
