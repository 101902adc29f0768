// UTF-16 is the text of the core; the file system and PDFium's paths take UTF-8.
#pragma once

#include <optional>
#include <string>
#include <initializer_list>
#include <string_view>

// Fails on an empty string or an unpaired surrogate.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Shorthand for literals and diagnostics: never fails (unpaired surrogates become '?').
std::string Utf8(std::u16string_view text);

// Ordinal comparison ignoring the case of ASCII letters.
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);
bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view suffix);
std::u16string LowerAscii(std::u16string_view text);

std::u16string Num(long long value);
// Replaces the printf-style placeholders (%d, %u, %lu, %s) of a message, in order, with the
// given texts; keeps the messages' own wording in one literal.
std::u16string FillPlaceholders(std::u16string_view format,
                                std::initializer_list<std::u16string> args);
