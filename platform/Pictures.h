#pragma once

#include "Result.h"

#include <QImage>
#include <QSize>

namespace mirtal::platform {

// The picture facility: BMP, JPEG and GIF in, BMP out.
class Pictures {
public:
    Pictures() = default;
    virtual ~Pictures() = default;
    Q_DISABLE_COPY_MOVE(Pictures)

    // An empty path gives an empty (null) picture; a missing file or one that is not such a picture fails.
    virtual Result<QImage> load(const QString& path) const = 0;

    // The picture's width and height in pixels, read from the file's header where possible, without decoding
    // it. Fails as load() does.
    virtual Result<QSize> naturalSize(const QString& path) const = 0;

    // The picture decoded for drawing at target size: where the decoder can, shrunk on load as far as it still
    // keeps it at least as large as target in both directions; never enlarged. Fails as load() does.
    virtual Result<QImage> loadForSize(const QString& path, QSize target) const = 0;

    // The whole picture stretched into width x height pixels over a cleared background; aspect ratio not kept.
    virtual QImage stretch(const QImage& picture, QSize size, QRgb background) const = 0;

    // Writes a Windows BMP of exactly the image's size, replacing any file of that name.
    virtual Status saveBmp(const QImage& image, const QString& path) = 0;
};

} // namespace mirtal::platform
