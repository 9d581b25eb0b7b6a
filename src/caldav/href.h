#pragma once
// Resource addresses as the sync side keeps them. Servers spell the same path in more than one way
// ("a@b.ics" or "a%40b.ics", a full URL or a path, Xandikos even an encoded URL), and the engine compares
// hrefs as strings, so every href that comes from a server or goes to one passes through CanonicalHref:
// the path alone, every byte but the unreserved ones and '/' percent-encoded, as Radicale and Xandikos
// write them.

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace kalvo::caldav {

// The canonical path of `href`, resolved against `base` when it is relative. Empty when `href` is empty.
QByteArray CanonicalHref(const QByteArray& href, const QUrl& base);

// The address `href` names, resolved against `base` (an href may be a path, a relative path or a whole
// URL on another host, even an encoded one).
QUrl ResolveHref(const QUrl& base, const QByteArray& href);

// The canonical path of a URL.
QByteArray CanonicalPath(const QUrl& url);

// `base` with its path replaced by the canonical `href` (which is a path).
QUrl UrlForHref(const QUrl& base, const QByteArray& href);

// The href of a new member named `name` in the collection at `collectionPath` (canonical, ending in '/').
// A '/' in the name becomes '_', so that the name stays one member of the collection.
QByteArray MemberHref(const QByteArray& collectionPath, const QString& name);

// `url` as a collection address: its path ends in '/'.
QUrl AsCollection(QUrl url);

}  // namespace kalvo::caldav
