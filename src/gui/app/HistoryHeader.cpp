#include "gui/app/HistoryHeader.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

HistoryHeader::HistoryHeader(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString HistoryHeader::Text()
{
    return QStringLiteral(" History                                Status");
}

void HistoryHeader::SetTextMargin(int pixels)
{
    m_textMargin = pixels;
    update();
}

void HistoryHeader::SetOffset(int pixels)
{
    if (pixels != m_offset) {
        m_offset = pixels;
        update();
    }
}

QSize HistoryHeader::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(Text()) + 2 * m_textMargin, metrics.height() + 6};
}

void HistoryHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionHeader option;
    option.initFrom(this);
    option.rect = rect();
    option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
    option.orientation = Qt::Horizontal;
    option.position = QStyleOptionHeader::OnlyOneSection;
    style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);

    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    const QRect textRect = rect().adjusted(m_textMargin - m_offset, 0, 0, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Text());
}
