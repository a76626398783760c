#pragma once

#include "platform/HttpTransfer.h"

#include <memory>

class QNetworkAccessManager;

namespace mirtal::platform {

// HttpTransfer through QNetworkAccessManager. The wait is a local event loop that leaves user input queued, so the
// windows keep painting and their timers keep running while nothing can be clicked or closed. Loopback addresses go
// without a proxy; other addresses use the application's proxy setting.
class QtHttpTransfer final : public HttpTransfer {
public:
    QtHttpTransfer();
    ~QtHttpTransfer() override;
    Q_DISABLE_COPY_MOVE(QtHttpTransfer)

    Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes) override;

private:
    std::unique_ptr<QNetworkAccessManager> m_manager; // created on the first fetch
};

} // namespace mirtal::platform
