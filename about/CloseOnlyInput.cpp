#include "about/CloseOnlyInput.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace mirtal::about {

CloseOnlyInput::CloseOnlyInput(QWidget* window, QWidget* closeControl)
    : m_window(window)
    , m_closeControl(closeControl)
{
    QCoreApplication::instance()->installEventFilter(this);
}

CloseOnlyInput::~CloseOnlyInput() { QCoreApplication::instance()->removeEventFilter(this); }

bool CloseOnlyInput::closes(const QObject* watched, const QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (!press && event->type() != QEvent::MouseButtonRelease)
        return false;
    // The widget that gets a press gets its release too.
    if (watched == m_closeControl)
        return true;
    // Before that, the window gets it: whether it lands on the close control decides.
    if (watched != m_window->windowHandle())
        return false;
    if (press) {
        const QPoint at = static_cast<const QMouseEvent*>(event)->position().toPoint();
        m_pressed = m_window->childAt(at) == m_closeControl;
        return m_pressed;
    }
    return std::exchange(m_pressed, false);
}

bool CloseOnlyInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        return !closes(watched, event);
    default:
        // The close box arrives as a close event, which passes like painting and timers.
        return false;
    }
}

} // namespace mirtal::about
