#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace mirtal::test {

// A broken JPEG, GIF or BMP file, made in code from a sound one.
struct DamagedPicture {
    QString name;
    QByteArray bytes;
    // Must be refused whatever the decoder makes of it: no picture at all, a zero side, or more pixels than the
    // program decodes. The others (truncated bodies, odd tables) may also come out as a partial picture.
    bool refused;
};

// Sound pictures of these sizes: JPEG 96 x 64, BMP 96 x 64 at 24 and at 8 bits, GIF 16 x 12.
QByteArray soundJpeg();
QByteArray soundBmp();
QByteArray soundGif();

// Truncated at many offsets, with corrupted headers, absurd and zero sizes.
QList<DamagedPicture> damagedPictures();

} // namespace mirtal::test
