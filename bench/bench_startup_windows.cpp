// Start-up of the Windows program under Wine: from the start of the process to the first frame of the main window,
// beside a bare QMainWindow with a menu bar, both linked against the same static Qt and shown by Qt's windows
// platform. The program's child is app/main.cpp itself, built in as programMain; the two start in turns and the ratio
// is taken in each round before the median, so that a busy moment of a shared machine falls on both. A figure, not a
// test:
//   bash scripts/build-windows.sh --bench
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int programMain(int argc, char** argv); // app/main.cpp

namespace {

constexpr int kRuns = 11;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Processor time of this process so far, in milliseconds.
double processorMs()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return double((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Once a main window has painted for the first time: prints "frame <processor ms>" and ends the process.
class FirstFrame final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && qobject_cast<QMainWindow*>(watched)) {
            m_seen = true;
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("frame %.1f\n", processorMs());
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

bool watchFirstFrame = false;
void installFirstFrame()
{
    if (watchFirstFrame)
        QCoreApplication::instance()->installEventFilter(new FirstFrame);
}
Q_COREAPP_STARTUP_FUNCTION(installFirstFrame)

// The program as it starts.
int programChild(int argc, char** argv)
{
    watchFirstFrame = true;
    return programMain(argc, argv);
}

int bareChild(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QMainWindow window;
    window.menuBar()->addAction(QStringLiteral("Выход"));
    window.menuBar()->addMenu(QStringLiteral("Подогнать размер"))->addAction(QStringLiteral("Автоматически"));
    window.menuBar()->addAction(QStringLiteral("О программе"));
    window.resize(477, 575);
    watchFirstFrame = true;
    installFirstFrame();
    window.show();
    return QApplication::exec();
}

// Wall time from the start of the child to its first frame, and the processor time it reports; -1 on failure.
std::pair<double, double> runChild(const QString& role, const QString& folder)
{
    QProcess child;
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {role});
    if (!child.waitForReadyRead(60000))
        return {-1, -1};
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished(60000);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.value(0) != "frame")
        return {-1, -1};
    return {wall, fields.value(1).toDouble()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--program")
        return programChild(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--bare")
        return bareChild(argc, argv);

    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    for (int i = 0; i < 30; ++i)
        QDir(folder.path()).mkdir(QStringLiteral("Папка %1").arg(i));
    std::vector<double> program, bare, programCpu, bareCpu, ratios, cpuRatios;
    for (int round = 0; round < kRuns; ++round) {
        for (const bool own : {round % 2 == 0, round % 2 != 0}) {
            const auto [wall, cpu] =
                runChild(own ? QStringLiteral("--program") : QStringLiteral("--bare"), folder.path());
            if (wall < 0) {
                std::printf("start-up under Wine: SKIPPED (a child did not show its window)\n");
                return 1;
            }
            (own ? program : bare).push_back(wall);
            (own ? programCpu : bareCpu).push_back(cpu);
        }
        ratios.push_back(program.back() / bare.back());
        cpuRatios.push_back(programCpu.back() / bareCpu.back());
    }
    std::printf("Start-up under Wine to the first frame, median of %d (windows platform, static Qt 6.4.2)\n", kRuns);
    std::printf("  mirtal main window      %8.1f ms wall %8.1f ms processor\n", median(program), median(programCpu));
    std::printf("  bare QMainWindow + menu %8.1f ms wall %8.1f ms processor\n", median(bare), median(bareCpu));
    std::printf("  ratio                   %8.2f wall    %8.2f processor\n", median(ratios), median(cpuRatios));
    return 0;
}
