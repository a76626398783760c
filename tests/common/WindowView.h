#pragma once

#include "app/MainWindow.h"
#include "platform/AnsiCodePage.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

inline QString S(const char* text) { return QString::fromUtf8(text); }

inline QByteArray cp1251(const QString& text)
{
    return mirtal::platform::AnsiCodePage::windows1251().encode(text).value();
}

// Text in UTF-16LE behind its mark, as Windows writes a settings file for names outside the code page.
inline QByteArray utf16le(const QString& text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

// The folder editor, alone or in the main window, with scripted dialogs, shell and screen, and what the suites read
// off it. Builds on every system; the real Linux file system is RealWindow.h's.
class WindowView {
public:
    mirtal::app::MainWindow& window() { return *m_window; }
    mirtal::app::FolderEditor& editor() { return m_window ? m_window->editor() : *m_editor; }
    const mirtal::app::EditorState& state() { return editor().state(); }
    template <typename T> T* control(const char* name) const { return m_window->findChild<T*>(QLatin1String(name)); }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
    QString folderPath() const { return control<QTextEdit>("folderPathBox")->toPlainText(); }
    QString picturePath() const { return control<QLineEdit>("picturePathLine")->text(); }

    mirtal::platform::FakeDialogs dialogs;
    mirtal::platform::FakeShell shell;
    mirtal::platform::FakeScreen screen;
    int ends = 0, lastExitCode = -1, aboutShown = 0;
    mirtal::settings::CanonicalPath canonicalPath = mirtal::platform::canonicalPath; // the fakes pass their own

protected:
    void open(mirtal::platform::FileSystem& files, mirtal::platform::Pictures& pictures, const QString& folder,
              const QLocale& locale)
    {
        const auto about = [this](QWidget*) { ++aboutShown; };
        m_window = std::make_unique<mirtal::app::MainWindow>(
            mirtal::app::MainWindowServices{services(files, pictures, locale), about, folder});
    }
    // The editor without a window, its preview the window's size.
    void openEditor(mirtal::platform::FileSystem& files, mirtal::platform::Pictures& pictures, const QString& folder,
                    const QLocale& locale)
    {
        m_editor = std::make_unique<mirtal::app::FolderEditor>(services(files, pictures, locale));
        m_editor->setPreviewBox([] { return QSize(157, 126); });
        m_editor->start(folder);
    }

    mirtal::app::EditorServices services(mirtal::platform::FileSystem& files, mirtal::platform::Pictures& pictures,
                                         const QLocale& locale)
    {
        return {files, pictures, dialogs, shell, screen, m_errorPath, {}, locale, canonicalPath};
    }
    mirtal::app::GeneralErrorPath m_errorPath{dialogs, [this](int code) {
                                                  ++ends;
                                                  lastExitCode = code;
                                              }};
    std::unique_ptr<mirtal::app::MainWindow> m_window;
    std::unique_ptr<mirtal::app::FolderEditor> m_editor;
};
