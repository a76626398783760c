// Pictures: the scaled copy of a 24-megapixel JPEG beside the tools users know, its quality and memory, and the
// load operation of a folder whose picture it is.
#include "BenchSupport.h"
#include "app/GeneralErrorPath.h"
#include "app/MainWindow.h"
#include "picture/ScaledCopy.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"
#include "settings/IniFormat.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace mirtal;
using namespace mirtal::bench;

namespace {

constexpr QSize kPhotoSize(6000, 4000);
// The automatic fit of a 1024 x 768 screen.
constexpr QSize kCopySize(781, 626);
// The automatic fit of a 3840 x 2160 screen: too large for the decoder to shrink a 6000 x 4000 picture at all.
constexpr QSize kLargestCopySize(3597, 2018);
constexpr int kRuns = 7;

// ---- child: one scaled copy, made the way it is asked, then the process ends -----------------------------------

// The program's own path: what the folder editor does for a scaled copy, through the same calls.
bool copyAsTheProgram(const QString& jpeg, const QString& folder, QSize size)
{
    platform::QtPictures pictures;
    platform::LinuxFileSystem fileSystem(platform::AnsiCodePage::windows1251(), folder);
    const auto source = pictures.loadForSize(jpeg, size);
    if (!source)
        return false;
    const QString copies = picture::picturesFolder(folder);
    return picture::writeScaledCopy(pictures, fileSystem, *source, size, copies,
                                    copies + QStringLiteral("/program.bmp"))
        .isOk();
}

// The least Qt can do: shrink on load by a power of two, one smooth stretch, save.
bool copyBare(const QString& jpeg, const QString& folder, QSize size)
{
    QImageReader reader(jpeg);
    const QSize natural = reader.size();
    QSize decoded = natural;
    for (int factor = 2; factor <= 8; factor *= 2) {
        const QSize next = natural / factor;
        if (next.width() < size.width() || next.height() < size.height())
            break;
        decoded = next;
    }
    reader.setScaledSize(decoded);
    const QImage image = reader.read();
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(folder + QStringLiteral("/bare.bmp"), "BMP");
}

// The whole picture decoded, then the same stretch.
bool copyFull(const QString& jpeg, const QString& folder, QSize size)
{
    const QImage image = QImageReader(jpeg).read();
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(folder + QStringLiteral("/full.bmp"), "BMP");
}

// argv: --copy <program|bare|full> <jpeg> <folder> <width> <height>. Prints the resident memory before the
// copy, its high-water mark after it (KiB) and the copy's own time (ms).
int copyChild(const QStringList& args)
{
    if (args.size() != 7)
        return 2;
    const QString way = args.at(2);
    const QString jpeg = args.at(3);
    const QString folder = args.at(4);
    const QSize size(args.at(5).toInt(), args.at(6).toInt());
    // Qt's plugins are loaded before the memory is read, as they are in the running program.
    (void)QImageReader(jpeg).size();
    const long before = residentKb();
    const auto start = Clock::now();
    const bool made = way == QLatin1String("program") ? copyAsTheProgram(jpeg, folder, size)
                      : way == QLatin1String("bare")  ? copyBare(jpeg, folder, size)
                                                      : copyFull(jpeg, folder, size);
    const double ms = millisecondsSince(start);
    std::printf("%ld %ld %.3f\n", before, peakResidentKb(), ms);
    return made ? 0 : 1;
}

// ---- the parent ----------------------------------------------------------------------------------------------

struct CopyFigures {
    double wallMs = 0;
    double stepMs = 0;
    long beforeKb = 0;
    long peakKb = 0;
};

std::optional<CopyFigures> parseCopyOutput(const ChildRun& run)
{
    const QList<QByteArray> fields = run.output.trimmed().split(' ');
    if (!run.ok || fields.size() != 3)
        return std::nullopt;
    return CopyFigures{run.wallMs, fields.at(2).toDouble(), fields.at(0).toLong(), fields.at(1).toLong()};
}

// A tool users know, with its arguments before and after the file names; empty when not installed.
struct Tool {
    QString name;
    QStringList command; // the input and output paths are put in for {in} and {out}
};

QStringList expand(const Tool& tool, const QString& in, const QString& out)
{
    QStringList command;
    for (const QString& part : tool.command) {
        QString filled = part;
        command.append(filled.replace(QStringLiteral("{in}"), in).replace(QStringLiteral("{out}"), out));
    }
    return command;
}

// ImageMagick's convert, if it is the real one: a stand-in of the same name may lie earlier on PATH.
QString imageMagickConvert()
{
    for (const QString& candidate : {QStringLiteral("/usr/bin/convert"), findTool({QStringLiteral("convert")})}) {
        if (candidate.isEmpty() || !QFileInfo(candidate).isExecutable())
            continue;
        const ChildRun version = runChild({candidate, QStringLiteral("-version")});
        if (version.ok && version.output.contains("ImageMagick"))
            return candidate;
    }
    return {};
}

QString sizeArgument(QSize size, bool exact)
{
    return QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) +
           (exact ? QStringLiteral("!") : QString());
}

