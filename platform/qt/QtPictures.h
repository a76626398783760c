#pragma once

#include "platform/Pictures.h"

namespace mirtal::platform {

// Pictures through Qt's image readers: the format is told by the content, never by the file name.
class QtPictures final : public Pictures {
public:
    // The largest picture decoded: 256 megapixels, 1 GiB at 32 bits per pixel.
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

    // The JPEG decoder shrinks by 2, 4 or 8 only.
    static constexpr int kMaxReduction = 8;

    // The size a JPEG of natural size is decoded at for drawing at target: divided by the largest power of
    // two up to kMaxReduction that keeps both directions at least as large as target.
    static QSize reducedSize(QSize natural, QSize target);

private:
    Result<QImage> decode(const QString& path, QSize target) const;
};

} // namespace mirtal::platform
