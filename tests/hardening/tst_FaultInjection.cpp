// Apply, load, remove, the fit and "no background" with a failure at each fake step, then at each real system call:
// Desktop.ini stays the old or the new content, a changed outcome is told, and nothing failed is confirmed.
#include "Harness.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QTest>

using namespace mirtal;
using app::Form1;
using Bytes = std::optional<QByteArray>;

namespace {

struct Scenario {
    const char* own;    // the program's keys in Desktop.ini, %1 the picture; nullptr for no file
    quint32 attributes; // of Desktop.ini
    int width;          // of the picture
    bool copy;          // its scaled copy is there
    const char* user;   // before the operation: 'c'hoose the picture, pick a 'k'olour, 'f'it, answer 'y'es
    void (Form1::*operation)();
};

// What one run leaves and shows.
struct Outcome {
    Bytes before, after;   // Desktop.ini
    QByteArray attributes; // of Desktop.ini and of its folder
    bool copy, picture;
    QStringList leftovers, shown, steps; // the steps: the fake file system's, when none failed
    QString imageBefore, image;          // the picture chosen
    QList<platform::FakeDialogs::Shown> boxes;
    int ends, calls;
};

const QString kPicture = S("/pics/sea.jpg"), kCopy = S("/opt/mirtal/pictures/sea.bmp"), kFault = S("Сбой диска");

QByteArray ini(const Scenario& s, const QString& picture)
{
    return "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
           "Foreign=1\r\n" +
           QByteArray(s.own).replace("%1", QFile::encodeName(picture)) + "[ViewState]\r\nFolderType=Pictures\r\n";
}

template <typename Window> void act(Window& w, const Scenario& s, const QString& picture)
{
    for (const char* c = s.user; *c; ++c) {
        if (*c == 'c')
            w.dialogs.queueFile(picture);
        if (*c == 'k')
            w.dialogs.queueColor(0x0000FF);
        if (*c == 'y')
            w.dialogs.queueAnswer(platform::Answer::Yes);
        else
            (w.form().*(*c == 'c'   ? &Form1::Command2_Click
                        : *c == 'k' ? &Form1::Command3_Click
                                    : &Form1::R1024_Click))();
    }
    w.dialogs.clearShown();
}

template <typename Window> Outcome operate(Window& w, const Scenario& s, const Bytes& before)
{
    Outcome o{};
    o.before = before;
    o.imageBefore = w.form().ImagePath;
    (w.form().*s.operation)();
    o.image = w.form().ImagePath;
    o.shown = w.dialogs.shownTexts();
    o.boxes = w.dialogs.shown();
    o.ends = w.ends;
    return o;
}

// Over the fakes, with the n-th step of the clean run failing, or the picture save after the last one.
Outcome fakeRun(const Scenario& s, int failAt, const QStringList& steps)
{
    Harness h;
    h.addPicture(kPicture, QSize(s.width, s.width * 3 / 4));
    if (s.copy) {
        h.fs.addDirectory(S("/opt/mirtal/pictures"));
        h.addPicture(kCopy, QSize(781, 626));
    }
    if (s.own)
        h.writeIni(ini(s, kPicture), s.attributes);
    h.start();
    act(h, s, kPicture);
    h.fs.clearLog();
    const auto bytes = [&] { return h.fs.exists(h.iniPath()) ? Bytes(h.ini()) : std::nullopt; };
    if (failAt > steps.size()) {
        h.pictures.failNextSave(kFault);
    } else if (failAt > 0) {
        using Op = platform::FakeFileSystem::Op;
        const QString kind = steps.at(failAt - 1).section(u' ', 0, 0);
        const Op ops[] = {Op::Read, Op::Write, Op::SetAttributes, Op::Remove, Op::MakeDirectory};
        const auto op = ops[QStringList{S("read"), S("write"), S("attrib"), S("remove"), S("mkdir")}.indexOf(kind)];
        const auto sameKind = [&](const QString& step) { return step.startsWith(kind + u' '); };
        h.fs.failNext(op, {}, int(std::count_if(steps.cbegin(), steps.cbegin() + failAt - 1, sameKind)), kFault);
    }
    Outcome o = operate(h, s, bytes());
    o.after = bytes();
    const auto attributes = [&](const QString& path) { return QByteArray::number(h.fs.entry(path)->attributes); };
    o.attributes = (o.after ? attributes(h.iniPath()) : "") + '/' + attributes(h.folder());
    o.copy = h.fs.exists(kCopy);
    o.picture = h.fs.exists(kPicture);
    for (const QString& line : h.fs.log())
        o.steps += line.startsWith(S("find ")) ? QStringList() : QStringList{line};
    o.calls = int(o.steps.size()) + 1;
    return o;
}

// Over the real file system, the n-th system call failing with EIO; laid afresh, so that runs compare byte for byte.
Outcome realRun(const Scenario& s, int failAt, const QString& root)
{
    QDir(root).removeRecursively();
    const QString folder = root + S("/Папка с фото"), program = root + S("/program"), picture = root + S("/sea.jpg");
    const QString copy = program + S("/pictures/sea.bmp"), path = folder + S("/Desktop.ini");
    QDir().mkpath(folder);
    QDir().mkpath(s.copy ? program + S("/pictures") : program);
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(picture, "JPG");
    if (s.copy)
        image.save(copy, "BMP");
    if (s.own) {
        test::writeBytes(path, ini(s, picture));
        test::setDosAttrib(path, "0x" + QByteArray::number(s.attributes, 16) + '\0');
    }
    const auto bytes = [&] { return QFile::exists(path) ? Bytes(test::readBytes(path)) : std::nullopt; };
    int calls = 0, failing = 0;
    platform::LinuxSysCalls sys;
    const auto failable = [&](auto&... each) {
        const auto wrap = [&]<typename R, typename... A>(std::function<R(A...)>& call) {
            call = [real = call, &calls, &failing, isClose = static_cast<void*>(&call) == &sys.close](A... args) -> R {
                if (++calls != failing)
                    return real(args...);
                if (isClose) // releases the descriptor even when it reports an error
                    (void)real(args...);
                errno = EIO;
                return R(-1);
            };
        };
        (wrap(each), ...);
    };
    failable(sys.openat, sys.read, sys.write, sys.fstat, sys.fstatat, sys.fchmod, sys.fsync, sys.close, sys.renameat,
             sys.unlinkat, sys.mkdir, sys.getxattr, sys.setxattr, sys.removexattr, sys.statfs, sys.ioctl);
    RealWindow w(folder, program, sys);
    act(w, s, picture);
    calls = 0;
    failing = failAt;
    Outcome o = operate(w, s, bytes());
    o.calls = calls;
    o.after = bytes();
    o.attributes = test::dosAttrib(path) + '/' + test::dosAttrib(folder);
    o.copy = QFile::exists(copy);
    o.picture = QFile::exists(picture);
    o.leftovers = test::leftoverTemporaries(folder);
    return o;
}

} // namespace

