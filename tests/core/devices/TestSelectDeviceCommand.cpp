// The "Select MCU Device" command and the support notes of the Device Select dialog.

#include "ScriptedOperator.h"
#include "core/commands/SelectDeviceCommand.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceChooser.h"
#include "core/devices/DeviceSelection.h"
#include "core/model/OptionIndex.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
class FakeChooser : public DeviceChooser
{
public:
    int answer = -1;
    bool tick = true;
    int shown = 0;
    int notices = 0;
    int ChooseDevice(AppContext&) override
    {
        ++shown;
        return answer;
    }
    bool ConfirmParameterEditing(AppContext&) override
    {
        ++notices;
        return tick;
    }
};

struct Fixture {
    QTemporaryDir appDir;
    ScriptedOperator op;
    AppContext ctx{op, appDir.path()};
    FakeChooser chooser;

    Fixture()
    {
        QFile table(appDir.filePath("PXMCU.TBL"));
        if (table.open(QIODevice::WriteOnly))
            table.write("[PRAXON]\r\nVERSION=7\r\nSOFTWARE=Version 2.8.0\r\n"
                        "[16F877A]\r\nROM=8192\r\nEE=256\r\nCORE=XX\r\nFLASH=1\r\n"
                        "[12C508]\r\nROM=512\r\nEE=0\r\nCORE=5X\r\nSC=1\r\n");
        ctx.Devices().SetLines({"16F877A=0E20", "12C508 *=0508", "16C57 ~=0057"});
        ctx.Options().SetAllPresentAndOn();
    }
};
} // namespace

class TestSelectDeviceCommand : public QObject
{
    Q_OBJECT
private slots:
    void SelectsAndLoadsTheChosenDevice()
    {
        Fixture f;
        f.chooser.answer = 0; // "12C508 *" sorts first
        f.ctx.File().mcuName = "16F877A";
        SelectDeviceCommand(f.ctx, f.chooser, false);
        QCOMPARE(f.chooser.shown, 1);
        QCOMPARE(f.chooser.notices, 0);
        QCOMPARE(f.ctx.Devices().SelectedIndex(), 0);
        QCOMPARE(f.ctx.Profile().sectionName, QString("12C508"));
        QCOMPARE(f.ctx.File().mcuName, QString("12C508 *")); // the name shown in the MCU box
        // The options follow the new device at once: no EE data, no erase.
        QVERIFY(!f.ctx.Options().Present(OptionIndex::ProgramEe));
        QVERIFY(!f.ctx.Options().Present(OptionIndex::Erase));
        QVERIFY(f.ctx.History().DisplayText().join('\n').contains("Loaded settings for MCU: "));
    }

    void NothingHighlightedKeepsTheSelection()
    {
        Fixture f;
        f.ctx.Devices().SetSelectedIndex(2);
        f.chooser.answer = -1;
        SelectDeviceCommand(f.ctx, f.chooser, false);
        QCOMPARE(f.ctx.Devices().SelectedIndex(), 2);
    }

    void ShiftAndCtrlShowTheNoticeFirst()
    {
        Fixture f;
        f.chooser.answer = 1;
        f.chooser.tick = false;
        SelectDeviceCommand(f.ctx, f.chooser, true);
        QCOMPARE(f.chooser.notices, 1);
        QCOMPARE(f.chooser.shown, 1);
        QCOMPARE(f.ctx.Devices().SelectedIndex(), 1);
        QVERIFY(
            ParameterEditorNotice::Text().startsWith("After selecting an MCU, you will enter the parameters Editor."));
    }

    void EmptyListIsReportedAndReplaced()
    {
        Fixture f;
        f.ctx.Devices().Clear();
        EnsureDeviceListNotEmpty(f.ctx);
        QCOMPARE(f.ctx.Devices().Lines(), QStringList{"16F877=877"});
        QCOMPARE(f.op.Captions(), QStringList{"Table File Error"});
        QCOMPARE(f.op.Texts(), QStringList{"Error - Device Types Missing. Please Re-install Program or update "
                                           "supporting files."});
        EnsureDeviceListNotEmpty(f.ctx);
        QCOMPARE(f.op.boxes.size(), 1);
    }

    void SupportNotes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("highlighted");
        QTest::newRow("no marker") << "16F877A"
                                   << "Full Support" << false;
        QTest::newRow("nothing highlighted") << ""
                                             << "Full Support" << false;
        QTest::newRow("beta: last note with *") << "12C508 *"
                                                << " * later beta note" << true;
        QTest::newRow("partial") << "16C57 ~"
                                 << " ~ partial support" << true;
        QTest::newRow("marker in no note") << QString("16F84 ") + QChar(0xB0) << "Full Support" << false;
    }

    void SupportNotes()
    {
        QFETCH(QString, key);
        QTemporaryDir appDir;
        QFile table(appDir.filePath("PXMCU.TBL"));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("[DEVNOTES]\r\ncount=4\r\n0= * beta devices\r\n1= ~ partial support\r\n2=X\r\n"
                    "3= * later beta note\r\n[PXDEVICES]\r\n16F877A=0E20\r\n");
        table.close();
        ScriptedOperator op;
        AppContext ctx(op, appDir.path());
        BuildDeviceList(ctx);
        const DeviceNote note = DeviceNoteFor(ctx, key);
        QTEST(note.text, "text");
        QTEST(note.highlighted, "highlighted");
    }
};

QTEST_GUILESS_MAIN(TestSelectDeviceCommand)
#include "TestSelectDeviceCommand.moc"
