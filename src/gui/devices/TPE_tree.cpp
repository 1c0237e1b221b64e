#include "gui/devices/TPE_tree.h"

#include "core/context/AppContext.h"
#include "core/context/OperatorInterface.h"
#include "core/model/TemplateTables.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TPE_tree::TPE_tree(AppContext& context, std::function<void(int)> selectTreeRow, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_context(context),
      m_selectTreeRow(std::move(selectTreeRow)), m_rows(new QListWidget(this)),
      m_sameLevel(new QPushButton(QStringLiteral("Same Level"), this)),
      m_nextLevel(new QPushButton(QStringLiteral("Next Level"), this)),
      m_modify(new QPushButton(QStringLiteral("Modify"), this)), m_nodeNames(new QComboBox(this)),
      m_level(new QLabel(this)), m_childCount(new QLabel(this)),
      m_enabled(new QCheckBox(QStringLiteral("   Enabled  "), this)), m_plateCount(new QLabel(this)),
      m_plates(new QListWidget(this)), m_available(new QListWidget(this)), m_selectedRow(new QLabel(this)),
      m_abort(new QPushButton(QStringLiteral("Abort"), this)),
      m_refresh(new QPushButton(QStringLiteral("&Refresh"), this)), m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("TPE_tree"));
    setWindowTitle(QStringLiteral("Parameter Editor - Tree Structure"));
    m_rows->setObjectName(QStringLiteral("LB_RawRows"));
    m_rows->setMinimumWidth(260);
    m_sameLevel->setToolTip(QStringLiteral("Add New Node at the same level as selected item"));
    m_nextLevel->setToolTip(QStringLiteral("Add New Child to the selected item"));
    m_nodeNames->setObjectName(QStringLiteral("CB_NodeName"));
    m_nodeNames->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_nodeNames->setMinimumContentsLength(28);
    m_plates->setObjectName(QStringLiteral("LB_PlateList"));
    m_available->setObjectName(QStringLiteral("LB_AvailablePlates"));
    for (QListWidget* list : {m_plates, m_available})
        list->setMinimumHeight(120);
    m_selectedRow->setObjectName(QStringLiteral("LAB_SelectedRow"));

    auto* add = new QHBoxLayout;
    add->addWidget(m_sameLevel);
    add->addWidget(m_nextLevel);
    add->addWidget(m_modify);

    auto* node = new QGroupBox(QStringLiteral("    Node Information"), this);
    auto* fields = new QFormLayout;
    fields->addRow(m_nodeNames);
    fields->addRow(QStringLiteral("    Level"), m_level);
    fields->addRow(QStringLiteral("    Child Count"), m_childCount);
    fields->addRow(m_enabled);
    fields->addRow(QStringLiteral("    Plate Count"), m_plateCount);
    auto* steps = new QHBoxLayout;
    auto* plateColumn = new QVBoxLayout;
    plateColumn->addWidget(new QLabel(QStringLiteral("Plate List"), node));
    plateColumn->addWidget(m_plates);
    auto* availableColumn = new QVBoxLayout;
    availableColumn->addWidget(new QLabel(QStringLiteral("Available Plates"), node));
    availableColumn->addWidget(m_available);
    steps->addLayout(plateColumn);
    steps->addLayout(availableColumn);
    auto* nodeLayout = new QVBoxLayout(node);
    nodeLayout->addLayout(fields);
    nodeLayout->addLayout(steps);

    auto* right = new QVBoxLayout;
    right->addLayout(add);
    right->addWidget(node, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(m_rows, 1);
    top->addLayout(right, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_selectedRow, 1);
    bottom->addWidget(m_abort);
    bottom->addWidget(m_refresh);
    bottom->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(900, 460);

    connect(m_rows, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (m_editor)
            ShowRow(m_rows->row(item));
    });
    connect(m_rows, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (m_editor)
            m_editor->Delete(m_rows->row(item));
    });
    connect(m_plates, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { RemoveStep(m_plates->row(item)); });
    connect(m_available, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { AddStep(m_available->row(item)); });
    connect(m_sameLevel, &QPushButton::clicked, this, [this] {
        if (m_editor)
            m_editor->AddSameLevel(m_nodeNames->currentIndex(), m_enabled->isChecked(), ChosenSteps());
    });
    connect(m_nextLevel, &QPushButton::clicked, this, [this] {
        if (m_editor)
            m_editor->AddNextLevel(m_nodeNames->currentIndex(), m_enabled->isChecked(), ChosenSteps());
    });
    connect(m_modify, &QPushButton::clicked, this, [this] {
        if (m_editor)
            m_editor->Modify(m_nodeNames->currentIndex(), m_enabled->isChecked(), ChosenSteps());
    });
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        if (m_editor)
            m_editor->RequestRefresh();
    });
    connect(m_abort, &QPushButton::clicked, this, [this] {
        if (m_editor)
            m_editor->Abort();
    });
    connect(m_ok, &QPushButton::clicked, this, &TPE_tree::OkPressed);
}

