#pragma once

#include "platform/HttpTransfer.h"

#include <functional>
#include <memory>

class QEventLoop;

namespace mirtal::platform {

// The time limit of one fetch: started with the fetch, it calls expired once when the time is up, unless stopped
// first. The real one is a timer; tests step one by hand.
class TransferDeadline {
public:
    TransferDeadline() = default;
    virtual ~TransferDeadline() = default;
    Q_DISABLE_COPY_MOVE(TransferDeadline)

    virtual void start(std::chrono::milliseconds limit, std::function<void()> expired) = 0;
    virtual void stop() = 0;
};

// HttpTransfer as a small HTTP/1.1 GET of its own over a TCP socket, so that every byte a server sends is counted:
// plain HTTP only, no compression asked for, at most kMaxHeadBytes of status line and headers and maxBytes of body
// (by Content-Length, chunks or the connection's end), redirects followed up to kMaxRedirects, one time limit for
// the whole fetch. The wait is a local event loop that handles every event, user input included. Loopback addresses
// go without a proxy; other addresses use the application's proxy setting.
class QtHttpTransfer final : public HttpTransfer {
public:
    static constexpr qint64 kMaxHeadBytes = 16 * 1024;
    static constexpr int kMaxRedirects = 10;

    // Without a deadline, a timer.
    explicit QtHttpTransfer(std::unique_ptr<TransferDeadline> deadline = nullptr);
    ~QtHttpTransfer() override;
    Q_DISABLE_COPY_MOVE(QtHttpTransfer)

    Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes) override;
    void abort() override;

private:
    std::unique_ptr<TransferDeadline> m_deadline;
    QEventLoop* m_waiting = nullptr; // the loop of the fetch under way
    bool m_aborted = false;
};

} // namespace mirtal::platform
