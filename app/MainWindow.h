#pragma once

#include "GeneralErrorPath.h"
#include "platform/OptionGroup.h"
#include "platform/Platform.h"

#include <QLocale>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QFrame;

namespace mirtal::app {

class DriveList;
class FolderList;

// What the custom-size dialog hands back when confirmed: the two texts as typed.
struct CustomSize {
    QString width;
    QString height;
};

// What the measuring surface Picture2 holds: the current picture, known by its file and its natural size. Its
// pixels are decoded only when a scaled copy is made, and then only as many as the copy needs.
struct HeldPicture {
    QString path;
    QSize naturalSize{0, 0};
    QSize size() const { return naturalSize; }
};

// What the main window needs from outside; tests pass fakes.
struct MainWindowServices {
    platform::FileSystem& fileSystem;
    platform::Pictures& pictures;
    platform::Dialogs& dialogs;
    platform::Shell& shell;
    platform::Screen& screen;
    GeneralErrorPath& errorPath;
    // The modal windows, built afresh for every showing.
    std::function<void(QWidget* owner)> showAbout;
    std::function<std::optional<CustomSize>(QWidget* owner)> askCustomSize;
    QString startDirectory;
    QLocale locale;
};

// The main window: picks a folder, a picture and a caption colour and writes them into the folder's Desktop.ini.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Editor state.
    QString ImagePath;
    QString TextColorHex;
    QString SectionHeader;
    QString IniText;
    QString OtherLines;
    bool FitResetInProgress = false;
    QString PicturesDir;
    bool CustomSizeSet = false;
    // The file-open dialog's settings and the file it remembers.
    struct FileDialogState {
        QString title;
        QString filter;
        QString fileName;
    } CommonDialog1;

    // The start-up sequence; the constructor runs it, as the window's load.
    void Form_Load();

    // Event handlers, callable from code exactly as the user's action runs them.
    void Command8_Click(); // load
    void Command5_Click(); // apply
    void Command3_Click(); // caption colour
    void Command4_Click(); // remove
    void Command6_Click(); // open in the file manager
    void Command7_Click(); // end
    void Command2_Click(); // choose a picture
    void Option1_MouseDown();
    void Option2_MouseDown();
    void Option3_Click(int index);
    void Dir1_Change();
    void Dir1_Click();
    void Drive1_Change();
    void Exit_Click();
    void R1024_Click();
    void RXXXX_Click();
    void RNN_Click();
    void Справка_Click();

    // Shared picture steps.
    Status LoadPreview(const QString& path);
    void ClearPreview();
    Status ShowSizeText();
    void MarkBackground(bool withPicture);
    void ResetFitChoice();
    void UpdateFitMenuChecks();
    void MakeScaledCopy(int width, int height);

    // For tests and the layout check.
    platform::OptionGroup& option3() { return *m_option3; }
    const HeldPicture& picture2() const { return m_picture2; }
    QColor sampleColor() const;
    FolderList* folderList() const { return m_dir1; }
    DriveList* driveList() const { return m_drive1; }
    QAction* menuAction(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void ChoosePicture();
    void ChooseNoBackground();
    void RevertToDialogFile();
    void damagedFileQuestion();
    QString settingsPath() const;
    QString picturesFolder() const;
    void setSampleColor(quint32 color);
    void setText2(const QString& text);
    QString text2() const;
    void showMessage(const QString& text, const QString& title, platform::MessageIcon icon);
    bool fail(const Status& status);

    MainWindowServices m_services;
    std::unique_ptr<platform::OptionGroup> m_option3;
    HeldPicture m_picture2;
    QColor m_sampleColor;

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QFrame* m_frame3 = nullptr;
    QGroupBox* m_frame4 = nullptr;
    QTextEdit* m_text2 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text3 = nullptr;
    FolderList* m_dir1 = nullptr;
    DriveList* m_drive1 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label5 = nullptr;
    QLabel* m_image1 = nullptr;
    QLabel* m_image2 = nullptr;
    QFrame* m_picture1 = nullptr;
    QFrame* m_picture2Box = nullptr;
    QFrame* m_picture3Box = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QList<QPushButton*> m_option3Buttons;
    QAction* m_exit = nullptr;
    QAction* m_r1024 = nullptr;
    QAction* m_rxxxx = nullptr;
    QAction* m_rnn = nullptr;
    QAction* m_spravka = nullptr;
};

} // namespace mirtal::app
