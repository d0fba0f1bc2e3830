#include "shared/text_decoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/diagnostics.h"

namespace textcodec {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct CharsetName {
    const char* name;
    int codePage;
};

// Charset names and aliases as they appear in XML declarations and HTML meta elements.
const CharsetName kCharsetNames[] = {
    {"utf-8", 65001}, {"utf8", 65001}, {"unicode-1-1-utf-8", 65001}, {"x-unicode20utf8", 65001},
    {"iso-8859-1", 28591}, {"iso8859-1", 28591}, {"iso_8859-1", 28591}, {"latin1", 28591},
    {"latin-1", 28591}, {"l1", 28591}, {"cp819", 28591}, {"ibm819", 28591},
    {"csisolatin1", 28591}, {"iso-ir-100", 28591},
    {"us-ascii", 20127}, {"ascii", 20127}, {"ansi_x3.4-1968", 20127}, {"csascii", 20127},
    {"windows-1252", 1252}, {"cp1252", 1252}, {"x-cp1252", 1252}, {"ms-ansi", 1252},
    {"windows-1250", 1250}, {"cp1250", 1250}, {"x-cp1250", 1250},
    {"windows-1251", 1251}, {"cp1251", 1251}, {"x-cp1251", 1251},
    {"windows-1253", 1253}, {"cp1253", 1253},
    {"windows-1254", 1254}, {"cp1254", 1254},
    {"windows-1255", 1255}, {"cp1255", 1255},
    {"windows-1256", 1256}, {"cp1256", 1256},
    {"windows-1257", 1257}, {"cp1257", 1257},
    {"windows-1258", 1258}, {"cp1258", 1258},
    {"windows-874", 874}, {"cp874", 874}, {"tis-620", 874},
    {"iso-8859-2", 28592}, {"latin2", 28592}, {"iso-8859-3", 28593}, {"iso-8859-4", 28594},
    {"iso-8859-5", 28595}, {"iso-8859-6", 28596}, {"iso-8859-7", 28597}, {"iso-8859-8", 28598},
    {"iso-8859-9", 28599}, {"latin5", 28599}, {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
    {"latin-9", 28605}, {"latin9", 28605},
    {"koi8-r", 20866}, {"koi8r", 20866}, {"koi8", 20866}, {"cskoi8r", 20866},
    {"koi8-u", 21866}, {"koi8u", 21866},
    {"ibm866", 866}, {"cp866", 866},
    {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"ms_kanji", 932},
    {"csshiftjis", 932}, {"windows-31j", 932}, {"cp932", 932},
    {"euc-jp", 51932}, {"x-euc-jp", 51932}, {"iso-2022-jp", 50220}, {"csiso2022jp", 50220},
    {"gb2312", 936}, {"gbk", 936}, {"cp936", 936}, {"x-gbk", 936}, {"csgb2312", 936},
    {"gb_2312-80", 936}, {"chinese", 936}, {"euc-cn", 936}, {"x-euc-cn", 936},
    {"gb18030", 54936},
    {"big5", 950}, {"big-5", 950}, {"cn-big5", 950}, {"csbig5", 950}, {"x-x-big5", 950},
    {"cp950", 950}, {"big5-hkscs", 951},
    {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"ks_c_5601", 949}, {"korean", 949},
    {"ksc5601", 949}, {"csksc56011987", 949}, {"iso-ir-149", 949}, {"cp949", 949},
    {"csEUCKR", 949}, {"windows-949", 949},
    {"utf-16", 1200}, {"utf-16le", 1200}, {"utf-16be", 1201}, {"unicode", 1200},
};

struct CodePageInfo {
    int codePage;
    const char* canonical;
    const char* iconvName;  // nullptr: decoded by our own code
};

const CodePageInfo kCodePages[] = {
    {65001, "utf-8", nullptr},       {28591, "iso-8859-1", nullptr},
    {20127, "us-ascii", nullptr},    {1252, "windows-1252", nullptr},
    {1250, "windows-1250", "CP1250"}, {1251, "windows-1251", "CP1251"},
    {1253, "windows-1253", "CP1253"}, {1254, "windows-1254", "CP1254"},
    {1255, "windows-1255", "CP1255"}, {1256, "windows-1256", "CP1256"},
    {1257, "windows-1257", "CP1257"}, {1258, "windows-1258", "CP1258"},
    {874, "windows-874", "CP874"},   {28592, "iso-8859-2", "ISO-8859-2"},
    {28593, "iso-8859-3", "ISO-8859-3"}, {28594, "iso-8859-4", "ISO-8859-4"},
    {28595, "iso-8859-5", "ISO-8859-5"}, {28596, "iso-8859-6", "ISO-8859-6"},
    {28597, "iso-8859-7", "ISO-8859-7"}, {28598, "iso-8859-8", "ISO-8859-8"},
    {28599, "iso-8859-9", "ISO-8859-9"}, {28603, "iso-8859-13", "ISO-8859-13"},
    {28605, "iso-8859-15", "ISO-8859-15"}, {20866, "koi8-r", "KOI8-R"},
    {21866, "koi8-u", "KOI8-U"},     {866, "ibm866", "CP866"},
    {932, "shift_jis", "CP932"},     {51932, "euc-jp", "EUC-JP"},
    {50220, "iso-2022-jp", "ISO-2022-JP"}, {936, "gb2312", "CP936"},
    {54936, "gb18030", "GB18030"},   {950, "big5", "CP950"},
    {951, "big5-hkscs", "BIG5-HKSCS"}, {949, "euc-kr", "CP949"},
    {1200, "utf-16", nullptr},       {1201, "utf-16be", nullptr},
};

// windows-1252 in 0x80..0x9F; the five unassigned bytes keep their C1 value, as Windows does.
const char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

const CodePageInfo* codePageInfo(int codePage) {
    for (const CodePageInfo& info : kCodePages)
        if (info.codePage == codePage) return &info;
    return nullptr;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads a value after "name" at pos: optional blanks, '=', blanks, then a quoted or bare token.
std::string valueAfter(std::string_view text, size_t pos) {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != '=') return {};
    ++pos;
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) ++pos;
    size_t end = pos;
    while (end < text.size()) {
        char c = text[end];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) break;
        ++end;
    }
    return std::string(text.substr(pos, end - pos));
}

