#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace orvanta {

QPixmap medalPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // Ribbon
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x9c));
    QPolygonF left({{s * 0.28, 0}, {s * 0.46, 0}, {s * 0.58, s * 0.45}, {s * 0.42, s * 0.50}});
    QPolygonF right({{s * 0.54, 0}, {s * 0.72, 0}, {s * 0.58, s * 0.50}, {s * 0.42, s * 0.45}});
    p.drawPolygon(left);
    p.setBrush(QColor(0xc0, 0x1f, 0x2f));
    p.drawPolygon(right);
    // Medal
    const QPointF c(s * 0.5, s * 0.64);
    const qreal r = s * 0.33;
    QRadialGradient g(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
    g.setColorAt(0, QColor(0xff, 0xf1, 0x9a));
    g.setColorAt(0.6, QColor(0xe0, 0xb0, 0x2a));
    g.setColorAt(1, QColor(0x9a, 0x6b, 0x0c));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x7a, 0x52, 0x08), qMax(1.0, s / 60)));
    p.drawEllipse(c, r, r);
    // Star
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const qreal rr = (i % 2 == 0) ? r * 0.62 : r * 0.26;
        const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setBrush(QColor(0xff, 0xfb, 0xe6));
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x0c), qMax(1.0, s / 90)));
    p.drawPath(star);
    return pm;
}

QPixmap bannerPicture(int width, int height)
{
    QPixmap pm(width, height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int n = 8;
    const qreal step = qreal(width) / n;
    for (int i = 0; i < n; ++i) {
        const QRectF box(i * step + 2, height * 0.15, step - 4, height * 0.7);
        p.setPen(QPen(QColor(0x7a, 0x52, 0x08), 1));
        p.setBrush(QColor(0xe0, 0xb0, 0x2a).lighter(100 + i * 6));
        p.drawRoundedRect(box, 4, 4);
        p.setPen(QColor(0x30, 0x20, 0x00));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(int(height * 0.28));
        p.setFont(f);
        p.drawText(box, Qt::AlignCenter, QString::number((i + 1) * 5));
    }
    return pm;
}

MovingPicture::MovingPicture(Kind kind, int stopFrame, QWidget* parent)
    : QWidget(parent), kind_(kind), stopFrame_(stopFrame)
{
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &MovingPicture::step);
}

QSize MovingPicture::sizeHint() const
{
    return kind_ == Kind::FileCopy ? QSize(272, 60) : QSize(272, 60);
}

void MovingPicture::start()
{
    active_ = true;
    frame_ = 0;
    timer_.start();
    update();
}

void MovingPicture::stop()
{
    active_ = false;
    timer_.stop();
    frame_ = 0;
    update();
}

void MovingPicture::step()
{
    if (!active_)
        return;
    frame_ = (frame_ + 1) % (stopFrame_ + 1);
    update();
}

void MovingPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width(), h = height();
    auto folder = [&](qreal x) {
        p.setPen(QPen(QColor(0x8a, 0x6d, 0x1c), 1));
        p.setBrush(QColor(0xf4, 0xd0, 0x6a));
        p.drawRect(QRectF(x, h * 0.35, w * 0.16, h * 0.5));
        p.drawRect(QRectF(x, h * 0.28, w * 0.07, h * 0.1));
    };
    folder(w * 0.04);
    if (kind_ == Kind::FileCopy) {
        folder(w * 0.80);
    } else {
        p.setPen(QPen(Qt::darkGray, 1));
        p.setBrush(QColor(0xd8, 0xd8, 0xd8));
        p.drawRect(QRectF(w * 0.82, h * 0.35, w * 0.12, h * 0.55));
        p.drawRect(QRectF(w * 0.80, h * 0.28, w * 0.16, h * 0.08));
    }
    if (!active_)
        return;
    // A sheet on a low arc from the left folder to the right one.
    const qreal t = stopFrame_ > 0 ? qreal(frame_) / stopFrame_ : 0;
    const qreal x = w * 0.12 + t * w * 0.72;
    const qreal y = h * 0.45 - std::sin(t * M_PI) * h * 0.35;
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x, y, w * 0.05, h * 0.3));
    p.drawLine(QPointF(x + 2, y + h * 0.08), QPointF(x + w * 0.05 - 2, y + h * 0.08));
    p.drawLine(QPointF(x + 2, y + h * 0.15), QPointF(x + w * 0.05 - 2, y + h * 0.15));
}

}  // namespace orvanta
