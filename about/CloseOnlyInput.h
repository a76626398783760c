#pragma once

#include <QObject>

class QWidget;

namespace mirtal::about {

// While it lives, the application takes no user input but what closes window: its close box, and a press on
// closeControl with the release that follows it. Keys, other clicks, the wheel and pointer movement are dropped
// before any widget sees them; painting and timers go on.
class CloseOnlyInput final : public QObject {
public:
    CloseOnlyInput(QWidget* window, QWidget* closeControl);
    ~CloseOnlyInput() override;
    Q_DISABLE_COPY_MOVE(CloseOnlyInput)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool closes(const QObject* watched, const QEvent* event);

    QWidget* m_window;
    QWidget* m_closeControl;
    bool m_pressed = false; // a press on the close control passed; its release passes wherever it happens
};

} // namespace mirtal::about
