#pragma once

#include "FakeFileSystem.h"
#include "platform/Pictures.h"

#include <QMap>

namespace mirtal::platform {

// Pictures kept by path next to a FakeFileSystem: a saved BMP also appears there as a file.
class FakePictures final : public Pictures {
public:
    explicit FakePictures(FakeFileSystem& fileSystem)
        : m_fileSystem(fileSystem)
    {
    }

    // Adds the picture and a file entry for it.
    void addPicture(const QString& path, const QImage& image, quint32 attributes = attr::Normal);
    QImage picture(const QString& path) const { return m_pictures.value(FakeFileSystem::normalized(path)); }
    void failNextSave(const QString& message = QStringLiteral("Диск заполнен")) { m_saveFailure = message; }
    int loads() const { return m_loads; }

    Result<QImage> load(const QString& path) const override;
    Result<QSize> naturalSize(const QString& path) const override;
    Result<QImage> loadForSize(const QString& path, QSize target) const override;
    QImage stretch(const QImage& picture, QSize size, QRgb background) const override;
    Status saveBmp(const QImage& image, const QString& path) override;

private:
    FakeFileSystem& m_fileSystem;
    QMap<QString, QImage> m_pictures;
    QString m_saveFailure;
    mutable int m_loads = 0;
};

} // namespace mirtal::platform
