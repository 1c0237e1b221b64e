#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/engine/TaskTreeControl.h"
#include "core/options/OptionRefresh.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/McuSectionMenuView.h"
#include "gui/engine/TaskTreeWidget.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

// The shipped table with one device loaded and the panel attached to it.
struct Fixture {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};
    TaskTreePanel panel;

    explicit Fixture(const QString& device = QStringLiteral("16F877A"))
    {
        panel.Attach(ctx);
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, device);
        LoadDeviceProfile(ctx);
        ctx.Flags().ProgramReady = true;
        // Verify, and programming of code, EE data, ID and configuration words, on.
        for (int index : {18, 32, 33, 34, 36})
            ctx.Options().SetValue(index, true);
        OptionsChanged(ctx);
        panel.resize(240, 600);
        panel.show();
    }
    TaskTreeWidget* Tree() { return panel.Tree(); }
    TemplateTables& T() { return ctx.Templates(); }
    QStringList Children(QTreeWidgetItem* item)
    {
        QStringList names;
        for (int i = 0; i < item->childCount(); ++i)
            names << item->child(i)->text(0);
        return names;
    }
    // The label of row's node, where a click counts as on the node.
    QPoint LabelOf(int row)
    {
        QTreeWidgetItem* item = Tree()->ItemOfRow(row);
        Tree()->scrollToItem(item);
        const QRect r = Tree()->visualItemRect(item);
        return QPoint(r.left() + Tree()->iconSize().width() + 12, r.center().y());
    }
    void ClickRow(int row)
    {
        QTest::mouseMove(Tree()->viewport(), LabelOf(row));
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, LabelOf(row));
    }
};

} // namespace

