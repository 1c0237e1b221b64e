// The SQTP reader: the header, then numbers taken one after another and consumed in memory as the
// file would be (the record's ':' overwritten with ';'). A number must come from an unused record
// after the previous one and have two digits per location; no record may be handed out twice, and
// a file that passes the whole-file check never yields one number twice.
#include "FuzzTargets.h"

#include "core/engine/SerialNumberBlock.h"
#include "core/serial/SqtpRecords.h"

#include <QSet>

namespace PraxonFuzz {

namespace {
constexpr int MaxTakes = 256;
}

int SqtpReader(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const SqtpRecords records(bytes);
    SqtpRecords::Header header;
    QString error;
    if (!records.ReadHeader(&header, &error))
        return 0;
    if (header.length < 1 || header.length > SerialNumberBlock::NumberWords)
        return 0;
    const bool checked = records.Validate(&error);
    QSet<QString> taken;
    qint64 offset = header.recordOffset;
    qint64 previous = -1;
    for (int take = 0; take < MaxTakes; ++take) {
        QString text;
        if (!records.TakeNext(&offset, header.length, &text, &error))
            break;
        if (offset < 0 || offset >= bytes.size() || bytes[offset] != ':')
            Fail("sqtp: a number from a record that is not an unused record");
        if (offset <= previous)
            Fail("sqtp: a number from a record before the last one taken");
        if (text.size() != 2 * header.length)
            Fail("sqtp: a number of the wrong length");
        if (checked && taken.contains(text))
            Fail("sqtp: a file that passed the check gave one number twice");
        taken.insert(text);
        bytes[offset] = ';';
        previous = offset;
    }
    return 0;
}

} // namespace PraxonFuzz
