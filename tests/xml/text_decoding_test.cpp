// Decoding of document files: byte-order marks, declared charsets, detection and the notes.
#include <gtest/gtest.h>

#include <string>

#include "shared/text_decoding.h"
#include "shared/xml_document.h"

namespace {

std::string utf16Bytes(std::u16string_view text, bool bigEndian, bool mark) {
    std::string out;
    auto put = [&](char16_t c) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    if (mark) put(0xFEFF);
    for (char16_t c : text) put(c);
    return out;
}

// Loads the bytes and returns the data of the root's child "v".
std::string valueOf(const std::string& bytes, std::string* result = nullptr) {
    XmlDocument doc;
    bool ok = doc.loadFromMemory(bytes);
    if (result) *result = doc.result();
    if (!ok || !doc.findChildElem("v")) return "<failed: " + doc.result() + ">";
    return doc.getChildData();
}

TEST(TextDecoding, Utf16MarksBothByteOrders) {
    const std::u16string doc = u"<r><v>Gr\u00FC\u00DFe \u20AC</v></r>";
    std::string result;
    EXPECT_EQ(valueOf(utf16Bytes(doc, false, true), &result), "Grüße €");
    EXPECT_NE(result.find("UTF-16 "), std::string::npos) << result;
    EXPECT_EQ(result.find("endian swap"), std::string::npos) << result;
    EXPECT_NE(result.find("to 21 wide chars "), std::string::npos) << result;

    EXPECT_EQ(valueOf(utf16Bytes(doc, true, true), &result), "Grüße €");
    EXPECT_NE(result.find("UTF-16BE endian swap "), std::string::npos) << result;
}

TEST(TextDecoding, Utf16WithoutMarkIsRecognisedByItsNuls) {
    EXPECT_EQ(valueOf(utf16Bytes(u"<r><v>ok</v></r>", false, false)), "ok");
    EXPECT_EQ(valueOf(utf16Bytes(u"<r><v>ok</v></r>", true, false)), "ok");
}

TEST(TextDecoding, OddUtf16LengthIsReportedAsLoss) {
    std::string bytes = utf16Bytes(u"<r><v>x</v></r>", false, true) + "A";
    std::string result;
    EXPECT_EQ(valueOf(bytes, &result), "x");
    EXPECT_NE(result.find("(chars lost in conversion!) "), std::string::npos) << result;
}

TEST(TextDecoding, Utf32Marks) {
    std::string le("\xFF\xFE\0\0", 4), be("\0\0\xFE\xFF", 4);
    for (char32_t c : std::u32string(U"<r><v>\U0001F600</v></r>")) {
        for (int k = 0; k < 4; ++k) le.push_back(static_cast<char>((c >> (8 * k)) & 0xFF));
        for (int k = 3; k >= 0; --k) be.push_back(static_cast<char>((c >> (8 * k)) & 0xFF));
    }
    std::string result;
    EXPECT_EQ(valueOf(le, &result), "\xF0\x9F\x98\x80");
    EXPECT_NE(result.find("UTF-32 "), std::string::npos) << result;
    EXPECT_EQ(valueOf(be), "\xF0\x9F\x98\x80");
}

TEST(TextDecoding, Utf8MarkWinsOverDeclaration) {
    std::string result;
    EXPECT_EQ(valueOf("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><r><v>\xC3\xA9</v></r>",
                      &result),
              "é");
    EXPECT_NE(result.find("UTF-8 "), std::string::npos) << result;
    // The mark is not part of the text: offsets count from the first character after it.
    XmlDocument doc;
    EXPECT_FALSE(doc.loadFromMemory("\xEF\xBB\xBF<a></b>"));
    EXPECT_EQ(doc.error(), "End tag 'b' at offset 3 does not match start tag 'a'");
}

TEST(TextDecoding, DeclaredEightBitCharsets) {
    // latin1 in both spellings, single and double quotes.
    EXPECT_EQ(valueOf("<?xml version='1.0' encoding='latin1'?><r><v>caf\xE9</v></r>"), "café");
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><v>\x80</v></r>"), "\xC2\x80");
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r><v>\x80\x93</v></r>"),
              "€“");
    // "Привет" in koi8-r.
    std::string result;
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"koi8-r\"?><r><v>\xF0\xD2\xC9\xD7\xC5\xD4</v></r>",
                      &result),
              "Привет");
    EXPECT_NE(result.find("koi8-r "), std::string::npos) << result;
    // Hiragana "a" and the kanji for "day" in Shift_JIS; the alias x-sjis reads the same.
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r><v>\x82\xA0\x93\xFA</v></r>"),
              "あ日");
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"x-sjis\"?><r><v>\x82\xA0</v></r>"), "あ");
    // "中" in gb2312, big5 and euc-kr's "한".
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"gb2312\"?><r><v>\xD6\xD0</v></r>"), "中");
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"big5\"?><r><v>\xA4\xA4</v></r>"), "中");
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"euc-kr\"?><r><v>\xC7\xD1</v></r>"), "한");
}

