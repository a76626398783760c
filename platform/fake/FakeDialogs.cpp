#include "FakeDialogs.h"

namespace mirtal::platform {

QStringList FakeDialogs::shownTexts() const
{
    QStringList texts;
    for (const Shown& s : m_shown)
        texts.append(s.text);
    return texts;
}

Answer FakeDialogs::message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                            MessageButtons buttons)
{
    m_lastOwner = owner;
    Answer answer = Answer::Ok;
    if (buttons == MessageButtons::YesNo) {
        answer = Answer::No;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
    }
    const Shown shown{text, title.isEmpty() ? applicationTitle() : title, icon, buttons, answer};
    m_shown.append(shown);
    if (m_onMessage)
        m_onMessage(shown);
    return answer;
}

std::optional<QString> FakeDialogs::openFile(QWidget* owner, const QString& title, const QString& filter,
                                             const QString& initialFile)
{
    m_lastOwner = owner;
    ++m_fileDialogs;
    m_lastFileTitle = title;
    m_lastFileFilter = filter;
    m_lastInitialFile = initialFile;
    if (m_files.empty())
        return std::nullopt;
    const FileAnswer answer = m_files.front();
    m_files.pop_front();
    if (!answer.chosen)
        return std::nullopt;
    return answer.path;
}

qint32 FakeDialogs::chooseColor(QWidget* owner)
{
    m_lastOwner = owner;
    ++m_colorDialogs;
    if (m_colors.empty())
        return -1;
    const qint32 color = m_colors.front();
    m_colors.pop_front();
    return color;
}

} // namespace mirtal::platform
