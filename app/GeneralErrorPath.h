#pragma once

#include "platform/Dialogs.h"

#include <QString>

#include <functional>

namespace mirtal::app {

// The one place an error that no handler traps ends up: a message box naming it, then the program ends.
class GeneralErrorPath final {
public:
    using EndProgram = std::function<void(int exitCode)>;

    GeneralErrorPath(platform::Dialogs& dialogs, EndProgram endProgram);
    Q_DISABLE_COPY_MOVE(GeneralErrorPath)

    // Shows the error and ends the program. The caller returns at once afterwards.
    void fail(QWidget* owner, const QString& error);
    // Ends the program at once, nothing asked and nothing saved.
    void endNow();

    bool hasFailed() const { return m_failed; }

private:
    platform::Dialogs& m_dialogs;
    EndProgram m_endProgram;
    bool m_failed = false;
};

} // namespace mirtal::app
