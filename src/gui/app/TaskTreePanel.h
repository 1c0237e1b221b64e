#pragma once

#include "gui/engine/TaskTreeWidget.h"

#include <QWidget>

class AppContext;
class QLabel;

// The left side of the work area: the "Programming Tasks:" heading over the task tree. The tree
// is empty until it is attached to a context whose device template fills it.
class TaskTreePanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int InitialWidth = 166;

    explicit TaskTreePanel(QWidget* parent = nullptr);
    // The tree follows ctx's task rows from now on (the context must outlive the panel).
    void Attach(AppContext& ctx);

    TaskTreeWidget* Tree() const { return m_tree; }

private:
    QLabel* m_heading;
    TaskTreeWidget* m_tree;
};
