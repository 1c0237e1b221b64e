#include "gui/app/TaskTreePanel.h"

#include "gui/engine/TaskTreeWidget.h"

#include <QLabel>
#include <QVBoxLayout>

TaskTreePanel::TaskTreePanel(QWidget* parent)
    : QWidget(parent), m_heading(new QLabel(QStringLiteral("Programming Tasks:"), this)),
      m_tree(new TaskTreeWidget(this))
{
    m_heading->setContentsMargins(2, 1, 2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_heading);
    layout->addWidget(m_tree, 1);
}

void TaskTreePanel::Attach(AppContext& ctx)
{
    m_tree->Attach(ctx);
}
