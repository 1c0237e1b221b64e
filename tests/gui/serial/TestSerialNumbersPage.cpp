// The "Serial Numbers" page follows the numbering mode (labels, read-only fields, colours), takes
// typed numbers in manual mode, filters the top field's keys, shows the socket rows in use and asks
// before the Auto Increment box replaces the stored counter.
#include "ScriptedOperator.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/SettingsFileFormat.h"
#include "core/options/SettingsStore.h"
#include "core/serial/SerialNumberPage.h"
#include "gui/serial/SerialNumbersPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Fixture {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path() + u'/'};
    ProgrammerLink link{ctx};
    Engine engine{ctx, link};
    SerialNumberPage model{ctx, engine.Serial()};
    std::unique_ptr<SerialNumbersPage> page;

    Fixture(bool automatic, bool sqtp = false)
    {
        SettingsFileFormat::SetLocation(dir.path());
        ctx.File().controlPath = dir.filePath(QStringLiteral("part.PXC"));
        ctx.Flags().ProgramReady = true;
        OptionTable& o = ctx.Options();
        o.SetValue(OptionIndex::SerialNumbering, true);
        o.SetValue(OptionIndex::AutoIncrement, automatic);
        o.SetValue(OptionIndex::UseSqtp, sqtp);
        ctx.SerialSettings().length = 2;
        engine.Sockets().SetSockets(0, 2, true);
        engine.Serial().RefreshNumbers();
        page = std::make_unique<SerialNumbersPage>(model, engine.Sockets());
        page->show();
    }
};
} // namespace

class TestSerialNumbersPage : public QObject
{
    Q_OBJECT
private slots:
    void FollowsTheMode_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("sqtp");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("manual") << true << false << false << "Manual" << false;
        QTest::newRow("automatic") << true << true << false << "Auto" << true;
        QTest::newRow("SQTP") << true << true << true << "SQTP File" << true;
        QTest::newRow("disabled") << false << true << false << "Disabled" << true;
    }
    void FollowsTheMode()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, automatic);
        QFETCH(bool, sqtp);
        QFETCH(QString, status);
        QFETCH(bool, readOnly);
        Fixture f(automatic, sqtp);
        f.ctx.Options().SetValue(OptionIndex::SerialNumbering, enabled);
        f.engine.Serial().RefreshNumbers();
        QCOMPARE(f.page->StatusLabel(1)->text(), status);
        QCOMPARE(f.page->HexField(0)->isReadOnly(), readOnly);
        QCOMPARE(f.page->HexField(SerialNumberPage::TopRow)->isReadOnly(), readOnly);
        const QColor top = f.page->HexField(SerialNumberPage::TopRow)->palette().color(QPalette::Base);
        QCOMPARE(top == QColor(170, 187, 204), automatic && enabled);
        // Rows are shown for the sockets in use only; four hexadecimal digits for length 2.
        QVERIFY(f.page->SocketRow(2)->isVisible());
        QVERIFY(!f.page->SocketRow(3)->isVisible());
        QCOMPARE(f.page->HexField(0)->maxLength(), 4);
        QCOMPARE(f.page->DecimalField(0)->maxLength(), 5);
    }

    void ManualNumbersAreTyped()
    {
        Fixture f(false);
        QTest::keyClicks(f.page->HexField(1), QStringLiteral("1a2"));
        QCOMPARE(f.ctx.SerialSettings().lastSocketNumbers[1], qint64(0x1A2));
        QCOMPARE(f.page->DecimalField(1)->text(), QStringLiteral("418"));
        // A number above the length's largest is brought down to it.
        f.page->DecimalField(2)->setFocus();
        QTest::keyClicks(f.page->DecimalField(2), QStringLiteral("70000"));
        QCOMPARE(f.ctx.SerialSettings().lastSocketNumbers[2], qint64(0xFFFF));
        QCOMPARE(f.page->HexField(2)->text(), QStringLiteral("FFFF"));
    }

    void TopFieldTakesHexKeysOnly()
    {
        Fixture f(false);
        QLineEdit* top = f.page->HexField(SerialNumberPage::TopRow);
        top->setFocus();
        top->clear();
        QTest::keyClicks(top, QStringLiteral("ag"));
        QCOMPARE(top->text(), QStringLiteral("A"));
        QCOMPARE(f.op.Captions(), QStringList{QStringLiteral("Invalid Input")});
        QCOMPARE(f.op.Texts(), QStringList{QStringLiteral("Field Requires a HEX Value")});
        QCOMPARE(f.ctx.SerialSettings().currentNumber, qint64(0xA));
    }

    void AutoIncrementAsksBeforeReplacingTheCounter_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("current");
        QTest::newRow("Yes saves the shown number") << int(YesButton) << "42" << qint64(0x42);
        QTest::newRow("No takes the stored one") << int(NoButtonAnswer) << "7" << qint64(7);
    }
    void AutoIncrementAsksBeforeReplacingTheCounter()
    {
        QFETCH(int, answer);
        QFETCH(QString, stored);
        QFETCH(qint64, current);
        Fixture f(false);
        QVERIFY(SettingsStore::WriteValue(f.ctx, "SERIALNUM", "last_hex", "7"));
        f.ctx.SerialSettings().currentNumber = 0x42;
        f.engine.Serial().RefreshNumbers();
        f.op.QueueAnswer(BoxButton(answer));
        f.page->AutoIncrementBox()->click();
        QCOMPARE(f.op.Captions(), QStringList{QStringLiteral("Saving New Auto Increment Serial number")});
        QVERIFY(f.op.Texts().first().contains(QStringLiteral("save this number: 42 [HEX]")));
        QCOMPARE(SettingsStore::ReadValue(f.ctx, "SERIALNUM", "last_hex", {}), stored);
        QCOMPARE(f.ctx.SerialSettings().currentNumber, current);
        QVERIFY(f.ctx.Options().IsSet(OptionIndex::AutoIncrement));
        QVERIFY(f.ctx.Flags().SettingsDirty);
    }
};

QTEST_MAIN(TestSerialNumbersPage)
#include "TestSerialNumbersPage.moc"