class TestFaultInjection final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failureAtEachStep_data();
    void failureAtEachStep();
};

void TestFaultInjection::failureAtEachStep_data()
{
    constexpr auto kHidden = platform::attr::Hidden | platform::attr::System;
    constexpr auto kReadOnly = kHidden | platform::attr::ReadOnly;
    const char* own = "IconArea_Image=%1\r\nIconArea_Text=0x00FF\r\n";
    const std::pair<const char*, Scenario> scenarios[] = {
        {"apply, no file yet", {nullptr, 0, 40, false, "ck", &Form1::Command5_Click}},
        {"apply over foreign lines", {"IconArea_Text=0x00FF\r\n", kReadOnly, 40, false, "c", &Form1::Command5_Click}},
        {"load", {own, kHidden, 40, false, "", &Form1::Command8_Click}},
        {"load of a damaged file, Yes twice", {"IconArea_Text=255\r\n", 0, 40, false, "yy", &Form1::Command8_Click}},
        {"remove with the scaled copy", {own, kReadOnly, 40, true, "y", &Form1::Command4_Click}},
        {"automatic fit, first copy", {own, kHidden, 1600, false, "c", &Form1::R1024_Click}},
        {"no background with the scaled copy", {own, kHidden, 1600, false, "cf", &Form1::Option1_MouseDown}},
    };
    QTest::addColumn<Scenario>("s");
    QTest::addColumn<bool>("real");
    for (const auto& [name, scenario] : scenarios) {
        QTest::addRow("%s, fakes", name) << scenario << false;
        QTest::addRow("%s, system calls", name) << scenario << true;
    }
}

