#include "platform/qt/QtHttpTransfer.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <utility>

namespace mirtal::platform {
namespace {

// Far above any sensible limit, low enough that sums of it cannot overflow.
constexpr qint64 kLargestLimit = qint64(1) << 40;
// What the socket buffers for us, and what is taken from it at a time.
constexpr qint64 kReadChunk = 16 * 1024;
// A chunk-size line: the size in hexadecimal and perhaps an extension, which is skipped.
constexpr qsizetype kMaxChunkLine = 1024;

class TimerDeadline final : public TransferDeadline {
public:
    TimerDeadline()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (m_expired)
                std::exchange(m_expired, nullptr)();
        });
    }
    Q_DISABLE_COPY_MOVE(TimerDeadline)

    void start(std::chrono::milliseconds limit, std::function<void()> expired) override
    {
        m_expired = std::move(expired);
        m_timer.start(limit);
    }
    void stop() override
    {
        m_timer.stop();
        m_expired = nullptr;
    }

private:
    QTimer m_timer;
    std::function<void()> m_expired;
};

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QByteArray requestFor(const QUrl& url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1 && url.port() != 80)
        host += ':' + QByteArray::number(url.port());
    // No Accept-Encoding: the body comes as it is stored, and its bound is the bound of what arrives.
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nUser-Agent: Mozilla/5.0\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

// One response as it arrives, in pieces of any size: the status line and headers (interim 1xx responses skipped),
// then the body framed by its length, by chunks or by the end of the connection. Only what the fetch needs is kept.
class ResponseReader final {
public:
    enum class State { Head, Body, Done, Failed };

    explicit ResponseReader(qint64 maxBody)
        : m_maxBody(maxBody)
    {
    }

    State state() const { return m_state; }
    bool isOpen() const { return m_state == State::Head || m_state == State::Body; }
    const QString& failure() const { return m_failure; }
    // A redirect with somewhere to go: its body is not read.
    bool isRedirect() const { return isRedirectStatus(m_status) && !m_location.isEmpty(); }
    const QByteArray& location() const { return m_location; }
    QByteArray takeBody() { return std::exchange(m_body, {}); }

    void feed(QByteArrayView data)
    {
        while (!data.isEmpty() && isOpen()) {
            if (m_state == State::Head) {
                QByteArray line;
                if (takeLine(data, QtHttpTransfer::kMaxHeadBytes - m_headBytes, line))
                    headLine(line);
            } else if (m_framing == Framing::Chunked) {
                chunked(data);
            } else {
                const qsizetype take =
                    m_framing == Framing::Length ? qsizetype(qMin<qint64>(m_left, data.size())) : data.size();
                appendBody(data.first(take));
                data = data.sliced(take);
                if (m_framing == Framing::Length && isOpen() && (m_left -= take) == 0)
                    m_state = State::Done;
            }
        }
    }

    // The server closed the connection.
    void end()
    {
        if (m_state == State::Head)
            fail(m_statusSeen || m_headBytes > 0 || !m_line.isEmpty() ? QStringLiteral("Ответ сервера оборван")
                                                                      : QStringLiteral("Сервер закрыл соединение"));
        else if (m_state == State::Body && m_framing == Framing::UntilClose)
            m_state = State::Done;
        else if (m_state == State::Body)
            fail(QStringLiteral("Ответ сервера оборван"));
    }

private:
    enum class Framing { Length, Chunked, UntilClose };
    enum class ChunkPart { Size, Data, DataEnd, Trailer };

    void fail(QString why)
    {
        m_state = State::Failed;
        m_failure = std::move(why);
        m_body.clear();
    }

    void failTooLarge() { fail(QStringLiteral("Ответ сервера длиннее %1 байт").arg(m_maxBody)); }

    // Moves bytes up to the next LF into the line under way; true when the line is whole, then in line without its
    // CR LF. A line that would pass room bytes fails the response.
    bool takeLine(QByteArrayView& data, qint64 room, QByteArray& line)
    {
        const auto lf = std::find(data.begin(), data.end(), '\n');
        const bool whole = lf != data.end();
        const qsizetype take = (lf - data.begin()) + (whole ? 1 : 0);
        if (m_line.size() + take > room) {
            fail(m_state == State::Head || m_chunkPart == ChunkPart::Trailer
                     ? QStringLiteral("Заголовки ответа сервера длиннее %1 байт").arg(QtHttpTransfer::kMaxHeadBytes)
                     : QStringLiteral("Ответ сервера не по протоколу HTTP"));
            return false;
        }
        m_line += data.first(take);
        data = data.sliced(take);
        if (!whole)
            return false;
        if (m_state == State::Head || m_chunkPart == ChunkPart::Trailer)
            m_headBytes += m_line.size();
        line = std::exchange(m_line, {});
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        return true;
    }

