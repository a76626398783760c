#pragma once

#include "platform/AnsiCodePage.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QStringList>

namespace mirtal::platform {

// Text as the program reads files: a line ends at CR, CR LF or LF, as Windows' INI reader ends it; the last line
// needs no end.
QStringList splitLines(const QString& text);

// A file's bytes as text: UTF-16LE after its byte-order mark FF FE, else the code page. UTF-16BE (FE FF), which
// Windows' INI reader does not take, and UTF-16LE of an odd length are refused with a message naming path.
Result<TextFile> decodeText(const QByteArray& bytes, const AnsiCodePage& codePage, const QString& path);

// text and CR LF as bytes of the encoding; UTF-16LE with its byte-order mark.
Result<QByteArray> encodeText(const QString& text, TextEncoding encoding, const AnsiCodePage& codePage);

} // namespace mirtal::platform
