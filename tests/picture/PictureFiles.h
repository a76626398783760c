#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>

namespace mirtal::test {

// Qt writes no GIF, so these 2 x 2 ones are spelled out. Left column red, right column transparent:
inline const QByteArray kHalfTransparentGif =
    QByteArray::fromHex("474946383961020002 00f10000000000ff0000000000000000 21f904050a000000 "
                        "2c000000000200020000 02030c181400 3b");
// Two frames, all red then all blue:
inline const QByteArray kRedThenBlueGif = QByteArray::fromHex(
    "474946383961020002 00f10000000000ff00000000ff000000 21f904040a000000 2c000000000200020000 02034c981400"
    "21f904040a000000 2c000000000200020000 0203942815 00 3b");

// Every pixel differs from its neighbours, so that scaling shows; red grows along x.
inline QImage gradientImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x + y) % 256));
    return image;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The bits per pixel in a BMP file's header.
inline int bmpBitsPerPixel(const QString& path)
{
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(30) : QByteArray();
    return head.size() == 30 && head.startsWith("BM")
               ? static_cast<uchar>(head.at(28)) | static_cast<uchar>(head.at(29)) << 8
               : 0;
}

} // namespace mirtal::test
