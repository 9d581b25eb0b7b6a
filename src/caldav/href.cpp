#include "caldav/href.h"

namespace kalvo::caldav {
namespace {

// Python's quote() leaves these alone besides letters and digits; so do Radicale and Xandikos.
const QByteArray kKeep = QByteArrayLiteral("-._~");

QByteArray EncodePath(const QByteArray& decoded) { return decoded.toPercentEncoding(kKeep + '/'); }

bool StartsWithScheme(const QByteArray& text) {
    const QByteArray lower = text.left(8).toLower();
    return lower.startsWith("http://") || lower.startsWith("https://");
}

// "http%3A//host/path": a whole URL encoded once more (Xandikos, in some answers).
QByteArray Unwrapped(const QByteArray& href) {
    QByteArray text = href.trimmed();
    const QByteArray lower = text.left(9).toLower();
    if (lower.startsWith("http%3a//") || lower.startsWith("https%3a/")) text = QByteArray::fromPercentEncoding(text);
    return text;
}

}  // namespace

QUrl ResolveHref(const QUrl& base, const QByteArray& href) { return base.resolved(QUrl::fromEncoded(Unwrapped(href))); }

QByteArray CanonicalHref(const QByteArray& href, const QUrl& base) {
    const QByteArray text = Unwrapped(href);
    if (text.isEmpty()) return {};
    QByteArray path;
    if (StartsWithScheme(text)) {
        path = QUrl::fromEncoded(text).path(QUrl::FullyEncoded).toUtf8();
    } else if (text.startsWith('/')) {
        path = text;
    } else {
        path = base.resolved(QUrl::fromEncoded(text)).path(QUrl::FullyEncoded).toUtf8();
    }
    // The query and fragment are no part of a WebDAV resource's name.
    const qsizetype cut = path.indexOf('?');
    if (cut >= 0) path.truncate(cut);
    if (path.isEmpty()) path = "/";
    return EncodePath(QByteArray::fromPercentEncoding(path));
}

QByteArray CanonicalPath(const QUrl& url) { return CanonicalHref(url.path(QUrl::FullyEncoded).toUtf8(), url); }

QUrl UrlForHref(const QUrl& base, const QByteArray& href) {
    QUrl url = base;
    url.setPath(QString::fromUtf8(href), QUrl::TolerantMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QByteArray MemberHref(const QByteArray& collectionPath, const QString& name) {
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    QByteArray path = collectionPath;
    if (!path.endsWith('/')) path += '/';
    return path + safe.toUtf8().toPercentEncoding(kKeep);
}

QUrl AsCollection(QUrl url) {
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/'))) {
        url.setPath(path + QLatin1Char('/'), QUrl::TolerantMode);
    }
    return url;
}

}  // namespace kalvo::caldav
