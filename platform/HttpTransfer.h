#pragma once

#include "Result.h"

#include <QByteArray>
#include <QUrl>

#include <chrono>

namespace mirtal::platform {

// One synchronous HTTP GET. While it waits, events are handled: the windows keep painting, their timers run and user
// input is delivered, so the caller decides what its window takes meanwhile; abort() ends the wait.
class HttpTransfer {
public:
    HttpTransfer() = default;
    virtual ~HttpTransfer() = default;
    Q_DISABLE_COPY_MOVE(HttpTransfer)

    // The body (at most maxBytes), or an empty body when the host cannot be found or refuses the connection.
    // A time-out, a reset, a protocol error, an abort or a body larger than maxBytes fail. An HTTP error status with
    // a body hands that body on.
    virtual Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes) = 0;

    // Ends the fetch under way at once: it closes its connection and fails. Called from an event handled while the
    // fetch waits; does nothing when none is under way.
    virtual void abort() = 0;
};

} // namespace mirtal::platform
