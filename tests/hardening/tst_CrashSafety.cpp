// Kills a process that keeps applying settings with SIGKILL at random moments, and looks at the folder after
// every kill: Desktop.ini is byte for byte one of the contents it can legitimately hold, never empty or torn, and
// whatever temporary file the kill left behind neither fails nor feeds a later load or apply.
#include "CrashScenario.h"
#include "common/RealFiles.h"
#include "common/RealWindow.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

using namespace mirtal;
using namespace std::chrono_literals;

namespace {

// MIRTAL_CRASH_TRIALS asks for another number, a longer soak for one.
int trials()
{
    return qEnvironmentVariableIsSet("MIRTAL_CRASH_TRIALS") ? qEnvironmentVariableIntValue("MIRTAL_CRASH_TRIALS") : 200;
}
// The whole run stops here even when the trials are not done, and then fails.
constexpr qint64 kBudgetMs = 60'000;

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

class TestCrashSafety final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void killedAtRandomMoments();

private:
    // How long one apply takes on this disk, so that the kills spread over a few applies.
    std::chrono::microseconds applyDuration(const QString& scratch);
    // Loads the folder in a fresh window and checks what it shows against the file.
    void checkLoad(const QString& folder, const QString& program, const QByteArray& content);

    QString m_helper;
};

void TestCrashSafety::initTestCase()
{
    m_helper = QCoreApplication::applicationDirPath() + s("/mirtal_crash_helper");
    QVERIFY2(QFile::exists(m_helper), qPrintable(m_helper));
}

std::chrono::microseconds TestCrashSafety::applyDuration(const QString& scratch)
{
    if (!test::writeBytes(scratch + s("/Desktop.ini"), test::crash::originalFile()))
        return 5ms;
    RealWindow window(scratch, scratch);
    constexpr int kRounds = 10;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRounds; ++i)
        window.form().Command5_Click();
    return std::chrono::microseconds(timer.nsecsElapsed() / 1000 / kRounds);
}

void TestCrashSafety::checkLoad(const QString& folder, const QString& program, const QByteArray& content)
{
    RealWindow window(folder, program);
    QVERIFY2(window.dialogs.shown().isEmpty(), qPrintable(window.dialogs.shownTexts().join(u'|')));
    QCOMPARE(window.label("Label2"), s("Файл настройки найден"));
    if (content == test::crash::withFirst()) {
        QCOMPARE(window.form().ImagePath, s(test::crash::kFirst.imagePath));
        QCOMPARE(window.form().TextColorHex, s(test::crash::kFirst.textColorHex));
    } else if (content == test::crash::withSecond()) {
        QCOMPARE(window.form().ImagePath, QString());
        QCOMPARE(window.form().TextColorHex, s(test::crash::kSecond.textColorHex));
    } else {
        QCOMPARE(window.form().ImagePath, s("C:\\old.jpg"));
    }
}

