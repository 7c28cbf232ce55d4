#pragma once
// The single-byte code pages language files are written in, decoded by tables of our own so the
// result does not depend on which converters the Qt build carries, and the UTF-8 check that lets a
// language file be saved as UTF-8 instead.

#include <QString>

#include <cstdint>
#include <optional>

namespace kelvane {

enum class CodePage : std::uint8_t {
    Windows874, // Thai
    Windows1250, // Central European: Polish, Slovak, Croatian
    Windows1251, // Cyrillic
    Windows1252, // Western European
    Windows1257, // Baltic
};

// "windows-1250", ... (the name QStringDecoder and iconv know the page by).
const char *codePageName(CodePage page);

// The character of one byte; nothing for a byte the page leaves undefined. Bytes 0x00-0x7F are
// ASCII in every page.
std::optional<char16_t> codePageChar(CodePage page, std::uint8_t byte);

// Decodes `size` bytes. False when a byte has no character in the page: `out` then holds the
// characters with U+FFFD in place of every undefined byte.
bool decodeCodePage(const char *data, qsizetype size, CodePage page, QString &out);

// Strict UTF-8: no over-long forms, no surrogates, nothing above U+10FFFF, no cut-off sequence.
bool isValidUtf8(const char *data, qsizetype size);

} // namespace kelvane