std::string xmlDeclarationEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return {};
    size_t close = bytes.substr(0, 1024).find("?>");
    if (close == std::string_view::npos) return {};
    std::string_view decl = bytes.substr(0, close);
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    return valueAfter(decl, at + 8);
}

std::string htmlMetaCharset(std::string_view bytes) {
    // Only the head matters; a generous prefix keeps huge files cheap.
    std::string lower(bytes.substr(0, 65536));
    for (char& c : lower) c = asciiLower(c);
    if (lower.find("<html") == std::string::npos && lower.find("<head") == std::string::npos &&
        lower.find("<meta") == std::string::npos)
        return {};
    size_t headEnd = std::min(lower.find("</head"), lower.find("<body"));
    if (headEnd != std::string::npos) lower.resize(headEnd);
    size_t pos = 0;
    while ((pos = lower.find("<meta", pos)) != std::string::npos) {
        size_t end = lower.find('>', pos);
        if (end == std::string::npos) end = lower.size();
        std::string_view tag(lower.data() + pos, end - pos);
        size_t at = tag.find("charset");
        if (at != std::string_view::npos) {
            std::string value = valueAfter(tag, at + 7);
            if (!value.empty()) return value;
        }
        pos = end;
    }
    return {};
}

// Decodes one UTF-8 sequence at in[i]; its length, or 0 when it is not well-formed.
size_t utf8Sequence(std::string_view in, size_t i, uint32_t& cp) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t extra;
    uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1; cp = c & 0x1F; min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2; cp = c & 0x0F; min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3; cp = c & 0x07; min = 0x10000;
    } else {
        return 0;
    }
    if (extra >= in.size() - i) return 0;
    for (size_t k = 1; k <= extra; ++k) {
        unsigned char t = static_cast<unsigned char>(in[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return extra + 1;
}

void appendUtf8Decoded(std::u16string& out, std::string_view in, bool& lost) {
    size_t i = 0;
    while (i < in.size()) {
        uint32_t cp;
        size_t len = utf8Sequence(in, i, cp);
        if (len == 0) {
            out.push_back(kReplacement);
            lost = true;
            ++i;
        } else {
            appendCodePoint(out, cp);
            i += len;
        }
    }
}

void appendIconvDecoded(std::u16string& out, std::string_view in, const char* iconvName, bool& lost) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        platform::debugPrintf("text decoding: no converter for %s, read as windows-1252", iconvName);
        lost = true;
        out += decodeCodePage(in, kCodePageWindows1252, lost);
        return;
    }
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    auto flush = [&](size_t produced) {
        for (size_t k = 0; k + 1 < produced; k += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[k]) |
                                                (static_cast<unsigned char>(buffer[k + 1]) << 8)));
    };
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof(buffer);
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        flush(sizeof(buffer) - dstLeft);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or an incomplete sequence at the end: one byte is unreadable.
            out.push_back(kReplacement);
            lost = true;
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Flush any shift state (stateful encodings such as ISO-2022-JP).
    char* dst = buffer;
    size_t dstLeft = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    flush(sizeof(buffer) - dstLeft);
    iconv_close(cd);
}

