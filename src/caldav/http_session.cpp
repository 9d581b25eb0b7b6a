#include "caldav/http_session.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <optional>

#if QT_CONFIG(ssl)
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#endif

namespace kalvo::caldav {
namespace {

constexpr std::chrono::milliseconds kCancelPoll{100};
const QString kCancelledMessage = QStringLiteral("Synchronizácia bola prerušená.");
// Qt sends a request again by itself while it answers the server's questions for credentials: twice for
// Basic and Digest, three times for NTLM, once more after a connection the server closed. A server whose
// questions alternate between two realms (a proxy asking for Digest in front of a server asking for
// Basic) would be asked on and on with the same credentials, never giving the answer back.
constexpr int kMostSendsOfOneRequest = 4;

// Qt writes the login and password of Basic and Digest as Latin-1, a letter outside it as "?", while the
// servers compare UTF-8 bytes: given as their UTF-8 bytes read as Latin-1, they go out as UTF-8. NTLM and
// Negotiate take the text itself.
QString AsChallengeWants(const QNetworkReply* reply, const QString& text) {
    for (const QNetworkReply::RawHeaderPair& header : reply->rawHeaderPairs()) {
        if (header.first.compare("WWW-Authenticate", Qt::CaseInsensitive) != 0) continue;
        const QByteArray challenge = header.second.toLower();
        if (challenge.contains("ntlm") || challenge.contains("negotiate")) return text;
    }
    return QString::fromLatin1(text.toUtf8());
}

// Whether the server may have done something for the request: anything but a read.
bool ChangesServer(const QByteArray& method) {
    for (const char* read : {"GET", "HEAD", "OPTIONS", "PROPFIND", "REPORT"})
        if (method.compare(read, Qt::CaseInsensitive) == 0) return false;
    return true;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Transport failures as opposed to the errors Qt derives from an HTTP status.
bool IsTransportError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 1 && code < 100) || (code >= 101 && code < 200) || (code >= 301 && code < 400);
}

bool IsConnectionFailure(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::SslHandshakeFailedError:
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyNotFoundError:
        case QNetworkReply::ProxyAuthenticationRequiredError:
        case QNetworkReply::NetworkSessionFailedError:
            return true;
        default:
            return false;
    }
}

std::optional<std::chrono::seconds> ParseRetryAfter(const QByteArray& value) {
    const QByteArray text = value.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const qlonglong seconds = text.toLongLong(&ok);
    if (ok) return seconds < 0 ? std::nullopt : std::optional(std::chrono::seconds(seconds));
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
    if (!when.isValid()) return std::nullopt;
    return std::chrono::seconds(std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(when)));
}

#if QT_CONFIG(ssl)
CertificateInfo Describe(const QSslCertificate& certificate) {
    CertificateInfo info;
    if (certificate.isNull()) return info;
    info.sha256 = NormalizeFingerprint(QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex()));
    info.subject = certificate.subjectDisplayName();
    info.issuer = certificate.issuerDisplayName();
    info.expires = certificate.expiryDate();
    return info;
}
#endif

QString CertificateMessage(const QUrl& url, const CertificateInfo& info, const QString& pinned) {
    if (info.changed) {
        return QStringLiteral(
                   "Certifikát servera %1 sa zmenil: má odtlačok SHA-256 %2, uložený je %3. Spojenie "
                   "bolo odmietnuté; ak server dostal nový certifikát, prijmite ho znova.")
            .arg(ServerName(url), info.sha256, pinned);
    }
    return QStringLiteral(
               "Certifikát servera %1 nie je dôveryhodný (odtlačok SHA-256 %2). Ak ho poznáte, "
               "môžete ho prijať.")
        .arg(ServerName(url), info.sha256.isEmpty() ? QStringLiteral("neznámy") : info.sha256);
}

}  // namespace

QString ServerName(const QUrl& url) {
    return url.port() >= 0 ? QStringLiteral("%1:%2").arg(url.host()).arg(url.port()) : url.host();
}

QString NormalizeFingerprint(const QString& fingerprint) {
    QString hex;
    for (const QChar c : fingerprint) {
        if (c.isLetterOrNumber()) hex += c.toUpper();
    }
    QString out;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        if (!out.isEmpty()) out += QLatin1Char(':');
        out += hex.mid(i, 2);
    }
    return out;
}

