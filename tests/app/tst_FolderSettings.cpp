// Reading, applying and removing a folder's Desktop.ini: the exact bytes and attributes written, foreign lines kept,
// the damaged-file question, refusal without loss, the copy removed with the settings, and every box shown.
#include "Harness.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace mirtal;
namespace attr = platform::attr;

namespace {

const QString kPicture = S("/Фото/море.jpg"), kCopy = copyOf(S("море.bmp")), kFar = S("/pics/日本.jpg");
const QByteArray kOurs = "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n";
const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n" + kOurs +
                            "IconArea_Image=C:\\old.jpg\r\nForeign=1\r\nIconArea_Text=0x00FF\r\n";
const QByteArray kForeignAfter =
    "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n" + kOurs + "IconArea_Text=0x00FF\r\n";
const QByteArray kCreated = kOurs + "IconArea_Image=" + cp1251(kPicture) + "\r\nIconArea_Text=0x00FF\r\n";
const QByteArray kGoneFile = "IconArea_Image=/pics/gone.jpg\r\nIconArea_Text=0x00ff\r\n";
constexpr quint32 kBefore = attr::Hidden | attr::System | attr::ReadOnly; // of the folder and of its file
const QString kDamaged = S("? Мирталь: Во время чтения файла настройки возникла ошибка \r\n"
                           "              Вероятно файл настройки испорчен\r\n"
                           "                             Удалить его?");
const QString kRefused = S("! Мирталь: Путь к картинке нельзя записать в файл настройки.\nСимвол «日» (U+65E5) нельзя "
                           "записать в кодировке Windows-1251.\nПереименуйте картинку или выберите другую. Ничего "
                           "не записано.");
const QString kNoFile = S("! Нет здесь никакого файла настройки: В выбранной папке нет файла настройки");
const QString kSure = S("? Подтверждение удаления: Вы уверены?"), kRemoved = S("i Радуйся: Файл настройки удалён");
const QString kEdited = S("i Готово: Файл настройки отредактирован");
const QString kFound = S("Файл настройки найден"), kGone = S("Файла настройки больше нет с нами");

// What the user does, in turn; the answers to questions wait ahead, each taken only if its question comes.
enum class Step { Yes, ChoosePicture, ChooseUnwritablePicture, ChooseColour, NoBackground, Apply, Remove };
using enum Step;

struct Case {
    const char* name;
    QByteArray file; // Desktop.ini at the start; empty: none
    QList<Step> user;
    QStringList boxes;
    QByteArray after;        // Desktop.ini at the end; empty: gone
    QString status = kFound; // the status line at the end
};

const QList<Case> kCases = {
    {"create", {}, {ChoosePicture, ChooseColour, Apply}, {S("i Готово: Файл настройки создан")}, kCreated},
    // The first rewrite puts one empty line ahead of our section; later ones change nothing.
    {"rewrite stably", kCreated, {Apply, Apply}, {kEdited, kEdited}, "\r\n" + kCreated},
    {"rewrite keeps foreign lines", kForeign, {NoBackground, Apply}, {kEdited}, kForeignAfter},
    {"a path the code page cannot hold is refused", kForeign, {ChooseUnwritablePicture, Apply}, {kRefused}, kForeign},
    // A file Windows wrote in UTF-16LE holds any character, and keeps its encoding.
    {"UTF-16LE takes any path",
     utf16le(S("Foreign=写真\r\n")),
     {ChooseUnwritablePicture, Apply},
     {kEdited},
     utf16le(S("Foreign=写真\r\n\r\n") + QString::fromLatin1(kOurs) +
             S("IconArea_Image=/pics/日本.jpg\r\nIconArea_Text=0x00000000\r\n"))},
    // A picture gone is not shown, but its path is kept and written back.
    {"missing picture", kGoneFile, {Apply}, {kEdited}, "\r\n" + kOurs + kGoneFile},
    {"damaged, kept on No", "IconArea_Text=0x00GG\r\n", {}, {kDamaged}, "IconArea_Text=0x00GG\r\n"},
    {"damaged, deleted on Yes twice", "IconArea_Text=255\r\n", {Yes, Yes}, {kDamaged, kSure, kRemoved}, {}, kGone},
    {"remove without a file", {}, {Remove}, {kNoFile}, {}, S("Файл настройки отсутствует")},
    {"remove answered No", kForeign, {Remove}, {kSure}, kForeign},
    {"remove with the picture's copy", kCreated, {Yes, Remove}, {kSure, kRemoved}, {}, kGone},
    {"remove, picture name under four", "IconArea_Image=/pics/a.b\r\n", {Yes, Remove}, {kSure, kRemoved}, {}, kGone},
};

} // namespace

class TestFolderSettings final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void job_data();
    void job();
    void pictureInsideFolder_data();
    void pictureInsideFolder();
    void unreadableFileIsNoDamagedFile_data();
    void unreadableFileIsNoDamagedFile();
};

