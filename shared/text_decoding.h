#pragma once
// Turning the bytes of a text file into UTF-16 text, and UTF-16 back into UTF-8.
//
// A document's encoding is taken, in this order, from a byte-order mark (UTF-32, UTF-16, UTF-8),
// from the encoding it declares (the XML declaration, or for HTML-like files the charset of the
// Content-Type meta element), from a NUL pattern that betrays UTF-16 without a mark, and lastly
// from a UTF-8 validity test (else windows-1252). Every step is noted in a short result text so
// a caller can tell what happened to a file ("length 12 UTF-8 to 12 wide chars ").
#include <cstdint>
#include <string>
#include <string_view>

namespace textcodec {

// Windows code page numbers, used as the identifiers of the encodings we decode.
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageLatin1 = 28591;
inline constexpr int kCodePageWindows1252 = 1252;

// Code page of a charset name or alias ("utf-8", "latin1", "shift_jis", "x-sjis", ...), compared
// case-insensitively; 0 when the name is unknown.
int codePageForCharset(std::string_view name);

// Canonical name of a code page ("koi8-r" for 20866); nullptr when unknown.
const char* charsetNameForCodePage(int codePage);

// Charset declared inside the document: the "encoding" of an XML declaration at its start, or the
// charset of an HTML Content-Type meta element (or <meta charset=...>) in the head; "" when none.
std::string declaredCharset(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Decodes the bytes of a code page to UTF-16. Undecodable bytes become U+FFFD and set lost.
// Code pages without a built-in decoder go through the C library's iconv.
std::u16string decodeCodePage(std::string_view bytes, int codePage, bool& lost);

// Decodes a whole document file as described at the top, appending notes to the result text.
std::u16string decodeDocument(std::string_view bytes, std::string& notes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// UTF-8 of a NUL-terminated text in a fixed-size field (at most `capacity` units are read).
std::string toUtf8(const char16_t* text, size_t capacity);

// Appends one code point to UTF-8 text.
void appendUtf8(std::string& out, uint32_t cp);

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::u16string fromUtf8(std::string_view text);

// Appends one code point (at most U+10FFFF) as UTF-16.
void appendCodePoint(std::u16string& out, uint32_t cp);

}  // namespace textcodec