std::u16string decodeUtf16(std::string_view in, bool bigEndian, bool& lost) {
    std::u16string out;
    out.reserve(in.size() / 2);
    for (size_t i = 0; i + 1 < in.size(); i += 2) {
        unsigned a = static_cast<unsigned char>(in[i]);
        unsigned b = static_cast<unsigned char>(in[i + 1]);
        out.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    if (in.size() % 2) lost = true;
    return out;
}

std::u16string decodeUtf32(std::string_view in, bool bigEndian, bool& lost) {
    std::u16string out;
    out.reserve(in.size() / 4);
    for (size_t i = 0; i + 3 < in.size(); i += 4) {
        uint32_t b[4];
        for (int k = 0; k < 4; ++k) b[k] = static_cast<unsigned char>(in[i + k]);
        uint32_t cp = bigEndian ? (b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3])
                                : (b[3] << 24 | b[2] << 16 | b[1] << 8 | b[0]);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            lost = true;
        } else {
            appendCodePoint(out, cp);
        }
    }
    if (in.size() % 4) lost = true;
    return out;
}

void addNote(std::string& notes, const char* format, long value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    notes += buf;
}

}  // namespace

int codePageForCharset(std::string_view name) {
    for (const CharsetName& entry : kCharsetNames)
        if (equalsNoCase(name, entry.name)) return entry.codePage;
    return 0;
}

const char* charsetNameForCodePage(int codePage) {
    const CodePageInfo* info = codePageInfo(codePage);
    return info ? info->canonical : nullptr;
}

