#include "TaskTreePanel.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

TaskTreePanel::TaskTreePanel(QWidget* parent)
    : QWidget(parent), m_heading(new QLabel(QStringLiteral("Programming Tasks:"), this)), m_tree(new QTreeWidget(this))
{
    m_heading->setContentsMargins(2, 1, 2, 1);
    m_tree->setObjectName(QStringLiteral("TaskTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_heading);
    layout->addWidget(m_tree, 1);
}
