#pragma once

#include "app/Form1.h"
#include "app/GeneralErrorPath.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>

#include <memory>

// The main window over the real Linux file system and Qt's picture readers; only the dialogs are scripted. The
// window starts (and runs its first load) in the constructor.
class RealWindow final {
public:
    RealWindow(const QString& startFolder, const QString& programFolder, mirtal::platform::LinuxSysCalls sys = {},
               mirtal::platform::AnsiCodePage codePage = mirtal::platform::AnsiCodePage::windows1251())
        : fileSystem(codePage, programFolder, std::move(sys))
        , m_errorPath(dialogs, [this](int) { ++ends; })
    {
        m_form = std::make_unique<mirtal::app::Form1>(mirtal::app::Form1Services{
            fileSystem, pictures, dialogs, shell, screen, m_errorPath, {}, {}, startFolder, QLocale::c()});
    }

    mirtal::app::Form1& form() { return *m_form; }
    template <typename T> T* control(const char* name) const
    {
        return m_form->findChild<T*>(QString::fromLatin1(name));
    }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
    QString text2() const { return control<QTextEdit>("Text2")->toPlainText(); }
    QString text4() const { return control<QLineEdit>("Text4")->text(); }
    bool option2() const { return control<QRadioButton>("Option2")->isChecked(); }

    mirtal::platform::LinuxFileSystem fileSystem;
    mirtal::platform::QtPictures pictures;
    mirtal::platform::FakeDialogs dialogs;
    mirtal::platform::FakeShell shell;
    mirtal::platform::FakeScreen screen;
    int ends = 0;

private:
    mirtal::app::GeneralErrorPath m_errorPath;
    std::unique_ptr<mirtal::app::Form1> m_form;
};
