// Parsing, error messages with offsets, character references and navigation.
#include <gtest/gtest.h>

#include <string>

#include "shared/html_entities.h"
#include "shared/xml_document.h"

namespace {

std::string errorOf(const std::string& text) {
    XmlDocument doc;
    bool ok = doc.loadFromMemory(text);
    EXPECT_EQ(ok, doc.error().empty());
    // The error closes the result text, after the decoding notes.
    if (!ok) {
        EXPECT_TRUE(doc.result().ends_with(doc.error())) << doc.result();
    }
    return doc.error();
}

// Data of the root's first child, parsed from UTF-8 text.
std::string dataOf(const std::string& content) {
    XmlDocument doc;
    if (!doc.loadFromMemory("<r><v>" + content + "</v></r>")) return "<failed: " + doc.error() + ">";
    if (!doc.findChildElem("v")) return "<no v>";
    return doc.getChildData();
}

TEST(XmlErrors, WholeMessages) {
    EXPECT_EQ(errorOf(""), "Empty document");
    EXPECT_EQ(errorOf("just text"), "No root element");
    EXPECT_EQ(errorOf("<?xml version=\"1.0\"?><!-- nothing -->"), "No root element");
    EXPECT_EQ(errorOf("<a/><b/>"), "Root element has sibling");
    EXPECT_EQ(errorOf("<a></a>\n<a></a>"), "Root element has sibling");
}

TEST(XmlErrors, ComposedMessagesCarryNameAndOffset) {
    EXPECT_EQ(errorOf("<a><b></a>"), "End tag 'a' at offset 6 does not match start tag 'b'");
    EXPECT_EQ(errorOf("<a></a></b>"), "No start tag for end tag 'b' at offset 7");
    EXPECT_EQ(errorOf("</b>"), "No start tag for end tag 'b' at offset 0");
    EXPECT_EQ(errorOf("<root>\n  <item>"), "Element 'item' at offset 9 not ended");
    EXPECT_EQ(errorOf("<a>< b/></a>"), "Incorrect tag name character at offset 4");
    EXPECT_EQ(errorOf("<a>x < y</a>"), "Incorrect tag name character at offset 6");
    EXPECT_EQ(errorOf("<a#b/>"), "Incorrect tag name character at offset 2");
    EXPECT_EQ(errorOf("<a></a x>"), "Incorrect tag name character at offset 7");
    EXPECT_EQ(errorOf("<a></1>"), "Incorrect tag name character at offset 5");
    // Offsets count characters, not bytes: "é" is two bytes in UTF-8 but one character.
    EXPECT_EQ(errorOf("<é><b></é>"), "End tag 'é' at offset 6 does not match start tag 'b'");
}

TEST(XmlErrors, UnterminatedConstructs) {
    EXPECT_EQ(errorOf("<a><!-- open"), "Comment unterminated");
    EXPECT_EQ(errorOf("<a><![CDATA[ open ]]</a>"), "CDATA Section unterminated");
    EXPECT_EQ(errorOf("<?xml version=\"1.0\""), "Processing instruction unterminated");
    EXPECT_EQ(errorOf("<!DOCTYPE a [ <!ENTITY e \"]>\" "), "Doctype unterminated");
    EXPECT_EQ(errorOf("<a x='1>"), "Element tag unterminated");
    EXPECT_EQ(errorOf("<a x='1'\n<b/></a>"), "Element tag unterminated");
    EXPECT_EQ(errorOf("<a><"), "Element tag unterminated");
    EXPECT_EQ(errorOf("<a></a"), "Element end tag unterminated");
    EXPECT_EQ(errorOf("<a></"), "Element end tag unterminated");
    EXPECT_EQ(errorOf("<a><!ELEMENT a"), "! tag unterminated");
}

TEST(XmlErrors, FailedLoadLeavesNothingToNavigate) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory("<r><v>1</v></r>"));
    EXPECT_FALSE(doc.loadFromMemory("<r><v>1</v></r><s/>"));
    EXPECT_FALSE(doc.isWellFormed());
    EXPECT_FALSE(doc.findChildElem("v"));
    EXPECT_EQ(doc.getChildData(), "");
}

