#pragma once

#include "platform/Pictures.h"

namespace mirtal::platform {

// Pictures through Qt's image readers: the format is told by the content, never by the file name.
class QtPictures final : public Pictures {
public:
    // The largest picture taken, however little of it a drawing needs decoded: 256 megapixels, 1 GiB at 32 bits
    // per pixel.
    static constexpr qint64 kMaxDecodedPixels = qint64{256} * 1024 * 1024;

    // Raises Qt's allocation limit, which is process-wide, to kMaxDecodedPixels at 32 bits per pixel.
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
    Result<QImage> decode(const QString& path, QSize target) const;
};

} // namespace mirtal::platform
