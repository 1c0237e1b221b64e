#include "gui/app/ControlBar.h"

#include "core/context/MainWindowState.h"
#include "gui/app/PortComboBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
constexpr int PortCount = 9;
constexpr int McuBoxWidth = 104;

bool OpensSelection(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    // A modifier alone is half of a combination (Shift+Tab, Alt+X), not a request.
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta: return false;
    default: return true;
    }
}
} // namespace

ControlBar::ControlBar(MainWindowState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_mcuLabel(new QLabel(QStringLiteral(" MCU:  "), this)),
      m_mcuBox(new QLineEdit(this)), m_portLabel(new QLabel(QStringLiteral(" PORT:  "), this)),
      m_portList(new PortComboBox(this)), m_selectMcu(new QPushButton(QStringLiteral("Select MCU"), this)),
      m_exit(new QPushButton(QStringLiteral("Exit"), this)), m_toolBar(new QToolBar(this))
{
    m_mcuLabel->setObjectName(QStringLiteral("LAB_Mcu"));
    m_mcuBox->setObjectName(QStringLiteral("CB_Mcu"));
    m_portLabel->setObjectName(QStringLiteral("LAB_Port"));
    m_portList->setObjectName(QStringLiteral("CB_Port"));
    m_selectMcu->setObjectName(QStringLiteral("B_SelectMcu"));
    m_exit->setObjectName(QStringLiteral("B_Exit"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));

    m_mcuBox->setReadOnly(true);
    m_mcuBox->setToolTip(QStringLiteral("Click to Select a New Device"));
    m_mcuBox->setFixedWidth(McuBoxWidth);
    m_mcuBox->installEventFilter(this);
    m_portList->addItems(PortNames());
    m_selectMcu->setAutoDefault(false);
    m_exit->setAutoDefault(false);
    // As wide as their captions need: the style's usual minimum button width would push the
    // tool bar's last buttons out of the window at its minimum width.
    for (QPushButton* button : {m_selectMcu, m_exit})
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 20);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(18, 18));

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(0);
    m_firstRow = new QHBoxLayout;
    m_firstRow->setSpacing(4);
    m_firstRow->addWidget(m_mcuLabel);
    m_firstRow->addWidget(m_mcuBox);
    m_firstRow->addWidget(m_portLabel);
    m_firstRow->addWidget(m_portList);
    m_firstRow->addWidget(m_selectMcu);
    m_firstRow->addWidget(m_exit);
    m_firstRow->addWidget(m_toolBar);
    m_firstRow->addStretch(1);
    m_secondRow = new QHBoxLayout;
    m_secondRow->setSpacing(4);
    rows->addLayout(m_firstRow);
    rows->addLayout(m_secondRow);

    connect(m_selectMcu, &QPushButton::clicked, this, &ControlBar::SelectMcuRequested);
    connect(m_exit, &QPushButton::clicked, this, &ControlBar::ExitClicked);
    connect(m_portList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_state.SetPortIndex(index);
    });
    connect(&m_state, &MainWindowState::Changed, this, &ControlBar::ShowState);
    ShowState();
}

void ControlBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceToolBar(width());
}

void ControlBar::PlaceToolBar(int width)
{
    int needed = 4 + m_toolBar->sizeHint().width();
    for (QWidget* part :
         std::initializer_list<QWidget*>{m_mcuLabel, m_mcuBox, m_portLabel, m_portList, m_selectMcu, m_exit})
        needed += part->sizeHint().width() + m_firstRow->spacing();
    const bool wrap = width < needed;
    if (wrap == m_wrapped)
        return;
    m_wrapped = wrap;
    if (wrap) {
        m_firstRow->removeWidget(m_toolBar);
        m_secondRow->addWidget(m_toolBar);
        m_secondRow->addStretch(1);
    } else {
        while (QLayoutItem* item = m_secondRow->takeAt(0)) {
            if (!item->widget())
                delete item;
        }
        m_firstRow->insertWidget(m_firstRow->count() - 1, m_toolBar);
    }
}

QStringList ControlBar::PortNames()
{
    QStringList names;
    for (int n = 1; n <= PortCount; ++n)
        names << QStringLiteral("COM%1").arg(n);
    return names;
}

bool ControlBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mcuBox) {
        if (event->type() == QEvent::MouseButtonPress) {
            emit SelectMcuRequested();
            return true;
        }
        if (event->type() == QEvent::KeyPress && OpensSelection(*static_cast<QKeyEvent*>(event))) {
            emit SelectMcuRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ControlBar::ShowState()
{
    if (m_mcuBox->text() != m_state.McuText())
        m_mcuBox->setText(m_state.McuText());
    if (m_portList->currentIndex() != m_state.PortIndex()) {
        // Showing the state is not a change of port.
        const QSignalBlocker blocker(m_portList);
        m_portList->setCurrentIndex(m_state.PortIndex());
    }
}