TEST(XmlParsing, MarkupAroundAndInsideElementsIsSkipped) {
    const std::string text =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE r [\n"
        "  <!ELEMENT r (v)*>\n"
        "  <!ENTITY gt2 \"a > b\">\n"
        "  <!-- ] > inside a comment -->\n"
        "]>\n"
        "<!-- before root -->\n"
        "<r a='1' b=\"two > three\">\n"
        "  <?app ignore <me>?>\n"
        "  <v><!--c--><![CDATA[<&amp;>]]> &amp; tail<?pi x?></v>\n"
        "  <empty/><w x = 'y' />\n"
        "</r>\n"
        "<!-- after root -->\n";
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory(text)) << doc.result();
    ASSERT_TRUE(doc.findChildElem("v"));
    EXPECT_EQ(doc.getChildData(), "<&amp;> & tail");
    ASSERT_TRUE(doc.findChildElem());
    EXPECT_EQ(doc.getChildTagName(), "empty");
    EXPECT_EQ(doc.getChildData(), "");
    ASSERT_TRUE(doc.findChildElem());
    EXPECT_EQ(doc.getChildTagName(), "w");
    EXPECT_EQ(doc.getChildAttrib("x"), "y");
    EXPECT_FALSE(doc.findChildElem());
    EXPECT_EQ(doc.getTagName(), "r");
}

TEST(XmlParsing, AttributesInBothQuotes) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory("<r><e a='x\"y' b=\"p'q\" c=\"&lt;&#65;\" d=bare e/></r>"));
    ASSERT_TRUE(doc.findChildElem("e"));
    EXPECT_EQ(doc.getChildAttrib("a"), "x\"y");
    EXPECT_EQ(doc.getChildAttrib("b"), "p'q");
    EXPECT_EQ(doc.getChildAttrib("c"), "<A");
    EXPECT_EQ(doc.getChildAttrib("d"), "bare");
    EXPECT_EQ(doc.getChildAttrib("e"), "");
    EXPECT_EQ(doc.getChildAttrib("missing"), "");
}

TEST(XmlParsing, DeepNestingNeitherCrashesNorRecurses) {
    const int depth = 200000;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<d>";
    text += "x";
    for (int i = 0; i < depth; ++i) text += "</d>";
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory(text)) << doc.error();
    int levels = 1;
    while (doc.findChildElem("d")) {
        doc.intoElem();
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(doc.getData(), "x");

    text.resize(text.size() - 4);  // the root's end tag is missing
    EXPECT_FALSE(doc.loadFromMemory(text));
    EXPECT_EQ(doc.error(), "Element 'd' at offset 0 not ended");
}

