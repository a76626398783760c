#include "platform/qt/QtHttpTransfer.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QVariant>

namespace mirtal::platform {
namespace {

constexpr int kMaxRedirects = 10;
// Far above any sensible limit, low enough that limit + 1 cannot overflow.
constexpr qint64 kLargestLimit = qint64(1) << 40;

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Nothing could be fetched: the program reads that as "no connection", not as a failure.
bool isUnreachable(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::HostNotFoundError || error == QNetworkReply::ConnectionRefusedError;
}

// The server answered in full with an HTTP error status; its body (an error page) is the answer.
bool isHttpErrorStatus(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    if (error == QNetworkReply::ContentReSendError)
        return false;
    return (code >= 201 && code <= 299) || error == QNetworkReply::ProtocolInvalidOperationError ||
           (code >= 401 && code <= 499);
}

} // namespace

QtHttpTransfer::QtHttpTransfer() = default;
QtHttpTransfer::~QtHttpTransfer() = default;

Result<QByteArray> QtHttpTransfer::fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes)
{
    maxBytes = qBound(qint64(0), maxBytes, kLargestLimit);
    const auto tooLargeFailure = [&] {
        return Status::failure(QStringLiteral("Ответ сервера длиннее %1 байт: %2").arg(maxBytes).arg(url.toString()));
    };
    if (!m_manager)
        m_manager = std::make_unique<QNetworkAccessManager>();
    m_manager->setProxy(isLoopback(url) ? QNetworkProxy(QNetworkProxy::NoProxy)
                                        : QNetworkProxy(QNetworkProxy::DefaultProxy));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    std::unique_ptr<QNetworkReply> reply(m_manager->get(request));
    // Keep what the network layer buffers for us bounded as well.
    reply->setReadBufferSize(maxBytes + 1);

    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);

    const auto abortTooLarge = [&] {
        tooLarge = true;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBytes)
            abortTooLarge();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        if (tooLarge)
            return;
        body += reply->read(maxBytes + 1 - body.size());
        if (body.size() > maxBytes)
            abortTooLarge();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    timer.start(timeout);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    if (timedOut)
        return Status::failure(QStringLiteral("Сервер не ответил вовремя: %1").arg(url.toString()));
    if (tooLarge)
        return tooLargeFailure();

    const QNetworkReply::NetworkError error = reply->error();
    if (isUnreachable(error))
        return QByteArray();
    if (error != QNetworkReply::NoError && !isHttpErrorStatus(error))
        return Status::failure(reply->errorString());
    // Whatever arrived after the last readyRead was handled.
    body += reply->read(maxBytes + 1 - body.size());
    if (body.size() > maxBytes)
        return tooLargeFailure();
    return body;
}

} // namespace mirtal::platform
