// Apply, load, remove, the fit and "no background" with a failure at each fake step, then at each real system call:
// Desktop.ini stays the old or the new content, no temporary file stays, and nothing failed is confirmed.
#include "Harness.h"
#ifndef Q_OS_WIN // the second sweep fails Linux system calls
#include "common/RealFiles.h"
#include "common/RealWindow.h"
#endif

#include <QTest>

using namespace mirtal;
using app::FolderEditor;
using Operation = void (FolderEditor::*)();

struct Scenario {
    const char* own;       // the program's keys in a read-only Desktop.ini, %1 the picture; nullptr for no file
    QList<Operation> user; // before the operation, the picture and a colour waiting for their dialogs
    int yes;               // questions answered Yes
    Operation operation;
};

// What an operation may touch.
struct Files {
    std::optional<QByteArray> ini;
    QByteArray attributes; // of Desktop.ini and of its folder
    bool copy, picture;    // the scaled copy and the user's picture are there
    QStringList leftovers; // temporary files
    bool operator==(const Files&) const = default;
};

struct Outcome {
    Files before{}, after{};
    QString imageBefore{}, image{}; // the picture chosen
    QStringList shown{};
    int calls{};
};

const QString kPicture = S("/pics/sea.jpg"), kCopy = copyOf(S("sea.bmp")), kFault = S("Сбой диска");
constexpr quint32 kReadOnly = platform::attr::ReadOnly | platform::attr::Hidden | platform::attr::System;
constexpr int kSkips = 12, kKinds = 6; // more calls of a kind than a clean run makes; the kinds of FakeFileSystem::Op

static QByteArray ini(const Scenario& s, const QString& picture)
{
    return "[.ShellClassInfo]\r\nIconFile=x.ico\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nForeign=1\r\n" +
           QByteArray(s.own).replace("%1", QFile::encodeName(picture)) + "[ViewState]\r\nMode=1\r\n";
}

// The user's steps, then the operation with the failure armed.
template <typename Window, typename Look, typename Arm>
static Outcome operate(Window& w, const Scenario& s, const QString& picture, Look files, Arm arm)
{
    w.dialogs.queueFile(picture);
    w.dialogs.queueColor(0x0000FF);
    for (const Operation step : s.user)
        (w.editor().*step)();
    for (int i = 0; i < s.yes; ++i)
        w.dialogs.queueAnswer(platform::Answer::Yes);
    w.dialogs.clearShown();
    Outcome o{files(), {}, w.state().imagePath};
    arm();
    (w.editor().*s.operation)();
    o.after = files();
    o.image = w.state().imagePath;
    o.shown = w.dialogs.shownTexts();
    return o;
}

// Over the fakes, the skip-th call of each kind failing in turn, then the picture's save.
static Outcome fakeRun(const Scenario& s, int failAt)
{
    Harness h;
    h.addPicture(kPicture, QSize(1600, 1200));
    if (s.own)
        h.writeIni(ini(s, kPicture), kReadOnly);
    h.startEditor();
    const auto attributes = [&](const QString& path) { return QByteArray::number(h.fs.entry(path)->attributes); };
    const auto files = [&] {
        const auto ini = h.fs.exists(h.iniPath()) ? std::optional(h.ini()) : std::nullopt;
        const QByteArray both = (ini ? attributes(h.iniPath()) : "") + '/' + attributes(h.folder());
        return Files{ini, both, h.fs.exists(kCopy), h.fs.exists(kPicture), {}};
    };
    Outcome o = operate(h, s, kPicture, files, [&] {
        h.fs.clearLog();
        if (failAt > kKinds * kSkips)
            h.pictures.failNextSave(kFault);
        else if (failAt > 0)
            h.fs.failNext(platform::FakeFileSystem::Op((failAt - 1) / kSkips), {}, (failAt - 1) % kSkips, kFault);
    });
    o.calls = h.fs.log().size() < kSkips ? kKinds * kSkips + 1 : 0; // none when a kind may have more calls
    return o;
}

