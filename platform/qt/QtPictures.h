#pragma once

#include "platform/Pictures.h"

class QImageReader;

namespace mirtal::platform {

// Pictures through Qt's image readers: the format is told by the content, never by the file name.
class QtPictures final : public Pictures {
public:
    // The largest picture taken, however little of it a drawing needs decoded: 256 megapixels.
    static constexpr qint64 kMaxPicturePixels = qint64{256} * 1024 * 1024;
    // The most one decode may produce, at 32 bits per pixel: 64 megapixels. A JPEG shrinks while decoding and stays
    // under it; a GIF or BMP is decoded whole, so this bounds the picture itself.
    static constexpr qint64 kMaxDecodedBytes = qint64{256} * 1024 * 1024;
    // A larger file is refused unread: no picture the program can decode needs that many bytes, and a decoder
    // would read to the end of it.
    static constexpr qint64 kMaxFileBytes = qint64{256} * 1024 * 1024;

    // Sets Qt's allocation limit, which is process-wide, to kMaxDecodedBytes.
    QtPictures();
    Q_DISABLE_COPY_MOVE(QtPictures)

    Result<QImage> load(const QString& path) const override;
    // An empty path gives 0 x 0.
    Result<QSize> naturalSize(const QString& path) const override;
    Result<QImage> loadForSize(const QString& path, QSize target) const override;
    QImage stretch(const QImage& picture, QSize size, QRgb background) const override;
    Status saveBmp(const QImage& image, const QString& path) override;

    // The JPEG decoder scales by M/8 for M = 1 to 8 while decoding: at 1/8 it skips nearly all the work of the
    // inverse transform and writes 1/64 of the pixels.
    static constexpr int kScaleEighths = 8;

    // The size a JPEG of natural size is decoded at for drawing at target: natural times the smallest M/8 that
    // keeps both directions at least as large as target, rounded down; natural when target needs it all.
    static QSize reducedSize(QSize natural, QSize target);

private:
    // The size one decode for drawing at target gives, or why the picture is refused.
    static Result<QSize> decodedSize(QImageReader& reader, const QString& path, QSize natural, QSize target);
    Result<QImage> decode(const QString& path, QSize target) const;
};

} // namespace mirtal::platform
