// The program itself under Wine: app/main.cpp, built into this test as programMain, starts in a folder whose
// Desktop.ini holds a foreign Cyrillic line in Windows-1251, and is driven from inside its own event loop with mouse
// clicks and keys that go through the system's input queue (SendInput). What it leaves is read back the way the
// shell reads it.
#include "Check.h"
#include "Support.h"
#include "platform/windows/Win32Files.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

int programMain(int argc, char** argv); // app/main.cpp

namespace check {
std::string show(const QString& text) { return text.toStdString(); }
} // namespace check

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

// Bytes in Windows-1251.
std::string ansi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(1251, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(std::size_t(size), '\0');
    WideCharToMultiByte(1251, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// Keeps the events running until done() holds; false when it never did within a bound far above what Wine needs.
bool waitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// A click as a user makes it: pointer to the widget's centre, button down and up through SendInput.
void clickByMouse(QWidget* widget)
{
    const QPoint centre = widget->mapToGlobal(widget->rect().center());
    SetCursorPos(centre.x(), centre.y());
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

void pressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Wine marks every file it reports as archive; the bits of interest are the others.
DWORD attributesOf(const std::wstring& path)
{
    const DWORD bits = GetFileAttributesW(path.c_str());
    return bits == INVALID_FILE_ATTRIBUTES ? bits : bits & ~DWORD(FILE_ATTRIBUTE_ARCHIVE);
}

std::wstring profileString(const std::wstring& ini, const wchar_t* key)
{
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"{BE098140-A513-11D0-A3A4-00C04FD706EC}", key, L"", value, MAX_PATH, ini.c_str());
    return value;
}

// Processes started by this one under a program name.
std::vector<DWORD> childrenNamed(const wchar_t* name)
{
    std::vector<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiW(entry.szExeFile, name) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

// What the run is given and what it saw.
struct Run {
    TempFolder folder;
    std::wstring ini() const { return folder / L"Desktop.ini"; }
    std::wstring copy() const { return mirtal::win::programDirectory() + L"\\pictures\\море.bmp"; }
    QStringList boxes;
    bool aboutActive = false, aboutClosed = false;
    QElapsedTimer aboutSeen;
    QString aboutFocus;
}* run = nullptr;

// Answers message boxes (Yes or OK) and the About window (one click on «Закрыть») as they come up.
void answerModals()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
        run->boxes.append(box->text());
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        (yes ? yes : box->button(QMessageBox::Ok))->click();
    } else if (modal && modal->isVisible() && modal->findChild<QWidget*>(S("closeBar")) && run->aboutFocus.isEmpty()) {
        // Activation arrives as a message of its own after the window shows: give it a moment.
        if (!run->aboutSeen.isValid())
            run->aboutSeen.start();
        run->aboutActive = QApplication::activeWindow() == modal;
        if (!run->aboutActive && run->aboutSeen.elapsed() < 2000)
            return;
        run->aboutFocus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : S("(none)");
        QObject::connect(modal, &QObject::destroyed, [] { run->aboutClosed = true; });
        clickByMouse(modal->findChild<QWidget*>(S("closeBar")));
    }
}

// A failed expectation ends the run: the steps after it build on what it checked.
#define EXPECT_THAT(ok, what)                                                                                          \
    do {                                                                                                               \
        if (!(ok)) {                                                                                                   \
            check::fail(__FILE__, __LINE__, what);                                                                     \
            QCoreApplication::exit(1);                                                                                 \
            return;                                                                                                    \
        }                                                                                                              \
    } while (false)
#define EXPECT(condition) EXPECT_THAT(condition, #condition)
#define EXPECT_EQ(actual, expected)                                                                                    \
    EXPECT_THAT((actual) == (expected),                                                                                \
                std::string(#actual) + ": " + check::show(actual) + ", expected " + check::show(expected))

// The whole job, run once the program's window is up.
void drive()
{
    QMainWindow* window = nullptr;
    EXPECT(waitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible())
                window = main;
        return window != nullptr;
    }));
    const auto control = [&](const char* name) { return window->findChild<QWidget*>(S(name)); };
    QTimer modals;
    QObject::connect(&modals, &QTimer::timeout, answerModals);
    modals.start(20);

    // Start-up: the screen in the title, the drive by its letter and label, Qt's own texts in Russian.
    EXPECT_EQ(window->windowTitle(), S("Мирталь папки - текущее разрешение: %1x%2")
                                         .arg(GetSystemMetrics(SM_CXSCREEN))
                                         .arg(GetSystemMetrics(SM_CYSCREEN)));
    const std::wstring driveRoot = run->folder.path().substr(0, 3);
    wchar_t label[MAX_PATH + 1] = {};
    GetVolumeInformationW(driveRoot.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    std::wstring drive = driveRoot.substr(0, 2);
    CharUpperW(drive.data());
    EXPECT_EQ(qobject_cast<QComboBox*>(control("driveList"))->currentText().toStdWString(),
              label[0] ? drive + L" [" + label + L"]" : drive);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), S("&Да"));

    // A listening Explorer window for the folder.
    const ShellListener listener(run->folder.path());
    EXPECT(listener.registered());

    // The picture of the settings file, fitted to the screen: the copy goes into "pictures" beside the program.
    QAction* automatic = window->findChild<QAction*>(S("fitToScreenAction"));
    EXPECT(automatic != nullptr);
    automatic->trigger();
    EXPECT(waitFor([] { return attributesOf(run->copy()) != INVALID_FILE_ATTRIBUTES; }));

    // The colour by the system's dialog, owned by the main window and answered from inside its own loop.
    colourDialog::answerNext(RGB(0xCC, 0x66, 0x33));
    clickByMouse(control("captionColorButton"));
    EXPECT(waitFor([] { return colourDialog::owner != nullptr && !IsWindow(colourDialog::shown); }));
    EXPECT(colourDialog::owner == HWND(window->winId()));

    // «Применить»: exact bytes, attributes as Windows reports them, the shell's reading, the change notice.
    clickByMouse(control("applyButton"));
    EXPECT(waitFor([] { return run->boxes.size() == 1; }));
    EXPECT_EQ(run->boxes.join(S("|")), S("Файл настройки отредактирован"));
    EXPECT_EQ(readBytes(run->ini()), "[.ShellClassInfo]\r\nInfoTip=" + ansi(L"Фотографии с моря") +
                                         "\r\n\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=" +
                                         ansi(run->copy()) + "\r\nIconArea_Text=0x003366CC\r\n");
    EXPECT_EQ(attributesOf(run->ini()), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(attributesOf(run->folder.path()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(profileString(run->ini(), L"IconArea_Image"), run->copy());
    EXPECT_EQ(profileString(run->ini(), L"IconArea_Text"), std::wstring(L"0x003366CC"));
    EXPECT(waitFor([] { return ShellListener::heard(SHCNE_UPDATEDIR); }));

    // «Открыть в explorer»: Explorer is started on the folder.
    clickByMouse(control("openInFileManagerButton"));
    EXPECT(waitFor([] { return !childrenNamed(L"explorer.exe").empty(); }));
    for (const DWORD id : childrenNamed(L"explorer.exe")) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }

    // F1: the About window opens active, with the focus in its text, and closes on the first click on «Закрыть».
    pressKey(VK_F1);
    EXPECT(waitFor([] { return run->aboutClosed; }));
    EXPECT(run->aboutActive);
    EXPECT_EQ(run->aboutFocus, S("description"));

    // «Удалить все настройки для папки», answered Yes: the file goes, the folder stays a system folder. The fit
    // goes back to "Не менять" first, and with no picture chosen in this run that is a failed picture load.
    ShellListener::clear();
    clickByMouse(control("removeSettingsButton"));
    EXPECT(waitFor([] { return run->boxes.size() == 4; }));
    EXPECT_EQ(run->boxes.mid(2).join(S("|")), S("Вы уверены?|Файл настройки удалён"));
    EXPECT(run->boxes.at(1).startsWith(S("Ошибка загрузки фона")));
    EXPECT_EQ(attributesOf(run->ini()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributesOf(run->folder.path()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
    EXPECT(waitFor([] { return ShellListener::heard(SHCNE_UPDATEDIR); }));

    QCoreApplication::exit(0);
}

void startDriving() { QTimer::singleShot(0, drive); }
Q_COREAPP_STARTUP_FUNCTION(startDriving)

} // namespace

TEST_CASE(wholeJobThroughTheProgram)
{
    REQUIRE(check::systemCodePageIs1251());
    Run state;
    run = &state;
    // A picture, and a settings file that names it beside the shell's own section with a Cyrillic tip.
    REQUIRE(QImage(64, 48, QImage::Format_RGB32).save(QString::fromStdWString(state.folder / L"море.bmp"), "BMP"));
    REQUIRE(writeBytes(state.ini(), "[.ShellClassInfo]\r\nInfoTip=" + ansi(L"Фотографии с моря") +
                                        "\r\n\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=" +
                                        ansi(state.folder / L"море.bmp") + "\r\nIconArea_Text=0x00000000\r\n"));
    // The program starts in the folder it is started from.
    REQUIRE(SetCurrentDirectoryW(state.folder.path().c_str()));

    char name[] = "mirtal";
    char* argv[] = {name, nullptr};
    const int status = programMain(1, argv);
    CHECK(status == 0);

    SetCurrentDirectoryW(mirtal::win::programDirectory().c_str());
    DeleteFileW(state.copy().c_str());
    RemoveDirectoryW((mirtal::win::programDirectory() + L"\\pictures").c_str());
    run = nullptr;
}