TPE_tree::~TPE_tree() = default;

void TPE_tree::Open(ParameterEditor& editor)
{
    m_editor = &editor;
    m_nodeNames->clear();
    m_nodeNames->addItems(editor.NodeNames());
    show();
    raise();
    activateWindow();
    if (m_openedHook)
        QTimer::singleShot(0, this, [this] {
            if (m_editor && m_openedHook)
                m_openedHook(*this);
        });
}

void TPE_tree::Refresh()
{
    if (!m_editor)
        return;
    m_rows->clear();
    m_rows->addItems(m_editor->RawRows());
    ShowRow(m_editor->Selected());
}

void TPE_tree::Closed()
{
    m_editor = nullptr;
    hide();
}

void TPE_tree::AbortEditing()
{
    if (m_editor)
        m_editor->Abort();
}

void TPE_tree::ShowRow(int index)
{
    if (!m_editor)
        return;
    const TemplateTables& t = m_context.Templates();
    if (index < 0 || index >= t.nodeCount)
        index = 0;
    m_editor->Select(index);
    if (index < m_rows->count())
        m_rows->setCurrentRow(index);
    m_selectedRow->setText(QStringLiteral("Row: %1").arg(index));
    if (m_selectTreeRow && t.nodeCount > 0)
        m_selectTreeRow(index);

    const TaskRow& row = t.rows[size_t(index)];
    m_nodeNames->setCurrentIndex(row.taskCode < m_nodeNames->count() ? row.taskCode : -1);
    m_level->setText(QString::number(row.level));
    m_childCount->setText(QString::number(row.valueB));
    m_enabled->setChecked(row.enabled != 0);
    const QStringList& available = m_editor->AvailableSteps(index);
    m_available->clear();
    m_available->addItems(available);
    m_plates->clear();
    for (int s = 0; s < row.stepCount; ++s) {
        const int step = row.steps[size_t(s)];
        if (step < available.size()) {
            auto* item = new QListWidgetItem(available[step], m_plates);
            item->setData(Qt::UserRole, step);
        }
    }
    m_plateCount->setText(QString::number(m_plates->count()));
}

QList<int> TPE_tree::ChosenSteps() const
{
    QList<int> steps;
    for (int i = 0; i < m_plates->count(); ++i)
        steps << m_plates->item(i)->data(Qt::UserRole).toInt();
    return steps;
}

void TPE_tree::AddStep(int available)
{
    if (available < 0 || available >= m_available->count())
        return;
    auto* item = new QListWidgetItem(m_available->item(available)->text(), m_plates);
    item->setData(Qt::UserRole, available);
    m_plateCount->setText(QString::number(m_plates->count()));
}

void TPE_tree::RemoveStep(int position)
{
    delete m_plates->takeItem(position);
    m_plateCount->setText(QString::number(m_plates->count()));
}

void TPE_tree::OkPressed()
{
    if (!m_editor)
        return;
    QString error;
    if (!m_editor->Ok(&error))
        m_context.Operator().ShowError(QStringLiteral("Table Error"), QStringLiteral("Cannot write the task rows to ") +
                                                                          m_editor->FilePath() + QStringLiteral(":\r") +
                                                                          error);
}

void TPE_tree::closeEvent(QCloseEvent* event)
{
    if (m_editor)
        m_editor->Abort();
    event->accept();
}
