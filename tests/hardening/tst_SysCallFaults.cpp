// The same operations over the real Linux file system, with the n-th system call failing, for every n that the
// operation reaches: open, read, write, stat, chmod, fsync, close, rename, unlink, mkdir and the attribute calls.
// Whatever fails, Desktop.ini is the old or the new content, no temporary file is left, anything confirmed is
// exactly what a run without the failure leaves, and a result that differs from that run is never silent.
#include "SysCallFaults.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace mirtal;
using platform::Answer;

namespace {

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

// A folder with a settings file (or none), the user's picture and the program's folder, laid afresh for every run
// under the same names, so that runs compare byte for byte.
struct Place {
    explicit Place(const QString& root)
        : folder(root + s("/Папка с фото"))
        , program(root + s("/program"))
        , picture(root + s("/pics/sea.jpg"))
        , copy(program + s("/pictures/sea.bmp"))
    {
        QDir(root).removeRecursively();
    }
    QString folder;
    QString program;
    QString picture;
    QString copy;
    QString ini() const { return folder + s("/Desktop.ini"); }
};

QString runFolder()
{
    static QTemporaryDir root;
    return root.filePath(s("run"));
}

const QByteArray kForeign = "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n\r\n"
                            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nForeign=1\r\nIconArea_Text=0x00FF\r\n"
                            "[ViewState]\r\nFolderType=Pictures\r\n";

struct Scenario {
    const char* name;
    bool withIni;
    bool withCopy;
    std::function<void(RealWindow&, const Place&)> prepare;
    std::function<void(RealWindow&)> operation;
};

void choose(RealWindow& w, const Place& p)
{
    w.dialogs.queueFile(p.picture);
    w.form().Command2_Click();
}

const QList<Scenario>& scenarios()
{
    static const QList<Scenario> all = {
        {"apply, no file yet", false, false,
         [](RealWindow& w, const Place& p) {
             choose(w, p);
             w.dialogs.queueColor(0x00FF00);
             w.form().Command3_Click();
         },
         [](RealWindow& w) { w.form().Command5_Click(); }},
        {"apply over foreign lines", true, false, choose, [](RealWindow& w) { w.form().Command5_Click(); }},
        {"load", true, false, {}, [](RealWindow& w) { w.form().Command8_Click(); }},
        {"remove with the scaled copy", true, true,
         [](RealWindow& w, const Place&) { w.dialogs.queueAnswer(Answer::Yes); },
         [](RealWindow& w) { w.form().Command4_Click(); }},
        {"automatic fit, first copy", true, false, choose, [](RealWindow& w) { w.form().R1024_Click(); }},
        {"no background with the scaled copy", true, false,
         [](RealWindow& w, const Place& p) {
             choose(w, p);
             w.form().R1024_Click();
         },
         [](RealWindow& w) { w.form().Option1_MouseDown(); }},
    };
    return all;
}

// What the user has on disk.
struct Disk {
    std::optional<QByteArray> ini;
    QByteArray iniAttributes;
    QByteArray folderAttributes;
    bool copy = false;
    bool picture = false;
    QStringList leftovers;

    bool operator==(const Disk&) const = default;
};

// The same files of the user's. A search that fails finds nothing, so a scaled copy (the program's own file in its
// own folder) may be left where it would have been deleted; it is never deleted where it would have been kept.
bool sameForTheUser(const Disk& a, const Disk& clean)
{
    Disk copyLeft = a;
    copyLeft.copy = a.copy && clean.copy;
    return copyLeft == clean;
}

Disk disk(const Place& p)
{
    Disk d;
    if (QFile::exists(p.ini())) {
        d.ini = test::readBytes(p.ini());
        d.iniAttributes = test::dosAttrib(p.ini());
    }
    d.folderAttributes = test::dosAttrib(p.folder);
    d.copy = QFile::exists(p.copy);
    d.picture = QFile::exists(p.picture);
    d.leftovers = test::leftoverTemporaries(p.folder);
    return d;
}

const QStringList kConfirmations = {s("Файл настройки создан"), s("Файл настройки отредактирован"),
                                    s("Файл настройки удалён")};

struct Run {
    Disk before;
    Disk after;
    QStringList shown;
    int ends = 0;
    QByteArray failed;
    int calls = 0;
};

// Lays the files, starts the window, makes the user's choices, then runs the operation with the n-th call failing.
Run run(const Scenario& scenario, int failAt)
{
    const Place p(runFolder());
    QDir().mkpath(p.folder);
    QDir().mkpath(p.program);
    QDir().mkpath(QFileInfo(p.picture).path());
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    image.save(p.picture, "JPG");
    if (scenario.withIni) {
        test::writeBytes(p.ini(), kForeign + "IconArea_Image=" + QFile::encodeName(p.picture) + "\r\n");
        test::setDosAttrib(p.ini(), QByteArray("0x6", 4));
    }
    if (scenario.withCopy) {
        QDir().mkpath(QFileInfo(p.copy).path());
        image.save(p.copy, "BMP");
    }
    test::SysCallFaults faults;
    RealWindow window(p.folder, p.program, faults.wrap({}));
    if (scenario.prepare)
        scenario.prepare(window, p);
    window.dialogs.clearShown();

    Run r;
    r.before = disk(p);
    faults.arm(failAt);
    scenario.operation(window);
    r.calls = faults.calls();
    r.failed = faults.failed();
    faults.arm(0);
    r.after = disk(p);
    r.shown = window.dialogs.shownTexts();
    r.ends = window.ends;
    return r;
}

} // namespace

