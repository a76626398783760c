#pragma once

#include "FolderEditor.h"
#include "GeneralErrorPath.h"
#include "platform/Platform.h"

#include <QLocale>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTextEdit;

namespace mirtal::app {

class DriveList;
class FolderList;

// What the main window needs from outside: its editor's services and its own; tests pass fakes.
struct MainWindowServices {
    EditorServices editor;
    // The About window, built afresh for every showing.
    std::function<void(QWidget* owner)> showAbout;
    QString startDirectory;
};

// The main window, a view over the folder editor. What the user can do here, each wired to one operation:
//   folder list: double-click or Enter opens a folder, a click highlights it; drive list: changes the drive;
//   "Обновить" reload, "Применить" apply, "Цвет шрифта" chooseCaptionColor, "Удалить все настройки для папки"
//   removeSettings, "Открыть в explorer" openInFileManager, "Выход" and the menu's "Выход" end the program;
//   "Выбрать" (button or option) choosePicture, " Без фона" chooseNoBackground;
//   menu "Подогнать размер": "Автоматически" fitToScreen, "Свой размер" fitToCustomSize, "Не менять"
//   keepPictureAsChosen; "О программе" or F1 shows the About window.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    FolderEditor& editor() { return m_editor; }
    const FolderEditor& editor() const { return m_editor; }
    FolderList* folderList() const { return m_folderList; }
    DriveList* driveList() const { return m_driveList; }

    void showAbout();
    void end();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void changeDrive();
    // Shows the editor's state; the one place the controls are set from it.
    void render();
    void markBackground(bool withBackground);
    void showMessage(const QString& text);

    MainWindowServices m_services;
    FolderEditor m_editor;
    qint64 m_shownPreview = 0;
    QString m_shownFolder;  // exactly as the editor holds it: the box's plain text turns no-break spaces into spaces
    QString m_startProblem; // why the start folder is not the one shown

    QTextEdit* m_folderPathBox = nullptr;
    FolderList* m_folderList = nullptr;
    DriveList* m_driveList = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLineEdit* m_picturePathLine = nullptr;
    QRadioButton* m_noBackgroundOption = nullptr;
    QRadioButton* m_pictureOption = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_preview = nullptr;
    QLabel* m_smallCaptionSample = nullptr;
    QLabel* m_largeCaptionSample = nullptr;
    QAction* m_fitToScreen = nullptr;
    QAction* m_fitToCustomSize = nullptr;
    QAction* m_keepPicture = nullptr;
};

} // namespace mirtal::app
