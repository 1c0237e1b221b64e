// The Device Select dialog and the main window's device-selection and option wiring, on the
// offscreen platform.

#include "ScriptedOperator.h"
#include "core/app/AppShell.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceSelection.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsFileFormat.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/devices/GuiDeviceChooser.h"
#include "gui/devices/Tseldevdlg.h"
#include "gui/options/MainWindowOptionCommands.h"
#include "gui/options/OptionControlBinding.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
struct Fixture {
    QTemporaryDir settingsDir;
    QTemporaryDir appDir;
    ScriptedOperator op;
    AppContext ctx{op, appDir.path()};

    Fixture()
    {
        SettingsFileFormat::SetLocation(settingsDir.path());
        QFile table(appDir.filePath("PXMCU.TBL"));
        if (table.open(QIODevice::WriteOnly))
            table.write("[PRAXON]\r\nVERSION=7\r\nSOFTWARE=Version 2.8.0\r\n"
                        "[DEVNOTES]\r\ncount=1\r\n0=* Beta: verify every part\r\n"
                        "[16F877A]\r\nROM=8192\r\nEE=256\r\nCORE=XX\r\nFLASH=1\r\n"
                        "[18F252]\r\nROM=16384\r\nEE=256\r\nCORE=18X\r\nFLASH=1\r\n");
        table.close();
        BuildDeviceList(ctx);
        QStringList lines;
        for (int i = 0; i < 14; ++i)
            lines << QStringLiteral("10F2%1=%2").arg(i, 2, 10, QChar(u'0')).arg(0x100 + i, 0, 16);
        lines << "16F877A=0E20"
              << "18F252=0400"
              << "12C508 *=0508";
        ctx.Devices().SetLines(lines);
        ctx.Devices().SetSelectedIndex(IndexOf("16F877A"));
    }
    int IndexOf(const QString& key) const
    {
        const QStringList& lines = const_cast<AppContext&>(ctx).Devices().Lines();
        for (int i = 0; i < lines.size(); ++i)
            if (DeviceList::KeyOf(lines.at(i)) == key)
                return i;
        return -1;
    }
};

} // namespace

class TestDeviceSelectDialog : public QObject
{
    Q_OBJECT
private slots:
    void LayoutAndContents()
    {
        Fixture f;
        Tseldevdlg dialog(f.ctx);
        dialog.Fill();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Device Select"));
        QVERIFY(dialog.minimumWidth() >= 478 && dialog.minimumHeight() >= 268);
        QVERIFY(dialog.windowFlags().testFlag(Qt::Tool));
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(dialog.OkButton()->isDefault());
        QVERIFY(dialog.findChild<QLabel*>("LAB_Suffixes")->text() ==
                "Device suffixes are important to proper programming!");
        QCOMPARE(dialog.List()->palette().color(QPalette::Base), QColor(226, 235, 241));
        // Every key, markers included, in device-list order.
        QCOMPARE(dialog.List()->count(), f.ctx.Devices().Count());
        for (int i = 0; i < dialog.List()->count(); ++i)
            QCOMPARE(dialog.List()->item(i)->text(), DeviceList::KeyOf(f.ctx.Devices().Lines().at(i)));
        QCOMPARE(dialog.HighlightedIndex(), f.IndexOf("16F877A"));
        // Six columns: each grid cell is a sixth of the list's width, entries run down each column.
        QCOMPARE(dialog.List()->gridSize().width(), dialog.List()->viewport()->width() / 6);
        const QRect first = dialog.List()->visualItemRect(dialog.List()->item(0));
        const QRect second = dialog.List()->visualItemRect(dialog.List()->item(1));
        QCOMPARE(second.left(), first.left());
        QVERIFY(second.top() > first.top());
    }

    void NotesFollowTheHighlight()
    {
        Fixture f;
        Tseldevdlg dialog(f.ctx);
        dialog.Fill();
        dialog.show();
        QCOMPARE(dialog.Note()->text(), QString("Full Support"));
        const QColor normal = dialog.Note()->palette().color(QPalette::Window);
        dialog.List()->setCurrentRow(f.IndexOf("12C508 *"));
        QCOMPARE(dialog.Note()->text(), QString(" * Beta: verify every part"));
        QCOMPARE(dialog.Note()->palette().color(QPalette::Window), dialog.palette().color(QPalette::ToolTipBase));
        dialog.List()->setCurrentRow(f.IndexOf("18F252"));
        QCOMPARE(dialog.Note()->text(), QString("Full Support"));
        QCOMPARE(dialog.Note()->palette().color(QPalette::Window), normal);
    }

