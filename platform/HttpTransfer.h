#pragma once

#include "Result.h"

#include <QByteArray>
#include <QUrl>

#include <chrono>

namespace mirtal::platform {

// One synchronous HTTP GET. While it waits the window keeps painting but takes no input.
class HttpTransfer {
public:
    HttpTransfer() = default;
    virtual ~HttpTransfer() = default;
    Q_DISABLE_COPY_MOVE(HttpTransfer)

    // The body (at most maxBytes), or an empty body when the host cannot be found or refuses the connection.
    // A time-out, a reset, a protocol error or a body larger than maxBytes fail. An HTTP error status with a body
    // hands that body on.
    virtual Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes) = 0;
};

} // namespace mirtal::platform
