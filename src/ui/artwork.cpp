#include "ui/artwork.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace kalvo::ui {

QPixmap Art(const QString& name, QSize size) {
    static QHash<QString, QPixmap> cache;
    QSvgRenderer renderer(QStringLiteral(":/kalvo/%1.svg").arg(name));
    if (!size.isValid()) size = renderer.defaultSize();
    const QString key = QStringLiteral("%1@%2x%3").arg(name).arg(size.width()).arg(size.height());
    if (const auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    renderer.render(&p);
    p.end();
    cache.insert(key, pixmap);
    return pixmap;
}

QIcon ArtIcon(const QString& name) {
    QIcon icon;
    for (int s : {16, 22, 24, 32, 48, 64}) icon.addPixmap(Art(name, QSize(s, s)));
    return icon;
}

}  // namespace kalvo::ui
