#include "gui/link/TPXC.h"

#include "core/link/LinkStatus.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {
QPixmap Dot(const QColor& colour)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 16, 16);
    return pixmap;
}
} // namespace

TPXC::TPXC(LinkStatus& status, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_status(status)
{
    setWindowTitle(QStringLiteral("Checking Communications..."));
    setFixedSize(440, 120);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    icon->setGeometry(12, 12, 48, 48);
    m_first = new QLabel(this);
    m_first->setPixmap(Dot(QColor(0, 120, 215)));
    m_second = new QLabel(this);
    m_second->setPixmap(Dot(QColor(0, 160, 60)));
    m_text = new QLabel(this);
    QFont bold = m_text->font();
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setGeometry(0, 80, width(), 28);

    m_timer.setInterval(m_status.IntervalMs());
    connect(&m_timer, &QTimer::timeout, this, &TPXC::Tick);
    connect(&m_status, &LinkStatus::Changed, this, &TPXC::Render);
    Render();
}

QString TPXC::StatusText() const
{
    return m_text->text();
}

void TPXC::Render()
{
    m_text->setText(m_status.CurrentText());
    m_first->setGeometry(m_firstX, 30, 20, 20);
    m_second->setGeometry(m_secondX, 30, 20, 20);
    if (m_status.Animating() && !m_timer.isActive()) {
        m_timer.start(m_status.IntervalMs());
        m_sinceTick.start();
    } else if (!m_status.Animating()) {
        m_timer.stop();
    }
    setVisible(m_status.Visible());
}

void TPXC::Tick()
{
    m_firstX += Step;
    if (m_firstX > FirstEnd)
        m_firstX = FirstStart;
    m_secondX -= Step;
    if (m_secondX < SecondEnd)
        m_secondX = SecondStart;
    m_first->move(m_firstX, 30);
    m_second->move(m_secondX, 30);
    if (m_sinceTick.isValid()) {
        m_status.Adapt(int(m_sinceTick.elapsed()));
        m_timer.setInterval(m_status.IntervalMs());
    }
    m_sinceTick.start();
}
