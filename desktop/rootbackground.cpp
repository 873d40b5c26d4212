#include "desktop/rootbackground.h"

#include <QPainter>

namespace orvanta {

QImage rootBackground(const QImage& picture, QSize rootSize, bool tiled) {
    if (picture.isNull() || rootSize.isEmpty()) return {};
    QImage root(rootSize, QImage::Format_RGB32);
    if (root.isNull()) return {};
    root.fill(Qt::black);
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&root);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (tiled) {
        for (int y = 0; y < rootSize.height(); y += source.height())
            for (int x = 0; x < rootSize.width(); x += source.width()) painter.drawImage(QPoint(x, y), source);
    } else {
        // Centred: a picture larger than the root is cut evenly on both sides.
        painter.drawImage(QPoint((rootSize.width() - source.width()) / 2, (rootSize.height() - source.height()) / 2),
                          source);
    }
    painter.end();
    return root;
}

}  // namespace orvanta