void benchCopies(const QString& self, const QString& jpeg, const QString& folder)
{
    printHeading(QStringLiteral("Scaled copy: %1x%2 JPEG to a %3x%4 BMP, whole process, median of %5")
                     .arg(kPhotoSize.width())
                     .arg(kPhotoSize.height())
                     .arg(kCopySize.width())
                     .arg(kCopySize.height())
                     .arg(kRuns));
    const QStringList size{QString::number(kCopySize.width()), QString::number(kCopySize.height())};
    const auto ownWay = [&](const char* way) {
        return QStringList{self, QStringLiteral("--copy"), QLatin1String(way), jpeg, folder} + size;
    };

    std::vector<Tool> tools;
    tools.push_back({QStringLiteral("program (shrink on load + smooth stretch + BMP)"), ownWay("program")});
    tools.push_back({QStringLiteral("bare Qt shrink on load + stretch + save"), ownWay("bare")});
    tools.push_back({QStringLiteral("full decode + stretch + save"), ownWay("full")});
    const QString vips = findTool({QStringLiteral("vipsthumbnail")});
    if (vips.isEmpty())
        printSkip(QStringLiteral("vipsthumbnail"), QStringLiteral("not installed (Debian package libvips-tools)"));
    else
        tools.push_back({QStringLiteral("vipsthumbnail"),
                         {vips, QStringLiteral("{in}"), QStringLiteral("-s"), sizeArgument(kCopySize, true),
                          QStringLiteral("-o"), QStringLiteral("{out}")}});
    const QString convert = imageMagickConvert();
    if (convert.isEmpty()) {
        printSkip(QStringLiteral("ImageMagick convert"), QStringLiteral("not installed (Debian package imagemagick)"));
    } else {
        tools.push_back({QStringLiteral("ImageMagick convert"),
                         {convert, QStringLiteral("{in}"), QStringLiteral("-resize"), sizeArgument(kCopySize, true),
                          QStringLiteral("{out}")}});
        tools.push_back({QStringLiteral("ImageMagick convert with a jpeg:size hint"),
                         {convert, QStringLiteral("-define"),
                          QStringLiteral("jpeg:size=") + sizeArgument(kCopySize * 2, false), QStringLiteral("{in}"),
                          QStringLiteral("-resize"), sizeArgument(kCopySize, true), QStringLiteral("{out}")}});
    }

    // Rounds in turn, so that a busy moment of the machine falls on every tool alike.
    std::vector<std::vector<double>> times(tools.size());
    std::vector<double> ownSteps;
    std::vector<bool> failed(tools.size(), false);
    for (int round = 0; round < kRuns; ++round) {
        for (size_t i = 0; i < tools.size(); ++i) {
            const ChildRun run = runChild(expand(tools[i], jpeg, folder + QStringLiteral("/tool.bmp")));
            failed[i] = failed[i] || !run.ok;
            times[i].push_back(run.wallMs);
            if (i == 0)
                if (const auto figures = parseCopyOutput(run))
                    ownSteps.push_back(figures->stepMs);
        }
    }
    std::vector<double> medians;
    for (size_t i = 0; i < tools.size(); ++i) {
        medians.push_back(median(times[i]));
        if (failed[i])
            printSkip(tools[i].name, QStringLiteral("failed; its figure is not used"));
        else
            printFigure(tools[i].name, medians.back(), QStringLiteral("ms"));
    }
    printFigure(QStringLiteral("of the program's time, the copy itself (in the process)"), median(ownSteps),
                QStringLiteral("ms"));
    if (failed[0])
        return;
    if (!failed[1])
        printRatio(QStringLiteral("program / bare shrink-on-load baseline"), medians[0] / medians[1], 1.1,
                   QStringLiteral("the baseline's time"));
    printRatio(QStringLiteral("program / full decode"), medians[0] / medians[2], 1.0,
               QStringLiteral("the full decode's time (for comparison)"));
    for (size_t i = 3; i < tools.size(); ++i) {
        if (failed[i])
            continue;
        const bool vipsRow = tools[i].name == QLatin1String("vipsthumbnail");
        printRatio(QStringLiteral("program / ") + tools[i].name, medians[0] / medians[i], vipsRow ? 1 / 1.5 : 1.0,
                   vipsRow ? QStringLiteral("the time of vipsthumbnail, i.e. >= 1.5x faster")
                           : QStringLiteral("its time (for comparison)"));
    }
}

