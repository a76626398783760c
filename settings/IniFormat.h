#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>

namespace mirtal::settings {

// The header of the section that carries the folder's background and caption colour.
inline QString sectionHeader() { return QStringLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]"); }
inline QString settingsFileName() { return QStringLiteral("Desktop.ini"); }
inline QString defaultTextColorHex() { return QStringLiteral("000000"); }
inline QString crlf() { return QStringLiteral("\r\n"); }

// Keep rule for rewriting: false for empty lines, the section header (its first 40 characters, or the name between
// the brackets, blanks trimmed, in any case) and both keys (the name before "=", blanks trimmed, in any case): the
// lines Windows' reader would take for our section and keys.
bool keepLine(const QString& line);

// The foreign lines of an existing file, each followed by CR LF.
QString keptLines(const QStringList& lines);

// The composed text of a new file, without its final line end: the header, the picture line when imagePath is not
// empty, then the colour line.
QString composeNew(const QString& imagePath, const QString& textColorHex);
// The composed text of a rewritten file: the foreign lines, an empty line, then the same section.
QString composeRewrite(const QString& otherLines, const QString& imagePath, const QString& textColorHex);

// What the read rule takes from a file's lines.
struct ReadValues {
    QString imagePath;                            // last "IconArea_Image=" line, may be empty
    QString textColorHex = defaultTextColorHex(); // digits of the last "IconArea_Text=" line, case kept
};

// Read rule: keys from any section, the last occurrence wins. Fails on an "IconArea_Text=" line shorter than 18.
// The values read before the failing line are handed back through partial: a damaged file still shows them.
Result<ReadValues> readValues(const QStringList& lines, ReadValues* partial = nullptr);

// The colour of the digits as a 0x00BBGGRR value. Fails on no digits, a non-hex character, or a value above FFFFFF.
Result<quint32> colorFromDigits(const QString& digits);

// A colour as upper-case hexadecimal digits without leading zeros: black is "0", red "FF".
QString digitsOfColor(quint32 color);

} // namespace mirtal::settings
