// Opening a folder with many sub-folders in the folder list, beside `ls -f` of the same folder.
#include "BenchSupport.h"
#include "app/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

using namespace mirtal;
using namespace mirtal::bench;

namespace {

constexpr int kFolders = 10000;
constexpr int kRuns = 15;

// Names of mixed script and case, made in no particular order, so that the sort has work to do.
bool makeFolders(const QString& root)
{
    const QString stems[] = {QStringLiteral("Фото"), QStringLiteral("photo"), QStringLiteral("Отпуск"),
                             QStringLiteral("Work"), QStringLiteral("архив"), QStringLiteral("Music")};
    QDir dir(root);
    for (int i = 0; i < kFolders; ++i) {
        const int n = (i * 7919) % kFolders;
        const QString name = stems[n % 6] + QLatin1Char(' ') + QString::number(n);
        if (!dir.mkdir(name))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    printHeading(QStringLiteral("Folder list: a folder with %1 sub-folders").arg(kFolders));
    QTemporaryDir root;
    const QString big = root.filePath(QStringLiteral("big"));
    if (!root.isValid() || !QDir().mkdir(big) || !makeFolders(big)) {
        printSkip(QStringLiteral("folder list"), QStringLiteral("could not create the folders in %1").arg(root.path()));
        return 1;
    }

    app::FolderList list;
    list.resize(301, 321); // the list's size in the main window
    list.show();
    QApplication::processEvents();

    const QString ls = findTool({QStringLiteral("ls")});
    if (ls.isEmpty()) {
        printSkip(QStringLiteral("folder list"), QStringLiteral("ls not found"));
        return 1;
    }

    // Each run opens the big folder from its (small) parent and draws the list, as the user sees it; ls runs in
    // turn with it, so that a busy moment of the machine falls on both alike.
    std::vector<double> listTimes, lsTimes;
    for (int i = 0; i < kRuns; ++i) {
        (void)list.setPath(root.path());
        list.repaint();
        const auto start = Clock::now();
        const Status opened = list.setPath(big);
        list.repaint();
        listTimes.push_back(millisecondsSince(start));
        if (!opened || list.count() < kFolders) {
            printSkip(QStringLiteral("folder list"), QStringLiteral("the list did not show the folders"));
            return 1;
        }
        const ChildRun run = runChild({ls, QStringLiteral("-f"), big});
        if (!run.ok) {
            printSkip(QStringLiteral("folder list"), QStringLiteral("ls -f failed"));
            return 1;
        }
        lsTimes.push_back(run.wallMs);
    }
    const double listMs = median(listTimes);
    const double lsMs = median(lsTimes);
    printFigure(QStringLiteral("FolderList::setPath + first paint (median of %1)").arg(kRuns), listMs,
                QStringLiteral("ms"));
    const double namesMs = medianMs(kRuns, [&] { (void)app::FolderList::subfolderNames(big); });
    printFigure(QStringLiteral("    of which reading and sorting the names"), namesMs, QStringLiteral("ms"));
    printFigure(QStringLiteral("ls -f, whole process (median of %1)").arg(kRuns), lsMs, QStringLiteral("ms"));
    printRatio(QStringLiteral("folder list / ls -f"), listMs / lsMs, 2.0, QStringLiteral("the time of ls -f"));
    return 0;
}
