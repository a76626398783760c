// The main window over the real Windows platform layer, under Wine with Qt's windows platform: the whole job on a
// folder whose Desktop.ini holds a foreign line in Windows-1251, driven by mouse clicks that go through the
// system's input queue, and read back the way the shell reads it.
#include "Support.h"

#include "about/Form2.h"
#include "app/Form1.h"
#include "app/GeneralErrorPath.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <shlobj.h>
#include <tlhelp32.h>

#include <functional>
#include <vector>

using namespace mirtal;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

// Keeps the events running until done() holds; false when it never did within a bound far above what Wine needs.
bool waitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// A click as a user makes it: the pointer moved to the widget's centre and the button pressed and released through
// SendInput, so that the press travels through the system's input queue and Qt's windows platform.
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

// Answers every message box as it comes up (Yes or OK) and records its text.
class BoxAnswerer final {
public:
    BoxAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.append(box->text());
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        m_timer.start(20);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

// The colour dialog comes up as a dialog-class window of this thread; a timer running inside its message loop sets
// the colour's red, green and blue fields and presses OK.
HWND colourDialog = nullptr, colourDialogOwner = nullptr;
COLORREF colourToGive = 0;
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(HWND(wParam), className, 16) && wcscmp(className, L"#32770") == 0)
        colourDialog = HWND(wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
void CALLBACK answerColourDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!colourDialog)
        return;
    KillTimer(nullptr, timer);
    colourDialogOwner = GetWindow(colourDialog, GW_OWNER);
    // colordlg.h: COLOR_RED, COLOR_GREEN, COLOR_BLUE, there even when the dialog is not opened in full.
    SetDlgItemInt(colourDialog, 706, GetRValue(colourToGive), FALSE);
    SetDlgItemInt(colourDialog, 707, GetGValue(colourToGive), FALSE);
    SetDlgItemInt(colourDialog, 708, GetBValue(colourToGive), FALSE);
    SendMessageW(colourDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(colourDialog, IDOK)));
}

// A shell listener, as Explorer registers one for each open folder: the events heard for the folder.
constexpr UINT kShellMessage = WM_APP + 1;
std::vector<LONG> heard;
LRESULT CALLBACK listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kShellMessage)
        return DefWindowProcW(window, message, wParam, lParam);
    PIDLIST_ABSOLUTE* pidls = nullptr;
    LONG event = 0;
    if (const HANDLE lock = SHChangeNotification_Lock(HANDLE(wParam), DWORD(lParam), &pidls, &event)) {
        heard.push_back(event);
        SHChangeNotification_Unlock(lock);
    }
    return 0;
}
bool heardUpdate() { return std::find(heard.begin(), heard.end(), SHCNE_UPDATEDIR) != heard.end(); }

// Processes started by this one under a program name, e.g. L"explorer.exe".
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

// Wine marks every file it reports as archive; the bits of interest are the others.
DWORD attributesOf(const std::wstring& path)
{
    const DWORD bits = GetFileAttributesW(path.c_str());
    return bits == INVALID_FILE_ATTRIBUTES ? bits : bits & ~DWORD(FILE_ATTRIBUTE_ARCHIVE);
}

QString profileString(const std::wstring& ini, const wchar_t* key)
{
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"{BE098140-A513-11D0-A3A4-00C04FD706EC}", key, L"", value, MAX_PATH, ini.c_str());
    return QString::fromWCharArray(value);
}

} // namespace

class TestWindowsApp final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qtSpeaksRussian();
    void wholeJobByMouse();
    void aboutClosesOnFirstClick();
};

