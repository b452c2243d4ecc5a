#include "formutil.h"

#include <QMdiSubWindow>
#include <QWidget>

namespace shell {

void closeForm(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}

} // namespace shell

#include <QIcon>
#include <QPainter>
#include <QPainterPath>

namespace shell {

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1F, 0x4E, 0x8C));
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
        QPainterPath eye;
        eye.moveTo(s * 0.1, s * 0.5);
        eye.quadTo(s * 0.5, s * 0.1, s * 0.9, s * 0.5);
        eye.quadTo(s * 0.5, s * 0.9, s * 0.1, s * 0.5);
        p.setBrush(Qt::white);
        p.drawPath(eye);
        p.setBrush(QColor(0xE8, 0x8D, 0x1A));
        p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.17, s * 0.17);
        p.setBrush(QColor(0x10, 0x1C, 0x2C));
        p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.08, s * 0.08);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace shell