void benchQuality(const QString& jpeg, const QString& folder)
{
    printHeading(QStringLiteral("Quality of the copy against a full decode + smooth stretch"));
    const QImage reference =
        QImageReader(jpeg).read().scaled(kCopySize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage own(picture::picturesFolder(folder) + QStringLiteral("/program.bmp"));
    const double difference = meanAbsoluteDifference(own, reference);
    if (difference < 0) {
        printSkip(QStringLiteral("quality"), QStringLiteral("the program's copy is missing or of another size"));
        return;
    }
    printFigure(QStringLiteral("mean absolute difference per channel"), difference, QStringLiteral("levels of 255"));
    printRatio(QStringLiteral("difference"), difference, 2.0, QStringLiteral("levels"));
}

void benchMemory(const QString& self, const QString& jpeg, const QString& folder)
{
    printHeading(QStringLiteral("Memory of making the copy from the %1-megapixel JPEG")
                     .arg(qint64{kPhotoSize.width()} * kPhotoSize.height() / 1000000));
    const double frameKb = 4.0 * kPhotoSize.width() * kPhotoSize.height() / 1024.0;
    printFigure(QStringLiteral("one decoded 32-bit frame"), frameKb / 1024.0, QStringLiteral("MiB"));
    for (const QSize size : {kCopySize, kLargestCopySize}) {
        const ChildRun run = runChild({self, QStringLiteral("--copy"), QStringLiteral("program"), jpeg, folder,
                                       QString::number(size.width()), QString::number(size.height())});
        const auto figures = parseCopyOutput(run);
        const QString what = QStringLiteral("copy to %1x%2").arg(size.width()).arg(size.height());
        if (!figures) {
            printSkip(what, QStringLiteral("the child failed"));
            continue;
        }
        const double growthKb = static_cast<double>(figures->peakKb - figures->beforeKb);
        printFigure(what + QStringLiteral(": process peak (VmHWM)"), static_cast<double>(figures->peakKb) / 1024.0,
                    QStringLiteral("MiB"));
        printFigure(what + QStringLiteral(": peak less the process before the copy"), growthKb / 1024.0,
                    QStringLiteral("MiB"));
        printRatio(what + QStringLiteral(": copy's peak / frame"), growthKb / frameKb, 1.3,
                   QStringLiteral("one decoded frame"));
        printRatio(what + QStringLiteral(": whole process peak / frame"),
                   static_cast<double>(figures->peakKb) / frameKb, 1.3,
                   QStringLiteral("one decoded frame (libraries included)"));
    }
}

void benchLoadOperation(const QString& jpeg, const QString& folder)
{
    printHeading(QStringLiteral("Load operation of a folder whose picture is the JPEG (preview + size text)"));
    const QString target = folder + QStringLiteral("/target");
    QFile ini(target + QLatin1Char('/') + settings::settingsFileName());
    if (!QDir().mkpath(target) || !ini.open(QIODevice::WriteOnly)) {
        printSkip(QStringLiteral("load operation"), QStringLiteral("could not write the settings file"));
        return;
    }
    ini.write(settings::composeNew(jpeg, QStringLiteral("FFFFFF")).toLatin1() + "\r\n");
    ini.close();

    platform::Services services = platform::createServices();
    // A failure would show a modal message box and wait for ever: check the picture first.
    if (!services.pictures->naturalSize(jpeg)) {
        printSkip(QStringLiteral("load operation"), QStringLiteral("the picture cannot be read"));
        return;
    }
    app::GeneralErrorPath errorPath(*services.dialogs, [](int) {});
    app::MainWindow form(app::MainWindowServices{{*services.fileSystem,
                                                  *services.pictures,
                                                  *services.dialogs,
                                                  *services.shell,
                                                  *services.screen,
                                                  errorPath,
                                                  {},
                                                  QLocale::c()},
                                                 {},
                                                 target});
    const auto* sizeText = form.findChild<QLabel*>(QStringLiteral("sizeLabel"));
    if (!sizeText || !sizeText->text().startsWith(QStringLiteral("6000x4000"))) {
        printSkip(QStringLiteral("load operation"), QStringLiteral("the size text is wrong"));
        return;
    }

    std::vector<double> load, full;
    for (int round = 0; round < kRuns; ++round) {
        auto start = Clock::now();
        form.editor().reload();
        load.push_back(millisecondsSince(start));
        start = Clock::now();
        (void)services.pictures->load(jpeg);
        full.push_back(millisecondsSince(start));
    }
    const double loadMs = median(load);
    const double fullMs = median(full);
    printFigure(QStringLiteral("load operation, reload (median of %1)").arg(kRuns), loadMs, QStringLiteral("ms"));
    printFigure(QStringLiteral("full decode of the picture (median of %1)").arg(kRuns), fullMs, QStringLiteral("ms"));
    printRatio(QStringLiteral("load operation / full decode"), loadMs / fullMs, 0.6,
               QStringLiteral("the full decode's time"));
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list.append(QString::fromLocal8Bit(argv[i]));
        return list;
    }();
    if (args.size() > 1 && args.at(1) == QLatin1String("--copy"))
        return copyChild(args);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir dir;
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    if (!dir.isValid() || !writeJpeg(photoLikeImage(kPhotoSize), jpeg)) {
        printSkip(QStringLiteral("pictures"), QStringLiteral("could not write the test picture"));
        return 1;
    }
    printHeading(QStringLiteral("Test picture: %1x%2 JPEG, quality 90, %3 MB")
                     .arg(kPhotoSize.width())
                     .arg(kPhotoSize.height())
                     .arg(QString::number(static_cast<double>(QFileInfo(jpeg).size()) / 1e6, 'f', 1)));

    benchCopies(self, jpeg, dir.path());
    benchQuality(jpeg, dir.path());
    benchMemory(self, jpeg, dir.path());
    benchLoadOperation(jpeg, dir.path());
    return 0;
}