void TestFolderSettings::job_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < kCases.size(); ++i)
        QTest::newRow(kCases[i].name) << i;
}

void TestFolderSettings::job()
{
    QFETCH(int, index);
    const Case& c = kCases[index];
    Harness h;
    h.fs.addDirectory(h.folder(), kBefore);
    for (const QString& picture : {kPicture, kCopy, kFar, S("/pics/a.b")})
        h.addPicture(picture, QSize(40, 30));
    if (!c.file.isEmpty())
        h.writeIni(c.file, kBefore);
    // The dialogs' answers wait ahead, each taken only if its dialog opens.
    for (int i = 0; i < c.user.count(Yes); ++i)
        h.dialogs.queueAnswer(platform::Answer::Yes);
    h.dialogs.queueFile(c.user.contains(ChooseUnwritablePicture) ? kFar : kPicture);
    h.dialogs.queueColor(0x0000FF);
    h.fs.clearLog();
    h.startEditor();
    using E = app::FolderEditor;
    const QList<void (E::*)()> operations{
        nullptr,   &E::choosePicture, &E::choosePicture, &E::chooseCaptionColor, &E::chooseNoBackground,
        &E::apply, &E::removeSettings};
    for (const Step step : c.user)
        if (step != Yes)
            (h.editor().*operations[int(step)])();
    QCOMPARE(h.boxes(), c.boxes);
    QCOMPARE(h.state().status, c.status);
    QCOMPARE(h.fs.exists(h.iniPath()) ? h.ini() : QByteArray(), c.after);
    // A write leaves the file hidden and system, the folder a system folder only, and tells the shell; removing
    // leaves the folder as it was, and a refusal or No changes nothing on disk.
    const bool written = !c.after.isEmpty() && c.after != c.file;
    if (!c.after.isEmpty())
        QCOMPARE(h.fs.entry(h.iniPath())->attributes, written ? attr::Hidden | attr::System : kBefore);
    QCOMPARE(h.fs.entry(h.folder())->attributes, written ? attr::System : kBefore);
    QCOMPARE(h.fs.log().filter(QRegularExpression(S("^(write|attrib|remove) "))).isEmpty(), c.after == c.file);
    QCOMPARE(h.shell.changedFolders.value(0), c.after == c.file ? QString() : h.folder());
    // Removing a picture's settings takes its copy in the program's folder, never the picture itself.
    QVERIFY(h.fs.exists(kPicture) && (c.status != kGone || h.state().imagePath.isEmpty()));
    QCOMPARE(h.fs.exists(kCopy), !(c.after.isEmpty() && c.file.contains(cp1251(kPicture))));
}

void TestFolderSettings::pictureInsideFolder_data()
{
    QTest::addColumn<QString>("read");    // IconArea_Image in the file at the start; empty: chosen in the dialog
    QTest::addColumn<QString>("picture"); // where the file lies, below the start folder
    QTest::addColumn<QString>("target");  // the folder applied to, below the start folder; empty: that folder
    QTest::addColumn<QString>("written"); // IconArea_Image after apply; %1 the start folder
    QTest::newRow("read with a dot") << S(".\\фон.jpg") << S("фон.jpg") << QString() << S(".\\фон.jpg");
    QTest::newRow("read bare") << S("фон.jpg") << S("фон.jpg") << QString() << S("фон.jpg");
    QTest::newRow("read below") << S("sub\\фон.jpg") << S("sub/фон.jpg") << QString() << S("sub\\фон.jpg");
    QTest::newRow("chosen below") << QString() << S("sub/лес.jpg") << QString() << S(".\\sub\\лес.jpg");
    // Only what is written is checked against the code page.
    QTest::newRow("chosen, folder outside the code page")
        << QString() << S("日本/лес.jpg") << S("日本") << S(".\\лес.jpg");
    QTest::newRow("read, applied elsewhere") << S(".\\фон.jpg") << S("фон.jpg") << S("sub") << S("%1/фон.jpg");
}

