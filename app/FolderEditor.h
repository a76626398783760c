#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Pictures.h"
#include "platform/Places.h"
#include "platform/Result.h"
#include "platform/Screen.h"
#include "platform/Shell.h"
#include "settings/PicturePath.h"

#include <QColor>
#include <QImage>
#include <QLocale>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace mirtal::app {

class GeneralErrorPath;

// What the custom-size dialog hands back when confirmed: the two texts as typed.
struct CustomSize {
    QString width;
    QString height;
};

// How the background is fitted: the picture as chosen, a copy stretched to the screen, or one of a size typed.
enum class Fit { Unchanged, Automatic, Custom };

// The picture the next scaled copy is made from, known by its file and its natural size. Its pixels are decoded
// only when a copy is made, and then only as many as the copy needs.
struct HeldPicture {
    QString path;
    QSize naturalSize{0, 0};
};

// Everything the editor knows; the window shows it and nothing else.
struct EditorState {
    QString folder;       // the folder the commands change
    QString imagePath;    // written as the background, as chosen or read; may name a file that is gone
    QString chosenFile;   // the last file taken in the open dialog; "Не менять" goes back to it
    QString textColorHex; // the caption colour as written
    QColor captionColor = QColor(0, 0, 0); // shown on the two caption samples
    HeldPicture picture;                   // what the next scaled copy is made from
    QImage preview;                        // at the preview box's size in device pixels; null: none shown
    QString shownPath;                     // the picture line: the file shown, a path read resolved
    QString sizeText;                      // size and aspect ratio, two lines
    QString status;                        // the status line
    bool withBackground = false;           // the option last marked; a click marks " Без фона" itself
    Fit fit = Fit::Unchanged;              // the fit in force
    Fit tickedFit = Fit::Unchanged;        // the menu's tick: follows fit when a menu item or no background ends
    // As typed in the custom-size dialog, at most four characters each.
    CustomSize customSize{QStringLiteral("783"), QStringLiteral("626")};
};

// What the editor needs from outside; tests pass fakes.
struct EditorServices {
    platform::FileSystem& fileSystem;
    platform::Pictures& pictures;
    platform::Dialogs& dialogs;
    platform::Shell& shell;
    platform::Screen& screen;
    GeneralErrorPath& errorPath;
    // The custom-size dialog, built afresh for every showing.
    std::function<std::optional<CustomSize>(QWidget* owner)> askCustomSize;
    QLocale locale;
    // The file system's own view of a path, links followed; tests over a fake file system pass their own.
    settings::CanonicalPath canonicalPath = platform::canonicalPath;
};

// The folder editor: reads a folder's Desktop.ini, lets the picture, its fit and the caption colour be changed, and
// writes or removes the file. It owns no widget; it asks its questions through the dialogs service and tells the
// window through changed() and backgroundMarked().
//
// Errors: a failed step of apply or remove (reading, writing, attributes, deleting) goes to the general error path,
// which shows it and ends the program. Everything else shows a message and goes on: a picture that cannot be read or
// copied, a scaled copy that cannot be deleted, a folder that cannot be opened, a path the file's code page cannot
// hold. A settings file that cannot be read or parsed on load is the damaged-file question, unless the process may
// not read it: that is said plainly, and no removal is offered. A settings file the program will not change (a link
// out of the folder, UTF-16BE) is refused with a message by load, apply and remove alike; the program goes on.
class FolderEditor final : public QObject {
    Q_OBJECT

public:
    explicit FolderEditor(EditorServices services, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FolderEditor)

    const EditorState& state() const { return m_state; }
    // The window that owns the editor's dialogs, and the size of its preview in device pixels.
    void setDialogOwner(QWidget* owner) { m_owner = owner; }
    void setPreviewBox(std::function<QSize()> devicePixels) { m_previewBox = std::move(devicePixels); }

    // The first folder, loaded as a double-click would, but with the fit left as it is.
    void start(const QString& folder);
    // A double-click: the folder becomes the target, the fit goes back to the picture as chosen, then it loads.
    void openFolder(const QString& folder);
    // A single click: the commands then work on this folder; nothing is read.
    void highlightFolder(const QString& folder);

    void reload();
    void apply();
    void removeSettings();
    void chooseCaptionColor();
    void openInFileManager();
    void choosePicture();
    void chooseNoBackground();
    // The three items of the fit menu.
    void fitToScreen();
    void fitToCustomSize();
    void keepPictureAsChosen();

    QString picturesFolder() const;

Q_SIGNALS:
    // Something in state() changed; sent before every dialog too, so the window is up to date behind it.
    void changed();
    // One of the two background options is to be marked. Sent only when the editor decides the marks: the user
    // may mark " Без фона" with the keyboard without anything else changing.
    void backgroundMarked(bool withBackground);

private:
    void askDamagedFile();
    bool refuseWithoutFolder();
    Status loadPreview(const QString& path);
    Status showSizeText();
    void markBackground(bool withBackground);
    void selectFit(Fit fit);
    void resetFit();
    void revertToChosenFile();
    void makeScaledCopy(QSize size);
    void setCaptionColor(quint32 color);
    QString settingsPath() const;
    QString pictureFile() const;
    QString pathToWrite() const;
    QSize previewBox() const;

    // The two error policies.
    bool endOnFailure(const Status& status);
    bool refuseOrEnd(const Status& status);
    void report(const QString& text, const QString& title = QString());
    platform::Answer ask(const QString& text, const QString& title, platform::MessageIcon icon,
                         platform::MessageButtons buttons);

    EditorServices m_services;
    EditorState m_state;
    QString m_picturesDir; // with a final separator
    QString m_imageReadIn; // the folder whose file a folder-relative imagePath was read from
    QWidget* m_owner = nullptr;
    std::function<QSize()> m_previewBox;
};

} // namespace mirtal::app
