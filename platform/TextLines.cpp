#include "TextLines.h"

#include <QtEndian>

namespace mirtal::platform {

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

Result<TextFile> decodeText(const QByteArray& bytes, const AnsiCodePage& codePage, const QString& path)
{
    if (bytes.startsWith("\xFE\xFF"))
        return Status::failure(QStringLiteral("Файл «%1» записан в кодировке UTF-16BE, которую Windows в файле "
                                              "настройки не читает. Программа его не меняет.")
                                   .arg(path),
                               ErrorKind::Refused);
    if (!bytes.startsWith("\xFF\xFE"))
        return TextFile{splitLines(codePage.decode(bytes)), TextEncoding::Ansi};
    if (bytes.size() % 2 != 0)
        return Status::failure(QStringLiteral("Файл «%1» в кодировке UTF-16LE обрывается посреди символа.").arg(path));
    QString text(bytes.size() / 2 - 1, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * (i + 1)));
    return TextFile{splitLines(text), TextEncoding::Utf16Le};
}

Result<QByteArray> encodeText(const QString& text, TextEncoding encoding, const AnsiCodePage& codePage)
{
    const QString whole = text + QStringLiteral("\r\n");
    if (encoding == TextEncoding::Ansi)
        return codePage.encode(whole);
    QByteArray bytes(2 * (whole.size() + 1), Qt::Uninitialized);
    bytes[0] = '\xFF';
    bytes[1] = '\xFE';
    for (qsizetype i = 0; i < whole.size(); ++i)
        qToLittleEndian<quint16>(whole.at(i).unicode(), bytes.data() + 2 * (i + 1));
    return bytes;
}

} // namespace mirtal::platform
