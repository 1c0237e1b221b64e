#include "core/model/DeviceProfile.h"
#include "core/model/MemoryImage.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
DeviceProfile Profile(CoreFamily core, int rom, int ee, int cal = 0)
{
    DeviceProfile p;
    p.core = core;
    p.rom = rom;
    p.ee = ee;
    p.cal = cal;
    p.hasCalibration = cal >= 1;
    p.idLoc = 0x200;
    p.idMask = core == CoreFamily::Core18X ? 0xF80 : 0xFF80;
    return p;
}
} // namespace

class TestMemoryImage : public QObject
{
    Q_OBJECT
private slots:
    void ClearBlanksWhatAFileFills()
    {
        MemoryImage image;
        image.IdWords()[3] = 0x1234;
        image.IdFileBytes()[7] = 0x56;
        image.ConfigMasks()[0] = 0x3FFF;
        image.Calibration(2).xcalValue = 0x2FFF;
        image.Calibration(2).xcalChoice = 2;
        image.Display().SetModifiedText(ImageDisplayState::EeDataPage, "Modified");
        image.ClearImage();

        QCOMPARE(image.CodeBuffer().size(), size_t(0x200001));
        QVERIFY(
            std::all_of(image.CodeBuffer().begin(), image.CodeBuffer().end(), [](quint16 w) { return w == 0xFFFF; }));
        QVERIFY(std::all_of(image.EeBuffer().begin(), image.EeBuffer().end(), [](quint16 w) { return w == 0x00FF; }));
        QVERIFY(std::all_of(image.EeFileBuffer().begin(), image.EeFileBuffer().end(),
                            [](quint16 w) { return w == 0x00FF; }));
        QCOMPARE(image.Calibration(3).words[256], quint16(0xFFFF));
        QCOMPARE(image.ConfigWords()[7], quint16(0xFFFF));
        QCOMPARE(image.ConfigFileWords()[0], quint16(0xFFFF));
        // Not part of a file's contents: kept.
        QCOMPARE(image.IdWords()[3], quint16(0x1234));
        QCOMPARE(image.IdFileBytes()[7], quint16(0x56));
        QCOMPARE(image.ConfigMasks()[0], quint16(0x3FFF));
        QCOMPARE(image.Calibration(2).xcalValue, quint16(0x2FFF));
        QCOMPARE(image.Calibration(2).xcalChoice, 2);
        QCOMPARE(image.Display().ModifiedText(ImageDisplayState::EeDataPage), QStringLiteral("Unmodified"));
    }

    void NormaliseIdWords_data()
    {
        QTest::addColumn<int>("core");
        QTest::addColumn<bool>("wordAt2000");
        QTest::addColumn<quint16>("nibbleMask");
        QTest::addColumn<bool>("idOverride");
        QTest::addColumn<quint16>("expected0");
        const int xx = int(CoreFamily::CoreXX);
        QTest::newRow("4-bit values") << xx << true << quint16(0x0F) << false << quint16(0xFF84);
        QTest::newRow("7-bit values") << xx << true << quint16(0x7F) << false << quint16(0xFFB4);
        QTest::newRow("blank 0x2000 reads IDLOC") << xx << false << quint16(0x7F) << false << quint16(0xFFD6);
        QTest::newRow("override leaves them") << xx << true << quint16(0x0F) << true << quint16(0x0001);
        QTest::newRow("18X in place") << int(CoreFamily::Core18X) << true << quint16(0x0F) << false << quint16(0x0F81);
    }
    void NormaliseIdWords()
    {
        QFETCH(int, core);
        QFETCH(bool, wordAt2000);
        QFETCH(quint16, nibbleMask);
        QFETCH(bool, idOverride);
        QFETCH(quint16, expected0);
        MemoryImage image;
        image.ClearImage();
        image.IdWords()[0] = 0x0001;
        if (wordAt2000)
            image.CodeBuffer()[0x2000] = 0x1234;
        image.CodeBuffer()[0x200] = 0x3456; // IDLOC of the test profile
        image.NormaliseIdWords(Profile(CoreFamily(core), 512, 0), nibbleMask, idOverride);
        QCOMPARE(image.IdWords()[0], expected0);
    }

    void CalibrationFollowsProgramMemory()
    {
        MemoryImage image;
        image.ClearImage();
        image.CodeBuffer()[1024] = 0x3444;
        image.CodeBuffer()[1025] = 0x3455;
        image.CodeBuffer()[1026] = 0x3466;
        image.ExtractCalibration(1024, 2);
        for (int socket = 0; socket < 4; ++socket) {
            QCOMPARE(image.Calibration(socket).words[0], quint16(0x3444));
            QCOMPARE(image.Calibration(socket).words[1], quint16(0x3455));
            QCOMPARE(image.Calibration(socket).words[2], quint16(0xFFFF));
        }
    }

    void EditorRowsPerPage()
    {
        MemoryImage image;
        QSignalSpy refreshed(&image.Display(), &ImageDisplayState::EditorViewRefreshed);
        const DeviceProfile withEe = Profile(CoreFamily::CoreXX, 1021, 129, 5);
        image.RefreshEditorView(withEe, ImageDisplayState::CodePage);
        QCOMPARE(image.CodeGrid().rows, 128);
        image.RefreshEditorView(withEe, ImageDisplayState::EeDataPage);
        QCOMPARE(image.EeGrid().rows, 17);
        image.RefreshEditorView(withEe, ImageDisplayState::CalibrationPage);
        QCOMPARE(image.CalibrationGrid().rows, 2);
        QCOMPARE(refreshed.count(), 3);

        // No EE data and no calibration: those pages are left alone.
        const DeviceProfile bare = Profile(CoreFamily::CoreXX, 64, 0, 0);
        image.RefreshEditorView(bare, ImageDisplayState::EeDataPage);
        image.RefreshEditorView(bare, ImageDisplayState::CalibrationPage);
        image.RefreshEditorView(bare, 7);
        QCOMPARE(image.EeGrid().rows, 17);
        QCOMPARE(image.CalibrationGrid().rows, 2);
        QCOMPARE(refreshed.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMemoryImage)
#include "TestMemoryImage.moc"
