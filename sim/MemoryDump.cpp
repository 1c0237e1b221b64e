#include "MemoryDump.h"

#include "SimulatedChip.h"

#include "core/util/SafeFileWriter.h"

using namespace BoxProtocol;

QMap<quint32, quint8> ChipHexImage(const SimulatedChip& chip)
{
    QMap<quint32, quint8> image;
    const ChipGeometry& g = chip.Geometry();
    auto putWord = [&image](quint32 byteAddress, quint16 value) {
        image.insert(byteAddress, quint8(value & 0xFF));
        image.insert(byteAddress + 1, quint8(value >> 8));
    };
    for (int i = 0; i < chip.RegionSize(RegCode); ++i)
        putWord(quint32(2 * i), chip.Raw(RegCode, i));
    if (g.family == ChipGeometry::Family::Pic18) {
        for (int i = 0; i < chip.RegionSize(RegId); ++i)
            image.insert(quint32(0x200000 + i), quint8(chip.Raw(RegId, i)));
        for (int w = 0; w < chip.RegionSize(RegConfig); ++w)
            putWord(quint32(g.cfgLoc + 2 * w), chip.Raw(RegConfig, w));
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            image.insert(quint32(0xF00000 + i), quint8(chip.Raw(RegEeData, i)));
        return image;
    }
    for (int i = 0; i < chip.RegionSize(RegId); ++i)
        putWord(quint32(2 * (g.idLoc + i)), chip.Raw(RegId, i));
    for (int w = 0; w < chip.RegionSize(RegConfig); ++w)
        putWord(quint32(2 * (g.cfgLoc + w)), chip.Raw(RegConfig, w));
    if (g.eeLoc > 0)
        for (int i = 0; i < chip.RegionSize(RegEeData); ++i)
            putWord(quint32(2 * (g.eeLoc + i)), chip.Raw(RegEeData, i));
    if (g.HasCalibration() && g.CalibrationBase() + g.CalibrationCount() > g.rom)
        for (int i = 0; i < chip.RegionSize(RegCalibration); ++i)
            putWord(quint32(2 * (g.CalibrationBase() + i)), chip.Raw(RegCalibration, i));
    if (g.bcal)
        for (int i = 0; i < chip.RegionSize(RegCalibrationBackup); ++i)
            putWord(quint32(2 * (g.bcalLoc + i)), chip.Raw(RegCalibrationBackup, i));
    return image;
}

namespace {
QByteArray Record(quint8 type, quint16 address, const QByteArray& data)
{
    QByteArray raw;
    raw.append(char(data.size()));
    raw.append(char(address >> 8));
    raw.append(char(address & 0xFF));
    raw.append(char(type));
    raw.append(data);
    quint8 sum = 0;
    for (const char c : raw)
        sum = quint8(sum + quint8(c));
    raw.append(char(quint8(-sum)));
    return ':' + raw.toHex().toUpper() + "\r\n";
}
} // namespace

bool WriteChipHex(const SimulatedChip& chip, const QString& path, QString* error)
{
    const QMap<quint32, quint8> image = ChipHexImage(chip);
    QByteArray text;
    quint32 upper = 0;
    auto it = image.cbegin();
    while (it != image.cend()) {
        const quint32 start = it.key();
        if ((start >> 16) != upper) {
            upper = start >> 16;
            text += Record(0x04, 0, QByteArray(1, char(upper >> 8)) + QByteArray(1, char(upper & 0xFF)));
        }
        QByteArray data;
        quint32 next = start;
        while (it != image.cend() && it.key() == next && data.size() < 16 && (next >> 16) == upper) {
            data.append(char(it.value()));
            ++next;
            ++it;
        }
        text += Record(0x00, quint16(start & 0xFFFF), data);
    }
    text += Record(0x01, 0, {});
    SafeFileWriter writer(path);
    if (writer.Write(text))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(path, writer.Error());
    return false;
}
