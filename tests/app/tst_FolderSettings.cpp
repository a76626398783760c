// Reading, applying and removing a folder's Desktop.ini: the exact bytes and attributes written, foreign lines kept,
// the damaged-file question, refusal without loss, the copy removed with the settings, and every box shown.
#include "Harness.h"

#include <QDir>
#include <QTest>
#include <QTextEdit>

#include <functional>

using namespace mirtal;
namespace attr = platform::attr;

namespace {

QByteArray cp1251(const QString& text) { return platform::AnsiCodePage::windows1251().encode(text).value(); }

const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=C:\\old.jpg\r\n"
                            "Foreign=1\r\nIconArea_Text=0x00FF\r\n";
const QByteArray kUnchanged = "as at the start";
constexpr quint32 kBefore = attr::Hidden | attr::System | attr::ReadOnly; // of every file the window finds
const QString kDamaged = S("? Мирталь: Во время чтения файла настройки возникла ошибка \r\n"
                           "              Вероятно файл настройки испорчен\r\n"
                           "                             Удалить его?");
const QString kSure = S("? Подтверждение удаления: Вы уверены?");
const QString kRemoved = S("i Радуйся: Файл настройки удалён");
const QString kEdited = S("i Готово: Файл настройки отредактирован");
const QString kFound = S("Файл настройки найден");
const QString kGone = S("Файла настройки больше нет с нами");

struct Case {
    const char* name;
    QByteArray file = {}; // Desktop.ini when the window starts; empty: none
    int yes = 0;          // answers Yes queued before the start
    std::function<void(Harness&)> act = [](Harness&) {};
    QStringList boxes = {};        // every box from the start on
    QByteArray after = kUnchanged; // Desktop.ini at the end; empty: gone
    quint32 attributes = kBefore;
    QString label2 = kFound;
};

// Removing a picture's settings takes its copy in the program's folder, never the picture itself.
Case removal(const char* name, const QString& picture, const QString& copy)
{
    const auto act = [=](Harness& h) {
        h.addPicture(picture, QSize(20, 10));
        if (!copy.isEmpty())
            h.addPicture(copy, QSize(5, 5));
        QCOMPARE(h.form().ImagePath, picture);
        h.form().Command4_Click();
        QVERIFY(copy.isEmpty() || !h.fs.exists(copy));
        QCOMPARE(h.fs.exists(picture), picture != copy);
        QCOMPARE(h.form().ImagePath, QString());
        QCOMPARE(h.shell.changedFolders, QStringList{h.folder()});
    };
    return {name, cp1251(S("IconArea_Image=") + picture + S("\r\n")), 1, act, {kSure, kRemoved}, {}, 0, kGone};
}

const QList<Case>& cases()
{
    static const QByteArray created = cp1251(S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                               "IconArea_Image=/Фото/море.jpg\r\nIconArea_Text=0x00FF\r\n"));
    const auto remove = [](Harness& h) { h.form().Command4_Click(); };
    static const QList<Case> all = {
        {.name = "create, then rewrite stably",
         .act =
             [](Harness& h) {
                 h.fs.addDirectory(h.folder(), attr::Hidden | attr::ReadOnly);
                 h.choose(S("/Фото/море.jpg"));
                 h.dialogs.queueColor(0x0000FF);
                 h.form().Command3_Click();
                 h.form().Command5_Click();
                 QCOMPARE(h.ini(), created);
                 QCOMPARE(h.shell.changedFolders, QStringList{h.folder()});
                 QCOMPARE(h.form().TextColorHex, S("FF")); // reloaded as written
                 // The first rewrite puts one empty line ahead of our section; later ones change nothing.
                 h.form().Command5_Click();
                 h.form().Command5_Click();
             },
         .boxes = {S("i Готово: Файл настройки создан"), kEdited, kEdited},
         .after = "\r\n" + created,
         .attributes = attr::Hidden | attr::System},
        {.name = "rewrite keeps foreign lines",
         .file = kForeign,
         .act =
             [](Harness& h) {
                 h.form().Option1_MouseDown(); // no background
                 h.form().TextColorHex.clear();
                 h.form().Command5_Click();
             },
         .boxes = {kEdited},
         .after = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
                  "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00000000\r\n",
         .attributes = attr::Hidden | attr::System},
        {.name = "a path the code page cannot hold is refused, touching nothing",
         .file = kForeign,
         .act =
             [](Harness& h) {
                 h.choose(S("/pics/日本.jpg"));
                 h.fs.clearLog();
                 h.form().Command5_Click();
                 for (const QString& call : h.fs.log())
                     QVERIFY2(!call.startsWith(S("write")) && !call.startsWith(S("attrib")), qPrintable(call));
                 QCOMPARE(h.form().ImagePath, S("/pics/日本.jpg"));
             },
         .boxes = {S("! Мирталь: Путь к картинке нельзя записать в файл настройки.\nСимвол «日» (U+65E5) нельзя "
                     "записать в кодировке Windows-1251.\nПереименуйте картинку или выберите другую. Ничего не "
                     "записано.")}},
        {.name = "colour line of 18 characters", .file = "IconArea_Text=0xFF\r\n", .boxes = {kDamaged}},
        {.name = "colour line too short", .file = "IconArea_Text=255\r\n", .boxes = {kDamaged}},
        {.name = "not hexadecimal", .file = "IconArea_Text=0x00GG\r\n", .boxes = {kDamaged}},
        {.name = "above a colour", .file = "IconArea_Text=0x001000000\r\n", .boxes = {kDamaged}},
        // Read byte by byte as ANSI text: no key is recognised, and nothing breaks.
        {.name = "UTF-16", .file = QByteArray("\xFF\xFEI\0c\0o\0n\0A\0r\0e\0a\0_\0T\0e\0x\0t\0=\0\r\0\n\0", 34)},
        {.name = "damaged, deleted on Yes twice",
         .file = "IconArea_Text=255\r\n",
         .yes = 2,
         .boxes = {kDamaged, kSure, kRemoved},
         .after = {},
         .label2 = kGone},
        {.name = "remove without a file",
         .act = remove,
         .boxes = {S("! Нет здесь никакого файла настройки: В выбранной папке нет файла настройки")},
         .after = {},
         .label2 = S("Файл настройки отсутствует")},
        {.name = "remove answered No", .file = kForeign, .act = remove, .boxes = {kSure}},
        removal("remove: copy of a picture", S("/Фото/море.jpg"), S("/opt/mirtal/pictures/море.bmp")),
        removal("remove: the copy itself", S("/opt/mirtal/pictures/sea.bmp"), S("/opt/mirtal/pictures/sea.bmp")),
        removal("remove: name shorter than four", S("/pics/a.b"), QString()),
        // The fit reset finds no file chosen in the dialog: no picture, so no copy is looked for.
        {.name = "remove after the automatic fit of the file's picture",
         .file = "IconArea_Image=/pics/sea.jpg\r\n",
         .yes = 1,
         .act =
             [](Harness& h) {
                 h.form().R1024_Click();
                 QCOMPARE(h.form().ImagePath, S("/opt/mirtal/pictures/sea.bmp"));
                 h.form().Command4_Click();
                 QVERIFY(h.fs.exists(S("/opt/mirtal/pictures/sea.bmp")) && h.checked("RNN"));
             },
         .boxes = {S("- Мирталь: Ошибка загрузки фона"), kSure, kRemoved},
         .after = {},
         .label2 = kGone},
        // Highlighting loads nothing, but apply writes there; opening it loads it and resets the fit choice.
        {.name = "highlighted, then opened folder",
         .act =
             [](Harness& h) {
                 const QString inner = h.folder() + S("/inner");
                 QVERIFY(QDir(h.folder()).mkdir(S("inner")) && h.form().folderList()->setPath(h.folder()));
                 h.fs.addDirectory(inner);
                 h.choose(S("/pics/sea.jpg"));
                 h.form().R1024_Click();
                 QVERIFY(h.form().folderList()->highlight(inner));
                 QCOMPARE(h.control<QTextEdit>("Text2")->toPlainText(), inner);
                 QCOMPARE(h.label("Label2"), S("Файл настройки отсутствует"));
                 h.form().Command5_Click();
                 QVERIFY(h.fs.exists(inner + S("/Desktop.ini")));
                 h.fs.addFile(inner + S("/Desktop.ini"), "IconArea_Text=0x00FF00\r\n");
                 QVERIFY(h.form().folderList()->open(h.form().folderList()->currentRow()));
                 QVERIFY(h.form().TextColorHex == S("FF00") && h.form().ImagePath.isEmpty());
                 QVERIFY(h.checked("RNN") && h.form().option3().selected() == 3);
             },
         .boxes = {S("i Готово: Файл настройки создан")}},
    };
    return all;
}

} // namespace