HttpSession::HttpSession(SessionOptions options)
    : options_(std::move(options)), network_(std::make_unique<QNetworkAccessManager>()) {
    options_.pinnedCertificate = NormalizeFingerprint(options_.pinnedCertificate);
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QObject::connect(network_.get(), &QNetworkAccessManager::authenticationRequired,
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         // A second question for the same request means the server refused what it got.
                         if (reply != current_ || offered_ || options_.login.isEmpty()) {
                             refusedCredentials_ = true;
                             return;
                         }
                         authenticator->setUser(AsChallengeWants(reply, options_.login));
                         authenticator->setPassword(AsChallengeWants(reply, options_.password));
                         offered_ = true;
                     });
}

HttpSession::~HttpSession() = default;

HttpResponse HttpSession::Send(QByteArray method, QUrl url, const QByteArray& body, const HeaderList& headers) {
    for (int hop = 0;; ++hop) {
        HttpResponse response = SendObeyingRetryAfter(method, url, body, headers);
        if (response.delivery != Delivery::Answered || !IsRedirect(response.status)) return response;
        const QUrl target = response.location;
        if (hop >= options_.maxRedirects) {
            response.delivery = Delivery::RedirectRefused;
            response.message = QStringLiteral("Server %1 presmerúva požiadavky príliš veľa ráz.").arg(ServerName(url));
            return response;
        }
        if (url.scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https")) {
            response.delivery = Delivery::RedirectRefused;
            response.message = QStringLiteral(
                                   "Server %1 presmeroval zabezpečené spojenie na nezabezpečené; "
                                   "presmerovanie bolo odmietnuté.")
                                   .arg(ServerName(url));
            return response;
        }
        url = target;
    }
}

HttpResponse HttpSession::SendObeyingRetryAfter(const QByteArray& method, const QUrl& url, const QByteArray& body,
                                                const HeaderList& headers) {
    for (int attempt = 0;; ++attempt) {
        HttpResponse response = SendOnce(method, url, body, headers);
        if (response.delivery != Delivery::Answered || (response.status != 503 && response.status != 429))
            return response;
        const auto wait = ParseRetryAfter(response.retryAfter);
        if (!wait) return response;
        if (attempt >= options_.retriesWhenBusy || *wait > options_.longestRetryWait) {
            response.message = QStringLiteral("Server %1 je zaneprázdnený; ďalší pokus žiada o %2 s.")
                                   .arg(ServerName(url))
                                   .arg(wait->count());
            return response;
        }
        Wait(*wait);
    }
}

void HttpSession::Wait(std::chrono::milliseconds wait) {
    if (options_.waitBeforeRetry) {
        options_.waitBeforeRetry(wait);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Cancelled()) loop.quit();
    });
    poll.start(kCancelPoll);
    loop.exec();
}

HttpResponse HttpSession::SendOnce(const QByteArray& method, const QUrl& url, const QByteArray& body,
                                   const HeaderList& headers) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Kalvo/%1").arg(QCoreApplication::applicationVersion()));
    // Uncompressed: Qt takes a compressed answer that was cut short for a whole one (it drops the length
    // and decompresses what came), and a cut calendar must never pass for the server's copy.
    request.setRawHeader("Accept-Encoding", "identity");
    for (const auto& [name, value] : headers) request.setRawHeader(name, value);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type")) {
        request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    }

    HttpResponse response;
    if (Cancelled()) {
        response.url = url;
        response.message = kCancelledMessage;
        return response;
    }
    bool sent = false;
    bool timedOut = false;
    bool cancelled = false;
    bool certificateRefused = false;
    bool askedEndlessly = false;
    int sends = 0;
    QNetworkReply* reply = network_->sendCustomRequest(request, method, body);
    ++requests_;
    current_ = reply;
    offered_ = false;
    refusedCredentials_ = false;

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(options_.timeout);
    QObject::connect(&silence, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QTimer poll;
    if (options_.cancelled != nullptr) {
        QObject::connect(&poll, &QTimer::timeout, reply, [&] {
            if (!Cancelled()) return;
            cancelled = true;
            reply->abort();
        });
        poll.start(kCancelPoll);
    }
    // Between the request's last byte and the answer's first the server works (lists, searches): that
    // silence may last longer than one in the middle of a transfer.
    const auto answerWait = options_.answerTimeout.count() > 0 ? options_.answerTimeout : options_.timeout;
    bool wholeRequestSent = false;
    bool answering = false;
    auto alive = [&] { silence.start(wholeRequestSent && !answering ? answerWait : options_.timeout); };
    QObject::connect(reply, &QNetworkReply::requestSent, reply, [&] {
        sent = wholeRequestSent = true;
        alive();
        if (++sends <= kMostSendsOfOneRequest) return;
        askedEndlessly = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, [&](qint64 done, qint64 total) {
        if (done > 0) sent = true;
        if (done > 0 && done == total) wholeRequestSent = true;
        alive();
    });
    auto answered = [&] {
        answering = true;
        alive();
    };
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, answered);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, answered);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
#if QT_CONFIG(ssl)
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError>& errors) {
        CertificateInfo info = Describe(reply->sslConfiguration().peerCertificate());
        if (info.IsEmpty() && !errors.isEmpty()) info = Describe(errors.first().certificate());
        if (!options_.pinnedCertificate.isEmpty() && info.sha256 == options_.pinnedCertificate) {
            reply->ignoreSslErrors(errors);
            return;
        }
        info.changed = !options_.pinnedCertificate.isEmpty();
        refused_ = info;
        certificateRefused = true;
    });
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [&] {
        if (options_.pinnedCertificate.isEmpty()) return;
        CertificateInfo info = Describe(reply->sslConfiguration().peerCertificate());
        if (info.sha256 == options_.pinnedCertificate) return;
        info.changed = true;
        refused_ = info;
        certificateRefused = true;
        reply->abort();
    });