class TestTaskTree : public QObject
{
    Q_OBJECT
private slots:
    void ShowsThe16F877ACyclesAndTheirTasks()
    {
        Fixture f;
        QVERIFY(f.op.boxes.isEmpty());
        TaskTreeWidget* tree = f.Tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Auto Run"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Blank Check"));
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("Read"));
        QTreeWidgetItem* autoRun = tree->topLevelItem(0);
        QVERIFY(autoRun->isExpanded());
        QCOMPARE(f.Children(autoRun), (QStringList{"Erase", "Program", "Verify", "Serialize", "Config Word"}));
        QCOMPARE(f.Children(autoRun->child(1)), (QStringList{"Code", "EE Data", "ID"}));
        QCOMPARE(f.Children(autoRun->child(2)), (QStringList{"Code", "EE Data", "ID"}));
        QCOMPARE(f.Children(tree->topLevelItem(1)), (QStringList{"Code", "EE Data", "ID", "Config"}));
        QCOMPARE(f.Children(tree->topLevelItem(2)), (QStringList{"Code", "EE Data", "ID", "Config"}));
        QCOMPARE(tree->indentation(), 19);
        QVERIFY(tree->editTriggers() == QAbstractItemView::NoEditTriggers);
    }

    void PictureIndicesFollowStateAndExpansion()
    {
        Fixture f;
        TemplateTables& t = f.T();
        const int program = t.RowIndexOfCode(12);
        QCOMPARE(t.ImageIndex(0), 1); // the first node was expanded by the build
        QCOMPARE(t.ImageIndex(program), 0);
        f.Tree()->ItemOfRow(program)->setExpanded(true);
        QCOMPARE(t.ImageIndex(program), 1);
        QCOMPARE(t.SelectedImageIndex(program), 1);
        f.Tree()->ItemOfRow(program)->setExpanded(false);
        QCOMPARE(t.ImageIndex(program), 0);

        const int code = t.RowIndexOfCode(13);
        t.rows[size_t(code)].nodeState = TaskRow::Passed;
        QCOMPARE(t.ImageIndex(code), 16);
        QCOMPARE(t.SelectedImageIndex(code), 17);
        // 18 pictures of 16 x 16; collapsed and expanded groups, ready and passed tasks differ.
        const TaskNodePictures& pictures = f.Tree()->Pictures();
        for (int i = 0; i < TaskNodePictures::Count; ++i)
            QCOMPARE(pictures.Picture(i).size(), QSize(16, 16));
        QCOMPARE(pictures.Picture(0).toImage() == pictures.Picture(1).toImage(), false);
        QCOMPARE(pictures.Picture(10).toImage() == pictures.Picture(16).toImage(), false);
    }

    void OnlyTheProgramMovesTheSelection()
    {
        Fixture f;
        TaskTreeWidget* tree = f.Tree();
        const int verify = f.T().RowIndexOfCode(18);
        tree->setCurrentItem(tree->ItemOfRow(verify));
        QVERIFY(tree->selectedItems().isEmpty());
        QTest::keyClick(tree, Qt::Key_Down);
        QVERIFY(tree->selectedItems().isEmpty());

        f.T().treeSelectAllowed = true;
        tree->SelectRow(verify);
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->ItemOfRow(verify)});
        f.T().treeSelectAllowed = false;
        tree->SelectRow(verify + 1);
        QCOMPARE(f.T().selectedRow, verify);
    }

    void PopupEnabledItem()
    {
        Fixture f;
        TaskTreeWidget* tree = f.Tree();
        TemplateTables& t = f.T();
        const auto popupOn = [&](int row) {
            tree->scrollToItem(tree->ItemOfRow(row));
            tree->PreparePopupAt(tree->visualItemRect(tree->ItemOfRow(row)).center());
            return tree->EnabledAction();
        };
        // Auto Run and the program cycle cannot be switched.
        QVERIFY(!popupOn(0)->isEnabled());
        QCOMPARE(popupOn(t.RowIndexOfCode(12))->text(), QStringLiteral("Program  [Enabled]"));
        QVERIFY(!tree->EnabledAction()->isEnabled());
        QVERIFY(!t.treeSelectAllowed);

        // The verify cycle switches the VERIFY option and every row that follows it.
        const int verify = t.RowIndexOfCode(18);
        const bool verifyOn = f.ctx.Options().IsSet(18);
        QAction* item = popupOn(verify);
        QVERIFY(item->isEnabled());
        QCOMPARE(item->text(), QStringLiteral("Verify  [%1]").arg(verifyOn ? "Enabled" : "Disabled"));
        item->trigger();
        QCOMPARE(f.ctx.Options().IsSet(18), !verifyOn);
        QCOMPARE(t.rows[size_t(verify)].run, quint8(verifyOn ? 0 : 1));
        QCOMPARE(t.rows[size_t(t.RowIndexOfCode(19))].run, quint8(verifyOn ? 0 : 1));

        // An ordinary task switches only its own row.
        const int id = t.RowIndexOfCode(16);
        const bool optionsBefore = f.ctx.Options().IsSet(34);
        item = popupOn(id);
        QCOMPARE(item->text(), QStringLiteral("ID  [Enabled]"));
        item->trigger();
        QCOMPARE(int(t.rows[size_t(id)].run), 0);
        QCOMPARE(t.rows[size_t(id)].nodeState, int(TaskRow::SwitchedOff));
        QCOMPARE(f.ctx.Options().IsSet(34), optionsBefore);
        QCOMPARE(popupOn(id)->text(), QStringLiteral("ID  [Disabled]"));
        tree->EnabledAction()->trigger();
        QCOMPARE(int(t.rows[size_t(id)].run), 1);

        // Locked option editing disables the item everywhere.
        f.ctx.Options().SetOptionsHidden(true);
        QVERIFY(!popupOn(verify)->isEnabled());
    }

    void ClicksRefuseSwitchedOffAndMissingTasks()
    {
        Fixture f;
        TemplateTables& t = f.T();
        QSignalSpy runs(f.Tree(), &TaskTreeWidget::RunRequested);
        const int code = t.RowIndexOfCode(13);
        t.SwitchOff(code);
        f.ClickRow(code);
        QCOMPARE(f.op.Captions(), QStringList{"Task Disabled"});
        QCOMPARE(runs.size(), 0);

        t.Disable(code);
        f.op.Clear();
        f.ClickRow(code);
        QCOMPARE(f.op.Captions(), QStringList{"Task Not Available"});
        QCOMPARE(f.op.Texts()[0], QStringLiteral("This Task is not available for the selected MCU."));

        f.op.Clear();
        const int id = t.RowIndexOfCode(16);
        f.ClickRow(id);
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0][0].toInt(), id);

        // A click on the icon is off the node.
        QTreeWidgetItem* item = f.Tree()->ItemOfRow(id);
        const QRect r = f.Tree()->visualItemRect(item);
        const QPoint icon(r.left() + 4, r.center().y());
        QTest::mouseMove(f.Tree()->viewport(), icon);
        QTest::mouseClick(f.Tree()->viewport(), Qt::LeftButton, {}, icon);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(t.hoverRow, 255);

        // While a cycle runs a click does nothing at all, not even the refusal boxes; with
        // option editing locked an available task runs nothing.
        bool running = true;
        f.Tree()->SetCycleRunningCheck([&running] { return running; });
        f.ClickRow(code);
        f.ClickRow(id);
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(runs.size(), 1);
        running = false;
        f.ctx.Options().SetOptionsHidden(true);
        f.ClickRow(id);
        QCOMPARE(runs.size(), 1);
        QVERIFY(f.op.boxes.isEmpty());
    }

    void McuSectionMenuFollowsTheRows()
    {
        Fixture f;
        QMenu menu;
        QList<int> chosen;
        FillMcuSectionMenu(&menu, f.T().menu, [&](int code) { chosen << code; });
        QStringList top;
        for (QAction* a : menu.actions())
            top << a->text();
        QCOMPARE(top, (QStringList{"Erase", "Program", "Verify", "Blank Check", "Read"}));
        QMenu* program = menu.actions()[1]->menu();
        QVERIFY(program);
        QStringList captions;
        QList<int> codes;
        for (QAction* a : program->actions()) {
            captions << a->text();
            codes << a->data().toInt();
        }
        QCOMPARE(captions, (QStringList{"Code", "EE Data", "ID", "Config"}));
        QCOMPARE(codes, (QList<int>{13, 14, 16, 17}));
        program->actions()[3]->trigger();
        QCOMPARE(chosen, QList<int>{17});
        QMenu* verify = menu.actions()[2]->menu();
        QCOMPARE(verify->actions().last()->data().toInt(), 23);
    }
};

QTEST_MAIN(TestTaskTree)
#include "TestTaskTree.moc"
