#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

// The left side of the work area: the "Programming Tasks:" heading over the task tree. The tree
// is empty until a device's template fills it.
class TaskTreePanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int InitialWidth = 166;

    explicit TaskTreePanel(QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_tree; }

private:
    QLabel* m_heading;
    QTreeWidget* m_tree;
};
