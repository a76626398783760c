#pragma once

#include "app/FolderList.h"
#include "app/Form1.h"
#include "app/GeneralErrorPath.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakePictures.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include <deque>
#include <memory>

// The main window over scripted fakes. The start folder is a real (empty) folder, since the folder list reads the
// disk; the settings file and pictures live in the fake file system.
class Harness final {
public:
    explicit Harness(QSize screenPixels = QSize(1024, 768), QLocale locale = QLocale::c());

    void start();
    mirtal::app::Form1& form() { return *m_form; }
    QString folder() const { return m_folder.path(); }
    QString iniPath() const { return m_folder.path() + QStringLiteral("/Desktop.ini"); }

    template <typename T> T* control(const char* name) const
    {
        return m_form->findChild<T*>(QString::fromLatin1(name));
    }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
    QString text2() const { return control<QTextEdit>("Text2")->toPlainText(); }
    QString text4() const { return control<QLineEdit>("Text4")->text(); }
    bool option1() const { return control<QRadioButton>("Option1")->isChecked(); }
    bool option2() const { return control<QRadioButton>("Option2")->isChecked(); }
    bool checked(const char* menuItem) const;
    bool previewEmpty() const;

    // A picture file of that size in the fake file system.
    void addPicture(const QString& path, QSize size, quint32 attributes = 0);
    void writeIni(const QByteArray& bytes, quint32 attributes = 0) { fs.addFile(iniPath(), bytes, attributes); }
    QByteArray ini() const { return fs.bytes(iniPath()); }

    mirtal::platform::FakeFileSystem fs{QStringLiteral("/opt/mirtal")};
    mirtal::platform::FakePictures pictures{fs};
    mirtal::platform::FakeDialogs dialogs;
    mirtal::platform::FakeShell shell;
    mirtal::platform::FakeScreen screen;
    QLocale locale;
    int ends = 0;
    int lastExitCode = -1;
    int aboutShown = 0;
    std::deque<std::optional<mirtal::app::CustomSize>> customSizes;
    int customSizeAsked = 0;

private:
    QTemporaryDir m_folder;
    mirtal::app::GeneralErrorPath m_errorPath;
    std::unique_ptr<mirtal::app::Form1> m_form;
};

inline QString S(const char* text) { return QString::fromUtf8(text); }
