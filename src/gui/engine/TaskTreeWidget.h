#pragma once

#include "gui/engine/TaskNodePictures.h"

#include <QTreeWidget>
#include <functional>
#include <memory>

class AppContext;
class QMenu;
class QAction;
class TaskTreeControl;

// The task tree under "Programming Tasks:": one node per row of the device's template, in row
// order, pictured by node state. The selection belongs to the program (it moves only while the
// core allows it); the operator's mouse only hovers, clicks and opens the pop-up menu.
class TaskTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    static constexpr int Indent = 19;

    explicit TaskTreeWidget(QWidget* parent = nullptr);
    ~TaskTreeWidget() override;

    // Follows the context's template tables from now on; the context must outlive the widget.
    void Attach(AppContext& ctx);
    TaskTreeControl* Control() const { return m_control.get(); }

    // Rebuilds the nodes from the rows (first node expanded) and repaints the pictures.
    void Rebuild();
    void RefreshPictures();
    // The node of row, or nullptr.
    QTreeWidgetItem* ItemOfRow(int row) const;
    // Selects row's node if the core allows it now (-1: no selection).
    void SelectRow(int row);

    QMenu* PopupMenu() const { return m_popup; }
    QAction* EnabledAction() const { return m_enabledAction; }
    // Prepares the pop-up for the node at pos (selecting it) as a right click does; returns it.
    QMenu* PreparePopupAt(const QPoint& pos);

    const TaskNodePictures& Pictures() const { return m_pictures; }

    // Tells whether a cycle runs now; a click then does nothing at all.
    void SetCycleRunningCheck(std::function<bool()> check) { m_cycleRunning = std::move(check); }

signals:
    // A click on a node that may run: the program runs the row's task or cycle.
    void RunRequested(int row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int RowAt(const QPoint& pos) const; // row whose label is at pos, or -1
    void OnExpandedChanged(QTreeWidgetItem* item, bool expanded);

    AppContext* m_ctx = nullptr;
    std::unique_ptr<TaskTreeControl> m_control;
    TaskNodePictures m_pictures;
    std::vector<QTreeWidgetItem*> m_items;
    QMenu* m_popup;
    QAction* m_enabledAction;
    bool m_building = false;
    std::function<bool()> m_cycleRunning;
};