#endif
    silence.start();
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    silence.stop();
    poll.stop();
    current_ = nullptr;

    const QNetworkReply::NetworkError error = reply->error();
    response.url = url;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.credentialsRefused = refusedCredentials_;
    if (certificateRefused) {
        response.delivery = Delivery::CertificateRefused;
        response.message = CertificateMessage(url, refused_, options_.pinnedCertificate);
    } else if (askedEndlessly && ChangesServer(method)) {
        // The last send was cut before its answer, and the server may have carried it out.
        response.delivery = Delivery::Lost;
        response.status = 401;
        response.credentialsRefused = true;
        response.message = QStringLiteral(
                               "Server %1 opakovane žiada prihlasovacie meno a heslo; nie je isté, či "
                               "požiadavku vykonal.")
                               .arg(ServerName(url));
    } else if (askedEndlessly) {
        response.delivery = Delivery::Answered;
        response.status = 401;
        response.credentialsRefused = true;
    } else if (cancelled) {
        response.delivery = sent ? Delivery::Lost : Delivery::NotSent;
        response.message = kCancelledMessage;
    } else if (timedOut) {
        response.delivery = sent ? Delivery::Lost : Delivery::NotSent;
        response.message =
            sent
                ? QStringLiteral("Server %1 neodpovedal včas; nie je isté, či požiadavku vykonal.").arg(ServerName(url))
                : QStringLiteral("Server %1 sa nepodarilo zastihnúť: neodpovedal včas.").arg(ServerName(url));
    } else if ((IsTransportError(error) && (response.status < 400 || response.status >= 500)) ||
               (error != QNetworkReply::NoError && response.status == 0)) {
        // A refusal (4xx) stands even when the server closed the connection before taking the whole
        // upload, as Radicale does: nothing was done. Any other status with a broken answer is uncertain.
        const bool before = IsConnectionFailure(error) || (!sent && response.status == 0);
        response.delivery = before ? Delivery::NotSent : Delivery::Lost;
        response.message =
            before ? QStringLiteral("Server %1 sa nepodarilo zastihnúť: %2").arg(ServerName(url), reply->errorString())
                   : QStringLiteral("Spojenie so serverom %1 sa prerušilo pred koncom odpovede.").arg(ServerName(url));
    } else {
        response.delivery = Delivery::Answered;
        response.body = reply->readAll();
        response.etag = reply->rawHeader("ETag");
        if (IsRedirect(response.status)) {
            const QByteArray location = reply->rawHeader("Location");
            if (location.isEmpty()) {
                response.status = 502;  // a redirect to nowhere is a broken answer
            } else {
                response.location = url.resolved(QUrl::fromEncoded(location));
            }
        }
        response.retryAfter = reply->rawHeader("Retry-After");
    }
    if (response.delivery == Delivery::Answered && response.status == 401 && options_.login.isEmpty()) {
        response.message = QStringLiteral("Server %1 žiada prihlasovacie meno a heslo.").arg(ServerName(url));
    }
    reply->deleteLater();
    // The reply is deleted with the next pass of an event loop; a blocking caller may not run one soon.
    QCoreApplication::sendPostedEvents(reply, QEvent::DeferredDelete);
    return response;
}

}  // namespace kalvo::caldav
