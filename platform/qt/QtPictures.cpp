#include "QtPictures.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace mirtal::platform {

namespace {

// What this facility reads; Qt could read more, but the program offers only these.
bool isAcceptedFormat(const QByteArray& format) { return format == "bmp" || format == "jpeg" || format == "gif"; }

Status notFound(const QString& path)
{
    return Status::failure(QStringLiteral("Файл «%1» не найден.").arg(path), ErrorKind::NotFound);
}

Status notAPicture(const QString& path)
{
    return Status::failure(QStringLiteral("Файл «%1» не является картинкой BMP, JPEG или GIF.").arg(path));
}

Status unreadable(const QString& path, const QString& reason)
{
    return Status::failure(QStringLiteral("Не удалось прочитать картинку «%1»: %2").arg(path, reason));
}

Status tooLargeFile(const QString& path, qint64 bytes)
{
    return Status::failure(QStringLiteral("Файл «%1» слишком велик для картинки: %2 байт.").arg(path).arg(bytes));
}

Status tooLarge(const QString& path, QSize size)
{
    return Status::failure(QStringLiteral("Картинка «%1» слишком велика: %2x%3 точек.")
                               .arg(path, QString::number(size.width()), QString::number(size.height())));
}

qint64 pixels(QSize size) { return qint64{size.width()} * size.height(); }

// The GIF decoder draws every frame onto an image of the logical screen's size (header bytes 6 to 9), while the
// reader tells the first frame's size.
QSize gifScreenSize(QImageReader& reader)
{
    QIODevice* const device = reader.device();
    if (device == nullptr || !device->isReadable())
        return {};
    const qint64 at = device->pos();
    if (!device->seek(0))
        return {};
    const QByteArray head = device->read(10);
    device->seek(at);
    if (head.size() < 10)
        return {};
    const auto word = [&head](int i) { return int(uchar(head[i])) | int(uchar(head[i + 1])) << 8; };
    return {word(6), word(8)};
}

// A reader that has recognised one of the accepted formats, or why it has not.
Status openReader(QImageReader& reader, const QString& path)
{
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    const QFileInfo info(path);
    // A pipe or a device would block the reader or never end; only a regular file can hold a picture.
    if (info.exists() && !info.isFile())
        return notAPicture(path);
    if (info.isFile() && info.size() > QtPictures::kMaxFileBytes)
        return tooLargeFile(path, info.size());
    reader.setFileName(path);
    if (!reader.canRead()) {
        if (!info.exists())
            return notFound(path);
        if (info.isFile() && !info.isReadable())
            return unreadable(path, reader.errorString());
        return notAPicture(path);
    }
    if (!isAcceptedFormat(reader.format()))
        return notAPicture(path);
    return Status::ok();
}

} // namespace

QtPictures::QtPictures()
{
    // Qt's own guard then agrees with ours where the header does not tell the size.
    QImageReader::setAllocationLimit(static_cast<int>(kMaxDecodedBytes / (1024 * 1024)));
}

Result<QSize> QtPictures::decodedSize(QImageReader& reader, const QString& path, QSize natural, QSize target)
{
    const QSize whole = reader.format() == "gif" ? natural.expandedTo(gifScreenSize(reader)) : natural;
    // Judged by the whole picture even when less is decoded: a picture that is shown can then always be copied,
    // whatever size the copy needs.
    if (pixels(whole) > kMaxPicturePixels)
        return tooLarge(path, whole);
    // Only the JPEG decoder shrinks while decoding; the others decode whole.
    const bool shrinks = reader.format() == "jpeg";
    const QSize decoded = shrinks ? reducedSize(natural, target) : natural;
    if (pixels(shrinks ? decoded : whole) * 4 > kMaxDecodedBytes)
        return tooLarge(path, whole);
    return decoded;
}

QSize QtPictures::reducedSize(QSize natural, QSize target)
{
    if (natural.isEmpty() || target.isEmpty())
        return natural;
    for (int eighths = 1; eighths < kScaleEighths; ++eighths) {
        // Rounded down, so that Qt asks the decoder for exactly this scale; where the product is not whole, the
        // decoder gives one pixel more and Qt takes it off.
        const QSize reduced(static_cast<int>(qint64{natural.width()} * eighths / kScaleEighths),
                            static_cast<int>(qint64{natural.height()} * eighths / kScaleEighths));
        if (reduced.width() >= target.width() && reduced.height() >= target.height())
            return reduced;
    }
    return natural;
}

Result<QImage> QtPictures::load(const QString& path) const { return decode(path, QSize()); }

Result<QImage> QtPictures::loadForSize(const QString& path, QSize target) const { return decode(path, target); }

Result<QSize> QtPictures::naturalSize(const QString& path) const
{
    if (path.isEmpty())
        return QSize(0, 0);
    QImageReader reader;
    if (const Status opened = openReader(reader, path); !opened)
        return opened;
    const QSize size = reader.size();
    if (size.isValid()) {
        // Refused as every decode of it would be, the smallest included.
        if (const Result<QSize> decoded = decodedSize(reader, path, size, QSize(1, 1)); !decoded)
            return decoded.status();
        return size;
    }
    // The header did not tell; the picture itself does.
    Result<QImage> image = load(path);
    if (!image)
        return image.status();
    return image->size();
}

Result<QImage> QtPictures::decode(const QString& path, QSize target) const
{
    if (path.isEmpty())
        return QImage();
    QImageReader reader;
    if (const Status opened = openReader(reader, path); !opened)
        return opened;

    const QSize natural = reader.size();
    if (natural.isValid()) {
        const Result<QSize> decoded = decodedSize(reader, path, natural, target);
        if (!decoded)
            return decoded.status();
        if (*decoded != natural)
            reader.setScaledSize(*decoded);
    }

    QImage image = reader.read();
    if (image.isNull())
        return unreadable(path, reader.errorString());
    return image;
}

QImage QtPictures::stretch(const QImage& picture, QSize size, QRgb background) const
{
    if (size.isEmpty())
        return {};
    // Scaling on its own: QImage::scaled averages areas when shrinking, where a painter would only sample.
    const auto scaledTo = [size](const QImage& source) {
        return source.size() == size ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    if (!picture.isNull() && !picture.hasAlphaChannel()) {
        // An opaque picture covers the whole background: the scaled picture is the surface, and no second
        // surface-sized image is needed.
        return scaledTo(picture).convertToFormat(QImage::Format_RGB32);
    }

    QImage surface(size, QImage::Format_RGB32);
    if (surface.isNull())
        return {};
    surface.fill(background);
    if (picture.isNull())
        return surface;
    const QImage scaled = scaledTo(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(0, 0), scaled);
    painter.end();
    return surface;
}

Status QtPictures::saveBmp(const QImage& image, const QString& path)
{
    const auto failed = [&](const QString& reason) {
        return Status::failure(QStringLiteral("Не удалось записать файл «%1»: %2").arg(path, reason));
    };
    if (image.isNull())
        return failed(QStringLiteral("картинка пуста."));
    // A 32-bit image is written as a 24-bit BMP; any alpha is dropped.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(opaque)) {
        file.cancelWriting();
        return failed(writer.errorString());
    }
    if (!file.commit())
        return failed(file.errorString());
    return Status::ok();
}

} // namespace mirtal::platform
