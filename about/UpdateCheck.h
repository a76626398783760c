#pragma once

#include "platform/HttpTransfer.h"

#include <QLatin1StringView>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

namespace mirtal::about {

// The program's web site; the update file lies directly under it.
inline constexpr QLatin1StringView kSiteRoot("http://mirtal.example/");

// The address of the update file under a site root that ends with "/".
QUrl updateFileUrl(const QString& siteRoot);

// `CheckForUpdate`: fetches the update file once, cuts the published version out of it and reports each step as
// the text of the status line.
class UpdateCheck final {
public:
    using StatusSink = std::function<void(const QString& text)>;

    static constexpr std::chrono::milliseconds kTimeout{60000};
    // An update file is a few lines; anything longer is not one and is not worth the memory.
    static constexpr qint64 kMaxBytes = 64 * 1024;

    UpdateCheck(platform::HttpTransfer& http, QUrl updateUrl, StatusSink status,
                std::chrono::milliseconds timeout = kTimeout);
    Q_DISABLE_COPY_MOVE(UpdateCheck)

    // One complete check; the last status text it reports stays until the next check.
    void run();
    // Ends the check under way at once, from an event handled while it waits (its window closing): the transfer is
    // abandoned and no further status is reported. Does nothing when no check runs.
    void abort();
    bool isRunning() const { return m_running; }

    const QString& UpdateKey() const { return m_updateKey; }
    const QString& UpdateText() const { return m_updateText; }
    const QString& SiteVersion() const { return m_siteVersion; }

    static QString waitingText();
    static QString noConnectionText();
    static QString noDataText();
    static QString errorText();
    static QString versionText(const QString& siteVersion);

private:
    platform::HttpTransfer& m_http;
    QUrl m_updateUrl;
    StatusSink m_status;
    std::chrono::milliseconds m_timeout;
    QString m_updateKey;
    QString m_updateText;
    QString m_siteVersion;
    bool m_running = false;
    bool m_aborted = false;
};

} // namespace mirtal::about
