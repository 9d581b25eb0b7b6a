#include "ui/common/artwork.h"

#include <QHash>
#include <QPainter>
#ifdef KALVO_ART_FROM_PNG
#include <QImage>
#else
#include <QSvgRenderer>
#endif

namespace kalvo::ui {

namespace {

#ifdef KALVO_ART_FROM_PNG
// Where Qt has no SVG renderer (the Windows build) the pictures were drawn at build time at their own
// size and at twice that; other sizes are scaled from the nearer of the two.
QPixmap Draw(const QString& name, QSize size) {
    const QImage one(QStringLiteral(":/kalvo/%1.png").arg(name));
    if (!size.isValid()) size = one.size();
    if (size == one.size()) return QPixmap::fromImage(one);
    const bool larger = size.width() > one.width() || size.height() > one.height();
    const QImage source = larger ? QImage(QStringLiteral(":/kalvo/%1@2x.png").arg(name)) : one;
    return QPixmap::fromImage(source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
#else
QPixmap Draw(const QString& name, QSize size) {
    QSvgRenderer renderer(QStringLiteral(":/kalvo/%1.svg").arg(name));
    if (!size.isValid()) size = renderer.defaultSize();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    renderer.render(&p);
    p.end();
    return pixmap;
}
#endif

}  // namespace

QPixmap Art(const QString& name, QSize size) {
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1@%2x%3").arg(name).arg(size.width()).arg(size.height());
    if (const auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    const QPixmap pixmap = Draw(name, size);
    cache.insert(key, pixmap);
    return pixmap;
}

QIcon ArtIcon(const QString& name) {
    QIcon icon;
    for (int s : {16, 22, 24, 32, 48, 64}) icon.addPixmap(Art(name, QSize(s, s)));
    return icon;
}

}  // namespace kalvo::ui
