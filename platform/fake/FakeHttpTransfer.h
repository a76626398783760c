#pragma once

#include "platform/HttpTransfer.h"

#include <QList>

namespace mirtal::platform {

// Answers every fetch with the scripted result and records the addresses asked for.
class FakeHttpTransfer final : public HttpTransfer {
public:
    FakeHttpTransfer() = default;

    Result<QByteArray> nextResult = QByteArray();
    QList<QUrl> requested;
    int aborts = 0;

    Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds, qint64) override
    {
        requested.append(url);
        return nextResult;
    }
    void abort() override { ++aborts; }
};

} // namespace mirtal::platform
