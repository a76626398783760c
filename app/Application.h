#pragma once

#include <QApplication>

namespace mirtal::app {

class GeneralErrorPath;

// The event-dispatch boundary: whatever escapes a handler goes to the general error path, never further.
class Application final : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    Q_DISABLE_COPY_MOVE(Application)

    void setErrorPath(GeneralErrorPath* errorPath) { m_errorPath = errorPath; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    GeneralErrorPath* m_errorPath = nullptr;
};

} // namespace mirtal::app