    void headLine(const QByteArray& line)
    {
        if (!m_statusSeen) {
            // HTTP/1.x, a space, three digits, then a space and a reason or nothing.
            const bool valid =
                line.size() >= 12 && line.startsWith("HTTP/1.") && std::isdigit(uchar(line[7])) && line[8] == ' ' &&
                std::all_of(line.begin() + 9, line.begin() + 12, [](char c) { return std::isdigit(uchar(c)); }) &&
                (line.size() == 12 || line[12] == ' ');
            if (!valid)
                return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
            m_status = line.mid(9, 3).toInt();
            m_statusSeen = true;
            return;
        }
        if (line.isEmpty())
            return headEnd();
        if (line.startsWith(' ') || line.startsWith('\t')) {
            // A folded line continues the header before it.
            if (m_lastHeader != nullptr)
                *m_lastHeader += ' ' + line.trimmed();
            return;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
        const QByteArray name = line.first(colon).trimmed().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        m_lastHeader = nullptr;
        if (name == "content-length") {
            if (m_hasLength && value != m_length)
                return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
            m_hasLength = true;
            m_length = value;
            m_lastHeader = &m_length;
        } else if (name == "transfer-encoding") {
            m_transferEncoding += (m_transferEncoding.isEmpty() ? "" : ", ") + value;
            m_lastHeader = &m_transferEncoding;
        } else if (name == "location") {
            m_location = value;
            m_lastHeader = &m_location;
        }
    }

    void headEnd()
    {
        if (m_status >= 100 && m_status < 200 && m_status != 101) {
            // An interim response: the real one follows, under the same bound.
            m_statusSeen = false;
            m_hasLength = false;
            m_length.clear();
            m_transferEncoding.clear();
            m_location.clear();
            m_lastHeader = nullptr;
            return;
        }
        if (m_status == 101)
            return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
        if (isRedirect() || m_status == 204 || m_status == 304) {
            m_state = State::Done;
            return;
        }
        m_state = State::Body;
        if (!m_transferEncoding.isEmpty()) {
            if (m_transferEncoding.toLower() != "chunked")
                return fail(
                    QStringLiteral("Ответ сервера закодирован (%1)").arg(QLatin1StringView(m_transferEncoding)));
            m_framing = Framing::Chunked;
            return;
        }
        if (!m_hasLength) {
            m_framing = Framing::UntilClose;
            return;
        }
        const bool digits =
            !m_length.isEmpty() && m_length.size() <= 15 &&
            std::all_of(m_length.begin(), m_length.end(), [](char c) { return std::isdigit(uchar(c)); });
        if (!digits)
            return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
        m_left = m_length.toLongLong();
        if (m_left > m_maxBody)
            return failTooLarge();
        m_framing = Framing::Length;
        if (m_left == 0)
            m_state = State::Done;
    }

    void chunked(QByteArrayView& data)
    {
        QByteArray line;
        switch (m_chunkPart) {
        case ChunkPart::Size: {
            if (!takeLine(data, kMaxChunkLine, line))
                return;
            const qsizetype end = line.indexOf(';');
            const QByteArray hex = (end < 0 ? line : line.first(end)).trimmed();
            bool ok = false;
            const qint64 size = hex.size() <= 12 ? hex.toLongLong(&ok, 16) : 0;
            if (!ok || size < 0 || !std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(uchar(c)); }))
                return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
            if (size > m_maxBody - m_body.size())
                return failTooLarge();
            m_left = size;
            m_chunkPart = size == 0 ? ChunkPart::Trailer : ChunkPart::Data;
            return;
        }
        case ChunkPart::Data: {
            const qsizetype take = qsizetype(qMin<qint64>(m_left, data.size()));
            appendBody(data.first(take));
            data = data.sliced(take);
            if ((m_left -= take) == 0)
                m_chunkPart = ChunkPart::DataEnd;
            return;
        }
        case ChunkPart::DataEnd:
            if (!takeLine(data, kMaxChunkLine, line))
                return;
            if (!line.isEmpty())
                return fail(QStringLiteral("Ответ сервера не по протоколу HTTP"));
            m_chunkPart = ChunkPart::Size;
            return;
        case ChunkPart::Trailer:
            // Trailer fields count as headers; an empty line ends the response.
            if (takeLine(data, QtHttpTransfer::kMaxHeadBytes - m_headBytes, line) && line.isEmpty())
                m_state = State::Done;
            return;
        }
    }

    void appendBody(QByteArrayView bytes)
    {
        if (m_body.size() + bytes.size() > m_maxBody)
            return failTooLarge();
        m_body += bytes;
    }

    const qint64 m_maxBody;
    State m_state = State::Head;
    QString m_failure;
    QByteArray m_line;
    qint64 m_headBytes = 0;
    bool m_statusSeen = false;
    int m_status = 0;
    bool m_hasLength = false;
    QByteArray m_length;
    QByteArray m_transferEncoding;
    QByteArray m_location;
    QByteArray* m_lastHeader = nullptr;
    Framing m_framing = Framing::UntilClose;
    ChunkPart m_chunkPart = ChunkPart::Size;
    qint64 m_left = 0;
    QByteArray m_body;
};

} // namespace

