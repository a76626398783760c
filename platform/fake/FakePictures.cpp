#include "FakePictures.h"

#include <QPainter>

namespace mirtal::platform {

void FakePictures::addPicture(const QString& path, const QImage& image, quint32 attributes)
{
    m_pictures.insert(FakeFileSystem::normalized(path), image);
    m_fileSystem.addFile(path, QByteArrayLiteral("picture"), attributes);
}

Result<QImage> FakePictures::load(const QString& path) const
{
    ++m_loads;
    if (path.isEmpty())
        return QImage();
    const QString key = FakeFileSystem::normalized(path);
    if (!m_fileSystem.exists(key))
        return Status::failure(QStringLiteral("Файл «%1» не найден").arg(path), ErrorKind::NotFound);
    const auto it = m_pictures.constFind(key);
    if (it == m_pictures.constEnd())
        return Status::failure(QStringLiteral("«%1» — не картинка").arg(path));
    return *it;
}

Result<QSize> FakePictures::naturalSize(const QString& path) const
{
    const auto picture = load(path);
    if (!picture)
        return picture.status();
    return picture->size();
}

Result<QImage> FakePictures::loadForSize(const QString& path, QSize) const { return load(path); }

QImage FakePictures::stretch(const QImage& picture, QSize size, QRgb background) const
{
    QImage surface(size, QImage::Format_RGB32);
    surface.fill(background);
    QPainter painter(&surface);
    painter.drawImage(QRect(QPoint(0, 0), size), picture);
    return surface;
}

Status FakePictures::saveBmp(const QImage& image, const QString& path)
{
    if (!m_saveFailure.isEmpty()) {
        const QString message = std::exchange(m_saveFailure, QString());
        return Status::failure(message);
    }
    const QString key = FakeFileSystem::normalized(path);
    const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
    const auto parent = m_fileSystem.entry(slash <= 0 ? QStringLiteral("/") : key.left(slash));
    if (!parent || !parent->directory)
        return Status::failure(QStringLiteral("Папка для «%1» не найдена").arg(path), ErrorKind::NotFound);
    addPicture(key, image.convertToFormat(QImage::Format_RGB32));
    return Status::ok();
}

} // namespace mirtal::platform
