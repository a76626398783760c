#include "Harness.h"

#include <QAction>
#include <QImage>

using namespace mirtal;

Harness::Harness(QSize screenPixels, QLocale numberLocale)
    : screen(screenPixels * platform::kTwipsPerPixel)
    , locale(std::move(numberLocale))
    , m_errorPath(dialogs, [this](int code) {
        ++ends;
        lastExitCode = code;
    })
{
    fs.addDirectory(m_folder.path());
}

void Harness::start()
{
    m_form = std::make_unique<app::Form1>(app::Form1Services{
        fs,
        pictures,
        dialogs,
        shell,
        screen,
        m_errorPath,
        [this](QWidget*) { ++aboutShown; },
        [this](QWidget*) -> std::optional<app::CustomSize> {
            ++customSizeAsked;
            if (customSizes.empty())
                return std::nullopt;
            auto answer = customSizes.front();
            customSizes.pop_front();
            return answer;
        },
        m_folder.path(),
        locale,
    });
}

bool Harness::checked(const char* menuItem) const
{
    return m_form->menuAction(QString::fromLatin1(menuItem))->isChecked();
}

bool Harness::previewEmpty() const
{
    const QLabel* image1 = control<QLabel>("Image1");
    return image1->pixmap().isNull();
}

void Harness::addPicture(const QString& path, QSize size, quint32 attributes)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    pictures.addPicture(path, image, attributes);
}
