#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace mirtal::platform {

// Answers dialogs from scripted queues and records every box shown.
class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title; // as the user sees it: the application title when none was given
        MessageIcon icon;
        MessageButtons buttons;
        Answer answer;
    };

    FakeDialogs() = default;

    // Yes/No boxes take the next answer (No when none is queued); OK boxes need none.
    void queueAnswer(Answer answer) { m_answers.push_back(answer); }
    // The next file dialog returns this path; std::nullopt is a cancel. With nothing queued the dialog is cancelled.
    void queueFile(const std::optional<QString>& path)
    {
        m_files.push_back({path.has_value(), path.value_or(QString())});
    }
    // The next colour dialog returns this value (-1 cancels). With nothing queued it is cancelled.
    void queueColor(qint32 color) { m_colors.push_back(color); }
    // Runs while a box is up, to look at the window as the user sees it then.
    void setOnMessage(std::function<void(const Shown&)> hook) { m_onMessage = std::move(hook); }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList shownTexts() const;
    void clearShown() { m_shown.clear(); }
    int fileDialogs() const { return m_fileDialogs; }
    int colorDialogs() const { return m_colorDialogs; }
    const QString& lastFileTitle() const { return m_lastFileTitle; }
    const QString& lastFileFilter() const { return m_lastFileFilter; }
    const QString& lastInitialFile() const { return m_lastInitialFile; }
    QWidget* lastOwner() const { return m_lastOwner; }

    Answer message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                   MessageButtons buttons) override;
    std::optional<QString> openFile(QWidget* owner, const QString& title, const QString& filter,
                                    const QString& initialFile) override;
    qint32 chooseColor(QWidget* owner) override;

private:
    std::deque<Answer> m_answers;
    struct FileAnswer {
        bool chosen;
        QString path;
    };
    std::deque<FileAnswer> m_files;
    std::deque<qint32> m_colors;
    std::function<void(const Shown&)> m_onMessage;
    QList<Shown> m_shown;
    int m_fileDialogs = 0;
    int m_colorDialogs = 0;
    QString m_lastFileTitle;
    QString m_lastFileFilter;
    QString m_lastInitialFile;
    QWidget* m_lastOwner = nullptr;
};

} // namespace mirtal::platform
