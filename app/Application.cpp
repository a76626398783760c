#include "Application.h"

#include "GeneralErrorPath.h"

#include <exception>

namespace mirtal::app {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (m_errorPath)
            m_errorPath->fail(activeWindow(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        if (m_errorPath)
            m_errorPath->fail(activeWindow(), QStringLiteral("неизвестная ошибка"));
    }
    return false;
}

} // namespace mirtal::app
