#include "gui/engine/TargetMonitorView.h"

#include "core/engine/TargetMonitor.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QColor ToColor(HistoryColour colour, const QPalette& palette, QPalette::ColorRole systemRole)
{
    if (colour.kind == HistoryColour::Kind::Rgb)
        return QColor::fromRgb(colour.rgb);
    return palette.color(colour.kind == HistoryColour::Kind::Window ? QPalette::Window : systemRole);
}

QFont BoldArial(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixels);
    return font;
}

} // namespace

TargetMonitorView::TargetMonitorView(TargetMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_monitor(monitor), m_range(new QLabel(this)), m_value(new QLabel(this)), m_action(new QLabel(this)),
      m_button(new QPushButton(this))
{
    setObjectName(QStringLiteral("TTarmon"));
    setWindowTitle(QStringLiteral("Target Monitor Status"));
    setAutoFillBackground(true);
    setFont(BoldArial(12));

    m_range->setObjectName(QStringLiteral("vlabel"));
    m_range->setFont(BoldArial(11));
    m_range->setAlignment(Qt::AlignCenter);
    m_range->setWordWrap(true);
    m_value->setObjectName(QStringLiteral("vtext"));
    m_value->setFont(BoldArial(24));
    m_value->setFrameShape(QFrame::Panel);
    m_value->setFrameShadow(QFrame::Sunken);
    m_value->setAlignment(Qt::AlignCenter);
    m_value->setMinimumWidth(90);
    m_value->setAutoFillBackground(true);
    m_action->setObjectName(QStringLiteral("montext"));
    m_action->setFont(BoldArial(13));
    m_action->setAlignment(Qt::AlignCenter);
    m_button->setObjectName(QStringLiteral("Babort"));
    m_button->setDefault(true);
    m_button->setAutoDefault(true);

    auto* strip = new QHBoxLayout;
    strip->addWidget(m_range, 1);
    strip->addWidget(m_value);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_action, 1);
    bottom->addWidget(m_button);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    layout->addLayout(strip);
    layout->addLayout(bottom);
    setFixedSize(ClientWidth, ClientHeight);

    connect(m_button, &QPushButton::clicked, this, [this] { m_monitor.Cancel(); });
    connect(&m_monitor, &TargetMonitor::Changed, this, &TargetMonitorView::ShowState);
    ShowState();
}

void TargetMonitorView::ShowState()
{
    m_range->setText(m_monitor.RangeText());
    m_action->setText(m_monitor.ActionText());
    m_value->setText(m_monitor.ValueText());
    m_button->setText(m_monitor.ButtonCaption());

    QPalette window = palette();
    window.setColor(QPalette::Window, ToColor(m_monitor.Background(), window, QPalette::Window));
    setPalette(window);
    QPalette value = m_value->palette();
    value.setColor(QPalette::WindowText, ToColor(m_monitor.ValueColour(), value, QPalette::WindowText));
    value.setColor(QPalette::Window, QColor(Qt::white));
    m_value->setPalette(value);

    const bool errorLook = m_monitor.ErrorLook();
    if (!m_monitor.Visible()) {
        hide();
    } else if (!isVisible()) {
        CentreOnScreen();
        show();
        raise();
    } else if (errorLook && !m_errorShown) {
        // Showing it again brings the error display in front of whatever covered it.
        hide();
        show();
        raise();
        activateWindow();
    }
    m_errorShown = errorLook && m_monitor.Visible();
}

void TargetMonitorView::CentreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
}