#ifndef Q_OS_WIN
// Over the real file system, the n-th system call failing with EIO; laid afresh, so that runs compare byte for byte.
static Outcome realRun(const Scenario& s, int failAt, const QString& root)
{
    QDir(root).removeRecursively();
    const QString folder = root + S("/Папка с фото"), program = root + S("/program"), picture = root + S("/sea.jpg");
    const QString copy = program + S("/pictures/sea.bmp"), path = folder + S("/Desktop.ini");
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const bool laid = QDir().mkpath(folder) && QDir().mkpath(program) && image.save(picture, "JPG") &&
                      (!s.own || (test::writeBytes(path, ini(s, picture)) &&
                                  test::setDosAttrib(path, "0x" + QByteArray::number(kReadOnly, 16) + '\0')));
    bool armed = false;
    int calls = 0;
    platform::LinuxSysCalls sys;
    const auto wrap = [&]<typename R, typename... A>(std::function<R(A...)>& call) {
        call = [=, &armed, &calls, real = call, isClose = static_cast<void*>(&call) == &sys.close](A... args) -> R {
            const bool fail = armed && ++calls == failAt;
            const R result = fail && !isClose ? R(-1) : real(args...); // close releases the descriptor even so
            errno = fail ? EIO : errno;
            return fail ? R(-1) : result;
        };
    };
    [&](auto&... each) { (wrap(each), ...); }(sys.openat, sys.read, sys.write, sys.fstat, sys.fstatat, sys.fchmod,
                                              sys.fsync, sys.close, sys.renameat, sys.unlinkat, sys.mkdir, sys.getxattr,
                                              sys.setxattr, sys.removexattr, sys.statfs, sys.ioctl, sys.fchown,
                                              sys.llistxattr, sys.fsetxattr, sys.readlinkat);
    RealWindow w(folder, program, sys);
    const auto files = [&]() -> Files {
        return {QFile::exists(path) ? std::optional(test::readBytes(path)) : std::nullopt,
                test::dosAttrib(path) + '/' + test::dosAttrib(folder), QFile::exists(copy), QFile::exists(picture),
                test::leftoverTemporaries(folder)};
    };
    Outcome o = operate(w, s, picture, files, [&] { armed = true; });
    o.calls = laid ? calls : 0;
    return o;
}
#endif

class TestFaultInjection final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failureAtEachStep_data()
    {
        const char *own = "IconArea_Image=%1\r\nIconArea_Text=0x00FF\r\n", *foreign = "IconArea_Text=0x00FF\r\n";
        using E = FolderEditor;
        const Operation choose = &E::choosePicture, colour = &E::chooseCaptionColor, fit = &E::fitToScreen;
        const std::pair<const char*, Scenario> scenarios[] = {
            {"apply, no file yet", {nullptr, {choose, colour}, 0, &E::apply}},
            {"apply over foreign lines", {foreign, {choose}, 0, &E::apply}},
            {"load of a damaged file, Yes twice", {"IconArea_Text=255\r\n", {}, 2, &E::reload}},
            {"remove with the scaled copy", {own, {choose, fit}, 1, &E::removeSettings}},
            {"automatic fit, first copy", {own, {choose}, 0, &E::fitToScreen}},
            {"no background with the scaled copy", {own, {choose, fit}, 0, &E::chooseNoBackground}},
        };
        QTest::addColumn<Scenario>("s");
        QTest::addColumn<bool>("real");
#ifdef Q_OS_WIN
        for (const bool real : {false})
#else
        for (const bool real : {false, true})
#endif
            for (const auto& [name, scenario] : scenarios)
                QTest::addRow("%s, %s", name, real ? "system calls" : "fakes") << scenario << real;
    }

    void failureAtEachStep()
    {
        QFETCH(Scenario, s);
        QFETCH(bool, real);
#ifdef Q_OS_WIN
        const auto run = [&](int n) { return fakeRun(s, n); };
#else
        QTemporaryDir root; // laid afresh by each real run
        if (real && !test::xattrsWork(root.path()))
            QSKIP("this file system keeps no user extended attributes");
        const auto run = [&](int n) { return real ? realRun(s, n, root.path()) : fakeRun(s, n); };
#endif
        const Outcome clean = run(0);
        QVERIFY(clean.calls > 1);
        static const QRegularExpression kConfirmation(S("^Файл настройки (создан|отредактирован|удалён)$"));
        const auto confirmed = [](const QStringList& texts) { return texts.indexOf(kConfirmation) >= 0; };
        for (int n = 1; n <= clean.calls; ++n) {
            const Outcome r = run(n);
            const QByteArray at = "step " + QByteArray::number(n) + ": " + r.shown.join(u'|').toUtf8();
            // No half-made file: the old content or the new one, gone only where the operation deletes it.
            const auto& [before, after] = std::tie(r.before.ini, r.after.ini);
            QVERIFY2(after ? after == before || after == clean.after.ini : !before || !clean.after.ini, at.constData());
            QVERIFY2(r.after.picture && r.after.leftovers.isEmpty(), at.constData());
            // A failed search finds nothing: the scaled copy (the program's own file) may outlive its deletion.
            const bool exact = r.after == clean.after;
            const bool asClean = exact || (real && after == clean.after.ini &&
                                           r.after.attributes == clean.after.attributes && r.after.copy);
            // Confirmed means done (over the fakes, done means confirmed too); any other outcome is told.
            QVERIFY2(real ? !confirmed(r.shown) || asClean : confirmed(r.shown) == (confirmed(clean.shown) && exact),
                     at.constData());
            QVERIFY2(asClean || r.shown != clean.shown, at.constData());
            // A copy not made leaves the picture as it was; one not deleted stays, the background gone all the same.
            for (const QString& text : r.shown.filter(S("Не удалось")).filter(S("копи")))
                QVERIFY2(text.contains(S("удалить")) ? r.image.isEmpty() && r.after.copy : r.image == r.imageBefore,
                         at.constData());
        }
    }
};

QTEST_MAIN(TestFaultInjection)
#include "tst_FaultInjection.moc"
