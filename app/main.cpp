#include "Appearance.h"
#include "Application.h"
#include "GeneralErrorPath.h"
#include "MainWindow.h"
#include "about/AboutWindow.h"
#include "picture/CustomSizeDialog.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QThread>
#include <QTranslator>

#include <cstdlib>

using namespace mirtal;

int main(int argc, char** argv)
{
    app::Application application(argc, argv);
    QApplication::setApplicationName(platform::applicationTitle());
    QGuiApplication::setDesktopFileName(QStringLiteral("example.mirtal.Mirtal")); // its entry, for Wayland compositors
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app::installFontSubstitutes();

    // The interface is Russian whatever the system's language, Qt's own buttons and dialogs included.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    platform::Services services = platform::createServices();
    app::GeneralErrorPath errorPath(*services.dialogs, [](int code) {
        // Before the event loop runs there is nothing to leave: end the process itself.
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::exit(code);
        else
            std::exit(code);
    });
    application.setErrorPath(&errorPath);

    app::MainWindow window(app::MainWindowServices{
        app::EditorServices{*services.fileSystem, *services.pictures, *services.dialogs, *services.shell,
                            *services.screen, errorPath,
                            [](QWidget* owner) -> std::optional<app::CustomSize> {
                                picture::CustomSizeDialog dialog(owner);
                                dialog.exec();
                                if (!dialog.customSizeSet())
                                    return std::nullopt;
                                return app::CustomSize{dialog.widthText(), dialog.heightText()};
                            },
                            QLocale::system()},
        [&](QWidget* owner) {
            about::AboutWindow about(*services.http, *services.shell, QString(about::kSiteRoot), about::systemRandom(),
                                     owner);
            about.exec();
        },
        QDir::currentPath(),
    });
    window.show();
    return QApplication::exec();
}
