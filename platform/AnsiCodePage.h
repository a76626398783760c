#pragma once

#include "Result.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <array>

namespace mirtal::platform {

// A single-byte Windows code page ("the system's ANSI code page"), converted by table so that a character the code
// page cannot hold is reported instead of being written as '?'.
class AnsiCodePage final {
public:
    static AnsiCodePage windows1251();
    static AnsiCodePage windows1252();
    // The code page Windows uses for the locale's language: 1251 for Cyrillic languages, 1252 otherwise.
    static AnsiCodePage forLocale(const QLocale& locale);

    int number() const { return m_number; }

    // Fails with ErrorKind::Unrepresentable and a Russian message naming the first character it cannot hold.
    Result<QByteArray> encode(const QString& text) const;
    // The first character of text that this code page cannot hold, or -1.
    qsizetype firstUnrepresentable(const QString& text) const;
    // Every byte maps to a character; no byte is lost.
    QString decode(const QByteArray& bytes) const;

private:
    AnsiCodePage(int number, const std::array<char16_t, 128>& upper)
        : m_number(number)
        , m_upper(&upper)
    {
    }

    int m_number;
    const std::array<char16_t, 128>* m_upper; // characters of the bytes 0x80..0xFF
};

} // namespace mirtal::platform
