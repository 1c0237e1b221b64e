#include "ImageFixture.h"
#include "core/image/BufferChecksum.h"

namespace {
// A blank 14-bit device: ROM 2048, code mask 3FFF, one configuration word with the 16F877A's
// masks (FUSEMASK 2FCF, CP at bit 13 and CPD at bit 8).
void Blank14Bit(ImageFixture& f)
{
    DeviceProfile& p = f.ctx.Profile();
    p.core = CoreFamily::CoreXX;
    p.rom = 2048;
    p.ee = 128;
    p.cfgWords = 1;
    p.words[0].implementedMask = 0x2FCF;
    p.words[0].protectMask = 0xDEFF;
    p.words[0].value = 0x3FFF;
    f.ctx.Image().CodeGrid().wordMask = 0x3FFF;
    f.ctx.Image().ConfigWords()[0] = 0x3FFF;
    f.ctx.Image().IdWords() = {0xFF81, 0xFF82, 0xFF83, 0xFF84};
    for (int option : {32, 33, 34, 36, 76})
        f.ctx.Options().SetValue(option, false);
}

QStringList ChecksumLines(ImageFixture& f)
{
    return f.Log().filter("Checksum Calculated");
}
} // namespace

class TestBufferChecksum : public QObject
{
    Q_OBJECT
private slots:
    void PlainCodeOnly()
    {
        ImageFixture f;
        Blank14Bit(f);
        f.ctx.Options().SetValue(32, true);
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), quint64(0x01FFF800));
        QCOMPARE(f.ctx.History().Newest().text, QStringLiteral(" Checksum Calculated: $01FFF800"));
        // Unchanged: no second line.
        ComputeChecksum(f.ctx);
        QCOMPARE(ChecksumLines(f).size(), 1);
    }

    void MicrochipWithoutConfiguration()
    {
        ImageFixture f;
        Blank14Bit(f);
        f.ctx.Options().SetValue(76, true);
        f.ctx.Options().SetValue(33, true); // EE never counts in this mode
        f.ctx.Options().SetValue(34, true); // nor do the IDs while nothing is protected
        f.ctx.Image().EeBuffer()[0] = 0x12;
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), quint64(0xF800));
        QCOMPARE(ChecksumLines(f), QStringList{"Checksum Calculated: $F800"});
    }

    void MicrochipAddsIdNibblesOnlyWhenProtected()
    {
        ImageFixture f;
        Blank14Bit(f);
        f.ctx.Options().SetValue(76, true);
        f.ctx.Options().SetValue(36, true);
        // Unprotected: code + configuration under FUSEMASK.
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), quint64((0xF800 + 0x2FCF) & 0xFFFF));
        // CP on (bit 13 clear): the ID nibbles 1,2,3,4 join as 0x1234.
        f.ctx.Profile().words[0].value = 0x1FFF;
        f.ctx.Image().ConfigWords()[0] = 0x1FFF;
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), quint64((0xF800 + (0x1FFF & 0x2FCF) + 0x1234) & 0xFFFF));
        QCOMPARE(ChecksumLines(f).size(), 2);
    }

    void PlainEverything()
    {
        ImageFixture f;
        Blank14Bit(f);
        for (int option : {32, 33, 34, 36})
            f.ctx.Options().SetValue(option, true);
        f.ctx.Image().CodeBuffer()[5] = 0x0005;
        f.ctx.Image().EeBuffer()[1] = 0x1234; // under the EE mask FF
        const quint64 code = 2047 * 0x3FFF + 5;
        const quint64 ee = 127 * 0xFF + 0x34;
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), code + ee + 0x2FCF + 0x1234);
        // An option that is not present counts as off.
        f.ctx.Options().SetPresent(33, false);
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), code + 0x2FCF + 0x1234);
    }

    void Core18xAddsEightNibbles()
    {
        ImageFixture f;
        Blank14Bit(f);
        f.ctx.Profile().core = CoreFamily::Core18X;
        f.ctx.Profile().rom = 0;
        f.ctx.Image().IdWords() = {0xF81, 0xF82, 0xF83, 0xF84, 0xF85, 0xF86, 0xF87, 0xF8F};
        f.ctx.Options().SetValue(34, true);
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), quint64(1 + 2 + 3 + 4 + 5 + 6 + 7 + 15));
        QCOMPARE(f.ctx.History().Newest().text, QStringLiteral(" Checksum Calculated: $0000002B"));
    }

    void PlainSumKeeps31Bits()
    {
        ImageFixture f;
        Blank14Bit(f);
        f.ctx.Profile().rom = MemoryImage::CodeWords;
        f.ctx.Image().CodeGrid().wordMask = 0xFFFF;
        std::fill(f.ctx.Image().CodeBuffer().begin(), f.ctx.Image().CodeBuffer().end(), quint16(0xFFFF));
        f.ctx.Options().SetValue(32, true);
        ComputeChecksum(f.ctx);
        QCOMPARE(f.ctx.Image().LastChecksum(), (quint64(MemoryImage::CodeWords) * 0xFFFF) & 0x7FFFFFFF);
    }
};

QTEST_GUILESS_MAIN(TestBufferChecksum)
#include "TestBufferChecksum.moc"