// Qt's translation is compiled in, and found where the program looks for it.
void TestWindowsApp::qtSpeaksRussian()
{
    QTranslator translator;
    QVERIFY(translator.load(QLocale(QLocale::Russian, QLocale::Russia), S("qtbase"), S("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QCOMPARE(translator.translate("QPlatformTheme", "&Yes"), S("&Да"));
}

void TestWindowsApp::wholeJobByMouse()
{
    QCOMPARE(GetACP(), 1251u);
    TempFolder folder;
    const std::wstring ini = folder / L"Desktop.ini";
    // The shell's own section with a Cyrillic tip, in Windows-1251: a foreign line to keep.
    QVERIFY(writeBytes(ini, "[.ShellClassInfo]\r\nInfoTip=\xD4\xEE\xF2\xEE\xE3\xF0\xE0\xF4\xE8\xE8 \xF1 "
                            "\xEC\xEE\xF0\xFF\r\n"));

    platform::Services services = platform::createServices();
    int ends = 0;
    app::GeneralErrorPath errorPath(*services.dialogs, [&](int) { ++ends; });
    const QString start = QString::fromStdWString(folder.path());
    app::Form1 form(app::Form1Services{*services.fileSystem,
                                       *services.pictures,
                                       *services.dialogs,
                                       *services.shell,
                                       *services.screen,
                                       errorPath,
                                       {},
                                       {},
                                       start,
                                       QLocale::system()});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    BoxAnswerer boxes;

    // Start-up: the title gives the screen in pixels at 96 dpi, the pictures folder lies beside the executable,
    // the drive list names the drive by its letter and label.
    QCOMPARE(form.windowTitle(), S("Мирталь папки - текущее разрешение: %1x%2")
                                     .arg(GetSystemMetrics(SM_CXSCREEN))
                                     .arg(GetSystemMetrics(SM_CYSCREEN)));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    QString exeFolder = QString::fromWCharArray(self);
    exeFolder.truncate(exeFolder.lastIndexOf(QLatin1Char('\\')));
    QCOMPARE(form.PicturesDir, exeFolder + S("\\pictures\\"));
    const std::wstring driveRoot = folder.path().substr(0, 3);
    wchar_t label[MAX_PATH + 1] = {};
    GetVolumeInformationW(driveRoot.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    const QString letter = QString::fromStdWString(driveRoot.substr(0, 2)).toUpper();
    const QString labelText = QString::fromWCharArray(label);
    QCOMPARE(form.findChild<QComboBox*>(S("Drive1"))->currentText(),
             labelText.isEmpty() ? letter : S("%1 [%2]").arg(letter, labelText));

    // A listening Explorer window for the folder.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = listen;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MirtalAppShellListener";
    QVERIFY(RegisterClassW(&windowClass) != 0);
    const HWND listener = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          windowClass.hInstance, nullptr);
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(folder.path().c_str());
    SHChangeNotifyEntry entry{pidl, FALSE};
    const ULONG registration =
        SHChangeNotifyRegister(listener, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                               SHCNE_UPDATEDIR | SHCNE_ATTRIBUTES, kShellMessage, 1, &entry);
    QVERIFY(registration != 0);

    // The colour by the system's dialog, answered from inside its own loop.
    colourToGive = RGB(0xCC, 0x66, 0x33);
    const HHOOK hook = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    const UINT_PTR answer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, answerColourDialog);
    clickByMouse(form.findChild<QWidget*>(S("Command3")));
    QVERIFY(waitFor([&] { return form.TextColorHex == S("3366CC"); }));
    KillTimer(nullptr, answer);
    UnhookWindowsHookEx(hook);
    QVERIFY(colourDialog != nullptr);
    QCOMPARE(colourDialogOwner, HWND(form.winId()));

    // «Применить»: the bytes the program writes everywhere (the fixture), the attributes and the shell's reading.
    form.ImagePath = S("D:\\Фото\\море.jpg");
    clickByMouse(form.findChild<QWidget*>(S("Command5")));
    QVERIFY(waitFor([&] { return boxes.texts.size() == 1; }));
    QCOMPARE(boxes.texts, QStringList{S("Файл настройки отредактирован")});
    QFile fixture(QDir(QCoreApplication::applicationDirPath()).filePath(S("Desktop.ini.fixture")));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    QCOMPARE(QByteArray::fromStdString(readBytes(ini)), fixture.readAll());
    QCOMPARE(attributesOf(ini), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    QCOMPARE(attributesOf(folder.path()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
    QCOMPARE(profileString(ini, L"IconArea_Image"), S("D:\\Фото\\море.jpg"));
    QCOMPARE(profileString(ini, L"IconArea_Text"), S("0x003366CC"));
    QVERIFY(waitFor(heardUpdate));

    // «Открыть в explorer»: Explorer is started on the folder.
    clickByMouse(form.findChild<QWidget*>(S("Command6")));
    QVERIFY(waitFor([] { return !childrenNamed(L"explorer.exe").empty(); }));
    for (const DWORD id : childrenNamed(L"explorer.exe")) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }

    // «Удалить все настройки для папки», answered Yes: the file goes, the folder stays a system folder.
    heard.clear();
    clickByMouse(form.findChild<QWidget*>(S("Command4")));
    QVERIFY(waitFor([&] { return boxes.texts.size() == 3; }));
    QCOMPARE(boxes.texts.mid(1), QStringList({S("Вы уверены?"), S("Файл настройки удалён")}));
    QCOMPARE(attributesOf(ini), INVALID_FILE_ATTRIBUTES);
    QCOMPARE(attributesOf(folder.path()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
    QVERIFY(waitFor(heardUpdate));
    QCOMPARE(ends, 0);

    SHChangeNotifyDeregister(registration);
    ILFree(pidl);
    DestroyWindow(listener);
}

// The About window, shown modally over its owner, is the active window with the focus in its text, so that the first
// click on «Закрыть» closes it.
void TestWindowsApp::aboutClosesOnFirstClick()
{
    platform::Services services = platform::createServices();
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    about::Form2 about(*services.http, *services.shell, QString(about::kSiteRoot), about::systemRandom(), &owner);
    bool active = false;
    QString focus;
    int clicks = 0;
    QElapsedTimer sinceClick;
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
        if (!about.isVisible())
            return;
        if (clicks == 0) {
            active = QApplication::activeWindow() == &about;
            focus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            clickByMouse(about.findChild<QWidget*>(S("Label3")));
            ++clicks;
            sinceClick.start();
        } else if (sinceClick.elapsed() > 5000) {
            about.reject(); // the click did not close it
        }
    });
    driver.start(50);
    about.exec();
    QVERIFY(active);
    QCOMPARE(focus, S("Text1"));
    QVERIFY(sinceClick.elapsed() <= 5000);
}

QTEST_MAIN(TestWindowsApp)
#include "tst_windows_app.moc"
