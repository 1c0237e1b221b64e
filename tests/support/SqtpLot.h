#pragma once

#include <QByteArray>

// SQTP files for tests: record n holds the number n as two RETLW locations at byte address 0x400
// (word 0x200), text "%04X" of n.
namespace SqtpLot {

inline QByteArray Record(int n)
{
    QByteArray r = ":04040000" + QByteArray::number(n & 0xFF, 16).rightJustified(2, '0').toUpper() + "34" +
                   QByteArray::number(n >> 8, 16).rightJustified(2, '0').toUpper() + "34";
    int sum = 0;
    for (int i = 1; i < r.size(); i += 2)
        sum += r.mid(i, 2).toInt(nullptr, 16);
    return r + QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// Records 1 to count and the end record.
inline QByteArray File(int count)
{
    QByteArray file;
    for (int n = 1; n <= count; ++n)
        file += Record(n);
    return file + ":00000001FF\r\n";
}

// The records marked used in now, when now is original with its first records' ':' turned into
// ';' and nothing else changed; -1 otherwise (a torn write, a record skipped, a stray byte).
inline int UsedPrefix(const QByteArray& now, const QByteArray& original)
{
    if (now.size() != original.size())
        return -1;
    int used = 0;
    bool unusedSeen = false;
    for (qsizetype i = 0; i < now.size(); ++i) {
        if (original[i] != ':') {
            if (now[i] != original[i])
                return -1;
        } else if (now[i] == ';' && !unusedSeen) {
            ++used;
        } else if (now[i] == ':') {
            unusedSeen = true;
        } else {
            return -1;
        }
    }
    return used;
}

} // namespace SqtpLot