TEST(TextDecoding, BrokenMultiByteTextIsMarkedAsLost) {
    std::string result;
    // A Shift_JIS lead byte at the very end of the element has no trail byte.
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"shift_jis\"?><r><v>a\x82</v></r>", &result),
              "a\xEF\xBF\xBD");
    EXPECT_NE(result.find("(chars lost in conversion!) "), std::string::npos) << result;
}

TEST(TextDecoding, HtmlMetaCharsetInHead) {
    std::string html =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"/>"
        "</head><body><v>\xF0\xD2\xC9\xD7\xC5\xD4</v></body></html>";
    EXPECT_EQ(textcodec::declaredCharset(html), "koi8-r");
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory(html)) << doc.result();
    ASSERT_TRUE(doc.findChildElem("body"));
    doc.intoElem();
    ASSERT_TRUE(doc.findChildElem("v"));
    EXPECT_EQ(doc.getChildData(), "Привет");
    // A charset mentioned after the head does not count.
    EXPECT_EQ(textcodec::declaredCharset("<html><head></head><body><meta charset=koi8-r></body>"), "");
}

TEST(TextDecoding, UndeclaredTextIsDetected) {
    std::string result;
    EXPECT_EQ(valueOf("<r><v>Grüße</v></r>", &result), "Grüße");
    EXPECT_NE(result.find("(used UTF-8 detection) "), std::string::npos) << result;
    // Not valid UTF-8: read as windows-1252.
    EXPECT_EQ(valueOf("<r><v>Gr\xFC\xDF" "e \x80</v></r>", &result), "Grüße €");
    EXPECT_EQ(result.find("(used UTF-8 detection) "), std::string::npos) << result;
    EXPECT_NE(result.find("windows-1252 "), std::string::npos) << result;
}

TEST(TextDecoding, UnknownCharsetFallsBackToDetection) {
    EXPECT_EQ(valueOf("<?xml version=\"1.0\" encoding=\"x-martian\"?><r><v>\xC3\xA9</v></r>"), "é");
}

TEST(TextDecoding, NulsInEightBitTextAreRemovedAndCounted) {
    std::string bytes("<r><v>a\0b\0</v></r>", 18);
    std::string result;
    EXPECT_EQ(valueOf(bytes, &result), "ab");
    EXPECT_NE(result.find("(2 nulls removed) "), std::string::npos) << result;
}

TEST(TextDecoding, LengthNotes) {
    XmlDocument doc;
    EXPECT_FALSE(doc.loadFromMemory(""));
    EXPECT_EQ(doc.result(), "0 length Empty document");
    EXPECT_TRUE(doc.loadFromMemory("<a/>"));
    EXPECT_EQ(doc.result().rfind("length 4 ", 0), 0u) << doc.result();
}

TEST(TextDecoding, CharsetTable) {
    EXPECT_EQ(textcodec::codePageForCharset("UTF-8"), 65001);
    EXPECT_EQ(textcodec::codePageForCharset("latin1"), 28591);
    EXPECT_EQ(textcodec::codePageForCharset("iso-8859-1"), 28591);
    EXPECT_EQ(textcodec::codePageForCharset("Windows-1252"), 1252);
    EXPECT_EQ(textcodec::codePageForCharset("shift_jis"), 932);
    EXPECT_EQ(textcodec::codePageForCharset("gb2312"), 936);
    EXPECT_EQ(textcodec::codePageForCharset("big5"), 950);
    EXPECT_EQ(textcodec::codePageForCharset("euc-kr"), 949);
    EXPECT_EQ(textcodec::codePageForCharset("ks_c_5601-1987"), 949);
    EXPECT_EQ(textcodec::codePageForCharset("koi8-r"), 20866);
    EXPECT_EQ(textcodec::codePageForCharset("utf-8x"), 0);
    EXPECT_EQ(textcodec::codePageForCharset(""), 0);
}

TEST(TextDecoding, Utf8Validation) {
    EXPECT_TRUE(textcodec::isValidUtf8("plain"));
    EXPECT_TRUE(textcodec::isValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(textcodec::isValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(textcodec::isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(textcodec::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(textcodec::isValidUtf8("\xE2\x82"));          // cut short
    // Round trip through UTF-16, and an unpaired surrogate becomes U+FFFD.
    EXPECT_EQ(textcodec::toUtf8(textcodec::fromUtf8("a\xF0\x9F\x98\x80z")), "a\xF0\x9F\x98\x80z");
    EXPECT_EQ(textcodec::toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
