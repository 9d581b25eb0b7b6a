#pragma once
// Blocking HTTP over QtNetwork for the CalDAV client: one request at a time, waited for in a local event
// loop, so the calls can run on a worker thread (one session per thread: the network manager belongs to
// the thread that made it, and that thread needs a QCoreApplication in the process).
//
// What the session does for every request, so that its callers need not:
// - redirects are followed by hand, keeping the method and the body (Qt's own handling turns a redirected
//   PROPFIND into a GET), at most `maxRedirects` times, and never from https to http;
// - credentials are offered once per request; a server that asks again has refused them (a change that
//   Qt sent too many times for questions without end is lost instead: its last send may have been done);
// - a server certificate the system does not trust is accepted only when its SHA-256 fingerprint is the
//   pinned one, and with a pin any other certificate is refused, trusted or not;
// - an answer that stops arriving for `timeout` is given up, except that once the whole request went out
//   the first byte of the answer is waited for `answerTimeout` (a server lists a big calendar first);
// - a 503 or 429 with Retry-After is tried again after that wait, when the wait is not too long.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace kalvo::caldav {

struct SessionOptions {
    QString login;
    QString password;
    QString pinnedCertificate;                 // SHA-256 fingerprint ("AB:CD:..."), empty: the system's trust alone
    std::chrono::milliseconds timeout{30000};  // the longest silence while waiting for an answer
    // The longest wait from the request's last byte to the answer's first; zero: `timeout`.
    std::chrono::milliseconds answerTimeout{0};
    std::chrono::seconds longestRetryWait{60};  // a longer Retry-After is not waited for
    int retriesWhenBusy = 2;
    int maxRedirects = 5;
    // How the session waits before trying again after Retry-After; unset: an event loop that long.
    std::function<void(std::chrono::milliseconds)> waitBeforeRetry;
    // Set from any thread to give up the request under way (and every later one) soon, e.g. when the
    // program quits in the middle of a sync.
    const std::atomic<bool>* cancelled = nullptr;
};

// The certificate of a server whose TLS connection was refused, for the question whether to trust it.
struct CertificateInfo {
    QString sha256;  // "AB:CD:..."
    QString subject;
    QString issuer;
    QDateTime expires;
    bool changed = false;  // a certificate was pinned, and this one is another
    bool IsEmpty() const { return sha256.isEmpty(); }
};

enum class Delivery {
    Answered,            // the server answered; see the status
    NotSent,             // no connection: nothing reached the server
    Lost,                // the request went out but the answer did not come whole (cut, timed out)
    CertificateRefused,  // TLS refused before anything was sent
    RedirectRefused,     // too many redirects, or one from https to http
};

struct HttpResponse {
    Delivery delivery = Delivery::NotSent;
    int status = 0;
    QByteArray body;
    QUrl url;  // where the answer came from, after redirects
    QByteArray etag;
    QUrl location;                    // where a redirect points
    QByteArray retryAfter;            // of a busy answer
    bool credentialsRefused = false;  // the server asked again after the credentials were offered
    QString message;                  // Slovak: why it was not answered, or a 401 to a session without login
};

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

class HttpSession {
public:
    explicit HttpSession(SessionOptions options);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    HttpResponse Send(QByteArray method, QUrl url, const QByteArray& body = {}, const HeaderList& headers = {});

    const SessionOptions& Options() const { return options_; }
    // Requests put on the wire so far, redirects and retries included (a challenge answered by Qt is not
    // counted twice).
    int RequestCount() const { return requests_; }
    const CertificateInfo& RefusedCertificate() const { return refused_; }

private:
    HttpResponse SendOnce(const QByteArray& method, const QUrl& url, const QByteArray& body, const HeaderList& headers);
    HttpResponse SendObeyingRetryAfter(const QByteArray& method, const QUrl& url, const QByteArray& body,
                                       const HeaderList& headers);
    void Wait(std::chrono::milliseconds wait);
    bool Cancelled() const { return options_.cancelled != nullptr && options_.cancelled->load(); }

    SessionOptions options_;
    std::unique_ptr<QNetworkAccessManager> network_;
    QNetworkReply* current_ = nullptr;
    bool offered_ = false;
    bool refusedCredentials_ = false;
    int requests_ = 0;
    CertificateInfo refused_;
};

// "server.example:8443" for messages.
QString ServerName(const QUrl& url);
// A fingerprint in one spelling: upper-case hex pairs joined by ':'.
QString NormalizeFingerprint(const QString& fingerprint);

}  // namespace kalvo::caldav
