#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace mirtal::platform::dosattrib {

// Samba keeps the Windows attributes of a file in the extended attribute "user.DOSATTRIB": either the legacy
// ASCII form ("0x6", usually followed by a NUL) or a binary NDR blob (NUL first byte, little-endian u16
// version 4 or 5 at offset 2, the attributes as a little-endian u32 at offset 12).

inline constexpr const char* kName = "user.DOSATTRIB";

// The attributes a value holds, or nothing when it is neither form (empty, garbage, an unknown blob version).
std::optional<quint32> parse(const QByteArray& value);

// The value to store: an existing v4/v5 blob is patched in place (all its other bytes kept), anything else
// becomes the legacy ASCII form "0x<lower-case hex>" followed by a NUL.
QByteArray compose(quint32 attributes, const QByteArray& existing);

} // namespace mirtal::platform::dosattrib
