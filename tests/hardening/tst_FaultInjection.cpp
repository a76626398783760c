// A failure at every single I/O step of apply, load, remove, the scaled copy and " Без фона", one step at a time,
// over the fake file system: the user's files stay whole, the failure is shown as the behaviour prescribes (the
// general error path, the damaged-file question or a stop message), and nothing failed is confirmed as done.
#include "Harness.h"

#include <QTest>

#include <functional>

using namespace mirtal;
using platform::Answer;
using platform::MessageIcon;

namespace {

// What can fail: the fake file system's operations, and the picture facility's save.
enum class Step { Read, Write, SetAttributes, Remove, MakeDirectory, SaveBmp };
enum class Shows { GeneralError, DamagedQuestion, StopMessage };

struct FailingStep {
    Step step;
    Shows shows;
    // The stop message's text starts with this.
    const char* stopText = nullptr;
    // The operation's confirmation still follows: after applying, the reload failed but the file is written; after
    // the damaged-file question, the user asked for the deletion that then succeeded.
    bool confirmed = false;
};

struct Scenario {
    const char* name;
    std::function<void(Harness&)> files;     // before the window starts
    std::function<void(Harness&)> prepare;   // the user's choices before the operation
    std::function<void(Harness&)> operation; // what is run with one step failing
    QList<FailingStep> steps;                // every step of the operation, in order
};

const QByteArray kForeignLines[] = {"[.ShellClassInfo]\r\n", "IconResource=C:\\x.ico,0\r\n", "Foreign=1\r\n",
                                    "[ViewState]\r\n", "FolderType=Pictures\r\n"};

QByteArray foreignFile(const QByteArray& programSection = "IconArea_Image=/pics/sea.jpg\r\nIconArea_Text=0x00FF\r\n")
{
    return kForeignLines[0] + kForeignLines[1] + "\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n" + kForeignLines[2] +
           programSection + kForeignLines[3] + kForeignLines[4];
}

const QString kPicture = QStringLiteral("/pics/sea.jpg");
const QString kCopy = QStringLiteral("/opt/mirtal/pictures/sea.bmp");

void choosePicture(Harness& h)
{
    h.dialogs.queueFile(kPicture);
    h.form().Command2_Click();
}

QString damagedQuestion()
{
    return S("Во время чтения файла настройки возникла ошибка \r\n"
             "              Вероятно файл настройки испорчен\r\n"
             "                             Удалить его?");
}

const QStringList kConfirmations = {S("Файл настройки создан"), S("Файл настройки отредактирован"),
                                    S("Файл настройки удалён")};

const QList<Scenario>& scenarios()
{
    static const QList<Scenario> all = {
        {"apply, no file yet",
         [](Harness& h) { h.addPicture(kPicture, QSize(40, 30)); },
         [](Harness& h) {
             choosePicture(h);
             h.dialogs.queueColor(0x0000FF);
             h.form().Command3_Click();
         },
         [](Harness& h) { h.form().Command5_Click(); },
         {{Step::Write, Shows::GeneralError},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::Read, Shows::DamagedQuestion, nullptr, true}}},
        {"apply over foreign lines",
         [](Harness& h) {
             h.addPicture(kPicture, QSize(40, 30));
             h.addPicture(S("/pics/other.gif"), QSize(20, 20));
             h.writeIni(foreignFile(), platform::attr::Hidden | platform::attr::System | platform::attr::ReadOnly);
         },
         [](Harness& h) {
             h.dialogs.queueFile(S("/pics/other.gif"));
             h.form().Command2_Click();
         },
         [](Harness& h) { h.form().Command5_Click(); },
         {{Step::Read, Shows::GeneralError},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::Write, Shows::GeneralError},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::Read, Shows::DamagedQuestion, nullptr, true}}},
        {"load",
         [](Harness& h) {
             h.addPicture(kPicture, QSize(40, 30));
             h.writeIni(foreignFile(), platform::attr::Hidden | platform::attr::System);
         },
         {},
         [](Harness& h) { h.form().Command8_Click(); },
         {{Step::Read, Shows::DamagedQuestion}}},
        {"load of a damaged file, answered Yes twice",
         [](Harness& h) { h.writeIni(foreignFile("IconArea_Text=255\r\n")); },
         [](Harness& h) {
             h.dialogs.queueAnswer(Answer::Yes);
             h.dialogs.queueAnswer(Answer::Yes);
         },
         [](Harness& h) { h.form().Command8_Click(); },
         // The question follows a read failure as it follows the damage, and the user asked for the deletion.
         {{Step::Read, Shows::DamagedQuestion, nullptr, true},
          {Step::SetAttributes, Shows::GeneralError},
          {Step::Remove, Shows::GeneralError}}},
        {"remove with the scaled copy",
         [](Harness& h) {
             h.fs.addDirectory(S("/opt/mirtal/pictures"));
             h.addPicture(kPicture, QSize(40, 30));
             h.addPicture(kCopy, QSize(781, 626));
             h.writeIni(foreignFile(), platform::attr::Hidden | platform::attr::System | platform::attr::ReadOnly);
         },
         [](Harness& h) { h.dialogs.queueAnswer(Answer::Yes); },
         [](Harness& h) { h.form().Command4_Click(); },
         {{Step::SetAttributes, Shows::GeneralError},
          {Step::Remove, Shows::GeneralError},
          {Step::Remove, Shows::GeneralError}}},
        {"automatic fit, first copy",
         [](Harness& h) {
             h.addPicture(kPicture, QSize(1600, 1200));
             h.writeIni(foreignFile());
         },
         choosePicture,
         [](Harness& h) { h.form().R1024_Click(); },
         {{Step::MakeDirectory, Shows::StopMessage, "Не удалось создать папку для копий картинок"},
          {Step::SaveBmp, Shows::StopMessage, "Не удалось записать копию картинки"}}},
        {"no background with the scaled copy",
         [](Harness& h) {
             h.addPicture(kPicture, QSize(1600, 1200));
             h.writeIni(foreignFile());
         },
         [](Harness& h) {
             choosePicture(h);
             h.form().R1024_Click();
         },
         [](Harness& h) { h.form().Option1_MouseDown(); },
         {{Step::Remove, Shows::StopMessage, "Не удалось удалить копию картинки"}}},
    };
    return all;
}

