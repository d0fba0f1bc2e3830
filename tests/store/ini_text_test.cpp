// The INI text rules: look-ups, values, integers, the struct encoding, and edits that keep every
// line they do not concern.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

using namespace std::string_literals;

#include "platform/ini_text.h"

using platform::IniDocument;

TEST(IniText, SectionAndKeyNamesAreCaseInsensitive) {
    IniDocument doc = IniDocument::parse("[Setting]\nTrayEnabled=1\n");
    EXPECT_EQ(doc.get("SETTING", "trayenabled"), "1");
    EXPECT_EQ(doc.get("setting", "TRAYENABLED"), "1");
    EXPECT_FALSE(doc.get("Settings", "TrayEnabled").has_value());
    EXPECT_FALSE(doc.get("Setting", "Tray").has_value());
}

TEST(IniText, ValuesAndNamesAreTrimmed) {
    IniDocument doc = IniDocument::parse("  [  Setting  ]  \n\t Key One \t=   some value \t\r\n");
    EXPECT_EQ(doc.get("Setting", "Key One"), "some value");
}

TEST(IniText, OnePairOfSurroundingQuotesIsRemoved) {
    IniDocument doc = IniDocument::parse(
        "[s]\n"
        "a = \"hello world\" \n"
        "b='single'\n"
        "c=\"mixed'\n"
        "d=\"\"\n"
        "e=\"\"twice\"\"\n"
        "f=\"\n"
        "g=in\"side\n");
    EXPECT_EQ(doc.get("s", "a"), "hello world");
    EXPECT_EQ(doc.get("s", "b"), "single");
    EXPECT_EQ(doc.get("s", "c"), "\"mixed'");
    EXPECT_EQ(doc.get("s", "d"), "");
    EXPECT_EQ(doc.get("s", "e"), "\"twice\"");
    EXPECT_EQ(doc.get("s", "f"), "\"");
    EXPECT_EQ(doc.get("s", "g"), "in\"side");
}

TEST(IniText, FirstSectionAndFirstKeyWin) {
    IniDocument doc = IniDocument::parse("[s]\nk=1\nk=2\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(doc.get("s", "k"), "1");
    EXPECT_FALSE(doc.get("s", "j").has_value());
}

TEST(IniText, CommentsAndLinesWithoutEqualsAreNoKeys) {
    IniDocument doc = IniDocument::parse("[s]\n;k=1\nk\n  ; j=2\nj = 3\n");
    EXPECT_FALSE(doc.get("s", ";k").has_value());
    EXPECT_FALSE(doc.get("s", "k").has_value());
    EXPECT_EQ(doc.get("s", "j"), "3");
}

TEST(IniText, KeysBeforeTheFirstSectionBelongToNone) {
    IniDocument doc = IniDocument::parse("k=1\n[s]\n");
    EXPECT_FALSE(doc.get("", "k").has_value());
    EXPECT_FALSE(doc.get("s", "k").has_value());
}

TEST(IniText, IntegersAreParsedLikeThePlatform) {
    using platform::parseProfileInt;
    auto v = [](const char* s) { return std::optional<std::string>(s); };
    EXPECT_EQ(parseProfileInt(v("12abc"), 7), 12);
    EXPECT_EQ(parseProfileInt(v("-"), 7), 0);
    EXPECT_EQ(parseProfileInt(v("+"), 7), 0);
    EXPECT_EQ(parseProfileInt(v("abc"), 7), 0);
    EXPECT_EQ(parseProfileInt(v(""), 7), 7);
    EXPECT_EQ(parseProfileInt(v("   "), 7), 7);
    EXPECT_EQ(parseProfileInt(std::nullopt, 7), 7);
    EXPECT_EQ(parseProfileInt(v("-1"), 7), -1);
    EXPECT_EQ(parseProfileInt(v("+25"), 7), 25);
    EXPECT_EQ(parseProfileInt(v("  -34x"), 7), -34);
    EXPECT_EQ(parseProfileInt(v("0x10"), 7), 0);
    EXPECT_EQ(parseProfileInt(v("1 2"), 7), 1);
    EXPECT_EQ(parseProfileInt(v("4294967295"), 7), -1);   // wraps at 32 bits
    EXPECT_EQ(parseProfileInt(v("2147483648"), 7), INT32_MIN);
    EXPECT_EQ(parseProfileInt(v("99999999999999999999"), 7), static_cast<int>(1661992959u));
}

TEST(IniText, QuotedEmptyIntegerTakesTheDefault) {
    IniDocument doc = IniDocument::parse("[s]\nk=\"\"\nj=\"12\"\n");
    EXPECT_EQ(platform::parseProfileInt(doc.get("s", "k"), 5), 5);
    EXPECT_EQ(platform::parseProfileInt(doc.get("s", "j"), 5), 12);
}

TEST(IniText, StructEncodingIsUpperHexWithChecksum) {
    const uint8_t bytes[4] = {0x01, 0xAB, 0xFF, 0x10};
    // sum = 0x1BB -> checksum 0xBB
    EXPECT_EQ(platform::encodeStruct(bytes, sizeof bytes), "01ABFF10BB");
    EXPECT_EQ(platform::encodeStruct(nullptr, 0), "00");
    uint8_t sixteen[16] = {};
    EXPECT_EQ(platform::encodeStruct(sixteen, 16).size(), 34u);
}

TEST(IniText, StructDecodeChecksLengthAndChecksum) {
    uint8_t out[4] = {9, 9, 9, 9};
    const uint8_t untouched[4] = {9, 9, 9, 9};
    EXPECT_FALSE(platform::decodeStruct("01ABFF10BC", out, 4));   // checksum
    EXPECT_FALSE(platform::decodeStruct("01ABFF10B", out, 4));    // short
    EXPECT_FALSE(platform::decodeStruct("01ABFF10BB0", out, 4));  // long
    EXPECT_FALSE(platform::decodeStruct("01ABFF10BBBB", out, 4));
    EXPECT_FALSE(platform::decodeStruct("01ABFG10BB", out, 4));   // not hex
    EXPECT_FALSE(platform::decodeStruct("", out, 4));
    EXPECT_EQ(0, memcmp(out, untouched, 4));
    ASSERT_TRUE(platform::decodeStruct("01abff10bb", out, 4));    // either case reads
    const uint8_t expected[4] = {0x01, 0xAB, 0xFF, 0x10};
    EXPECT_EQ(0, memcmp(out, expected, 4));
}

TEST(IniText, UnmodifiedDocumentSerialisesToTheSameBytes) {
    const std::string texts[] = {
        "",
        "\n",
        "no newline",
        "[a]\r\nk=v\r\n\r\n; comment\r\n[b]\r\nx = \"y\"\r\n",
        "\xEF\xBB\xBF[s]\nk=1",
        "garbage\0with nul\n[\n]\n[[x]]\n=\n"s,
    };
    for (const std::string& t : texts) EXPECT_EQ(IniDocument::parse(t).serialise(), t);
}

TEST(IniText, SetReplacesInPlaceAndKeepsEverythingElse) {
    const std::string text =
        "; settings file\n"
        "[Setting]\n"
        "Device=1\n"
        "  Profile = 3  \n"
        "ProfileName=imported\n"
        "\n"
        "[MACRO_LIST]\n"
        "0=first\n"
        "\n"
        "[Unknown]\n"
        "whatever=stays\n";
    IniDocument doc = IniDocument::parse(text);
    doc.set("setting", "PROFILE", "4");
    EXPECT_EQ(doc.serialise(),
              "; settings file\n"
              "[Setting]\n"
              "Device=1\n"
              "  Profile=4\n"
              "ProfileName=imported\n"
              "\n"
              "[MACRO_LIST]\n"
              "0=first\n"
              "\n"
              "[Unknown]\n"
              "whatever=stays\n");
}

TEST(IniText, NewKeysGoAfterTheSectionsLastLineNewSectionsAtTheEnd) {
    IniDocument doc = IniDocument::parse("[a]\nk=1\n\n[b]\nj=2\n");
    doc.set("a", "new", "x");
    doc.set("c", "n", "y");
    doc.set("c", "m", "z");
    EXPECT_EQ(doc.serialise(), "[a]\nk=1\nnew=x\n\n[b]\nj=2\n\n[c]\nn=y\nm=z\n");
}

TEST(IniText, EmptyDocumentGrowsWithoutLeadingBlankLine) {
    IniDocument doc;
    doc.set("Setting", "Profile", "0");
    doc.set("GROUP", "DPI", "-1");
    EXPECT_EQ(doc.serialise(), "[Setting]\nProfile=0\n\n[GROUP]\nDPI=-1\n");
}

TEST(IniText, CrLfFilesGetCrLfLines) {
    IniDocument doc = IniDocument::parse("[a]\r\nk=1\r\n");
    doc.set("a", "k", "2");
    doc.set("a", "j", "3");
    doc.set("b", "x", "4");
    EXPECT_EQ(doc.serialise(), "[a]\r\nk=2\r\nj=3\r\n\r\n[b]\r\nx=4\r\n");
}

TEST(IniText, ValuesCannotAddLines) {
    IniDocument doc;
    doc.set("s", "k", "a\n[Setting]\r\nProfile=9");
    EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"s"});
    EXPECT_EQ(doc.get("s", "k"), "a [Setting]  Profile=9");
}

