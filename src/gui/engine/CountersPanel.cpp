#include "gui/engine/CountersPanel.h"

#include "core/engine/ProductionCounters.h"
#include "core/engine/SocketPanel.h"
#include "gui/engine/TPXled.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

const std::array<QString, 4> LedCaptions{QStringLiteral("A or ICP"), QStringLiteral(" B "), QStringLiteral(" C "),
                                         QStringLiteral(" D ")};

// A caption over a sunken value box, as the three counts are shown.
QWidget* CountBox(const QString& caption, QLabel*& value, const char* objectName)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    auto* title = new QLabel(caption);
    title->setAlignment(Qt::AlignHCenter);
    value = new QLabel;
    value->setObjectName(QString::fromLatin1(objectName));
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setAlignment(Qt::AlignCenter);
    value->setMinimumWidth(64);
    QFont big = value->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    value->setFont(big);
    layout->addWidget(title);
    layout->addWidget(value);
    return box;
}

QProgressBar* Gauge(const QString& hint, const char* objectName)
{
    auto* gauge = new QProgressBar;
    gauge->setObjectName(QString::fromLatin1(objectName));
    gauge->setToolTip(hint);
    gauge->setTextVisible(false);
    gauge->setFixedHeight(12);
    gauge->setMinimumWidth(160);
    return gauge;
}

} // namespace

CountersPanel::CountersPanel(SocketPanel& sockets, ProductionCounters& counters, QWidget* parent)
    : QFrame(parent), m_counters(counters)
{
    setObjectName(QStringLiteral("CountersPanel"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(8);

    row->addWidget(CountBox(QStringLiteral("Run Count"), m_run, "LAB_counter"));

    auto* socketsBox = new QWidget;
    socketsBox->setObjectName(QStringLiteral("AdapterSockets"));
    auto* grid = new QGridLayout(socketsBox);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    grid->addWidget(new QLabel(QStringLiteral("Adapter Sockets:")), 0, 0, 2, 1, Qt::AlignVCenter);
    for (int s = 0; s < 4; ++s) {
        auto* caption = new QLabel(LedCaptions.at(size_t(s)));
        caption->setAlignment(Qt::AlignHCenter);
        m_leds.at(size_t(s)) = new TPXled(sockets, s);
        grid->addWidget(caption, 0, s + 1, Qt::AlignHCenter);
        grid->addWidget(m_leds.at(size_t(s)), 1, s + 1, Qt::AlignHCenter);
    }
    row->addWidget(socketsBox);

    auto* progress = new QWidget;
    auto* gauges = new QVBoxLayout(progress);
    gauges->setContentsMargins(0, 2, 0, 2);
    gauges->setSpacing(3);
    m_task = Gauge(QStringLiteral("Task Progress"), "PB_task");
    m_cycle = Gauge(QStringLiteral("Cycle Progress"), "PB_cycle");
    auto* lapse = new QHBoxLayout;
    lapse->addWidget(new QLabel(QStringLiteral("Time Lapse")));
    m_time = new QLabel;
    m_time->setObjectName(QStringLiteral("LAB_time"));
    m_time->setFrameShape(QFrame::Panel);
    m_time->setFrameShadow(QFrame::Sunken);
    m_time->setAlignment(Qt::AlignCenter);
    lapse->addWidget(m_time, 1);
    gauges->addWidget(m_task);
    gauges->addWidget(m_cycle);
    gauges->addLayout(lapse);
    row->addWidget(progress, 1);

    row->addWidget(CountBox(QStringLiteral("Pass Count"), m_pass, "LAB_pass"));
    row->addWidget(CountBox(QStringLiteral("Fail Count"), m_fail, "LAB_fail"));

    connect(&m_counters, &ProductionCounters::Changed, this, &CountersPanel::ShowCounters);
    ShowCounters();
}

void CountersPanel::ShowCounters()
{
    m_run->setText(m_counters.RunCountText());
    m_pass->setText(m_counters.PassText());
    m_fail->setText(m_counters.FailText());
    m_time->setText(m_counters.ElapsedText());
    m_task->setRange(0, qMax(1, m_counters.taskMaximum));
    m_task->setValue(qBound(0, m_counters.taskPosition, m_task->maximum()));
    m_cycle->setRange(0, qMax(1, m_counters.cycleMaximum));
    m_cycle->setValue(qBound(0, m_counters.cyclePosition, m_cycle->maximum()));
}
