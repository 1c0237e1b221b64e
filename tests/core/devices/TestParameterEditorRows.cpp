// The parameter editor's row arithmetic: where a new row goes, and which child counts follow an
// insertion or a deletion with its subtree.
#include "core/devices/ParameterEditor.h"

#include <QtTest>

namespace {
// Rows as "code,level,children" (enabled and steps left out: the arithmetic ignores them).
QStringList Rows(std::initializer_list<const char*> rows)
{
    QStringList list;
    for (const char* r : rows)
        list << QString::fromLatin1(r);
    return list;
}
} // namespace

class TestParameterEditorRows : public QObject
{
    Q_OBJECT
private slots:
    void Edits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("selectedAfter");
        // A cycle (0) holding a group (12) of two tasks, then a single task (7).
        const QStringList tree = Rows({"0,0,4", "12,1,2", "13,2,0", "14,2,0", "7,1,0"});
        QTest::newRow("same level after the children, parent counts one more")
            << "same" << 1 << tree << Rows({"0,0,5", "12,1,2", "13,2,0", "14,2,0", "99,1,0", "7,1,0"}) << 4;
        QTest::newRow("same level at the top changes no count")
            << "same" << 0 << tree << Rows({"0,0,4", "12,1,2", "13,2,0", "14,2,0", "7,1,0", "99,0,0"}) << 5;
        QTest::newRow("next level below a grandchild counts on every ancestor")
            << "next" << 2 << tree << Rows({"0,0,5", "12,1,3", "13,2,1", "99,3,0", "14,2,0", "7,1,0"}) << 3;
        QTest::newRow("delete a group with its children") << "delete" << 1 << tree << Rows({"0,0,1", "7,1,0"}) << 0;
        QTest::newRow("delete a leaf") << "delete" << 3 << tree << Rows({"0,0,3", "12,1,1", "13,2,0", "7,1,0"}) << 2;
        QTest::newRow("delete the top row takes everything") << "delete" << 0 << tree << QStringList() << 0;
        // A child count that runs past the end removes only the rows there are.
        QTest::newRow("child count past the end") << "delete" << 0 << Rows({"12,1,9", "13,2,0"}) << QStringList() << 0;
        QTest::newRow("first row of an empty list") << "same" << 0 << QStringList() << Rows({"99,1,0"}) << 0;
    }
    void Edits()
    {
        QFETCH(QString, edit);
        QFETCH(int, selected);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(int, selectedAfter);
        QStringList rows = before;
        int result = -1;
        const QString added = QStringLiteral("99,1,0");
        if (edit == QLatin1String("same"))
            result = ParameterEditor::InsertSameLevel(rows, selected, added);
        else if (edit == QLatin1String("next"))
            result = ParameterEditor::InsertNextLevel(rows, selected, added);
        else
            result = ParameterEditor::DeleteWithChildren(rows, selected);
        QCOMPARE(rows, after);
        QCOMPARE(result, selectedAfter);
    }

    void NewRowText()
    {
        QCOMPARE(ParameterEditor::NewRowText(12, 1, true, {13, 14, 16}), QStringLiteral("12,1,0,1,3,13,14,16"));
        QCOMPARE(ParameterEditor::NewRowText(7, 0, false, {}), QStringLiteral("7,0,0,0,0"));
        QCOMPARE(ParameterEditor::Value(QStringLiteral("12,x"), 1), 0);
        QCOMPARE(ParameterEditor::Value(QStringLiteral("12"), 4), 0);
    }
};

QTEST_GUILESS_MAIN(TestParameterEditorRows)
#include "TestParameterEditorRows.moc"