    void EveryWayOfClosingTakesTheHighlight_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Enter") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("double click") << 2;
        QTest::newRow("OK") << 3;
    }

    void EveryWayOfClosingTakesTheHighlight()
    {
        QFETCH(int, how);
        Fixture f;
        QWidget parent;
        GuiDeviceChooser chooser(f.ctx, &parent);
        Tseldevdlg* dialog = chooser.Dialog();
        const int wanted = f.IndexOf("18F252");
        // Should the dialog not close, it is closed after a while and the test fails.
        bool timedOut = false;
        QTimer::singleShot(5000, dialog, [dialog, &timedOut] {
            timedOut = true;
            dialog->done(QDialog::Rejected);
        });
        QTimer::singleShot(0, dialog, [dialog, how, wanted] {
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            dialog->List()->setCurrentRow(wanted);
            QListWidget* list = dialog->List();
            list->scrollToItem(list->item(wanted));
            switch (how) {
            case 0: QTest::keyClick(list, Qt::Key_Return); break;
            case 1: QTest::keyClick(list, Qt::Key_Escape); break;
            case 2: {
                const QPoint centre = list->visualItemRect(list->item(wanted)).center();
                QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centre);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
                break;
            }
            default: QTest::mouseClick(dialog->OkButton(), Qt::LeftButton); break;
            }
        });
        QCOMPARE(chooser.ChooseDevice(f.ctx), wanted);
        QVERIFY(!timedOut);
        QVERIFY(!dialog->isVisible());
    }

    void PlacementIsRemembered()
    {
        Fixture f;
        QWidget parent;
        GuiDeviceChooser chooser(f.ctx, &parent);
        Tseldevdlg* dialog = chooser.Dialog();
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->resize(600, 320);
            dialog->move(40, 50);
            QTest::keyClick(dialog->List(), Qt::Key_Return);
        });
        chooser.ChooseDevice(f.ctx);
        const WindowPlacement& record = f.ctx.Workstation().Placement(RememberedWindow::DeviceSelect);
        QCOMPARE(record.width, 600);
        QCOMPARE(record.height, 320);
        QCOMPARE(record.left, 40);
        QCOMPARE(record.open, 0);
        // A dialog made afresh (the next run, after the store's load) opens where this one was left.
        GuiDeviceChooser again(f.ctx, &parent);
        Tseldevdlg* second = again.Dialog();
        QSize shownSize;
        QTimer::singleShot(0, second, [second, &shownSize] {
            shownSize = second->size();
            QTest::keyClick(second->List(), Qt::Key_Return);
        });
        again.ChooseDevice(f.ctx);
        QCOMPARE(shownSize, QSize(600, 320));
    }

    void MainWindowRunsDeviceSelection()
    {
        Fixture f;
        TPXmain window(f.ctx);
        AppShell shell(f.ctx);
        auto* commands = new MainWindowOptionCommands(window, f.ctx, shell);
        window.show();
        QVERIFY(window.ActSelectMcu()->isEnabled());
        QVERIFY(window.ControlBarPanel()->SelectMcuButton()->isEnabled());
        Tseldevdlg* dialog = commands->Chooser().Dialog();
        const int wanted = f.IndexOf("16F877A");
        QTimer::singleShot(0, dialog, [dialog, wanted] {
            dialog->List()->setCurrentRow(wanted);
            QTest::keyClick(dialog->List(), Qt::Key_Return);
        });
        // Clicking the MCU box asks for the device, as the button does.
        QTest::mouseClick(window.ControlBarPanel()->McuBox(), Qt::LeftButton);
        QCOMPARE(f.ctx.Devices().SelectedIndex(), wanted);
        QCOMPARE(f.ctx.Profile().sectionName, QString("16F877A"));
        QCOMPARE(window.ControlBarPanel()->McuBox()->text(), QString("16F877A"));
        QCOMPARE(f.ctx.File().mcuName, QString("16F877A"));
    }

    void BoundCheckBoxFollowsTheOptions()
    {
        Fixture f;
        QCheckBox box("Enable Verify");
        OptionControlBinding::BindCheckBox(f.ctx, &box, OptionIndex::Verify);
        QCheckBox erase("Enable Erase");
        OptionControlBinding::BindCheckBox(f.ctx, &erase, OptionIndex::Erase);
        QPushButton eraseButton("Erase");
        OptionControlBinding::BindEnabled(f.ctx, OptionSwitch::EraseAction, &eraseButton);
        f.ctx.Options().SetAllPresentAndOn();
        f.ctx.Profile().flash = false;
        OptionsChanged(f.ctx);
        QVERIFY(box.isChecked());
        QVERIFY(!erase.isEnabled()); // an EPROM device cannot be erased
        QVERIFY(!eraseButton.isEnabled());

        f.ctx.Flags().ProgramReady = true;
        box.show();
        QTest::mouseClick(&box, Qt::LeftButton);
        QVERIFY(!f.ctx.Options().IsSet(OptionIndex::Verify));
        QVERIFY(f.ctx.Flags().SettingsDirty);
        QVERIFY(!box.isChecked());

        f.ctx.Profile().flash = true;
        OptionsChanged(f.ctx);
        QVERIFY(erase.isEnabled());
        QVERIFY(eraseButton.isEnabled());
    }
};

QTEST_MAIN(TestDeviceSelectDialog)
#include "TestDeviceSelectDialog.moc"
