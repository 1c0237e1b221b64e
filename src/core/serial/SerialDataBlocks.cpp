#include "core/serial/SerialDataBlocks.h"

#include "core/link/BoxProtocol.h"
#include "core/serial/SerialNumberRules.h"

namespace {
constexpr quint8 MarkerByte = BoxProtocol::ScriptAddressMarker;
}

SerialDataBlocks::SerialDataBlocks(const Placement& placement, OperationRecord& op, SerialNumberBlock& block,
                                   std::span<const quint16> code)
    : m_p(placement), m_op(op), m_block(block), m_code(code)
{
    m_block.size = m_p.length;
    m_block.eeOffset = m_p.start;
}

QByteArray SerialDataBlocks::NumberBytes(qint64 number, int length)
{
    QByteArray bytes(qMax(0, length), '\0');
    for (int k = 0; k < length && k < 8; ++k)
        bytes[k] = char(quint8(quint64(number) >> (8 * k)));
    return bytes;
}

QByteArray SerialDataBlocks::TextBytes(const QString& hexText, int length)
{
    // Locations are visited from the most significant down; each takes the next two digits of
    // the text while the text has bytes left for its index.
    QByteArray bytes(qMax(0, length), '\0');
    const int textBytes = int(hexText.size() / 2);
    int at = 0;
    for (int k = length - 1; k >= 0; --k) {
        if (k >= textBytes)
            continue;
        bytes[k] = char(quint8(SerialNumberRules::ParseHex(hexText.mid(at, 2))));
        at += 2;
    }
    return bytes;
}

qint64 SerialDataBlocks::AlignedStart() const
{
    return m_p.paw >= 1 ? m_p.start / m_p.paw * m_p.paw : m_p.start;
}

bool SerialDataBlocks::Fail(const QString& text)
{
    m_error = text;
    return false;
}

bool SerialDataBlocks::WriteMarker(OperationRecord& op, quint32 address)
{
    const int used = qBound(0, op.scriptLength, OperationRecord::MaxScript);
    for (int i = 0; i < used; ++i) {
        if (op.script[size_t(i)] != MarkerByte)
            continue;
        if (i + 3 >= used)
            return false;
        op.script[size_t(i + 1)] = quint8(address >> 16);
        op.script[size_t(i + 2)] = quint8(address >> 8);
        op.script[size_t(i + 3)] = quint8(address);
        return true;
    }
    return false;
}

bool SerialDataBlocks::Marker(quint32 address)
{
    if (WriteMarker(m_op, address))
        return true;
    return Fail(QStringLiteral("The serial number operation of this device has no address marker in its script."));
}

quint16 SerialDataBlocks::Encoded(const QByteArray& bytes, int k) const
{
    const quint8 b = k < bytes.size() ? quint8(bytes[k]) : 0;
    return SerialNumberRules::EncodeLocation(m_p.core, m_p.codeSpace && m_p.retlw, b);
}

void SerialDataBlocks::PrepareOperation()
{
    quint8* pb = m_op.parameterBlock.data();
    if (pb[BoxProtocol::PbFlags] & BoxProtocol::FlagPanelWrite)
        return;
    pb[BoxProtocol::PbFlags] |= BoxProtocol::FlagWriteAll;
    if (m_p.codeSpace && m_p.paw > 1) {
        m_op.SetLocationField(quint32(AlignedStart()) & 0xFFFFFF);
    } else {
        pb[BoxProtocol::PbCount] = quint8(m_p.length);
        m_op.SetLocationField(quint32(m_p.start) & 0xFFFFFF);
    }
}

bool SerialDataBlocks::BuildPlain(const QByteArray& bytes)
{
    if (m_p.length < 1 || m_p.length > SerialNumberBlock::NumberWords)
        return Fail(QStringLiteral("A serial number of %1 locations does not fit the number buffer of %2 words.")
                        .arg(m_p.length)
                        .arg(SerialNumberBlock::NumberWords));
    for (int k = 0; k < m_p.length; ++k)
        m_block.number[size_t(k)] = Encoded(bytes, k);
    m_block.wordCount = m_p.length;
    return true;
}

bool SerialDataBlocks::BuildWriteBlock(const QByteArray& bytes)
{
    const int p = m_p.paw;
    const int count = p > 7 ? 2 * p : 4 * p;
    const qint64 a = AlignedStart();
    const qint64 offset = m_p.start - a;
    if (count > SerialNumberBlock::NumberWords || m_p.length < 1 || offset + m_p.length > count)
        return Fail(QStringLiteral("A serial number of %1 locations at address %2 does not fit the write block of "
                                   "%3 words.")
                        .arg(m_p.length)
                        .arg(SerialNumberRules::HexText(m_p.start))
                        .arg(count));
    if (a < 0 || a + count > qint64(m_code.size()))
        return Fail(QStringLiteral("The serial number address %1 is outside code memory.")
                        .arg(SerialNumberRules::HexText(m_p.start)));
    m_block.wordCount = count;
    for (int i = 0; i < count; ++i)
        m_block.number[size_t(i)] = m_code[size_t(a + i)];
    quint8* pb = m_op.parameterBlock.data();
    // The box moves as many words as the block holds.
    pb[BoxProtocol::PbCount] = quint8(count);
    if (m_p.core == CoreFamily::Core18X) {
        if (!Marker(quint32(2 * a)))
            return false;
        m_op.SetLocationField(quint32(m_p.length - 1));
    }
    for (int k = 0; k < m_p.length; ++k)
        m_block.number[size_t(offset + k)] = Encoded(bytes, k);
    return true;
}

bool SerialDataBlocks::BuildAlternative(const QByteArray& bytes)
{
    if (!BuildPlain(bytes))
        return false;
    if (!Marker(quint32(m_p.start)))
        return false;
    m_block.wordCount = 4 * m_p.panelCount;
    m_op.SetLocationField(quint32(m_p.length - 1));
    return true;
}

bool SerialDataBlocks::BuildPanelPass(const QByteArray& bytes, int& placed, int& pass)
{
    if (pass <= 1 && !BuildPlain(bytes))
        return false;
    const qint64 wordAddress = pass <= 1 ? m_p.start : m_p.start + placed;
    const qint64 r = (wordAddress * 2) & 0x1FF8;
    if (!Marker(quint32(((r >> 8) << 8) | (r & 0xF8))))
        return false;
    const int count = m_p.panelCount * m_p.paw;
    if (count < 1 || count > SerialNumberBlock::PanelWords)
        return Fail(QStringLiteral("A panel block of %1 words does not fit the panel buffer of %2 words.")
                        .arg(count)
                        .arg(SerialNumberBlock::PanelWords));
    const qint64 half = m_p.panel / 2;
    const int placedBefore = placed;
    int n = 0;
    for (int i = 0; i < m_p.panelCount; ++i) {
        for (int j = 0; j < m_p.paw; ++j, ++n) {
            const qint64 address = i * half + j + r / 2;
            m_block.panel[size_t(n)] =
                address >= 0 && address < qint64(m_code.size()) ? m_code[size_t(address)] : 0xFFFF;
            if (placed < m_p.length && address == m_p.start + placed) {
                m_block.panel[size_t(n)] = m_block.number[size_t(placed)];
                ++placed;
            }
        }
    }
    if (placed == placedBefore)
        return Fail(QStringLiteral("The serial number address %1 is not covered by a panel write.")
                        .arg(SerialNumberRules::HexText(m_p.start + placed)));
    m_block.wordCount = count;
    m_op.SetLocationField(quint32(count - 1));
    ++pass;
    return true;
}
