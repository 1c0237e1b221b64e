// The editors window on the offscreen platform: the grid's cell rules, typing and keyboard moves,
// the pages a device has, "Fill with Value ...", the ID fields' modes and the configuration-word
// page, each with the edit landing in the memory image and the checksum following it.
#include "ScriptedOperator.h"
#include "core/app/AppShell.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/editors/GridCells.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/serial/SerialNumberPage.h"
#include "gui/app/TPXmain.h"
#include "gui/editors/ConfigWordPage.h"
#include "gui/editors/GridModel.h"
#include "gui/editors/IdLocationsPage.h"
#include "gui/editors/MainWindowEditors.h"
#include "gui/editors/TPXedit.h"
#include "gui/editors/TPXedwin.h"
#include "gui/options/MainWindowOptionCommands.h"
#include "gui/serial/SerialNumbersPage.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <optional>

namespace {
using Page = ImageDisplayState::Page;

struct Device {
    CoreFamily core = CoreFamily::CoreXX;
    int rom = 2048;
    int ee = 128;
    int cal = 0;
    int xcal = 0;
};

struct Fixture {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path() + u'/'};
    ProgrammerLink link{ctx};
    AppShell shell{ctx};
    Engine engine{ctx, link};
    SerialNumberPage serialModel{ctx, engine.Serial()};
    TPXmain main{ctx};
    MainWindowEditors* editors = nullptr;

    explicit Fixture(const Device& device = {})
    {
        DeviceProfile& p = ctx.Profile();
        p.core = device.core;
        p.coreText = CoreFamilyText(device.core);
        p.rom = device.rom;
        p.ee = device.ee;
        p.cal = device.cal;
        p.hasCalibration = device.cal >= 1;
        p.xcal = device.xcal;
        p.hasExtraCalibration = p.hasCalibration && device.xcal >= 1;
        if (p.hasExtraCalibration) {
            p.xcalTitle = QStringLiteral("Oscillator:");
            p.xcalChoices = {{0x3FFC, QStringLiteral("LP")}, {0x3FFD, QStringLiteral("XT")}};
        }
        MemoryImage& image = ctx.Image();
        image.ApplyProfileToGrids(p);
        image.CodeGrid().wordMask = device.core == CoreFamily::Core18X ? 0xFFFF : 0x3FFF;
        image.ClearImage();
        ctx.Flags().ProgramReady = true;
        // The lock's menu wiring comes first, as in the program: it re-shows what it hid.
        new MainWindowOptionCommands(main, ctx, shell);
        editors = new MainWindowEditors(main, ctx, &serialModel, &engine.Sockets());
        OptionsChanged(ctx);
    }
    TPXedwin& Window() { return *editors->Window(); }
    TPXedit& Grid(Page page) { return *Window().Grid(page); }
    void Open(TPXedwin::Page page) { QVERIFY(Window().ShowPage(page)); }
    // Makes a cell current and types into it, as the operator does.
    void Type(Page page, int row, int column, const QString& text)
    {
        QTableView* table = Grid(page).Table();
        const QModelIndex cell = table->model()->index(row, column);
        table->setCurrentIndex(cell);
        // The first key opens the cell's editor; the rest go to that editor.
        QTest::keyClicks(table, text.left(1));
        QWidget* editor = table->indexWidget(cell);
        QVERIFY(editor);
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits the typed text through a queued call.
        QCoreApplication::processEvents();
    }
    QModelIndex Current(Page page) { return Grid(page).Table()->currentIndex(); }
    void Press(Page page, Qt::Key key) { QTest::keyClick(Grid(page).Table(), key); }
};

// A configuration word of three fields on an XX device: FOSC (bits 1..0), WDTE (bit 2) and a
// one-bit field at bit 3, whose options select 0x3FFF with the first option of each field.
void AddConfigWord(DeviceProfile& p, int words)
{
    p.cfgWords = words;
    for (int w = 0; w < words; ++w) {
        ConfigWord& word = p.words[size_t(w)];
        word.fields = {
            {QStringLiteral("FOSC"),
             QStringLiteral("Oscillator"),
             {{0x3FFF, QStringLiteral("RC")}, {0x3FFC, QStringLiteral("LP")}},
             0},
            {QStringLiteral("WDTE"),
             QStringLiteral("Watchdog"),
             {{0x3FFF, QStringLiteral("On")}, {0x3FFB, QStringLiteral("Off")}},
             0},
            {QStringLiteral("PWRTE"),
             QStringLiteral("Power-up Timer W") + QString::number(w + 1),
             {{0x3FFF, QStringLiteral("Off")}, {0x3FF7, QStringLiteral("On")}},
             0},
        };
        word.value = 0x3FFF;
    }
}
} // namespace