void TestFaultInjection::failureAtEachStep()
{
    QFETCH(Scenario, s);
    QFETCH(bool, real);
    QTemporaryDir temporary;
    const QString root = temporary.filePath(S("run"));
    if (real && !(QDir().mkpath(root) && test::xattrsWork(root)))
        QSKIP("this file system keeps no user extended attributes");
    const auto run = [&](int n, const QStringList& steps) { return real ? realRun(s, n, root) : fakeRun(s, n, steps); };
    const Outcome clean = run(0, {});
    QVERIFY(clean.ends == 0 && clean.calls > 1);
    static const QRegularExpression kConfirmation(S("^Файл настройки (создан|отредактирован|удалён)$"));
    static const QRegularExpression copyFailure(
        S("^Не удалось (создать папку для копий картинок|записать копию картинки|удалить копию картинки) "));
    for (int n = 1; n <= clean.calls; ++n) {
        const Outcome r = run(n, clean.steps);
        const QByteArray where = "step " + QByteArray::number(n) + ": " + r.shown.join(u'|').toUtf8();
        const char* at = where.constData();
        // No half-made file: the old content or the new one, gone only where the operation deletes it.
        QVERIFY2(r.after ? r.after == r.before || r.after == clean.after : !r.before || !clean.after, at);
        QVERIFY2(r.picture && r.leftovers.isEmpty(), at);
        // A search that fails finds nothing, so a scaled copy (the program's own file) may be left where it would
        // have been deleted.
        const bool exact = r.after == clean.after && r.attributes == clean.attributes && r.copy == clean.copy;
        const bool asClean = exact || (real && r.after == clean.after && r.attributes == clean.attributes && r.copy);
        // Confirmed means done (over the fakes, done means confirmed too); a different outcome is told; the general
        // error path comes last, and over the fakes it and a scaled copy's stop message give the failure's words.
        const auto confirmed = [](const QStringList& texts) { return texts.indexOf(kConfirmation) >= 0; };
        QVERIFY2(real ? !confirmed(r.shown) || asClean : confirmed(r.shown) == (confirmed(clean.shown) && exact), at);
        QVERIFY2(asClean || r.shown != clean.shown, at);
        QVERIFY2(r.ends == 0 || (r.ends == 1 && r.shown.last().startsWith(S("Ошибка: "))), at);
        for (const auto& box : r.boxes) {
            if (box.text.contains(kFault))
                QVERIFY2(box.icon == platform::MessageIcon::Stop &&
                             (box.text == S("Ошибка: ") + kFault || copyFailure.match(box.text).hasMatch()),
                         at);
            // A copy not made leaves the picture as it was; one not deleted stays, the background gone all the same.
            if (copyFailure.match(box.text).hasMatch())
                QVERIFY2(box.text.contains(S("удалить")) ? r.image.isEmpty() && r.copy : r.image == r.imageBefore, at);
        }
    }
}

QTEST_MAIN(TestFaultInjection)
#include "tst_FaultInjection.moc"