std::string declaredCharset(std::string_view bytes) {
    std::string name = xmlDeclarationEncoding(bytes);
    if (name.empty()) name = htmlMetaCharset(bytes);
    return name;
}

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        uint32_t cp;
        size_t len = utf8Sequence(bytes, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::u16string decodeCodePage(std::string_view bytes, int codePage, bool& lost) {
    std::u16string out;
    switch (codePage) {
    case kCodePageUtf8:
        out.reserve(bytes.size());
        appendUtf8Decoded(out, bytes, lost);
        return out;
    case kCodePageLatin1:
        out.reserve(bytes.size());
        for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
        return out;
    case 20127:  // us-ascii: high bytes read leniently as windows-1252
    case kCodePageWindows1252:
        out.reserve(bytes.size());
        for (char c : bytes) {
            unsigned char b = static_cast<unsigned char>(c);
            out.push_back(b >= 0x80 && b <= 0x9F ? kWindows1252High[b - 0x80] : b);
        }
        return out;
    case 1200:
        return decodeUtf16(bytes, false, lost);
    case 1201:
        return decodeUtf16(bytes, true, lost);
    default:
        break;
    }
    const CodePageInfo* info = codePageInfo(codePage);
    if (!info || !info->iconvName) {
        lost = true;
        return decodeCodePage(bytes, kCodePageWindows1252, lost);
    }
    out.reserve(bytes.size());
    appendIconvDecoded(out, bytes, info->iconvName, lost);
    return out;
}

std::u16string decodeDocument(std::string_view bytes, std::string& notes) {
    if (bytes.empty()) {
        notes += "0 length ";
        return {};
    }
    addNote(notes, "length %ld ", static_cast<long>(bytes.size()));
    auto starts = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };
    bool lost = false;
    std::u16string text;

    auto finish = [&]() {
        addNote(notes, "to %ld wide chars ", static_cast<long>(text.size()));
        if (lost) notes += "(chars lost in conversion!) ";
        return text;
    };

    // Byte-order marks; the UTF-32 ones first, because FF FE also starts UTF-32 LE.
    if (starts(std::string_view("\xFF\xFE\0\0", 4))) {
        notes += "UTF-32 ";
        text = decodeUtf32(bytes.substr(4), false, lost);
        return finish();
    }
    if (starts(std::string_view("\0\0\xFE\xFF", 4))) {
        notes += "UTF-32 endian swap ";
        text = decodeUtf32(bytes.substr(4), true, lost);
        return finish();
    }
    if (starts("\xFF\xFE")) {
        notes += "UTF-16 ";
        text = decodeUtf16(bytes.substr(2), false, lost);
        return finish();
    }
    if (starts("\xFE\xFF")) {
        notes += "UTF-16BE endian swap ";
        text = decodeUtf16(bytes.substr(2), true, lost);
        return finish();
    }
    // UTF-16 without a mark shows itself by a NUL beside the first '<'.
    if (bytes.size() >= 4 && bytes.size() % 2 == 0) {
        if (starts(std::string_view("<\0", 2)) && bytes[2] != '\0') {
            notes += "UTF-16 ";
            text = decodeUtf16(bytes, false, lost);
            return finish();
        }
        if (starts(std::string_view("\0<", 2)) && bytes[3] != '\0') {
            notes += "UTF-16BE endian swap ";
            text = decodeUtf16(bytes, true, lost);
            return finish();
        }
    }

    int codePage = 0;
    bool detect = true;
    std::string_view body = bytes;
    if (starts("\xEF\xBB\xBF")) {
        codePage = kCodePageUtf8;
        detect = false;
        body = bytes.substr(3);
    } else {
        std::string declared = declaredCharset(bytes);
        if (!declared.empty()) {
            codePage = codePageForCharset(declared);
            // A UTF-16 declaration in a file that reads as 8-bit text cannot be right.
            if (codePage == 1200 || codePage == 1201) codePage = 0;
            if (codePage != 0)
                detect = false;
            else
                platform::debugPrintf("text decoding: unknown charset '%s'", declared.c_str());
        }
    }

    // NUL bytes have no place in 8-bit text; they are dropped (none of the supported multi-byte
    // charsets uses a NUL byte inside a character).
    std::string withoutNulls;
    size_t nulls = static_cast<size_t>(std::count(body.begin(), body.end(), '\0'));
    if (nulls) {
        withoutNulls.reserve(body.size() - nulls);
        for (char c : body)
            if (c != '\0') withoutNulls.push_back(c);
        body = withoutNulls;
        addNote(notes, "(%ld nulls removed) ", static_cast<long>(nulls));
    }

    if (detect) {
        if (isValidUtf8(body)) {
            codePage = kCodePageUtf8;
            notes += "(used UTF-8 detection) ";
        } else {
            codePage = kCodePageWindows1252;
        }
    }
    notes += codePage == kCodePageUtf8 ? "UTF-8" : charsetNameForCodePage(codePage);
    notes += ' ';
    text = decodeCodePage(body, codePage, lost);
    return finish();
}

void appendCodePoint(std::u16string& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string toUtf8(const char16_t* text, size_t capacity) {
    size_t length = 0;
    while (length < capacity && text[length] != 0) ++length;
    return toUtf8(std::u16string_view(text, length));
}

std::u16string fromUtf8(std::string_view text) {
    bool lost = false;
    std::u16string out;
    out.reserve(text.size());
    appendUtf8Decoded(out, text, lost);
    return out;
}

}  // namespace textcodec
