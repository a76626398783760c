#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QWidget;

namespace mirtal::platform {

enum class MessageIcon { None, Stop, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// The title of every message box that has none of its own.
inline QString applicationTitle() { return QStringLiteral("Мирталь"); }

// Modal dialogs and message boxes of the window system.
class Dialogs {
public:
    Dialogs() = default;
    virtual ~Dialogs() = default;
    Q_DISABLE_COPY_MOVE(Dialogs)

    // An empty title shows applicationTitle().
    virtual Answer message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                           MessageButtons buttons) = 0;

    // filter is in the "description|patterns|description|patterns" form. Returns the chosen file, or nothing when the
    // user cancels; the dialog opens on initialFile.
    virtual std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                            const QString& initialFile) = 0;

    // Colour picker owned by owner, opening on black with sixteen black custom colours. Returns 0x00BBGGRR, or -1
    // when the user cancels or the dialog fails.
    virtual qint32 chooseColor(QWidget* owner) = 0;
};

} // namespace mirtal::platform
