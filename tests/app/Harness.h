#pragma once

// The main window over scripted fakes, shared by the window suites and the fault-injection suite.

#include "app/FolderList.h"
#include "app/Form1.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakePictures.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <memory>
#include <utility>

inline QString S(const char* text) { return QString::fromUtf8(text); }

// The start folder is a real (empty) folder, since the folder list reads the disk; the settings file and pictures
// live in the fake file system.
class Harness final {
public:
    Harness() { fs.addDirectory(m_folder.path()); }

    void start()
    {
        m_form = std::make_unique<mirtal::app::Form1>(mirtal::app::Form1Services{
            fs, pictures, dialogs, shell, screen, m_errorPath, [this](QWidget*) { ++aboutShown; },
            [this](QWidget*) { return std::exchange(customSize, std::nullopt); }, m_folder.path(), locale});
    }
    mirtal::app::Form1& form() { return *m_form; }
    QString folder() const { return m_folder.path(); }
    QString iniPath() const { return m_folder.path() + QStringLiteral("/Desktop.ini"); }

    template <typename T> T* control(const char* name) const
    {
        return m_form->findChild<T*>(QString::fromLatin1(name));
    }
    QString label(const char* name) const { return control<QLabel>(name)->text(); }
    QString text4() const { return control<QLineEdit>("Text4")->text(); }
    bool option1() const { return control<QRadioButton>("Option1")->isChecked(); }
    bool option2() const { return control<QRadioButton>("Option2")->isChecked(); }
    bool checked(const char* item) const { return m_form->menuAction(QString::fromLatin1(item))->isChecked(); }
    bool previewEmpty() const { return control<QLabel>("Image1")->pixmap().isNull(); }

    // A picture file of that size in the fake file system.
    void addPicture(const QString& path, QSize size, quint32 attributes = 0)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        pictures.addPicture(path, image, attributes);
    }
    void writeIni(const QByteArray& bytes, quint32 attributes = 0) { fs.addFile(iniPath(), bytes, attributes); }
    QByteArray ini() const { return fs.bytes(iniPath()); }
    // Every box shown so far as "icon title: text", the icon one of "-!?i" (none, stop, question, information).
    QStringList boxes() const
    {
        QStringList all;
        for (const auto& box : dialogs.shown())
            all.append(QStringLiteral("%1 %2: %3").arg(QChar::fromLatin1("-!?i"[int(box.icon)]), box.title, box.text));
        return all;
    }
    void choose(const QString& picture)
    {
        dialogs.queueFile(picture);
        m_form->Command2_Click();
    }

    mirtal::platform::FakeFileSystem fs{QStringLiteral("/opt/mirtal")};
    mirtal::platform::FakePictures pictures{fs};
    mirtal::platform::FakeDialogs dialogs;
    mirtal::platform::FakeShell shell;
    mirtal::platform::FakeScreen screen;
    QLocale locale = QLocale::c(); // for numbers
    int ends = 0;
    int lastExitCode = -1;
    int aboutShown = 0;
    std::optional<mirtal::app::CustomSize> customSize; // the next answer of the custom-size dialog

private:
    QTemporaryDir m_folder;
    mirtal::app::GeneralErrorPath m_errorPath{dialogs, [this](int code) {
                                                  ++ends;
                                                  lastExitCode = code;
                                              }};
    std::unique_ptr<mirtal::app::Form1> m_form;
};