TEST(IniText, ValuesThatReadingWouldChangeAreQuoted) {
    IniDocument doc;
    for (const std::string v : {" lead", "trail ", "\"quoted\"", "'q'", "plain", "", "\"", "a\"b"}) {
        doc.set("s", "k", v);
        EXPECT_EQ(IniDocument::parse(doc.serialise()).get("s", "k"), v) << v;
    }
    doc.set("s", "k", "plain");
    EXPECT_EQ(doc.serialise(), "[s]\nk=plain\n");
}

TEST(IniText, RemoveKeyAndSection) {
    IniDocument doc = IniDocument::parse("[a]\nk=1\nj=2\n[b]\nx=1\n");
    EXPECT_TRUE(doc.remove("A", "K"));
    EXPECT_FALSE(doc.remove("a", "k"));
    EXPECT_TRUE(doc.removeSection("B"));
    EXPECT_FALSE(doc.removeSection("b"));
    EXPECT_EQ(doc.serialise(), "[a]\nj=2\n");
    EXPECT_EQ(doc.keyNames("a"), std::vector<std::string>{"j"});
}

TEST(IniText, GarbageNeverBreaksTheParser) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::string text(rng() % 4000, '\0');
        for (char& c : text) {
            uint32_t r = rng() % 16;
            c = r == 0 ? '\n' : r == 1 ? '[' : r == 2 ? ']' : r == 3 ? '=' : static_cast<char>(rng());
        }
        IniDocument doc = IniDocument::parse(text);
        EXPECT_EQ(doc.serialise(), text);
        for (const std::string& s : doc.sectionNames()) {
            for (const std::string& k : doc.keyNames(s)) (void)doc.get(s, k);
        }
        doc.set("Setting", "Profile", "1");
        EXPECT_EQ(IniDocument::parse(doc.serialise()).get("Setting", "Profile").has_value(), true);
    }
    std::string huge(3 << 20, 'x');
    huge[10] = '=';
    IniDocument doc = IniDocument::parse("[s]\n" + huge);
    EXPECT_EQ(doc.get("s", "xxxxxxxxxx")->size(), huge.size() - 11);
}
