// Applies two settings in turn to one folder, without end, through the main window over the real file system:
// the crash test kills it at random moments. Arguments: the folder, the program's folder. Prints "ready" once the
// window has started and loaded the folder; exits with 3 if anything is ever reported.
#include "CrashScenario.h"
#include "common/RealWindow.h"

#include <QApplication>

#include <cstdio>

using namespace mirtal;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: mirtal_crash_helper <folder> <program folder>\n", stderr);
        return 2;
    }
    RealWindow window(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    const auto reported = [&window] {
        for (const auto& shown : window.dialogs.shown())
            std::fprintf(stderr, "box: %s\n", shown.text.toUtf8().constData());
        return window.ends > 0 || !window.dialogs.shown().isEmpty();
    };
    if (reported())
        return 3;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    const test::crash::Settings settings[] = {test::crash::kFirst, test::crash::kSecond};
    for (unsigned round = 0;; ++round) {
        const auto& next = settings[round % 2];
        window.form().ImagePath = QString::fromUtf8(next.imagePath);
        window.form().TextColorHex = QString::fromUtf8(next.textColorHex);
        window.form().Command5_Click();
        // Only the confirmation may have been shown.
        if (window.ends > 0 || window.dialogs.shown().size() != 1) {
            (void)reported();
            return 3;
        }
        window.dialogs.clearShown();
    }
}
