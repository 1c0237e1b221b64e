#include "gui/engine/TaskNodePictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

enum class Mark { None, Cross, Slash, Dash, Check };

struct Look {
    QColor fill;
    Mark mark;
};

// The look of each node state (0 ready, 2 failed, 4 off, 6 not available, 8 passed).
Look LookOfState(int state)
{
    switch (state) {
    case 2: return {QColor(220, 40, 40), Mark::Cross};
    case 4: return {QColor(170, 170, 170), Mark::Slash};
    case 6: return {QColor(225, 225, 225), Mark::Dash};
    case 8: return {QColor(40, 170, 60), Mark::Check};
    default: return {QColor(40, 100, 210), Mark::None};
    }
}

void DrawMark(QPainter& p, Mark mark, const QRectF& r)
{
    QPen pen(Qt::white, 1.8);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const qreal l = r.left() + 3, t = r.top() + 3, rr = r.right() - 3, b = r.bottom() - 3;
    switch (mark) {
    case Mark::Cross:
        p.drawLine(QPointF(l, t), QPointF(rr, b));
        p.drawLine(QPointF(l, b), QPointF(rr, t));
        break;
    case Mark::Slash: p.drawLine(QPointF(l, b), QPointF(rr, t)); break;
    case Mark::Dash:
        p.setPen(QPen(QColor(150, 150, 150), 1.8));
        p.drawLine(QPointF(l, r.center().y()), QPointF(rr, r.center().y()));
        break;
    case Mark::Check:
        p.drawPolyline(QPolygonF({QPointF(l, r.center().y()), QPointF(r.center().x() - 1, b), QPointF(rr, t)}));
        break;
    case Mark::None: break;
    }
}

// A group (cycle) node: a folder, open when expanded.
QPixmap GroupPicture(int state, bool expanded)
{
    QPixmap pix(TaskNodePictures::Size, TaskNodePictures::Size);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const Look look = LookOfState(state);
    p.setPen(look.fill.darker(150));
    p.setBrush(look.fill.lighter(expanded ? 130 : 100));
    p.drawRect(QRectF(1.5, 2.5, 6, 3));
    if (expanded) {
        QPainterPath path;
        path.moveTo(1.5, 4.5);
        path.lineTo(14.5, 4.5);
        path.lineTo(12.5, 14.5);
        path.lineTo(1.5, 14.5);
        path.closeSubpath();
        p.drawPath(path);
    } else {
        p.drawRect(QRectF(1.5, 4.5, 13, 10));
    }
    DrawMark(p, look.mark, QRectF(3, 5, 10, 10));
    return pix;
}

// A task node: a disc, with a ring while selected.
QPixmap TaskPicture(int state, bool selected)
{
    QPixmap pix(TaskNodePictures::Size, TaskNodePictures::Size);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const Look look = LookOfState(state);
    if (selected) {
        p.setPen(QPen(QColor(250, 190, 20), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1, 1, 14, 14));
    }
    p.setPen(look.fill.darker(150));
    p.setBrush(look.fill);
    p.drawEllipse(QRectF(3, 3, 10, 10));
    DrawMark(p, look.mark, QRectF(3, 3, 10, 10));
    return pix;
}

} // namespace

TaskNodePictures::TaskNodePictures()
{
    m_pictures.reserve(Count);
    for (int index = 0; index < Count; ++index) {
        // 8 and 9 are where the two ranges meet; they are drawn as the ready task node, the
        // state they show most often.
        if (index < 8)
            m_pictures.push_back(GroupPicture(index & ~1, index & 1));
        else
            m_pictures.push_back(TaskPicture((index - 8) & ~1, (index - 8) & 1));
    }
}

const QPixmap& TaskNodePictures::Picture(int index) const
{
    return m_pictures.at(size_t(qBound(0, index, Count - 1)));
}