void TestCrashSafety::killedAtRandomMoments()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(s("Фото с моря"));
    const QString program = root.filePath(s("program"));
    const QString scratch = root.filePath(s("scratch"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(program) && QDir().mkpath(scratch));
    const QString ini = folder + s("/Desktop.ini");
    QVERIFY(test::writeBytes(ini, test::crash::originalFile()));
    const bool attributesKept = test::xattrsWork(folder);
    if (attributesKept)
        QVERIFY(test::setDosAttrib(ini, QByteArray("0x6", 4)));

    const QByteArray valid[] = {test::crash::originalFile(), test::crash::withFirst(), test::crash::withSecond()};
    const auto spread =
        std::clamp(applyDuration(scratch) * 4, std::chrono::microseconds(2ms), std::chrono::microseconds(50ms));
    const quint32 seed = qEnvironmentVariableIsSet("MIRTAL_CRASH_SEED")
                             ? static_cast<quint32>(qEnvironmentVariableIntValue("MIRTAL_CRASH_SEED"))
                             : QRandomGenerator::system()->generate();
    QRandomGenerator random(seed);

    int seen[3] = {};
    int visibleAttributes = 0;
    int killedMidWrite = 0;
    qsizetype leftovers = 0;
    QElapsedTimer clock;
    clock.start();
    const int wanted = trials();
    int trial = 0;
    for (; trial < wanted && clock.elapsed() < kBudgetMs; ++trial) {
        const QString where = QStringLiteral("trial %1, seed %2").arg(trial).arg(seed);
        QProcess helper;
        helper.setProgram(m_helper);
        helper.setArguments({folder, program});
        helper.start();
        QVERIFY2(helper.waitForStarted(10000), qPrintable(where));
        while (!helper.canReadLine()) {
            QVERIFY2(helper.waitForReadyRead(20000), qPrintable(where + s(": the helper did not start: ") +
                                                                QString::fromLocal8Bit(helper.readAllStandardError())));
        }
        QCOMPARE(helper.readLine(), QByteArray("ready\n"));
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(static_cast<quint32>(spread.count()))));
        helper.kill();
        QVERIFY2(helper.waitForFinished(10000), qPrintable(where));
        QVERIFY2(helper.exitStatus() == QProcess::CrashExit,
                 qPrintable(where + s(": the helper stopped by itself: ") +
                            QString::fromLocal8Bit(helper.readAllStandardError())));

        const QByteArray content = test::readBytes(ini);
        const auto found = std::find(std::begin(valid), std::end(valid), content);
        QVERIFY2(found != std::end(valid),
                 qPrintable(where + QStringLiteral(": Desktop.ini holds %1 bytes, none of the "
                                                   "contents it may hold")
                                        .arg(content.size())));
        ++seen[found - std::begin(valid)];
        if (attributesKept) {
            // Before the rewrite the file is made normal, after it hidden and system; the renamed file carries no
            // value until then, which reads as normal too. Any of them may be caught.
            const QByteArray attributes = test::dosAttrib(ini);
            const bool normal = attributes.isEmpty() || attributes == QByteArray("0x0", 4);
            QVERIFY2(normal || attributes == QByteArray("0x6", 4),
                     qPrintable(where + s(": attributes ") + QString::fromLatin1(attributes.toHex())));
            visibleAttributes += normal;
        }

        // A leftover is a hidden temporary file holding a prefix of a valid new content, never Desktop.ini itself.
        const QStringList temporaries = test::leftoverTemporaries(folder);
        if (temporaries.size() > leftovers) {
            ++killedMidWrite;
            for (const QString& name : temporaries) {
                const QByteArray partial = test::readBytes(folder + u'/' + name);
                QVERIFY2(test::crash::withFirst().startsWith(partial) || test::crash::withSecond().startsWith(partial),
                         qPrintable(where + s(": ") + name));
            }
        }
        leftovers = temporaries.size();

        // The next run of the program loads the folder as the file says, the leftovers notwithstanding.
        checkLoad(folder, program, content);
        if (QTest::currentTestFailed())
            return;
        // And every so often applies to it.
        if (trial % 20 == 19) {
            RealWindow window(folder, program);
            window.form().ImagePath = s(test::crash::kFirst.imagePath);
            window.form().TextColorHex = s(test::crash::kFirst.textColorHex);
            window.form().Command5_Click();
            QCOMPARE(window.dialogs.shownTexts(), QStringList{s("Файл настройки отредактирован")});
            QCOMPARE(test::readBytes(ini), test::crash::withFirst());
            QCOMPARE(test::leftoverTemporaries(folder).size(), leftovers);
        }
    }
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    QVERIFY2(trial >= wanted, qPrintable(QStringLiteral("only %1 trials in %2 s").arg(trial).arg(seconds)));

    // With every leftover still there, an apply succeeds, writes the exact content and leaves them untouched.
    QHash<QString, QByteArray> before;
    for (const QString& name : test::leftoverTemporaries(folder))
        before.insert(name, test::readBytes(folder + u'/' + name));
    {
        RealWindow window(folder, program);
        window.form().ImagePath.clear();
        window.form().TextColorHex = s(test::crash::kSecond.textColorHex);
        window.form().Command5_Click();
        QCOMPARE(window.ends, 0);
        QCOMPARE(test::readBytes(ini), test::crash::withSecond());
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(test::readBytes(folder + u'/' + it.key()), it.value());

    qInfo("%d SIGKILLs in %.1f s (seed %u, kill spread %lld us): old content %d, first %d, second %d; caught with "
          "normal attributes %d; killed between creating and renaming the temporary file %d, leftovers %lld",
          trial, seconds, seed, static_cast<long long>(spread.count()), seen[0], seen[1], seen[2], visibleAttributes,
          killedMidWrite, static_cast<long long>(leftovers));
}

QTEST_MAIN(TestCrashSafety)
#include "tst_CrashSafety.moc"
