#pragma once

#include "core/link/BoxProtocol.h"

#include <QByteArray>
#include <array>

class SimulatedChip;

// One operation as the box executes it: decoded from the 19-byte parameter block and the script
// (docs/box-operations.md, "Operations"), applied to the chips of the addressed sockets item by
// item as the transfer arrives, with the outcome per socket. An empty socket that is addressed
// fails at location 0, and so does a chip whose family the script does not name.
class BoxOperation
{
public:
    enum class Transfer { None, Send, Read };
    struct SocketResult {
        bool addressed = false;
        bool failed = false;
        quint32 location = 0; // first failing location (24 bits)
    };
    using Chips = std::array<SimulatedChip*, BoxProtocol::SocketCount>;

    BoxOperation(const QByteArray& parameterBlock, const QByteArray& script, const Chips& chips);

    // False for an operation code the box does not know (it refuses it).
    bool Valid() const { return m_valid; }
    Transfer TransferKind() const { return m_transfer; }
    // Bytes the host sends (Send) or read requests it makes (Read).
    qint64 TransferBytes() const { return m_count * m_wireBytes; }
    qint64 ItemCount() const { return m_count; }
    // 'k' replies before the completion of a long operation without transfer.
    int BlockAcks() const;

    // Erase and blank check work here, as does preparing the data of a read.
    void Start();
    // One byte of a send transfer, in order.
    void Receive(quint8 byte);
    // Byte i (from 0) of a read transfer.
    quint8 ReadByte(qint64 i) const;

    // Chip time (ns) the work since the last call has taken: the erase in Start, a write cycle
    // completed by Receive. The chips of all addressed sockets work at once.
    qint64 TakeChipTimeNs();

    const std::array<SocketResult, BoxProtocol::SocketCount>& Results() const { return m_results; }
    quint8 AddressedMask() const;

private:
    void Fail(int socket, quint32 location);
    // The region index and the reported location of item i, for the chip in socket.
    qint64 IndexOf(const SimulatedChip& chip, qint64 item) const;
    quint32 LocationOf(qint64 item) const;
    quint16 ItemMask(const SimulatedChip& chip, qint64 index, quint16 transferredMask) const;
    void ApplyItem(qint64 item, quint16 value, quint16 transferredMask);
    // The item that the n-th word of the transfer stands for: n itself, or, for a panel write,
    // its place in the panel order (write groups of W words visiting each panel in turn).
    qint64 ItemOfArrival(qint64 n) const;
    // The write cycle of a program operation and the erase time, from the addressed chips.
    void SetChipTimes();

    Chips m_chips{};
    BoxProtocol::Action m_action = BoxProtocol::ActNone;
    BoxProtocol::Region m_region = BoxProtocol::RegCode;
    bool m_valid = false;
    Transfer m_transfer = Transfer::None;
    qint64 m_count = 0;
    int m_wireBytes = 2;
    bool m_located = false; // items start at m_address rather than at the region start
    qint64 m_address = 0;
    bool m_highByteOnly = false;
    quint16 m_mask = 0xFFFF;
    quint8 m_flags = 0;
    int m_panels = 1;        // panel write: number of panels
    qint64 m_panelWords = 0; // panel write: words per panel
    int m_groupWords = 1;    // panel write: words written to one panel at a time
    BoxProtocol::ItemUnit m_unit = BoxProtocol::UnitWord;
    QByteArray m_item;
    qint64 m_itemsDone = 0;
    QByteArray m_readData;
    std::array<SocketResult, BoxProtocol::SocketCount> m_results{};
    qint64 m_chipNs = 0;        // chip time not yet taken
    qint64 m_eraseNs = 0;       // the erase of this operation
    qint64 m_cycleNs = 0;       // one write cycle of this program operation
    qint64 m_cycleItems = 1;    // items latched per write cycle
    qint64 m_cycleFilled = 0;   // items of the current cycle received
    bool m_cycleWrites = false; // a chip took an item of the current cycle
};