class TestSysCallFaults final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void failureAtEveryCall_data();
    void failureAtEveryCall();
    void cleanupTestCase();

private:
    QList<Run> m_clean;
    int m_reported = 0;
    int m_harmless = 0;
    int m_copiesLeft = 0;
};

void TestSysCallFaults::initTestCase()
{
    QVERIFY(QDir().mkpath(runFolder()));
    if (!test::xattrsWork(runFolder()))
        QSKIP("this file system keeps no user extended attributes");
    for (const Scenario& scenario : scenarios()) {
        m_clean.append(run(scenario, 0));
        QVERIFY2(m_clean.last().ends == 0, scenario.name);
        QVERIFY2(m_clean.last().calls > 0, scenario.name);
    }
}

void TestSysCallFaults::failureAtEveryCall_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("call");
    for (int i = 0; i < m_clean.size(); ++i) {
        for (int n = 1; n <= m_clean.at(i).calls; ++n)
            QTest::addRow("%s, call %d", scenarios().at(i).name, n) << i << n;
    }
}

void TestSysCallFaults::failureAtEveryCall()
{
    QFETCH(int, scenario);
    QFETCH(int, call);
    const Run& clean = m_clean.at(scenario);
    const Run r = run(scenarios().at(scenario), call);
    const QByteArray where = r.failed + " failed: " + r.shown.join(u'|').toUtf8();
    QVERIFY2(!r.failed.isEmpty(), where.constData());

    // No half-made file: the old content or the new one, and no temporary file beside it.
    QVERIFY2(r.after.leftovers.isEmpty(), where.constData());
    if (r.after.ini) {
        QVERIFY2(r.after.ini == r.before.ini || r.after.ini == clean.after.ini, where.constData());
    } else {
        QVERIFY2(!r.before.ini || !clean.after.ini, where.constData());
    }
    QVERIFY2(r.after.picture, where.constData());

    // Confirmed means done: exactly as without the failure.
    const bool confirmed =
        std::any_of(r.shown.cbegin(), r.shown.cend(), [](const QString& t) { return kConfirmations.contains(t); });
    if (confirmed)
        QVERIFY2(sameForTheUser(r.after, clean.after), where.constData());
    // The general error path names the error and is the last thing shown.
    QVERIFY(r.ends <= 1);
    if (r.ends == 1)
        QVERIFY2(r.shown.last().startsWith(s("Ошибка: ")), where.constData());

    // Either the failure made no difference to the user's files, or the user was told.
    const bool told = r.shown != clean.shown;
    QVERIFY2(told || sameForTheUser(r.after, clean.after), where.constData());
    ++(told ? m_reported : m_harmless);
    m_copiesLeft += !told && r.after.copy && !clean.after.copy;
}

void TestSysCallFaults::cleanupTestCase()
{
    int calls = 0;
    for (const Run& r : m_clean)
        calls += r.calls;
    qInfo("%d system calls failed one at a time over %lld operations: %d reported, %d without effect on the user's "
          "files (a scaled copy left behind in %d of them)",
          calls, static_cast<long long>(m_clean.size()), m_reported, m_harmless, m_copiesLeft);
}

QTEST_MAIN(TestSysCallFaults)
#include "tst_SysCallFaults.moc"
