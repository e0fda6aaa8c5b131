#pragma once
// Text helpers. Inside the program text is UTF-8; code page 1251 exists only at the
// edges (the image, INI files, exported files, the link). Every length limit counts
// characters (code points), never UTF-8 bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace vilk {

// UTF-8 -> cp1251 bytes. A character that cp1251 cannot hold becomes '?'; so does every
// byte of an invalid UTF-8 sequence.
std::string Utf8ToCp1251(std::string_view utf8);

// cp1251 bytes -> UTF-8. All 256 byte values map to a character (0x98, unassigned in
// cp1251, maps to U+0098 so that every byte round-trips).
std::string Cp1251ToUtf8(std::string_view cp1251);
// The same into `out` (replacing its text), so that a loop reuses one buffer.
void Cp1251ToUtf8(std::string_view cp1251, std::string& out);

// Number of characters (code points) in UTF-8 text; an invalid byte counts as one.
std::size_t CharCount(std::string_view utf8);

// The first `count` characters of UTF-8 text (the whole text when it is shorter).
std::string Truncate(std::string_view utf8, std::size_t count);

// `count` characters starting at character `from` (clipped to the text).
std::string Slice(std::string_view utf8, std::size_t from, std::size_t count = std::string::npos);

// Appends one code point as UTF-8 ("?" for surrogates and values beyond Unicode).
void AppendUtf8(std::string& out, char32_t cp);

// Byte offset of character `index` (text size when past the end).
std::size_t ByteOffsetOfChar(std::string_view utf8, std::size_t index);

// Lower-case form for case-insensitive matching of names (INI sections and keys). Folds
// Latin (ASCII and Latin-1) and Cyrillic letters, which covers everything cp1251 can hold;
// other characters and invalid bytes are copied unchanged.
std::string FoldCase(std::string_view utf8);

}  // namespace vilk