class TestFolderSettings final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void job_data();
    void job();
    void loadShowsThePictureOrKeepsItsPath();
};

void TestFolderSettings::job_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < cases().size(); ++i)
        QTest::newRow(cases()[i].name) << i;
}

void TestFolderSettings::job()
{
    QFETCH(int, index);
    const Case& c = cases()[index];
    Harness h;
    h.fs.addDirectory(S("/opt/mirtal/pictures"));
    h.fs.addDirectory(h.folder(), attr::System);
    h.addPicture(S("/Фото/море.jpg"), QSize(40, 30));
    h.addPicture(S("/pics/日本.jpg"), QSize(8, 8));
    h.addPicture(S("/pics/sea.jpg"), QSize(1600, 1200));
    if (!c.file.isEmpty())
        h.writeIni(c.file, kBefore);
    for (int i = 0; i < c.yes; ++i)
        h.dialogs.queueAnswer(platform::Answer::Yes);
    h.start();
    c.act(h);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(h.boxes(), c.boxes);
    const QByteArray after = c.after == kUnchanged ? c.file : c.after;
    QCOMPARE(h.fs.exists(h.iniPath()), !after.isEmpty());
    if (!after.isEmpty()) {
        QCOMPARE(h.ini(), after);
        QCOMPARE(h.fs.entry(h.iniPath())->attributes, c.attributes);
    }
    QCOMPARE(h.label("Label2"), c.label2);
    // Applying makes the folder a system folder only; removing leaves it one.
    QCOMPARE(h.fs.entry(h.folder())->attributes, attr::System);
    QCOMPARE(h.ends, 0);
}

void TestFolderSettings::loadShowsThePictureOrKeepsItsPath()
{
    for (const int attributes : {0, int(attr::Hidden), -1}) { // shown, hidden, missing
        Harness h;
        if (attributes >= 0)
            h.addPicture(S("/pics/sea.jpg"), QSize(1024, 768), quint32(attributes));
        h.writeIni("[x]\r\nIconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00ff\r\n");
        h.start();
        const bool shown = attributes == 0;
        QVERIFY(h.form().ImagePath == S("/pics/sea.jpg") && h.form().TextColorHex == S("ff"));
        QCOMPARE(h.form().sampleColor(), QColor(255, 0, 0));
        QVERIFY(h.option2() == shown && h.option1() != shown && h.previewEmpty() != shown);
        QCOMPARE(h.text4(), shown ? S("/pics/sea.jpg") : QString());
        QCOMPARE(h.label("Label5"), shown ? S("1024x768\r\n1.333") : QString());
        QVERIFY(h.dialogs.shown().isEmpty());
        // A picture gone or hidden is still written back by the next apply.
        h.form().Command5_Click();
        QVERIFY(h.ini().contains("IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00ff\r\n"));
    }
}

QTEST_MAIN(TestFolderSettings)
#include "tst_FolderSettings.moc"
