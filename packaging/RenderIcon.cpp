// Renders the program's icon, exactly as the window draws it: one PNG per drawn size for the Linux icon theme, and
// the Windows .ico file (16, 32 and 48 pixels, each in 256 colours and in 32-bit colour with alpha). --check compares
// the committed .ico with the rendering, so that the executable's icon and the window's cannot drift apart.
//   mirtal_render_icon --png FOLDER | --ico FILE.ico | --check FILE.ico

#include "app/Appearance.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

#include <cstdio>

namespace {

void put16(QByteArray& out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void put32(QByteArray& out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

// A DIB as an icon holds it: header with the doubled height, colour rows bottom-up, then the 1-bit AND mask
// (1 = transparent), every row padded to four bytes.
QByteArray iconBitmap(const QImage& argb, bool indexed)
{
    const int size = argb.width();
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(size));
    put32(out, quint32(size * 2));
    put16(out, 1);
    put16(out, indexed ? 8 : 32);
    for (int i = 0; i < 6; ++i)
        put32(out, i == 4 && indexed ? 256 : 0); // compression, image size, resolution x/y, colours used, important

    // Partly transparent pixels are either opaque or transparent in 256 colours.
    QImage opaque = argb.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            QRgb pixel = opaque.pixel(x, y);
            opaque.setPixel(x, y, qAlpha(pixel) >= 128 ? (pixel | 0xff000000u) : 0u);
        }
    }
    if (indexed) {
        const QImage palette = opaque.convertToFormat(QImage::Format_RGB32)
                                   .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        QList<QRgb> colours = palette.colorTable();
        colours.resize(256, 0);
        for (const QRgb colour : colours)
            put32(out, colour & 0x00ffffffu);
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x)
                out.append(char(qAlpha(opaque.pixel(x, y)) ? palette.pixelIndex(x, y) : 0));
            out.append(QByteArray((4 - size % 4) % 4, '\0'));
        }
    } else {
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x)
                put32(out, argb.pixel(x, y));
        }
    }
    const int maskRow = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(opaque.pixel(x, y)) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray iconFile()
{
    const QIcon icon = mirtal::app::programIcon();
    QList<QByteArray> images;
    QList<int> sizes;
    for (const bool indexed : {true, false}) {
        for (const int size : {16, 32, 48}) {
            const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            images.append(iconBitmap(image, indexed));
            sizes.append(size | (indexed ? 0x10000 : 0));
        }
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = sizes[i] & 0xffff;
        const bool indexed = sizes[i] & 0x10000;
        out.append(char(size));
        out.append(char(size));
        out.append('\0'); // colour count: 0 for 256 and more
        out.append('\0');
        put16(out, 1);
        put16(out, indexed ? 8 : 32);
        put32(out, quint32(images[i].size()));
        put32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        out.append(image);
    return out;
}

// <folder>/<size>.png for each size the drawing has.
bool writePngs(const QDir& folder)
{
    const QIcon icon = mirtal::app::programIcon();
    for (const QSize& size : icon.availableSizes()) {
        const QString file = folder.filePath(QString::number(size.width()) + QStringLiteral(".png"));
        const QPixmap image = icon.pixmap(size, 1.0);
        if (image.size() != size || !image.save(file, "PNG")) {
            std::fprintf(stderr, "mirtal_render_icon: cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1), target = args.value(2);
    const bool png = mode == QLatin1String("--png"), check = mode == QLatin1String("--check");
    if (args.size() != 3 || !(png || check || mode == QLatin1String("--ico"))) {
        std::fputs("usage: mirtal_render_icon --png FOLDER | --ico FILE.ico | --check FILE.ico\n", stderr);
        return 2;
    }
    if (png)
        return writePngs(QDir(target)) ? 0 : 1;
    const QByteArray icon = iconFile();
    QFile file(target);
    if (check) {
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != icon) {
            std::fprintf(stderr, "%s is not the icon the program draws; run mirtal_render_icon --ico %s\n",
                         qPrintable(target), qPrintable(target));
            return 1;
        }
        return 0;
    }
    if (!file.open(QIODevice::WriteOnly) || file.write(icon) != icon.size() || !file.flush()) {
        std::fprintf(stderr, "mirtal_render_icon: cannot write %s\n", qPrintable(target));
        return 1;
    }
    return 0;
}
