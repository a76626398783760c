#pragma once

#include <QString>

namespace mirtal::about {

// The key of this program's entry in the update file.
inline QString defaultUpdateKey() { return QStringLiteral("mt111="); }

// The version text of the update file: the (up to) four characters that follow the last occurrence of the key,
// whatever they are. Empty when the key is missing or nothing follows its last occurrence. An empty key matches
// before the last character, so the result is that character.
QString findSiteVersion(const QString& updateText, const QString& updateKey = defaultUpdateKey());

} // namespace mirtal::about
