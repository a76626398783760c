#include "DamagedPictures.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>

#include <functional>
#include <limits>

namespace mirtal::test {
namespace {

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Every code of 3 bits: the table is cleared before it grows, so that no decoder's timing of the width change
// matters.
QByteArray gifImageData(int width, int height)
{
    constexpr int kClear = 4;
    constexpr int kEnd = 5;
    QList<int> codes;
    for (int i = 0; i < width * height; ++i) {
        if (i % 2 == 0)
            codes.append(kClear);
        codes.append((i / width + i % width) % 4);
    }
    codes.append(kEnd);
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<quint32>(code) << count;
        count += 3;
        while (count >= 8) {
            packed.append(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        packed.append(static_cast<char>(bits & 0xFF));
    QByteArray blocks;
    blocks.append('\x02'); // the smallest code size, four colours
    for (qsizetype i = 0; i < packed.size(); i += 255) {
        const QByteArray block = packed.mid(i, 255);
        blocks.append(static_cast<char>(block.size())).append(block);
    }
    return blocks.append('\0');
}

void putLe16(QByteArray& bytes, qsizetype at, quint16 value) { qToLittleEndian(value, bytes.data() + at); }
void putLe32(QByteArray& bytes, qsizetype at, quint32 value) { qToLittleEndian(value, bytes.data() + at); }
void putBe16(QByteArray& bytes, qsizetype at, quint16 value) { qToBigEndian(value, bytes.data() + at); }

// Offsets in the sound GIF.
constexpr qsizetype kGifScreen = 6;
constexpr qsizetype kGifDescriptor = 13 + 12; // after the header and the four-colour table
constexpr qsizetype kGifCodeSize = kGifDescriptor + 10;

QByteArray gifWith(const std::function<void(QByteArray&)>& change)
{
    QByteArray bytes = soundGif();
    change(bytes);
    return bytes;
}

QByteArray bmpWith(const QByteArray& sound, const std::function<void(QByteArray&)>& change)
{
    QByteArray bytes = sound;
    change(bytes);
    return bytes;
}

} // namespace

QByteArray soundJpeg() { return encoded(gradient(96, 64), "JPG"); }

QByteArray soundBmp() { return encoded(gradient(96, 64), "BMP"); }

QByteArray soundGif()
{
    QByteArray bytes("GIF89a");
    bytes.append(QByteArray(7, '\0'));
    putLe16(bytes, kGifScreen, 16);
    putLe16(bytes, kGifScreen + 2, 12);
    bytes[kGifScreen + 4] = static_cast<char>(0x81); // a global table of four colours
    bytes.append(QByteArray::fromHex("000000ff000000ff000000ff"));
    bytes.append('\x2c').append(QByteArray(9, '\0')); // the frame at 0, 0; no table of its own
    putLe16(bytes, kGifDescriptor + 5, 16);
    putLe16(bytes, kGifDescriptor + 7, 12);
    bytes.append(gifImageData(16, 12));
    bytes.append('\x3b');
    return bytes;
}

QList<DamagedPicture> damagedPictures()
{
    QList<DamagedPicture> all;
    const auto add = [&all](const QString& name, const QByteArray& bytes, bool refused) {
        all.append({name, bytes, refused});
    };

    // JPEG: truncations from the first byte to the missing end marker, then the frame header and tables.
    const QByteArray jpeg = soundJpeg();
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    const qsizetype dht = jpeg.indexOf("\xFF\xC4");
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    Q_ASSERT(sof > 0 && dht > 0 && sos > sof);
    for (qsizetype at : {qsizetype{0}, qsizetype{1}, qsizetype{2}, qsizetype{3}, qsizetype{20}, sof, sof + 6, dht + 10,
                         sos, sos + 20, jpeg.size() / 2, jpeg.size() * 3 / 4, jpeg.size() - 2})
        add(QStringLiteral("jpeg-truncated-%1.jpg").arg(at), jpeg.left(at), at <= sos);
    const auto jpegWith = [&jpeg](const std::function<void(QByteArray&)>& change) {
        QByteArray bytes = jpeg;
        change(bytes);
        return bytes;
    };
    const auto jpegSized = [&jpegWith, sof](quint16 width, quint16 height) {
        return jpegWith([=](QByteArray& b) {
            putBe16(b, sof + 5, height);
            putBe16(b, sof + 7, width);
        });
    };
    add(QStringLiteral("jpeg-65535x65535.jpg"), jpegSized(65535, 65535), true);
    add(QStringLiteral("jpeg-65535x65535-truncated.jpg"), jpegSized(65535, 65535).left(sos + 40), true);
    add(QStringLiteral("jpeg-65500x65500.jpg"), jpegSized(65500, 65500), false);
    add(QStringLiteral("jpeg-zero-height.jpg"), jpegSized(96, 0), true);
    add(QStringLiteral("jpeg-zero-width.jpg"), jpegSized(0, 64), true);
    add(QStringLiteral("jpeg-no-components.jpg"), jpegWith([sof](QByteArray& b) { b[sof + 9] = 0; }), true);
    add(QStringLiteral("jpeg-255-components.jpg"), jpegWith([sof](QByteArray& b) { b[sof + 9] = '\xFF'; }), true);
    add(QStringLiteral("jpeg-precision-99.jpg"), jpegWith([sof](QByteArray& b) { b[sof + 4] = 99; }), true);
    add(QStringLiteral("jpeg-no-start-marker.jpg"), jpegWith([](QByteArray& b) { b[1] = '\0'; }), true);
    add(QStringLiteral("jpeg-huffman-zeroed.jpg"),
        jpegWith([dht](QByteArray& b) { b.replace(dht + 5, 16, QByteArray(16, '\0')); }), false);
    add(QStringLiteral("jpeg-huffman-overfull.jpg"),
        jpegWith([dht](QByteArray& b) { b.replace(dht + 5, 16, QByteArray(16, '\xFF')); }), false);
    add(QStringLiteral("jpeg-marker-length-zero.jpg"), jpegWith([](QByteArray& b) { putBe16(b, 4, 0); }), false);
    add(QStringLiteral("jpeg-marker-length-huge.jpg"), jpegWith([](QByteArray& b) { putBe16(b, 4, 0xFFFF); }), false);
    add(QStringLiteral("jpeg-scan-garbage.jpg"), jpegWith([sos](QByteArray& b) {
            for (qsizetype i = sos + 20; i < b.size() - 2; i += 7)
                b[i] = static_cast<char>(b[i] ^ 0x5A);
        }),
        false);
    add(QStringLiteral("jpeg-end-right-after-start.jpg"), QByteArray("\xFF\xD8\xFF\xD9", 4), true);

    // BMP at 24 bits: truncations inside both headers and the pixels.
    const QByteArray bmp = soundBmp();
    for (qsizetype at :
         {qsizetype{0}, qsizetype{1}, qsizetype{2}, qsizetype{10}, qsizetype{14}, qsizetype{18}, qsizetype{26},
          qsizetype{30}, qsizetype{53}, qsizetype{54}, qsizetype{55}, qsizetype{1000}, bmp.size() / 2, bmp.size() - 1})
        add(QStringLiteral("bmp-truncated-%1.bmp").arg(at), bmp.left(at), at < 54);
    const auto bmpSized = [&bmp](qint32 width, qint32 height) {
        return bmpWith(bmp, [=](QByteArray& b) {
            putLe32(b, 18, static_cast<quint32>(width));
            putLe32(b, 22, static_cast<quint32>(height));
        });
    };
    add(QStringLiteral("bmp-65535x65535.bmp"), bmpSized(65535, 65535), true);
    add(QStringLiteral("bmp-65535x-65535.bmp"), bmpSized(65535, -65535), true);
    add(QStringLiteral("bmp-2147483647x1.bmp"), bmpSized(0x7FFFFFFF, 1), true);
    add(QStringLiteral("bmp-1x-2147483648.bmp"), bmpSized(1, std::numeric_limits<qint32>::min()), true);
    add(QStringLiteral("bmp-46341x46341.bmp"), bmpSized(46341, 46341), true);
    add(QStringLiteral("bmp-9000x7000-no-pixels.bmp"), bmpSized(9000, 7000), false);
    add(QStringLiteral("bmp-zero-height.bmp"), bmpSized(96, 0), true);
    add(QStringLiteral("bmp-zero-width.bmp"), bmpSized(0, 64), true);
    add(QStringLiteral("bmp-bad-magic.bmp"), bmpWith(bmp, [](QByteArray& b) { b[0] = 'X'; }), true);
    add(QStringLiteral("bmp-info-size-zero.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 14, 0); }), true);
    add(QStringLiteral("bmp-info-size-huge.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 14, 0x7FFFFFF0); }),
        true);
    add(QStringLiteral("bmp-0-bits.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe16(b, 28, 0); }), true);
    add(QStringLiteral("bmp-7-bits.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe16(b, 28, 7); }), true);
    add(QStringLiteral("bmp-64-bits.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe16(b, 28, 64); }), true);
    add(QStringLiteral("bmp-compression-99.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 30, 99); }), true);
    add(QStringLiteral("bmp-rle8-at-24-bits.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 30, 1); }), true);
    add(QStringLiteral("bmp-pixels-beyond-end.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 10, 0xFFFFFFF0); }),
        false);
    add(QStringLiteral("bmp-pixels-inside-header.bmp"), bmpWith(bmp, [](QByteArray& b) { putLe32(b, 10, 2); }), false);

    // BMP at 8 bits, with a palette: palette sizes that lie, and run-length data cut short.
    const QByteArray bmp8 = encoded(gradient(96, 64).convertToFormat(QImage::Format_Indexed8), "BMP");
    add(QStringLiteral("bmp8-palette-huge.bmp"), bmpWith(bmp8, [](QByteArray& b) { putLe32(b, 46, 0xFFFFFFFF); }),
        false);
    add(QStringLiteral("bmp8-palette-257.bmp"), bmpWith(bmp8, [](QByteArray& b) { putLe32(b, 46, 257); }), false);
    add(QStringLiteral("bmp8-truncated-in-palette.bmp"), bmp8.left(54 + 300), true);
    QByteArray rle = bmp8.left(54 + 1024);
    putLe32(rle, 30, 1); // RLE8
    rle.append(QByteArray::fromHex("05010a02 0002ff10 0000 05"));
    putLe32(rle, 2, static_cast<quint32>(rle.size()));
    add(QStringLiteral("bmp8-rle-cut-short.bmp"), rle, false);
    add(QStringLiteral("bmp8-rle-delta-far-away.bmp"),
        bmpWith(rle, [](QByteArray& b) { b.append(QByteArray::fromHex("0002ffff0002ffff00010000")); }), false);

    // GIF: truncations through every block, then the sizes and the code size.
    const QByteArray gif = soundGif();
    for (qsizetype at :
         {qsizetype{0}, qsizetype{3}, qsizetype{6}, qsizetype{10}, qsizetype{13}, kGifDescriptor, kGifDescriptor + 5,
          kGifCodeSize, kGifCodeSize + 2, kGifCodeSize + 20, gif.size() - 2, gif.size() - 1})
        add(QStringLiteral("gif-truncated-%1.gif").arg(at), gif.left(at), at <= kGifDescriptor + 5);
    add(QStringLiteral("gif-screen-65535x65535.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifScreen, 65535);
            putLe16(b, kGifScreen + 2, 65535);
        }),
        true);
    add(QStringLiteral("gif-frame-65535x65535.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifDescriptor + 5, 65535);
            putLe16(b, kGifDescriptor + 7, 65535);
        }),
        false);
    add(QStringLiteral("gif-both-65535x65535.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifScreen, 65535);
            putLe16(b, kGifScreen + 2, 65535);
            putLe16(b, kGifDescriptor + 5, 65535);
            putLe16(b, kGifDescriptor + 7, 65535);
        }),
        true);
    add(QStringLiteral("gif-zero-height.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifScreen + 2, 0);
            putLe16(b, kGifDescriptor + 7, 0);
        }),
        true);
    add(QStringLiteral("gif-zero-width.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifScreen, 0);
            putLe16(b, kGifDescriptor + 5, 0);
        }),
        true);
    add(QStringLiteral("gif-frame-outside-screen.gif"), gifWith([](QByteArray& b) {
            putLe16(b, kGifDescriptor + 1, 60000);
            putLe16(b, kGifDescriptor + 3, 60000);
        }),
        false);
    add(QStringLiteral("gif-code-size-0.gif"), gifWith([](QByteArray& b) { b[kGifCodeSize] = 0; }), false);
    add(QStringLiteral("gif-code-size-12.gif"), gifWith([](QByteArray& b) { b[kGifCodeSize] = 12; }), false);
    add(QStringLiteral("gif-code-size-255.gif"), gifWith([](QByteArray& b) { b[kGifCodeSize] = '\xFF'; }), false);
    add(QStringLiteral("gif-no-trailer.gif"), gif.left(gif.size() - 1), false);
    add(QStringLiteral("gif-bad-signature.gif"), gifWith([](QByteArray& b) { b[2] = 'X'; }), true);
    add(QStringLiteral("gif-table-flag-without-table.gif"), gifWith([](QByteArray& b) {
            b[kGifScreen + 4] = static_cast<char>(0x87); // claims 256 colours, has 4
        }),
        false);
    add(QStringLiteral("gif-codes-garbage.gif"), gifWith([](QByteArray& b) {
            for (qsizetype i = kGifCodeSize + 2; i < b.size() - 2; i += 3)
                b[i] = '\xFF';
        }),
        false);
    return all;
}

} // namespace mirtal::test
