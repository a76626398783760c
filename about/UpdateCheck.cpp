#include "about/UpdateCheck.h"

#include "about/UpdateSearch.h"
#include "platform/AnsiCodePage.h"

#include <utility>

namespace mirtal::about {

QUrl updateFileUrl(const QString& siteRoot) { return QUrl(siteRoot + QLatin1StringView("update.txt")); }

UpdateCheck::UpdateCheck(platform::HttpTransfer& http, QUrl updateUrl, StatusSink status,
                         std::chrono::milliseconds timeout)
    : m_http(http)
    , m_updateUrl(std::move(updateUrl))
    , m_status(std::move(status))
    , m_timeout(timeout)
    , m_updateKey(defaultUpdateKey())
{
}

QString UpdateCheck::waitingText() { return QStringLiteral("Ожидание..."); }
QString UpdateCheck::noConnectionText() { return QStringLiteral("Нет соединения"); }
QString UpdateCheck::noDataText() { return QStringLiteral("нет данных"); }
QString UpdateCheck::errorText() { return QStringLiteral("Ошибка"); }
QString UpdateCheck::versionText(const QString& siteVersion)
{
    return QStringLiteral("версия на сайте: ") + siteVersion;
}

void UpdateCheck::run()
{
    if (m_running)
        return;
    m_status(waitingText());
    m_siteVersion.clear();

    m_running = true;
    m_aborted = false;
    const Result<QByteArray> body = m_http.fetch(m_updateUrl, m_timeout, kMaxBytes);
    m_running = false;
    if (m_aborted)
        return;
    if (!body) {
        // The failure itself is not shown anywhere else; the status line is the whole report.
        m_status(errorText());
        return;
    }
    m_updateText = platform::AnsiCodePage::windows1251().decode(body.value());
    if (m_updateText.isEmpty()) {
        m_status(noConnectionText());
        return;
    }
    m_siteVersion = findSiteVersion(m_updateText, m_updateKey);
    m_status(m_siteVersion.isEmpty() ? noDataText() : versionText(m_siteVersion));
}

void UpdateCheck::abort()
{
    if (!m_running)
        return;
    m_aborted = true;
    m_http.abort();
}

} // namespace mirtal::about
