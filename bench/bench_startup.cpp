// Start-up: from the start of the process to the first frame of the main window, beside a bare QMainWindow with a
// menu bar. Each run is a child process of its own, on Qt's offscreen platform. The two start in turns, and the
// ratio is taken in each round before the median, so that a busy moment of a shared machine falls on both. The
// processor time each child has used by its first frame is given too: it hardly moves with the load.
#include "BenchSupport.h"
#include "app/Appearance.h"
#include "app/Application.h"
#include "app/GeneralErrorPath.h"
#include "app/MainWindow.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace mirtal;
using namespace mirtal::bench;

namespace {

constexpr int kRuns = 21;

// The steps of a child's start-up, in milliseconds since main() began.
class Steps final {
public:
    void mark() { m_marks.push_back(millisecondsSince(m_start)); }
    // One line: "frame", the processor time used so far, and the marks.
    void report() const
    {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
        std::printf("frame %.3f", ms(usage.ru_utime) + ms(usage.ru_stime));
        for (const double mark : m_marks)
            std::printf(" %.3f", mark);
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }

private:
    Clock::time_point m_start = Clock::now();
    std::vector<double> m_marks;
};

// Reports once the window has painted for the first time, then ends the process.
class FirstFrame final : public QObject {
public:
    explicit FirstFrame(Steps& steps)
        : m_steps(steps)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued: the paint, and every child's, is done by the time this runs.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_steps.mark();
                    m_steps.report();
                    ::_exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Steps& m_steps;
    bool m_seen = false;
};

const QStringList kProgramSteps{QStringLiteral("application object"),
                                QStringLiteral("style and font substitutes"),
                                QStringLiteral("translator"),
                                QStringLiteral("services"),
                                QStringLiteral("main window built (MainWindow constructor, load included)"),
                                QStringLiteral("show"),
                                QStringLiteral("first frame painted")};

// The program's start-up, as main.cpp does it.
int programChild(int argc, char** argv)
{
    Steps steps;
    app::Application application(argc, argv);
    steps.mark();
    QApplication::setApplicationName(platform::applicationTitle());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app::installFontSubstitutes();
    steps.mark();
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    steps.mark();
    platform::Services services = platform::createServices();
    app::GeneralErrorPath errorPath(*services.dialogs, [](int code) { std::exit(code); });
    application.setErrorPath(&errorPath);
    steps.mark();
    app::MainWindow form(app::MainWindowServices{{*services.fileSystem,
                                                  *services.pictures,
                                                  *services.dialogs,
                                                  *services.shell,
                                                  *services.screen,
                                                  errorPath,
                                                  {},
                                                  QLocale::system()},
                                                 {},
                                                 QDir::currentPath()});
    steps.mark();
    FirstFrame frame(steps);
    form.installEventFilter(&frame);
    form.show();
    steps.mark();
    return QApplication::exec();
}

const QStringList kBareSteps{QStringLiteral("application object"), QStringLiteral("window built"),
                             QStringLiteral("show"), QStringLiteral("first frame painted")};

// The least a Qt program with a main window shows.
int bareChild(int argc, char** argv)
{
    Steps steps;
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    steps.mark();
    QMainWindow window;
    window.menuBar()->addAction(QStringLiteral("Выход"));
    window.menuBar()->addMenu(QStringLiteral("Подогнать размер"))->addAction(QStringLiteral("Автоматически"));
    window.menuBar()->addAction(QStringLiteral("О программе"));
    window.resize(477, 575);
    steps.mark();
    FirstFrame frame(steps);
    window.installEventFilter(&frame);
    window.show();
    steps.mark();
    return QApplication::exec();
}

// Medians of the child's own marks, printed as the time each step took.
void printSteps(const QStringList& names, const std::vector<QList<QByteArray>>& lines)
{
    double before = 0;
    for (qsizetype step = 0; step < names.size(); ++step) {
        std::vector<double> marks;
        for (const QList<QByteArray>& fields : lines)
            marks.push_back(fields.value(step + 2).toDouble());
        const double at = median(marks);
        printFigure(QStringLiteral("    ") + names.at(step), at - before, QStringLiteral("ms"));
        before = at;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--program")
        return programChild(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--bare")
        return bareChild(argc, argv);

    printHeading(QStringLiteral("Start-up to the first frame of the main window, median of %1").arg(kRuns));
    // The start folder: a few sub-folders and no settings file, as a user's folder might be.
    QTemporaryDir folder;
    for (int i = 0; i < 30; ++i)
        QDir(folder.path()).mkdir(QStringLiteral("Папка %1").arg(i));
    const QString self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    const QStringList environment{QStringLiteral("QT_QPA_PLATFORM=offscreen")};

    std::vector<double> program, bare, programCpu, bareCpu, wallRatios, cpuRatios;
    std::vector<QList<QByteArray>> programSteps, bareSteps;
    for (int round = 0; round < kRuns; ++round) {
        // Who goes first alternates, so that neither always follows the other's cache warm-up.
        for (const bool own : {round % 2 == 0, round % 2 != 0}) {
            const ChildRun run = runChild({self, own ? QStringLiteral("--program") : QStringLiteral("--bare")},
                                          folder.path(), environment, true);
            const QList<QByteArray> fields = run.output.trimmed().split(' ');
            if (!run.ok || run.firstOutputMs < 0 || fields.value(0) != "frame") {
                printSkip(QStringLiteral("start-up"), QStringLiteral("a child did not show its window"));
                return 1;
            }
            (own ? program : bare).push_back(run.firstOutputMs);
            (own ? programCpu : bareCpu).push_back(fields.value(1).toDouble());
            (own ? programSteps : bareSteps).push_back(fields);
        }
        wallRatios.push_back(program.back() / bare.back());
        cpuRatios.push_back(programCpu.back() / bareCpu.back());
    }
    const double programMs = median(program);
    const double bareMs = median(bare);
    printFigure(QStringLiteral("the program's main window, from the process start"), programMs, QStringLiteral("ms"));
    printSteps(kProgramSteps, programSteps);
    printFigure(QStringLiteral("a bare QMainWindow with a menu bar, from the process start"), bareMs,
                QStringLiteral("ms"));
    printSteps(kBareSteps, bareSteps);
    printFigure(QStringLiteral("processor time to the first frame, the program"), median(programCpu),
                QStringLiteral("ms"));
    printFigure(QStringLiteral("processor time to the first frame, the bare window"), median(bareCpu),
                QStringLiteral("ms"));
    printRatio(QStringLiteral("program / bare window, processor time"), median(cpuRatios), 1.3,
               QStringLiteral("the bare window's"));
    printRatio(QStringLiteral("program / bare window"), median(wallRatios), 1.3, QStringLiteral("the bare window's"));
    return 0;
}
