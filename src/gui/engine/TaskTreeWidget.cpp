#include "gui/engine/TaskTreeWidget.h"

#include "core/context/AppContext.h"
#include "core/engine/TaskTreeControl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>

namespace {
constexpr int RowRole = Qt::UserRole + 1;
}

TaskTreeWidget::TaskTreeWidget(QWidget* parent)
    : QTreeWidget(parent), m_popup(new QMenu(this)), m_enabledAction(m_popup->addAction(QStringLiteral("Enabled")))
{
    setObjectName(QStringLiteral("TaskTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(Indent);
    setIconSize(QSize(TaskNodePictures::Size, TaskNodePictures::Size));
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setExpandsOnDoubleClick(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    m_popup->addSeparator();
    m_popup->addAction(QStringLiteral("&Close Menu"));
    connect(m_enabledAction, &QAction::triggered, this, [this] {
        if (m_control)
            m_control->ChooseEnabled();
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { OnExpandedChanged(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { OnExpandedChanged(item, false); });
}

TaskTreeWidget::~TaskTreeWidget() = default;

void TaskTreeWidget::Attach(AppContext& ctx)
{
    m_ctx = &ctx;
    m_control = std::make_unique<TaskTreeControl>(ctx);
    QPointer<TaskTreeWidget> self(this);
    ctx.Templates().OnRebuilt([self] {
        if (self)
            self->Rebuild();
    });
    ctx.Templates().OnStatesChanged([self] {
        if (self)
            self->RefreshPictures();
    });
    Rebuild();
}

void TaskTreeWidget::Rebuild()
{
    if (!m_ctx)
        return;
    const TemplateTables& t = m_ctx->Templates();
    m_building = true;
    setUpdatesEnabled(false);
    clear();
    m_items.assign(size_t(t.nodeCount), nullptr);
    for (int row = 0; row < t.nodeCount; ++row) {
        const int parent = t.parentRow[size_t(row)];
        QTreeWidgetItem* item = parent >= 0 && m_items[size_t(parent)] ? new QTreeWidgetItem(m_items[size_t(parent)])
                                                                       : new QTreeWidgetItem(this);
        item->setText(0, t.rows[size_t(row)].name);
        item->setData(0, RowRole, row);
        m_items[size_t(row)] = item;
    }
    m_building = false;
    if (!m_items.empty())
        m_items.front()->setExpanded(true);
    RefreshPictures();
    setUpdatesEnabled(true);
}

void TaskTreeWidget::RefreshPictures()
{
    if (!m_ctx)
        return;
    const TemplateTables& t = m_ctx->Templates();
    for (size_t row = 0; row < m_items.size(); ++row) {
        QIcon icon;
        icon.addPixmap(m_pictures.Picture(t.ImageIndex(int(row))), QIcon::Normal);
        icon.addPixmap(m_pictures.Picture(t.SelectedImageIndex(int(row))), QIcon::Selected);
        m_items[row]->setIcon(0, icon);
    }
    viewport()->update();
}

QTreeWidgetItem* TaskTreeWidget::ItemOfRow(int row) const
{
    return row >= 0 && size_t(row) < m_items.size() ? m_items[size_t(row)] : nullptr;
}

void TaskTreeWidget::SelectRow(int row)
{
    if (!m_ctx)
        return;
    TemplateTables& t = m_ctx->Templates();
    if (row < 0) {
        t.selectedRow = -1;
        clearSelection();
        return;
    }
    if (!m_control->SelectionMayChange(row))
        return;
    t.selectedRow = row;
    setCurrentItem(ItemOfRow(row));
}

QItemSelectionModel::SelectionFlags TaskTreeWidget::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const
{
    if (!m_ctx || !index.isValid())
        return QItemSelectionModel::NoUpdate;
    const int row = index.data(RowRole).toInt();
    // Only the program moves the selection, and only to the row it has chosen.
    if (row != m_ctx->Templates().selectedRow)
        return QItemSelectionModel::NoUpdate;
    return QTreeWidget::selectionCommand(index, event);
}

int TaskTreeWidget::RowAt(const QPoint& pos) const
{
    QTreeWidgetItem* item = itemAt(pos);
    if (!item)
        return -1;
    // The icon and everything left of it (indent, expand button) count as off the node.
    const QRect rect = visualItemRect(item);
    if (pos.x() < rect.left() + iconSize().width() + 2)
        return -1;
    return item->data(0, RowRole).toInt();
}

void TaskTreeWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_control)
        m_control->MouseOver(RowAt(event->position().toPoint()));
    QTreeWidget::mouseMoveEvent(event);
}

void TaskTreeWidget::leaveEvent(QEvent* event)
{
    if (m_control)
        m_control->MouseOver(-1);
    QTreeWidget::leaveEvent(event);
}

void TaskTreeWidget::mousePressEvent(QMouseEvent* event)
{
    // The expand buttons still work; a press on a node neither selects nor starts a drag.
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && event->button() == Qt::LeftButton && RowAt(event->position().toPoint()) < 0 &&
        event->position().x() < visualItemRect(item).left()) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void TaskTreeWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_control) {
        event->accept();
        return;
    }
    m_control->MouseOver(RowAt(event->position().toPoint()));
    if (m_cycleRunning && m_cycleRunning()) {
        event->accept();
        return;
    }
    const int row = m_control->Click();
    if (row >= 0) {
        if (m_ctx->Templates().selectedRow == row)
            setCurrentItem(ItemOfRow(row));
        emit RunRequested(row);
    }
    event->accept();
}

void TaskTreeWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void TaskTreeWidget::keyPressEvent(QKeyEvent* event)
{
    // The keyboard cannot move the selection; expansion keys still act on the current node.
    QTreeWidget::keyPressEvent(event);
    if (m_ctx) {
        const int selected = m_ctx->Templates().selectedRow;
        QTreeWidgetItem* item = ItemOfRow(selected);
        if (item && currentItem() != item)
            setCurrentItem(item);
    }
}

QMenu* TaskTreeWidget::PreparePopupAt(const QPoint& pos)
{
    if (!m_control)
        return m_popup;
    const int row = itemAt(pos) ? itemAt(pos)->data(0, RowRole).toInt() : -1;
    if (row >= 0) {
        // A right click selects the node it is on.
        m_ctx->Templates().treeSelectAllowed = true;
        SelectRow(row);
    }
    const TaskPopupItem& item = m_control->PreparePopup();
    m_enabledAction->setText(item.caption);
    m_enabledAction->setEnabled(item.enabled);
    return m_popup;
}

void TaskTreeWidget::contextMenuEvent(QContextMenuEvent* event)
{
    PreparePopupAt(event->pos())->exec(event->globalPos());
}

void TaskTreeWidget::OnExpandedChanged(QTreeWidgetItem* item, bool expanded)
{
    if (!m_ctx || m_building)
        return;
    const int row = item->data(0, RowRole).toInt();
    m_ctx->Templates().SetExpanded(row, expanded);
    RefreshPictures();
}
