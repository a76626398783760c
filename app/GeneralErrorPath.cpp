#include "GeneralErrorPath.h"

namespace mirtal::app {

GeneralErrorPath::GeneralErrorPath(platform::Dialogs& dialogs, EndProgram endProgram)
    : m_dialogs(dialogs)
    , m_endProgram(std::move(endProgram))
{
}

void GeneralErrorPath::fail(QWidget* owner, const QString& error)
{
    // A second error while the first one is being reported would only repeat the ending.
    if (m_failed)
        return;
    m_failed = true;
    m_dialogs.message(owner, QStringLiteral("Ошибка: ") + error, QString(), platform::MessageIcon::Stop,
                      platform::MessageButtons::Ok);
    m_endProgram(1);
}

void GeneralErrorPath::endNow() { m_endProgram(0); }

} // namespace mirtal::app
