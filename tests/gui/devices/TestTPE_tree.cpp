// The MCU parameter editor reached through the device selection with Shift and Ctrl: the main
// window's tree follows an edit at once, "Abort" leaves the template file as it was, "OK" writes
// the section (and the selection that follows loads it), EXIT is refused while the editor is up,
// and closing the main window closes the editor without writing.
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/app/AppShell.h"
#include "core/commands/SelectDeviceCommand.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceChooser.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/model/TemplateTables.h"
#include "core/util/IniFile.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/devices/TPE_tree.h"
#include "gui/engine/TaskTreeWidget.h"
#include "gui/options/MainWindowOptionCommands.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString Template = QStringLiteral("PX2800.PXT");
const QString Section = QStringLiteral("TP16F87XA");

struct Chooser : DeviceChooser {
    int index = 0;
    int shown = 0;
    int ChooseDevice(AppContext&) override { return ++shown, index; }
    bool ConfirmParameterEditing(AppContext&) override { return true; }
};

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Click(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    QVERIFY(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}
} // namespace

class TestTPE_tree : public QObject
{
    Q_OBJECT
private slots:
    // ending: "abort", "ok" or "close" (the main window closes while the editor is open).
    void EditThenEnd_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Abort leaves the file") << "abort";
        QTest::newRow("OK writes the section") << "ok";
        QTest::newRow("closing the main window aborts") << "close";
    }
    void EditThenEnd()
    {
        QFETCH(QString, ending);
        QTemporaryDir dir;
        for (const QString& name : QDir(TestPaths::ShippedData()).entryList(QDir::Files))
            QVERIFY(QFile::copy(TestPaths::ShippedData() + name, dir.filePath(name)));
        const QString path = dir.filePath(Template);
        const QByteArray before = Bytes(path);
        ScriptedOperator op;
        AppContext ctx(op, dir.path() + u'/');
        AppShell shell(ctx);
        TPXmain window(ctx);
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, QStringLiteral("16F877A"));
        LoadDeviceProfile(ctx);
        auto* commands = new MainWindowOptionCommands(window, ctx, shell);
        window.show();
        TPE_tree* editor = commands->ParameterEditorWindow();
        TaskTreeWidget* tree = window.TaskPanel()->Tree();
        const TemplateTables& t = ctx.Templates();
        const int rows = int(t.taskLines.size());
        const int nodes = t.nodeCount;
        Chooser chooser;
        chooser.index = ctx.Devices().SelectedIndex();

        bool checked = false;
        editor->SetOpenedHook([&](TPE_tree& e) {
            QVERIFY(e.isVisible());
            QCOMPARE(e.windowTitle(), QStringLiteral("Parameter Editor - Tree Structure"));
            QCOMPARE(e.RawRowList()->count(), rows);
            // Row 3, the program group with three children: node names are its steps.
            Click(e.RawRowList(), 3);
            QCOMPARE(tree->currentItem(), tree->ItemOfRow(3));
            QCOMPARE(e.ChildCountValue()->text(), QStringLiteral("3"));
            QCOMPARE(e.AvailablePlates()->count(), e.NodeNameList()->count());
            QCOMPARE(e.PlateList()->count(), 3);
            // Row 4, a task: its steps are operation slots.
            Click(e.RawRowList(), 4);
            QCOMPARE(e.AvailablePlates()->item(0)->text(), QStringLiteral("Erase Device"));
            Click(e.RawRowList(), 3);
            e.NodeNameList()->setCurrentIndex(1);
            e.SameLevelButton()->click();
            QTimer::singleShot(0, &e, [&] {
                // Re-parsed: the tree holds the new row after the group's children, and the Auto
                // Run row above counts one child more.
                QCOMPARE(e.RawRowList()->count(), rows + 1);
                QCOMPARE(e.RawRowList()->item(7)->text(), QStringLiteral("1,1,0,1,3,13,14,16"));
                QCOMPARE(e.RawRowList()->item(0)->text().section(u',', 2, 2), QStringLiteral("17"));
                QCOMPARE(t.nodeCount, nodes + 1);
                QCOMPARE(tree->ItemOfRow(7)->parent(), tree->ItemOfRow(0));
                // EXIT does nothing while the editor is open.
                window.ActExit()->trigger();
                QVERIFY(window.isVisible());
                checked = true;
                if (ending == QLatin1String("ok"))
                    e.OkButton()->click();
                else if (ending == QLatin1String("abort"))
                    e.AbortButton()->click();
                else
                    window.close();
            });
        });

        SelectDeviceCommand(ctx, chooser, true);

        QVERIFY(checked);
        QVERIFY(!editor->isVisible());
        QVERIFY(!t.parameterEditorOpen);
        if (ending == QLatin1String("ok")) {
            const IniFile ini(path);
            QCOMPARE(ini.ReadSectionLines(Section).size(), rows + 1);
            QCOMPARE(ini.ReadString(Section, QStringLiteral("7"), QString()), QStringLiteral("1,1,0,1,3,13,14,16"));
            QCOMPARE(ini.ReadSectionLines(QStringLiteral("P16F87XA")),
                     IniFile(TestPaths::ShippedData() + Template).ReadSectionLines(QStringLiteral("P16F87XA")));
            // The selection that follows loads the written rows.
            QCOMPARE(t.nodeCount, nodes + 1);
            QCOMPARE(chooser.shown, 2);
        } else {
            QCOMPARE(Bytes(path), before);
            QCOMPARE(chooser.shown, ending == QLatin1String("close") ? 1 : 2);
            if (ending == QLatin1String("abort"))
                QCOMPARE(t.nodeCount, nodes);
        }
        QCOMPARE(window.isVisible(), ending != QLatin1String("close"));
    }
};

QTEST_MAIN(TestTPE_tree)
#include "TestTPE_tree.moc"