QtHttpTransfer::QtHttpTransfer(std::unique_ptr<TransferDeadline> deadline)
    : m_deadline(deadline ? std::move(deadline) : std::make_unique<TimerDeadline>())
{
}

QtHttpTransfer::~QtHttpTransfer() = default;

void QtHttpTransfer::abort()
{
    if (m_waiting == nullptr)
        return;
    m_aborted = true;
    m_waiting->quit();
}

Result<QByteArray> QtHttpTransfer::fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes)
{
    const auto failure = [](const QString& why, const QUrl& at) {
        return Status::failure(QStringLiteral("%1: %2").arg(why, at.toString()));
    };
    if (m_waiting != nullptr)
        return failure(QStringLiteral("Загрузка уже идёт"), url);
    maxBytes = qBound(qint64(0), maxBytes, kLargestLimit);

    QEventLoop loop;
    bool stopped = false;
    const auto stop = [&] {
        stopped = true;
        loop.quit();
    };
    bool timedOut = false;
    m_waiting = &loop;
    m_aborted = false;
    m_deadline->start(timeout, [&] {
        timedOut = true;
        stop();
    });
    const auto finished = qScopeGuard([this] {
        m_deadline->stop();
        m_waiting = nullptr;
    });

    QUrl current = url;
    for (int redirects = 0;; ++redirects) {
        if (current.scheme() != QLatin1StringView("http") || current.host().isEmpty())
            return failure(QStringLiteral("Адрес не по протоколу HTTP"), current);
        ResponseReader reader(maxBytes);
        bool unreachable = false;
        QString socketError;
        QTcpSocket socket;
        socket.setReadBufferSize(kReadChunk);
        if (isLoopback(current))
            socket.setProxy(QNetworkProxy::NoProxy);
        const auto drain = [&] {
            char buffer[kReadChunk];
            while (reader.isOpen() && socket.bytesAvailable() > 0) {
                const qint64 read = socket.read(buffer, sizeof buffer);
                if (read <= 0)
                    break;
                reader.feed(QByteArrayView(buffer, read));
            }
            if (!reader.isOpen())
                stop();
        };
        QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(requestFor(current)); });
        QObject::connect(&socket, &QTcpSocket::readyRead, &loop, drain);
        QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] {
            drain();
            reader.end();
            stop();
        });
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::RemoteHostClosedError)
                return; // disconnected follows
            // Nothing could be fetched: the program reads that as "no connection", not as a failure.
            unreachable =
                error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::ConnectionRefusedError;
            socketError = socket.errorString();
            stop();
        });
        stopped = false;
        socket.connectToHost(current.host(), quint16(current.port(80)));
        if (!stopped && !timedOut && !m_aborted)
            loop.exec();
        // Closed at once, whatever the server still sends.
        socket.disconnect();
        socket.abort();

        if (m_aborted)
            return failure(QStringLiteral("Загрузка прервана"), current);
        if (timedOut)
            return failure(QStringLiteral("Сервер не ответил вовремя"), current);
        if (reader.state() == ResponseReader::State::Failed)
            return failure(reader.failure(), current);
        if (reader.state() != ResponseReader::State::Done) {
            // The socket failed before the answer was whole.
            if (unreachable)
                return QByteArray();
            return failure(socketError.isEmpty() ? QStringLiteral("Ответ сервера оборван") : socketError, current);
        }
        if (!reader.isRedirect())
            return reader.takeBody();
        if (redirects == kMaxRedirects)
            return failure(QStringLiteral("Слишком много переадресаций"), url);
        const QUrl next = QUrl::fromEncoded(reader.location());
        if (!next.isValid())
            return failure(QStringLiteral("Ответ сервера не по протоколу HTTP"), current);
        current = current.resolved(next);
    }
}

} // namespace mirtal::platform
