#include "gui/engine/TPXled.h"

#include "core/engine/SocketPanel.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

namespace {

const std::array<QString, 4> SwitchHints{
    QStringLiteral("Socket A or In Circuit Programming"),
    QStringLiteral("Socket B"),
    QStringLiteral("Socket C"),
    QStringLiteral("Socket D"),
};

// A round lamp: bright with a highlight when lit, a dim disc of the same colour when dark, a grey
// ring when the socket is not in use.
QPixmap DrawLamp(SocketIndicator::Picture picture)
{
    using P = SocketIndicator::Picture;
    QPixmap pixmap(TPXled::PictureSize, TPXled::PictureSize);
    pixmap.fill(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(3, 3, TPXled::PictureSize - 6, TPXled::PictureSize - 6);
    if (picture == P::NotInUse) {
        p.setPen(QPen(QColor(110, 110, 110), 1.5));
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(disc);
        return pixmap;
    }
    const bool lit = picture == P::On || picture == P::Error;
    const bool red = picture == P::Error || picture == P::ErrorOff;
    const QColor base = red ? QColor(255, 40, 30) : QColor(40, 230, 60);
    if (lit) {
        QRadialGradient glow(disc.center() - QPointF(2, 2), disc.width() / 2);
        glow.setColorAt(0, Qt::white);
        glow.setColorAt(0.35, base.lighter(120));
        glow.setColorAt(1, base.darker(130));
        p.setBrush(glow);
    } else {
        p.setBrush(base.darker(330));
    }
    p.setPen(QPen(base.darker(lit ? 160 : 250), 1));
    p.drawEllipse(disc);
    return pixmap;
}

} // namespace

const QPixmap& TPXled::PictureOf(SocketIndicator::Picture picture)
{
    using P = SocketIndicator::Picture;
    static const std::array<QPixmap, 5> pictures{DrawLamp(P::On), DrawLamp(P::Off), DrawLamp(P::NotInUse),
                                                 DrawLamp(P::Error), DrawLamp(P::ErrorOff)};
    return pictures.at(size_t(picture));
}

TPXled::TPXled(SocketPanel& panel, int socket, QWidget* parent)
    : QFrame(parent), m_panel(panel), m_socket(socket), m_lamp(new QLabel(this)), m_switch(new QPushButton(this)),
      m_flash(new QTimer(this))
{
    setObjectName(QStringLiteral("TPXled%1").arg(QChar(u'A' + socket)));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    m_lamp->setFixedSize(PictureSize, PictureSize);
    m_switch->setFixedSize(PictureSize, PictureSize);
    m_switch->setFocusPolicy(Qt::NoFocus);
    m_switch->setToolTip(SwitchHints.at(size_t(socket)));
    QFont bold = m_switch->font();
    bold.setBold(true);
    m_switch->setFont(bold);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_lamp, 0, Qt::AlignHCenter);
    layout->addWidget(m_switch, 0, Qt::AlignHCenter);

    m_flash->setInterval(SocketIndicator::FlashIntervalMs);
    connect(m_flash, &QTimer::timeout, this, [this] { m_panel.Indicator(m_socket).FlashtimerTimer(); });
    connect(m_switch, &QPushButton::clicked, this, [this] { m_panel.SocketSwitchClick(m_socket); });
    connect(&m_panel, &SocketPanel::Changed, this, &TPXled::Refresh);
    Refresh();
}

bool TPXled::Flashing() const
{
    return m_flash->isActive();
}

void TPXled::Refresh()
{
    const SocketIndicator& led = m_panel.Indicator(m_socket);
    if (m_shown != led.Lamp() || m_lamp->pixmap().isNull()) {
        m_shown = led.Lamp();
        m_lamp->setPixmap(PictureOf(m_shown));
    }
    const QString caption = QString::fromLatin1(led.SwitchCaption());
    if (m_switch->text() != caption)
        m_switch->setText(caption);
    m_switch->setEnabled(led.enabled());
    // Restarting a running timer would push its next tick back; only start or stop it.
    if (led.FlashTimerRunning() && !m_flash->isActive())
        m_flash->start();
    else if (!led.FlashTimerRunning() && m_flash->isActive())
        m_flash->stop();
}