std::optional<Step> stepOfLogLine(const QString& line)
{
    static const std::pair<const char*, Step> prefixes[] = {{"read ", Step::Read},
                                                            {"write ", Step::Write},
                                                            {"attrib ", Step::SetAttributes},
                                                            {"remove ", Step::Remove},
                                                            {"mkdir ", Step::MakeDirectory}};
    for (const auto& [prefix, step] : prefixes) {
        if (line.startsWith(QLatin1String(prefix)))
            return step;
    }
    return std::nullopt;
}

// The window after the files are laid and the user's choices made, the record cleared.
void prepared(Harness& h, const Scenario& scenario)
{
    scenario.files(h);
    h.start();
    if (scenario.prepare)
        scenario.prepare(h);
    h.dialogs.clearShown();
    h.fs.clearLog();
}

struct Snapshot {
    std::optional<platform::FakeFileSystem::Entry> ini;
    std::optional<platform::FakeFileSystem::Entry> folder;
};

Snapshot snapshot(const Harness& h) { return {h.fs.entry(h.iniPath()), h.fs.entry(h.folder())}; }

bool sameFile(const std::optional<platform::FakeFileSystem::Entry>& a,
              const std::optional<platform::FakeFileSystem::Entry>& b)
{
    return a.has_value() == b.has_value() && (!a || (a->bytes == b->bytes && a->attributes == b->attributes));
}

} // namespace

class TestFaultInjection final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyStepIsCovered_data();
    void everyStepIsCovered();
    void failureAtEveryStep_data();
    void failureAtEveryStep();
};

void TestFaultInjection::everyStepIsCovered_data()
{
    QTest::addColumn<int>("scenario");
    for (int i = 0; i < scenarios().size(); ++i)
        QTest::newRow(scenarios().at(i).name) << i;
}

// The steps listed are exactly the file-system steps the operation takes, so a step added to the code is not left
// out of the next test.
void TestFaultInjection::everyStepIsCovered()
{
    QFETCH(int, scenario);
    const Scenario& s = scenarios().at(scenario);
    Harness h;
    prepared(h, s);
    s.operation(h);
    QList<Step> taken;
    for (const QString& line : h.fs.log()) {
        if (const auto step = stepOfLogLine(line))
            taken.append(*step);
    }
    QList<Step> listed;
    for (const FailingStep& f : s.steps) {
        if (f.step != Step::SaveBmp)
            listed.append(f.step);
    }
    QVERIFY2(taken == listed, qPrintable(h.fs.log().join(u'\n')));
    QCOMPARE(h.ends, 0);
}

void TestFaultInjection::failureAtEveryStep_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("failing");
    int rows = 0;
    for (int i = 0; i < scenarios().size(); ++i) {
        for (int k = 0; k < scenarios().at(i).steps.size(); ++k) {
            QTest::addRow("%s, step %d", scenarios().at(i).name, k + 1) << i << k;
            ++rows;
        }
    }
    QVERIFY(rows >= 18);
}