class TestEditors : public QObject
{
    Q_OBJECT
private slots:
    void HiddenCellsOfAShortBuffer()
    {
        Fixture f(Device{CoreFamily::CoreXX, 5, 0});
        f.Open(TPXedwin::Page::Code);
        const QAbstractItemModel* model = f.Grid(Page::CodePage).Table()->model();
        QCOMPARE(model->rowCount(), 1);
        for (int cell = 0; cell < 8; ++cell) {
            const bool shown = cell < 5;
            for (int column : {GridCells::FirstData + cell, GridCells::FirstCharacter + cell}) {
                QCOMPARE(model->index(0, column).data().toString().isEmpty(), !shown);
                QCOMPARE(model->index(0, column).flags().testFlag(Qt::ItemIsEditable), shown);
            }
        }
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("3FFF"));
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("0000"));
        QCOMPARE(f.Grid(Page::CodePage).CountLabel()->text(), QStringLiteral("5"));
    }

    void TypedValuesLandInTheImage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("dataCell");
        // An EE cell keeps only the bits of its mask.
        QTest::newRow("EE 1234 under mask FF") << int(Page::EeDataPage) << 3 << "1234" << 1 << 0x34 << "34";
        // A character in an XX code grid becomes a RETLW of it.
        QTest::newRow("XX character A") << int(Page::CodePage) << 13 << "A" << 2 << 0x3441 << "3441";
        QTest::newRow("last character cell") << int(Page::CodePage) << 18 << "B" << 7 << 0x3442 << "3442";
        QTest::newRow("code word under mask 3FFF") << int(Page::CodePage) << 2 << "ffff" << 0 << 0x3FFF << "3FFF";
        // A character typed into the EE grid is the byte itself, never a 14-bit instruction.
        QTest::newRow("EE character") << int(Page::EeDataPage) << 11 << "z" << 0 << 0x7A << "7A";
    }
    void TypedValuesLandInTheImage()
    {
        QFETCH(int, page);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, element);
        QFETCH(int, stored);
        QFETCH(QString, dataCell);
        Fixture f;
        f.ctx.Options().SetValue(OptionIndex::ProgramEe, true);
        f.Open(page == Page::CodePage ? TPXedwin::Page::Code : TPXedwin::Page::Data);
        QCOMPARE(f.Grid(Page(page)).StatusLabel()->text(), QStringLiteral("Unmodified"));
        const quint64 before = f.ctx.Image().LastChecksum();
        f.Type(Page(page), 0, column, typed);
        const int value = page == Page::CodePage ? f.ctx.Image().CodeBuffer()[size_t(element)]
                                                 : f.ctx.Image().EeBuffer()[size_t(element)];
        QCOMPARE(value, stored);
        const QAbstractItemModel* model = f.Grid(Page(page)).Table()->model();
        QCOMPARE(model->index(0, GridCells::FirstData + element).data().toString(), dataCell);
        QCOMPARE(f.Grid(Page(page)).StatusLabel()->text(), QStringLiteral("Modified"));
        // The checksum follows the edit (code and EE are both programmed here).
        QVERIFY(f.ctx.Image().LastChecksum() != before);
        QVERIFY(f.ctx.History().DisplayText().join(u'\n').contains(QStringLiteral(" Checksum Calculated: $")));
    }

    void KeyboardRunsThroughTheRows()
    {
        // 20 words: rows 0 and 1 full, row 2 holds four.
        Fixture f(Device{CoreFamily::CoreXX, 20, 0});
        f.Open(TPXedwin::Page::Code);
        QTableView* table = f.Grid(Page::CodePage).Table();
        table->setFocus();
        const auto at = [&](int row, int column) { table->setCurrentIndex(table->model()->index(row, column)); };
        const auto is = [&](int row, int column) {
            return f.Current(Page::CodePage) == table->model()->index(row, column);
        };
        at(0, GridCells::LastData);
        f.Press(Page::CodePage, Qt::Key_Right);
        QVERIFY(is(1, GridCells::FirstData));
        f.Press(Page::CodePage, Qt::Key_Left);
        QVERIFY(is(0, GridCells::LastData));
        // The last cell in use of the last row wraps to the first row.
        at(2, GridCells::FirstData + 3);
        f.Press(Page::CodePage, Qt::Key_Right);
        QVERIFY(is(0, GridCells::FirstData));
        f.Press(Page::CodePage, Qt::Key_Left);
        QVERIFY(is(2, GridCells::FirstData + 3));
        at(1, GridCells::FirstCharacter);
        f.Press(Page::CodePage, Qt::Key_Left);
        QVERIFY(is(0, GridCells::LastCharacter));
        // Down stops where the last row has no cell.
        at(1, GridCells::LastData);
        f.Press(Page::CodePage, Qt::Key_Down);
        QVERIFY(is(1, GridCells::LastData));
        at(1, GridCells::FirstCharacter + 2);
        TPXedit& grid = f.Grid(Page::CodePage);
        QCOMPARE(grid.RowLabel()->text(), QStringLiteral("2"));
        QCOMPARE(grid.ColumnLabel()->text(), QStringLiteral("3"));
        QCOMPARE(grid.AddressLabel()->text(), QStringLiteral("000A"));
    }

    void LastRowOfTheFullWidthGrid()
    {
        Fixture f(Device{CoreFamily::Core18X, 16, 0});
        f.Open(TPXedwin::Page::Code);
        QTableView* table = f.Grid(Page::CodePage).Table();
        table->setFocus();
        table->setCurrentIndex(table->model()->index(1, GridCells::LastData));
        f.Press(Page::CodePage, Qt::Key_Right);
        QCOMPARE(f.Current(Page::CodePage), table->model()->index(0, GridCells::FirstData));
        // 18X characters take the 18X RETLW.
        f.Type(Page::CodePage, 0, GridCells::FirstCharacter, QStringLiteral("0"));
        QCOMPARE(int(f.ctx.Image().CodeBuffer()[0]), 0x0C30);
    }

    void PagesFollowTheDevice_data()
    {
        QTest::addColumn<int>("cal");
        QTest::addColumn<int>("xcal");
        QTest::addColumn<int>("ee");
        QTest::newRow("no calibration, no EE") << 0 << 0 << 0;
        QTest::newRow("calibration") << 4 << 0 << 64;
        QTest::newRow("calibration with XCAL") << 2 << 1 << 64;
    }
    void PagesFollowTheDevice()
    {
        QFETCH(int, cal);
        QFETCH(int, xcal);
        QFETCH(int, ee);
        Fixture f(Device{CoreFamily::CoreXX, 1024, ee, cal, xcal});
        f.Window().show();
        QTabWidget* pages = f.Window().Pages();
        QCOMPARE(pages->isTabVisible(int(TPXedwin::Page::Calibration)), cal > 0);
        QCOMPARE(f.main.ActEditCalibration()->isVisible(), cal > 0);
        QCOMPARE(pages->isTabVisible(int(TPXedwin::Page::Data)), ee > 0);
        QCOMPARE(f.main.ActEditData()->isVisible(), ee > 0);
        QCOMPARE(f.Window().ShowPage(TPXedwin::Page::Calibration), cal > 0);
        if (cal == 0)
            return;
        QVERIFY(f.Window().CalibrationBar()->isVisible() == (xcal > 0));
        QCOMPARE(f.Window().CalibrationItems()->isVisible(), xcal > 0);
        // Socket B shows its own words; an edit lands in B's record only.
        f.Window().SocketButton(1)->click();
        QCOMPARE(f.ctx.Image().SelectedCalSocket(), 1);
        f.Type(Page::CalibrationPage, 0, GridCells::FirstData + 1, QStringLiteral("3FF0"));
        QCOMPARE(int(f.ctx.Image().Calibration(1).words[1]), 0x3FF0);
        QCOMPARE(int(f.ctx.Image().Calibration(0).words[1]), 0xFFFF);
        // The rows follow the descriptor: (CAL + 3) / 4.
        QCOMPARE(f.Grid(Page::CalibrationPage).Table()->model()->rowCount(), (cal + 3) / 4);
        if (xcal > 0) {
            f.Window().CalibrationItems()->setCurrentIndex(1);
            emit f.Window().CalibrationItems()->activated(1);
            QCOMPARE(f.ctx.Image().Calibration(1).xcalChoice, 1);
            QCOMPARE(int(f.ctx.Image().Calibration(1).xcalValue), 0x3FFD);
            f.Window().SocketButton(0)->click();
            QCOMPARE(f.Window().CalibrationItems()->currentIndex(), 0);
        }
    }

    void EditMenuOpensItsPage()
    {
        Fixture f;
        for (auto [action, page] : {std::pair{f.main.ActEditConfigWord(), TPXedwin::Page::Fuse},
                                    std::pair{f.main.ActEditId(), TPXedwin::Page::Id},
                                    std::pair{f.main.ActEditCode(), TPXedwin::Page::Code}}) {
            QVERIFY(action->isEnabled());
            action->trigger();
            QVERIFY(f.Window().isVisible());
            QCOMPARE(f.Window().Pages()->currentIndex(), int(page));
        }
        QCOMPARE(f.Window().windowTitle(), QStringLiteral("Praxon Editors"));
        QVERIFY(f.ctx.Bindings().showEditorPage(EditorPage::EeData));
        QCOMPARE(f.Window().Pages()->currentIndex(), int(TPXedwin::Page::Data));
        // The serial-number page is the serial-number widget; its icon button opens the options.
        f.main.ActEditSerial()->trigger();
        QCOMPARE(f.Window().Pages()->currentWidget(), f.Window().SerialPage());
        QToolButton* options = f.Window().SerialPage()->OptionsButton();
        QCOMPARE(options->toolTip(), QStringLiteral("Show Serial Number Options"));
        QVERIFY(options->text().isEmpty());
        std::optional<OptionsPage> asked;
        f.ctx.Bindings().showOptionsDialog = [&asked](OptionsPage page) { asked = page; };
        options->click();
        QCOMPARE(asked, std::optional(OptionsPage::SerialNumbers));
        f.ctx.Bindings().closeEditorWindow();
        QVERIFY(!f.Window().isVisible());
    }

    void LockedOptionEditingLeavesTheSerialNumbers()
    {
        Fixture f(Device{CoreFamily::CoreXX, 1024, 64, 2, 0});
        const auto shown = [&](TPXedwin::Page page) { return f.Window().Pages()->isTabVisible(int(page)); };
        QToolButton* options = f.Window().SerialPage()->OptionsButton();
        for (bool locked : {true, false}) {
            f.ctx.Options().SetOptionsHidden(locked);
            OptionsChanged(f.ctx);
            for (TPXedwin::Page page : {TPXedwin::Page::Calibration, TPXedwin::Page::Code, TPXedwin::Page::Data,
                                        TPXedwin::Page::Id, TPXedwin::Page::Fuse})
                QCOMPARE(shown(page), !locked);
            QVERIFY(shown(TPXedwin::Page::Serial));
            QCOMPARE(f.Window().ShowPage(TPXedwin::Page::Code), !locked);
            QCOMPARE(f.main.ActEditData()->isVisible(), !locked);
            QCOMPARE(f.main.ActEditCalibration()->isVisible(), !locked);
            QCOMPARE(options->isVisibleTo(f.Window().SerialPage()), !locked);
        }
    }

    void FillWithValue_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<int>("invalidBoxes");
        QTest::newRow("5A") << QStringList{"5A"} << QList<int>{} << true << 0;
        QTest::newRow("invalid, OK, then 5a") << QStringList{"5G", "5a"} << QList<int>{OkButton} << true << 1;
        QTest::newRow("invalid, Cancel") << QStringList{"zz"} << QList<int>{CancelButton} << false << 1;
        QTest::newRow("empty is no value") << QStringList{""} << QList<int>{CancelButton} << false << 1;
    }
    void FillWithValue()
    {
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, answers);
        QFETCH(bool, filled);
        QFETCH(int, invalidBoxes);
        Fixture f(Device{CoreFamily::CoreXX, 1024, 64});
        f.ctx.Options().SetValue(OptionIndex::Erase, true);
        f.ctx.Profile().flash = true;
        f.ctx.Options().SetValue(OptionIndex::EeOverride, true);
        OptionsChanged(f.ctx);
        f.Open(TPXedwin::Page::Data);
        for (const QString& text : typed)
            f.op.QueueText(text);
        for (int answer : answers)
            f.op.QueueAnswer(BoxButton(answer));
        f.ctx.Flags().SettingsDirty = false;
        QVERIFY(f.Window().FillButton()->isEnabled());
        f.Window().FillButton()->click();
        QCOMPARE(f.op.prompts.size(), typed.size());
        QCOMPARE(f.op.Captions().count(QStringLiteral("Invalid Entry")), invalidBoxes);
        QCOMPARE(f.op.sounds.count(SoundKind::Beep), invalidBoxes);
        const std::array<quint16, MemoryImage::EeElements>& ee = f.ctx.Image().EeBuffer();
        // Every element of the buffer, not only the device's 64 bytes.
        const quint16 expected = filled ? 0x5A : 0xFF;
        QVERIFY(std::all_of(ee.begin(), ee.end(), [&](quint16 v) { return v == expected; }));
        QCOMPARE(f.Grid(Page::EeDataPage).StatusLabel()->text(),
                 filled ? QStringLiteral("Modified") : QStringLiteral("Unmodified"));
        QCOMPARE(f.ctx.Flags().SettingsDirty, filled);
        QCOMPARE(f.Grid(Page::EeDataPage).Table()->model()->index(7, 9).data().toString(),
                 filled ? QStringLiteral("5A") : QStringLiteral("FF"));
    }

    void IdFieldsFollowTheMode()
    {
        Fixture f;
        f.ctx.Profile().idMask = 0xFF80;
        OptionTable& o = f.ctx.Options();
        o.SetValue(OptionIndex::ProgramId, true);
        o.SetValue(OptionIndex::IdAscii7, true);
        OptionsChanged(f.ctx);
        f.Open(TPXedwin::Page::Id);
        IdLocationsPage& page = *f.Window().IdPage();
        const auto enabled = [&](ImageDisplayState::IdForm form) { return page.Field(form)->isEnabled(); };
        QVERIFY(enabled(ImageDisplayState::IdAscii));
        QVERIFY(!enabled(ImageDisplayState::IdHex4));
        QVERIFY(!enabled(ImageDisplayState::IdHex7));
        QVERIFY(page.Field(ImageDisplayState::IdHex4)->palette().color(QPalette::Base) !=
                page.Field(ImageDisplayState::IdAscii)->palette().color(QPalette::Base));
        // The radio button switches the mode: only the 4-bit field takes input, and a typed "a" is a capital.
        page.FormButton(ImageDisplayState::IdHex4)->click();
        QVERIFY(o.IsSet(OptionIndex::IdHex4) && !o.IsSet(OptionIndex::IdAscii7) && !o.IsSet(OptionIndex::IdHex7));
        QVERIFY(enabled(ImageDisplayState::IdHex4));
        QVERIFY(!enabled(ImageDisplayState::IdAscii));
        QLineEdit* hex4 = page.Field(ImageDisplayState::IdHex4);
        QCOMPARE(hex4->maxLength(), 4);
        hex4->setFocus();
        hex4->setCursorPosition(0);
        QTest::keyClicks(hex4, QStringLiteral("a"));
        QCOMPARE(int(f.ctx.Image().IdWords()[0]), 0xFF8A);
        QVERIFY(hex4->text().startsWith(u'A'));
        QCOMPARE(hex4->text().size(), 4);
        // Without ID programming no field takes input.
        o.SetValue(OptionIndex::ProgramId, false);
        OptionsChanged(f.ctx);
        QVERIFY(!enabled(ImageDisplayState::IdHex4));
    }

    void OneConfigurationWord()
    {
        Fixture f;
        AddConfigWord(f.ctx.Profile(), 1);
        f.ctx.FieldSelectors().SetWordCount(1);
        f.ctx.FieldSelectors().Fill(f.ctx.Profile());
        f.Open(TPXedwin::Page::Fuse);
        ConfigWordPage& page = *f.Window().FusePage();
        QVERIFY(!page.WordSelector()->isEnabled());
        QCOMPARE(page.WordSelector()->maximum(), 1);
        QCOMPARE(page.WordNumber()->text(), QStringLiteral("1"));
        QVERIFY(page.FieldBox(3)->isVisible());
        QVERIFY(!page.FieldBox(4)->isVisible());
    }

    void ChoosingAnOptionComposesTheWord()
    {
        Fixture f;
        AddConfigWord(f.ctx.Profile(), 2);
        f.ctx.FieldSelectors().SetWordCount(2);
        f.ctx.Options().SetValue(OptionIndex::ProgramConfig, true);
        OptionsChanged(f.ctx);
        f.ctx.FieldSelectors().Fill(f.ctx.Profile());
        f.Open(TPXedwin::Page::Fuse);
        ConfigWordPage& page = *f.Window().FusePage();
        QVERIFY(page.WordSelector()->isEnabled());
        page.WordSelector()->setValue(1);
        QCOMPARE(page.WordNumber()->text(), QStringLiteral("2"));
        QCOMPARE(page.FieldLabel(3)->text(), QStringLiteral("Power-up Timer W2"));
        QComboBox* box = page.FieldBox(3);
        QVERIFY(box->isEnabled());
        QFocusEvent entered(QEvent::FocusIn);
        QCoreApplication::sendEvent(box, &entered);
        QCOMPARE(page.LastEnteredField(1), 2);
        QCOMPARE(page.LastEnteredField(0), 0);
        box->setCurrentIndex(1);
        emit box->activated(1);
        QCOMPARE(int(f.ctx.Image().ConfigWords()[1]), 0x3FF7);
        QCOMPARE(int(f.ctx.Image().ConfigWords()[0]), 0xFFFF);
        QCOMPARE(page.HexValue()->text(), QStringLiteral("High: 3F  Low: F7"));
        QCOMPARE(page.BinaryValue()->text(), QStringLiteral("111111:11110111"));
        QVERIFY(f.ctx.Window().FuseSummaryText().contains(QStringLiteral("Configuration 2: 0x3FF7 - [3FF7]")));
        // With fuse programming not in effect the fields show but take no input.
        f.ctx.Options().SetValue(OptionIndex::ProgramConfig, false);
        OptionsChanged(f.ctx);
        QVERIFY(box->isVisible());
        QVERIFY(!box->isEnabled());
        QVERIFY(!page.FieldLabel(1)->isEnabled());
    }

    void MillionWordCodePageShowsFirstAndLastRows()
    {
        Fixture f(Device{CoreFamily::Core18X, 0x100000, 1024});
        f.main.show();
        QElapsedTimer timer;
        timer.start();
        f.main.ActEditCode()->trigger();
        QTableView* table = f.Grid(Page::CodePage).Table();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Window()));
        const QModelIndex first = table->model()->index(0, GridCells::FirstData);
        const bool firstShown = table->viewport()->rect().intersects(table->visualRect(first));
        const qint64 firstMs = timer.elapsed();
        table->scrollToBottom();
        QCoreApplication::processEvents();
        const int rows = table->model()->rowCount();
        const QModelIndex last = table->model()->index(rows - 1, GridCells::FirstData);
        const bool lastShown = table->viewport()->rect().intersects(table->visualRect(last));
        const qint64 lastMs = timer.elapsed();
        qInfo("1M-word code page: first row shown after %lld ms, last row after %lld ms", firstMs, lastMs);
        QVERIFY(firstShown);
        QVERIFY(lastShown);
        QCOMPARE(rows, 0x100000 / 8);
        QCOMPARE(table->model()->index(rows - 1, 0).data().toString(), QStringLiteral("FFFF8"));
        QCOMPARE(last.data().toString(), QStringLiteral("FFFF"));
        // An edit in the last row goes straight into the code buffer.
        f.Type(Page::CodePage, rows - 1, GridCells::LastData, QStringLiteral("1234"));
        QCOMPARE(int(f.ctx.Image().CodeBuffer()[0xFFFFF]), 0x1234);
    }
};

QTEST_MAIN(TestEditors)
#include "TestEditors.moc"
