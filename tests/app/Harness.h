#pragma once

// The folder editor, alone or in the main window, over scripted fakes; shared by the app suites and the
// fault-injection suite.

#include "common/WindowView.h"
#include "platform/Paths.h"
#include "platform/fake/FakePictures.h"

#include <QAction>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>

// The scaled copy of a picture of that name in the fake program folder, named with the build's separators.
inline QString copyOf(const QString& name)
{
    return mirtal::platform::joinPath(mirtal::platform::joinPath(S("/opt/mirtal"), S("pictures")), name);
}

// The start folder is a real (empty) folder, since the folder list reads the disk; the settings file and pictures
// live in the fake file system.
class Harness final : public WindowView {
public:
    Harness()
    {
        fs.addDirectory(folder());
        // Links are no business of the fake: a path is its own canonical form, where something is there.
        canonicalPath = [this](const QString& path) {
            return fs.exists(path) ? mirtal::platform::FakeFileSystem::normalized(path) : QString();
        };
    }
    ~Harness() // before the services they use
    {
        m_window.reset();
        m_editor.reset();
    }

    void start() { open(fs, pictures, folder(), locale); }
    void startIn(const QString& where) { open(fs, pictures, where, locale); }
    void startEditor() { openEditor(fs, pictures, folder(), locale); }
    // As the program names it: with the build's separators.
    QString folder() const { return QDir::toNativeSeparators(startFolder.path()); }

    QString iniPath() const { return mirtal::platform::joinPath(folder(), S("Desktop.ini")); }
    bool noBackgroundMarked() const { return control<QRadioButton>("noBackgroundOption")->isChecked(); }
    bool pictureMarked() const { return control<QRadioButton>("pictureOption")->isChecked(); }
    QAction* action(const char* name) const { return control<QAction>(name); }
    bool previewEmpty() const { return control<QLabel>("preview")->pixmap().isNull(); }

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

    mirtal::platform::FakeFileSystem fs{QStringLiteral("/opt/mirtal")};
    mirtal::platform::FakePictures pictures{fs};
    QLocale locale = QLocale::c(); // for numbers
    QTemporaryDir startFolder;
};