void TestFaultInjection::failureAtEveryStep()
{
    QFETCH(int, scenario);
    QFETCH(int, failing);
    const Scenario& s = scenarios().at(scenario);
    const FailingStep& f = s.steps.at(failing);

    // The same operation without a failure: what it shows and leaves.
    Harness clean;
    prepared(clean, s);
    s.operation(clean);
    const Snapshot cleanAfter = snapshot(clean);

    Harness h;
    prepared(h, s);
    const Snapshot before = snapshot(h);
    const QString imageBefore = h.form().ImagePath;
    const QString marker = S("Сбой ввода-вывода на шаге %1").arg(failing + 1);
    if (f.step == Step::SaveBmp) {
        h.pictures.failNextSave(marker);
    } else {
        // The how-many-th step of its kind this one is.
        int skip = 0;
        for (int k = 0; k < failing; ++k)
            skip += s.steps.at(k).step == f.step;
        using Op = platform::FakeFileSystem::Op;
        const Op op = f.step == Step::Read            ? Op::Read
                      : f.step == Step::Write         ? Op::Write
                      : f.step == Step::SetAttributes ? Op::SetAttributes
                      : f.step == Step::Remove        ? Op::Remove
                                                      : Op::MakeDirectory;
        h.fs.failNext(op, {}, skip, marker);
    }
    s.operation(h);
    const Snapshot after = snapshot(h);
    const QStringList texts = h.dialogs.shownTexts();

    // Shown as prescribed, once.
    switch (f.shows) {
    case Shows::GeneralError:
        QCOMPARE(h.ends, 1);
        QCOMPARE(texts.count(S("Ошибка: ") + marker), 1);
        QCOMPARE(h.dialogs.shown().last().icon, MessageIcon::Stop);
        break;
    case Shows::DamagedQuestion:
        QCOMPARE(h.ends, 0);
        QVERIFY2(texts.contains(damagedQuestion()), qPrintable(texts.join(u'|')));
        break;
    case Shows::StopMessage: {
        QCOMPARE(h.ends, 0);
        const auto box = std::find_if(h.dialogs.shown().cbegin(), h.dialogs.shown().cend(),
                                      [&](const auto& shown) { return shown.text.contains(marker); });
        QVERIFY2(box != h.dialogs.shown().cend(), qPrintable(texts.join(u'|')));
        QVERIFY2(box->text.startsWith(S(f.stopText)), qPrintable(box->text));
        QCOMPARE(box->icon, MessageIcon::Stop);
        break;
    }
    }

    // Nothing that failed is confirmed; what is confirmed is exactly what the clean run left.
    const bool confirmed =
        std::any_of(texts.cbegin(), texts.cend(), [](const QString& t) { return kConfirmations.contains(t); });
    QCOMPARE(confirmed, f.confirmed);
    if (confirmed) {
        QVERIFY(sameFile(after.ini, cleanAfter.ini));
        QVERIFY(sameFile(after.folder, cleanAfter.folder));
    }

    // The settings file is the old one or the new one, whole; it is gone only where the operation deletes it.
    if (!after.ini) {
        QVERIFY(!cleanAfter.ini || !before.ini);
    } else {
        QVERIFY(after.ini->bytes == before.ini.value_or(platform::FakeFileSystem::Entry{}).bytes ||
                (cleanAfter.ini && after.ini->bytes == cleanAfter.ini->bytes));
        for (const QByteArray& line : kForeignLines)
            QVERIFY2(!before.ini || after.ini->bytes.contains(line), line.constData());
    }
    // The user's own picture is never touched.
    QCOMPARE(h.fs.exists(kPicture), clean.fs.exists(kPicture));

    // A scaled copy that could not be made leaves the picture as it was.
    if (f.step == Step::MakeDirectory || f.step == Step::SaveBmp) {
        QCOMPARE(h.form().ImagePath, imageBefore);
        QCOMPARE(h.text4(), imageBefore);
        QVERIFY(!h.fs.exists(kCopy));
    }
    // A copy that could not be deleted stays; the background is gone all the same.
    if (f.shows == Shows::StopMessage && f.step == Step::Remove) {
        QVERIFY(h.fs.exists(kCopy));
        QCOMPARE(h.form().ImagePath, QString());
        QVERIFY(h.previewEmpty());
    }
}

QTEST_MAIN(TestFaultInjection)
#include "tst_FaultInjection.moc"
