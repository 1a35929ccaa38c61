#include "GUI2/wizard_art.h"

#include <QLinearGradient>
#include <cmath>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor k_deep(18, 64, 110);
const QColor k_tide(38, 132, 196);
const QColor k_foam(214, 236, 250);

// Two stacked cylinders (the databases) with a wave between them.
void paint_emblem(QPainter& p, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = box.width(), h = box.height();
    auto cylinder = [&](qreal x, qreal y, qreal cw, qreal ch, const QColor& c) {
        const qreal lid = ch * 0.25;
        QPainterPath body;
        body.moveTo(x, y + lid / 2);
        body.lineTo(x, y + ch - lid / 2);
        body.arcTo(x, y + ch - lid, cw, lid, 180, 180);
        body.lineTo(x + cw, y + lid / 2);
        body.arcTo(x, y, cw, lid, 0, -180);
        p.setPen(QPen(k_deep, qMax<qreal>(1.0, w / 40)));
        p.setBrush(c);
        p.drawPath(body);
        p.setBrush(c.lighter(130));
        p.drawEllipse(QRectF(x, y, cw, lid));
    };
    cylinder(box.left() + w * 0.05, box.top() + h * 0.08, w * 0.42, h * 0.55, k_tide);
    cylinder(box.left() + w * 0.53, box.top() + h * 0.37, w * 0.42, h * 0.55, k_foam);
    QPainterPath wave;
    wave.moveTo(box.left() + w * 0.10, box.top() + h * 0.82);
    wave.cubicTo(box.left() + w * 0.25, box.top() + h * 0.66, box.left() + w * 0.35,
                 box.top() + h * 0.98, box.left() + w * 0.50, box.top() + h * 0.80);
    p.setPen(QPen(k_deep, qMax<qreal>(1.5, w / 22), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.restore();
}

QPixmap program_pixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint_emblem(p, QRectF(0, 0, size, size));
    return pm;
}

QPixmap frame_pixmap(int index) {
    const int size = 32;
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Eight dots round a circle; the lit one walks one place per frame.
    for (int i = 0; i < k_animation_frames; ++i) {
        const qreal angle = 2 * 3.14159265358979 * i / k_animation_frames;
        const QPointF c(size / 2.0 + 11 * std::sin(angle), size / 2.0 - 11 * std::cos(angle));
        const int age = (index - i + k_animation_frames) % k_animation_frames;
        QColor colour = k_tide;
        colour.setAlpha(255 - age * 28);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(c, age == 0 ? 3.6 : 2.8, age == 0 ? 3.6 : 2.8);
    }
    return pm;
}

QPixmap watermark_pixmap() {
    QPixmap pm(164, 314);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 314);
    g.setColorAt(0, k_deep);
    g.setColorAt(1, k_tide);
    p.fillRect(pm.rect(), g);
    paint_emblem(p, QRectF(32, 40, 100, 100));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(k_foam, 2));
    for (int row = 0; row < 4; ++row) {
        QPainterPath wave;
        const qreal y = 200 + row * 24;
        wave.moveTo(0, y);
        for (int x = 0; x < 164; x += 40) wave.cubicTo(x + 10, y - 8, x + 30, y + 8, x + 40, y);
        p.drawPath(wave);
    }
    return pm;
}

}  // namespace

QPixmap wizard_pixmap(int resource_id) {
    if (resource_id == k_icon_program) return program_pixmap(32);
    if (resource_id >= k_icon_first_frame && resource_id < k_icon_first_frame + k_animation_frames)
        return frame_pixmap(resource_id - k_icon_first_frame);
    if (resource_id == k_bitmap_watermark) return watermark_pixmap();
    if (resource_id == k_bitmap_header) return program_pixmap(49);
    return QPixmap();
}

QIcon wizard_icon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(program_pixmap(size));
    return icon;
}