// A picture path relative to the folder is what Windows clients of a share can follow: read from the file, the
// picture is found in the folder and its copy named after it; chosen inside the folder, it is written relative.
void TestFolderSettings::pictureInsideFolder()
{
    QFETCH(QString, read);
    QFETCH(QString, picture);
    QFETCH(QString, target);
    QFETCH(QString, written);
    Harness h;
    const QString file = QDir::toNativeSeparators(h.folder() + u'/' + picture);
    const QString copyBmp = copyOf(picture.section(u'/', -1).chopped(4) + S(".bmp")),
                  to = target.isEmpty() ? h.folder() : QDir::toNativeSeparators(h.folder() + u'/' + target);
    h.fs.addDirectory(h.folder() + S("/sub"));
    h.fs.addDirectory(h.folder() + S("/日本"));
    h.addPicture(file, QSize(40, 30));
    h.addPicture(copyBmp, QSize(40, 30));
    if (!read.isEmpty())
        h.writeIni(cp1251(S("IconArea_Image=") + read + S("\r\n")));
    h.dialogs.queueFile(file);
    h.startEditor();
    if (read.isEmpty())
        h.editor().choosePicture();
    // The line under the options shows the file the preview shows.
    QVERIFY(h.state().withBackground && !h.state().preview.isNull() && h.state().shownPath == file);
    h.editor().highlightFolder(to);
    h.editor().apply();
    // Windows writes a picture chosen as its full path, which the code page may not hold.
    const bool asChosen = read.isEmpty() && settings::hostPathStyle() == settings::PathStyle::Windows;
    if (asChosen && file.contains(S("日本"))) {
        QVERIFY(h.boxes().size() == 1 && h.boxes().constFirst().contains(S("«日»")));
        return;
    }
    QCOMPARE(h.boxes().size(), 1);
    QVERIFY(h.boxes().constFirst().startsWith(S("i Готово")));
    const QByteArray ini = h.fs.bytes(to + S("/Desktop.ini"));
    const QString expected = asChosen ? file : QDir::toNativeSeparators(QString(written).replace(S("%1"), h.folder()));
    const QByteArray line = "}]\r\nIconArea_Image=" + cp1251(expected) + "\r\nIconArea_Text=";
    QVERIFY2(ini.contains(line), ini.constData());
    QVERIFY(h.state().shownPath == file && h.state().withBackground);
    // Its copy is found by the picture's own name, and made under it.
    h.editor().chooseNoBackground();
    QVERIFY(!h.fs.exists(copyBmp) && h.fs.exists(file));
    h.editor().reload();
    h.editor().fitToScreen();
    QCOMPARE(h.state().imagePath, copyBmp);
    QVERIFY(h.fs.exists(copyBmp) && h.state().shownPath == copyBmp);
    h.editor().reload();
    h.editor().keepPictureAsChosen();
    h.editor().reload();
    h.dialogs.queueAnswer(platform::Answer::Yes);
    h.editor().removeSettings();
    QVERIFY(!h.fs.exists(copyBmp) && h.fs.exists(file) && !h.fs.exists(to + S("/Desktop.ini")));
}

// A settings file the process may not read is neither found nor damaged: the message says which folder and why,
// nothing of the folder shown before stays, and no removal is offered.
void TestFolderSettings::unreadableFileIsNoDamagedFile_data()
{
    using Op = platform::FakeFileSystem::Op;
    QTest::addColumn<int>("operation"); // 0 load, 1 apply, 2 remove
    QTest::addColumn<int>("failing");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("status");
    const auto row = [](const char* name, int operation, Op failing, ErrorKind kind, const char* status) {
        QTest::newRow(name) << operation << int(failing) << int(kind) << S(status);
    };
    row("load, no permission", 0, Op::Read, ErrorKind::PermissionDenied, "Файл настройки недоступен");
    row("load, UTF-16BE", 0, Op::Read, ErrorKind::Refused, "Файл настройки найден");
    row("apply, UTF-16BE", 1, Op::Read, ErrorKind::Refused, "Файл настройки найден");
    row("apply, a link", 1, Op::Write, ErrorKind::Refused, "Файл настройки найден");
    row("remove, a link", 2, Op::SetAttributes, ErrorKind::Refused, "Файл настройки найден");
}

// Neither the damaged-file question (whose Yes removes the file) nor the general error path: the reason is said,
// the file is left as it is, and the program goes on.
void TestFolderSettings::unreadableFileIsNoDamagedFile()
{
    QFETCH(int, operation);
    QFETCH(int, failing);
    QFETCH(int, kind);
    QFETCH(QString, status);
    Harness h;
    h.addPicture(kPicture, QSize(40, 30));
    h.writeIni(kCreated);
    h.startEditor();
    QVERIFY(h.state().withBackground);
    const QString why = S("Файл настройки «/x» нельзя менять.");
    h.fs.failNext(platform::FakeFileSystem::Op(failing), h.iniPath(), 0, why, ErrorKind(kind));
    h.dialogs.queueAnswer(platform::Answer::Yes);
    const QList<void (app::FolderEditor::*)()> operations{&app::FolderEditor::reload, &app::FolderEditor::apply,
                                                          &app::FolderEditor::removeSettings};
    (h.editor().*operations[operation])();
    QCOMPARE(h.boxes().filter(why), QStringList{S("! Мирталь: ") + why});
    QVERIFY(h.ends == 0 && h.ini() == kCreated);
    QCOMPARE(h.state().status, status);
    if (operation == 0) {
        QVERIFY(!h.state().withBackground && h.state().preview.isNull() && h.state().shownPath.isEmpty());
        QVERIFY(h.state().imagePath.isEmpty() && h.state().captionColor == QColor(0, 0, 0));
    }
}

QTEST_MAIN(TestFolderSettings)
#include "tst_FolderSettings.moc"
