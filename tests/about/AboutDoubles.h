#pragma once

#include "platform/HttpTransfer.h"
#include "platform/Shell.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

namespace mirtal::about::test {

// Answers fetches from a queue (an empty body once it runs dry) and records what was asked.
class ScriptedHttp final : public platform::HttpTransfer {
public:
    ScriptedHttp() = default;
    Q_DISABLE_COPY_MOVE(ScriptedHttp)

    struct Request {
        QUrl url;
        std::chrono::milliseconds timeout;
        qint64 maxBytes;
    };

    void answer(Result<QByteArray> outcome) { m_answers.append(std::move(outcome)); }
    // Runs inside fetch, before it answers: what the caller shows while it waits.
    void duringFetch(std::function<void()> hook) { m_hook = std::move(hook); }
    const QList<Request>& requests() const { return m_requests; }

    Result<QByteArray> fetch(const QUrl& url, std::chrono::milliseconds timeout, qint64 maxBytes) override
    {
        m_requests.append({url, timeout, maxBytes});
        if (m_hook)
            m_hook();
        return m_answers.isEmpty() ? Result<QByteArray>(QByteArray()) : m_answers.takeFirst();
    }

private:
    QList<Result<QByteArray>> m_answers;
    QList<Request> m_requests;
    std::function<void()> m_hook;
};

// Records the addresses handed to the browser, and fails as a machine without one would.
class RecordingShell final : public platform::Shell {
public:
    RecordingShell() = default;
    Q_DISABLE_COPY_MOVE(RecordingShell)

    QStringList openedUrls;

    Status openFolder(const QString&) override { return Status::ok(); }
    Status openUrl(const QString& url) override
    {
        openedUrls.append(url);
        return Status::failure(QStringLiteral("no browser"));
    }
};

} // namespace mirtal::about::test
