#pragma once

#include "core/engine/SerialNumberBlock.h"
#include "core/model/DeviceProfile.h"
#include "core/model/OperationRecord.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <span>

// Builds what the serial-number operation of one socket sends: it completes the operation's
// parameter block (and the address marker of its script) and fills the number or panel buffer of
// the SerialNumberBlock. The memory image is only read: the write-block and the panel block copy
// code words and overlay the number on the copy. Every builder refuses, with the operator's text,
// a number or block that does not fit its buffer instead of writing past it.
class SerialDataBlocks
{
public:
    struct Placement {
        CoreFamily core = CoreFamily::CoreXX;
        bool codeSpace = true; // code memory, else EE memory
        bool retlw = false;    // code locations encoded as RETLW
        qint64 start = 0;      // word address of location 0 (code) or EE offset
        int length = 1;        // locations
        int paw = 1;           // words per write
        int panel = 0;         // panel size in bytes
        int panelCount = 1;
    };

    SerialDataBlocks(const Placement& placement, OperationRecord& op, SerialNumberBlock& block,
                     std::span<const quint16> code);

    // Bytes of the number, least significant first, one per location: from the number itself, or
    // from an SQTP number text (most significant byte first; extra leading bytes are kept, missing
    // ones are 0).
    static QByteArray NumberBytes(qint64 number, int length);
    static QByteArray TextBytes(const QString& hexText, int length);

    // The write block's start: the start address rounded down to a multiple of PAW.
    qint64 AlignedStart() const;
    // Step before the socket runs: the location (and count) of the operation, flag 0x40 set.
    void PrepareOperation();

    bool BuildPlain(const QByteArray& bytes);
    bool BuildWriteBlock(const QByteArray& bytes);
    bool BuildAlternative(const QByteArray& bytes);
    // One pass of a multi-panel code write: placed counts the locations already placed and is
    // advanced; pass is the panel pass (1 first).
    bool BuildPanelPass(const QByteArray& bytes, int& placed, int& pass);

    // The three script bytes after the first 0x93 of the script's bytes in use receive address,
    // most significant byte first. False when the script has no marker there.
    static bool WriteMarker(OperationRecord& op, quint32 address);

    const QString& Error() const { return m_error; }

private:
    bool Fail(const QString& text);
    bool Marker(quint32 address);
    quint16 Encoded(const QByteArray& bytes, int k) const;

    Placement m_p;
    OperationRecord& m_op;
    SerialNumberBlock& m_block;
    std::span<const quint16> m_code;
    QString m_error;
};
