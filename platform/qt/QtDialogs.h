#pragma once

#include "platform/Dialogs.h"

namespace mirtal::platform {

class QtDialogs final : public Dialogs {
public:
    QtDialogs() = default;

    Answer message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                   MessageButtons buttons) override;
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& initialFile) override;
    qint32 chooseColor(QWidget* owner) override;

    // "desc|patterns|desc|patterns" to Qt's "desc (p1 p2);;desc (p)".
    static QString qtNameFilters(const QString& filter);
};

} // namespace mirtal::platform
