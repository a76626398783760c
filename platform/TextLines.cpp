#include "TextLines.h"

namespace mirtal::platform {

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype cr = text.indexOf(u'\r'); cr >= 0; cr = text.indexOf(u'\r', start)) {
        lines.append(text.mid(start, cr - start));
        start = (cr + 1 < text.size() && text.at(cr + 1) == u'\n') ? cr + 2 : cr + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

} // namespace mirtal::platform