TEST(XmlReferences, XmlAndNumericReferences) {
    EXPECT_EQ(dataOf("&amp;lt;"), "&lt;");
    EXPECT_EQ(dataOf("&#x41;"), "A");
    EXPECT_EQ(dataOf("&#X41;&#65;&#0065;"), "AAA");
    EXPECT_EQ(dataOf("&lt;&gt;&amp;&apos;&quot;"), "<>&'\"");
    EXPECT_EQ(dataOf("&#x1F600;"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(dataOf("&#10;"), "\n");
}

TEST(XmlReferences, HtmlNamedReferences) {
    EXPECT_EQ(dataOf("caf&eacute; &euro;5 &copy;&nbsp;&Omega;&thetasym;&hearts;"),
              "café €5 ©\u00A0Ωϑ♥");
    EXPECT_EQ(dataOf("&AElig;&aelig;"), "Ææ");  // names are case-sensitive
}

TEST(XmlReferences, MalformedOrImpossibleReferencesStayAsText) {
    EXPECT_EQ(dataOf("&bogus; &amp &; &#; &#x; &#12a; &#xG;"), "&bogus; &amp &; &#; &#x; &#12a; &#xG;");
    EXPECT_EQ(dataOf("&#0; &#x0;"), "&#0; &#x0;");
    EXPECT_EQ(dataOf("&#xD800; &#57343;"), "&#xD800; &#57343;");
    EXPECT_EQ(dataOf("&#x110000; &#99999999999999999999;"), "&#x110000; &#99999999999999999999;");
    EXPECT_EQ(dataOf("&EACUTE; &Eacute"), "&EACUTE; &Eacute");
    EXPECT_EQ(dataOf("a & b &&amp;"), "a & b &&");
}

TEST(XmlReferences, EntityTableIsCompleteAndSorted) {
    auto table = htmlEntities();
    ASSERT_EQ(table.size(), 252u);
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(std::string_view(table[i - 1].name), std::string_view(table[i].name));
    for (const HtmlEntity& e : table) {
        EXPECT_EQ(htmlEntityCodePoint(e.name), e.codePoint) << e.name;
        EXPECT_GT(e.codePoint, 0u);
    }
    EXPECT_EQ(htmlEntityCodePoint("nbsp"), 160u);
    EXPECT_EQ(htmlEntityCodePoint("yuml"), 255u);
    EXPECT_EQ(htmlEntityCodePoint("Yuml"), 376u);
    EXPECT_EQ(htmlEntityCodePoint("diams"), 9830u);
    EXPECT_EQ(htmlEntityCodePoint("apos"), 0u);  // XML's, not HTML 4.01's
    EXPECT_EQ(htmlEntityCodePoint(""), 0u);
}

TEST(XmlNavigation, FindsChildrenInOrderAfterTheCurrentChild) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory(
        "<r><a>1</a><!-- c --><b>2</b><a>3</a><c><a>inner</a></c></r>"));
    // Nothing is current yet: the first search makes the root current.
    EXPECT_EQ(doc.getTagName(), "");
    ASSERT_TRUE(doc.findChildElem("a"));
    EXPECT_EQ(doc.getTagName(), "r");
    EXPECT_EQ(doc.getChildData(), "1");
    ASSERT_TRUE(doc.findChildElem("a"));
    EXPECT_EQ(doc.getChildData(), "3");
    EXPECT_FALSE(doc.findChildElem("a"));
    EXPECT_EQ(doc.getChildData(), "3");  // a failed search keeps the current child
    EXPECT_FALSE(doc.findChildElem("b"));  // b lies before the current child

    ASSERT_TRUE(doc.findChildElem("c"));
    EXPECT_EQ(doc.getChildData(), "");  // holds elements
    ASSERT_TRUE(doc.intoElem());
    EXPECT_EQ(doc.getTagName(), "c");
    EXPECT_FALSE(doc.intoElem());  // no current child after entering
    ASSERT_TRUE(doc.findChildElem("a"));
    EXPECT_EQ(doc.getChildData(), "inner");
    ASSERT_TRUE(doc.outOfElem());
    EXPECT_EQ(doc.getTagName(), "r");
    EXPECT_EQ(doc.getChildTagName(), "c");
    EXPECT_FALSE(doc.outOfElem());

    doc.resetPos();
    ASSERT_TRUE(doc.findChildElem("b"));
    EXPECT_EQ(doc.getChildData(), "2");
    doc.resetPos();
    ASSERT_TRUE(doc.findElem("r"));
    EXPECT_FALSE(doc.findElem());  // the root has no siblings
}

TEST(XmlNavigation, NamesAreCaseSensitive) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadFromMemory("<r><Key>x</Key></r>"));
    EXPECT_FALSE(doc.findChildElem("KEY"));
    EXPECT_TRUE(doc.findChildElem("Key"));
}

}  // namespace
