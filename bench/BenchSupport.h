#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// What every benchmark shares: timing, child processes, generated pictures, the lines it prints.
namespace mirtal::bench {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start);
double median(std::vector<double> values);

// Runs work the given number of times and gives the median in milliseconds.
double medianMs(int runs, const std::function<void()>& work);

// One finished child process.
struct ChildRun {
    bool ok = false;           // started and exited with status 0
    double wallMs = 0;         // from just before the start to its exit
    double firstOutputMs = -1; // from just before the start to the first byte on its standard output
    long peakRssKb = 0;        // the kernel's high-water mark of its resident memory
    QByteArray output;         // what it wrote to its standard output
};

// Starts program with arguments (argv[0] is program), optionally in folder, with the extra environment
// entries ("NAME=value"), its standard output captured and its standard error passed on or dropped.
ChildRun runChild(const QStringList& arguments, const QString& folder = {}, const QStringList& environment = {},
                  bool dropStandardError = false);

// The median wall time of runs of the same command; nullopt when any run failed.
std::optional<double> medianChildMs(int runs, const QStringList& arguments, const QString& folder = {},
                                    const QStringList& environment = {});

// The path of a program on PATH or at one of the given places, if it is there and runs.
QString findTool(const QStringList& candidates);

// This process's resident memory now and its high-water mark, in KiB, from /proc/self/status.
long residentKb();
long peakResidentKb();

// A photograph-like test picture: smooth gradients, a few hard edges and fine noise, so that neither a
// decoder nor a scaler has it easy. Deterministic.
QImage photoLikeImage(QSize size);
// Writes it as a JPEG of the given quality; false when writing failed.
bool writeJpeg(const QImage& image, const QString& path, int quality = 90);

// Mean absolute difference per channel (red, green, blue together) of two images of equal size, in levels
// of 0..255; a negative value when the sizes differ.
double meanAbsoluteDifference(const QImage& a, const QImage& b);

// The lines a benchmark prints: a figure, a target checked against it, a skipped comparison.
void printHeading(const QString& text);
void printFigure(const QString& name, double value, const QString& unit);
// Prints the ratio and whether it meets the bound (ratio <= bound); returns whether it does.
bool printRatio(const QString& name, double ratio, double bound, const QString& againstWhat);
void printSkip(const QString& what, const QString& why);

} // namespace mirtal::bench
