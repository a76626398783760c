#include "BenchSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mirtal::bench {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(millisecondsSince(start));
    }
    return median(times);
}

ChildRun runChild(const QStringList& arguments, const QString& folder, const QStringList& environment,
                  bool dropStandardError)
{
    ChildRun run;
    if (arguments.isEmpty())
        return run;
    std::vector<QByteArray> argBytes;
    for (const QString& argument : arguments)
        argBytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& bytes : argBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envBytes;
    for (char** entry = environ; *entry; ++entry)
        envBytes.emplace_back(*entry);
    for (const QString& entry : environment)
        envBytes.push_back(entry.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& bytes : envBytes)
        envp.push_back(bytes.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (dropStandardError)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const QByteArray folderBytes = QFile::encodeName(folder);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folderBytes.constData());

    const auto start = Clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return run;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        if (run.firstOutputMs < 0)
            run.firstOutputMs = millisecondsSince(start);
        run.output.append(buffer, static_cast<qsizetype>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage = {};
    ::wait4(pid, &status, 0, &usage);
    run.wallMs = millisecondsSince(start);
    run.peakRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::optional<double> medianChildMs(int runs, const QStringList& arguments, const QString& folder,
                                    const QStringList& environment)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = runChild(arguments, folder, environment);
        if (!run.ok)
            return std::nullopt;
        times.push_back(run.wallMs);
    }
    return median(times);
}

QString findTool(const QStringList& candidates)
{
    const QStringList path = qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& candidate : candidates) {
        QStringList places;
        if (candidate.contains(QLatin1Char('/')))
            places.append(candidate);
        else
            for (const QString& folder : path)
                places.append(folder + QLatin1Char('/') + candidate);
        for (const QString& place : places) {
            const QFileInfo info(place);
            if (info.isFile() && info.isExecutable())
                return info.absoluteFilePath();
        }
    }
    return {};
}

namespace {

long statusFieldKb(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name(field);
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

long residentKb() { return statusFieldKb("VmRSS:"); }
long peakResidentKb() { return statusFieldKb("VmHWM:"); }

QImage photoLikeImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(20240607);
    const double w = size.width();
    const double h = size.height();
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            // Sky to ground, a sun, and a horizon that is a hard edge.
            const double fy = y / h;
            const double fx = x / w;
            const double horizon = 0.55 + 0.05 * std::sin(fx * 12.0);
            double r, g, b;
            if (fy < horizon) {
                r = 70 + 120 * fy;
                g = 120 + 90 * fy;
                b = 230 - 60 * fy;
                const double dx = fx - 0.7, dy = fy - 0.2;
                if (dx * dx + dy * dy < 0.004) {
                    r = 255;
                    g = 235;
                    b = 120;
                }
            } else {
                r = 60 + 40 * std::sin(fx * 40.0);
                g = 110 + 50 * fy;
                b = 40 + 20 * std::cos(fy * 30.0);
            }
            const int noise = static_cast<int>(random.bounded(25u)) - 12;
            const auto clamp = [&](double v) { return std::clamp(static_cast<int>(v) + noise, 0, 255); };
            line[x] = qRgb(clamp(r), clamp(g), clamp(b));
        }
    }
    return image;
}

bool writeJpeg(const QImage& image, const QString& path, int quality)
{
    QImageWriter writer(path, "jpeg");
    writer.setQuality(quality);
    return writer.write(image);
}

double meanAbsoluteDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

namespace {

void printLine(const QString& text)
{
    QTextStream out(stdout);
    out << text << '\n';
    out.flush();
}

} // namespace

void printHeading(const QString& text) { printLine(QStringLiteral("== ") + text); }

void printFigure(const QString& name, double value, const QString& unit)
{
    printLine(QStringLiteral("  %1: %2 %3").arg(name, QString::number(value, 'f', value < 10 ? 2 : 1), unit));
}

bool printRatio(const QString& name, double ratio, double bound, const QString& againstWhat)
{
    const bool met = ratio <= bound;
    printLine(QStringLiteral("  %1: %2x %3 (target <= %4x) %5")
                  .arg(name, QString::number(ratio, 'f', 2), againstWhat, QString::number(bound, 'f', 2),
                       met ? QStringLiteral("MET") : QStringLiteral("NOT MET")));
    return met;
}

void printSkip(const QString& what, const QString& why)
{
    printLine(QStringLiteral("  SKIPPED %1: %2").arg(what, why));
}

} // namespace mirtal::bench
