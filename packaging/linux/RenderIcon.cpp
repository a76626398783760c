// Writes the program's icon, exactly as the window draws it, as one PNG per drawn size for the desktop's icon theme:
// <folder>/<size>.png.
#include "app/Appearance.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: mirtal_render_icon <folder>\n", stderr);
        return 2;
    }
    const QDir folder(arguments.at(1));
    const QIcon icon = mirtal::app::programIcon();
    for (const QSize& size : icon.availableSizes()) {
        const QString file = folder.filePath(QString::number(size.width()) + QStringLiteral(".png"));
        const QPixmap image = icon.pixmap(size, 1.0);
        if (image.size() != size || !image.save(file, "PNG")) {
            std::fprintf(stderr, "mirtal_render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
