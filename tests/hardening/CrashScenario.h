#pragma once

#include <QByteArray>
#include <QString>

// What the crash helper applies, in turn, to a folder whose Desktop.ini holds foreign lines, and every content
// that the file may hold meanwhile.
namespace mirtal::test::crash {

struct Settings {
    const char* imagePath; // UTF-8
    const char* textColorHex;
};

inline constexpr Settings kFirst{"C:\\Мои картинки\\море.jpg", "FF"};
inline constexpr Settings kSecond{"", "FF0000"};

// The shell's section, a section of the program's with a foreign key in it, and a long tail of foreign lines, so
// that a torn write would show.
QByteArray originalFile();
// The file after applying kFirst or kSecond to originalFile() (or to either of them).
QByteArray withFirst();
QByteArray withSecond();

} // namespace mirtal::test::crash
