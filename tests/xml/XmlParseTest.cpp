#include "xml/XmlFixture.h"

using Xml::XmlTag;

namespace {

std::string wrapped(int line, int column, const std::string& message, int tagLine, int tagColumn) {
    return "(error at line " + std::to_string(line) + ", col " + std::to_string(column) + "); " +
           message + " (when reading tag at " + std::to_string(tagLine) + ":" +
           std::to_string(tagColumn) + ")";
}

} // namespace

TEST_F(XmlTest, EmptyAndBlankTextsFailAtTheirEnd) {
    EXPECT_EQ(parseError(""), wrapped(1, 1, "EOF", 1, 1));
    EXPECT_EQ(parseError("  \n\t"), wrapped(2, 5, "EOF", 1, 1));
    EXPECT_EQ(parseError("<r>\n <a>"), wrapped(2, 5, "EOF", 2, 5));
}

TEST_F(XmlTest, SecondParseNeedsClear) {
    parse("<r></r>");
    std::string text = "<s></s>";
    EXPECT_EQ(faultOf([&] { parser.parse(text.data(), static_cast<int>(text.size())); }),
              wrapped(1, 1, "Parser has already parsed a xml-file, use clear() first!", -1, -1));
    EXPECT_EQ(parser.getName(), "r");
    parser.clear();
    EXPECT_EQ(parser.getName(), "");
    parser.parse(text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(parser.getName(), "s");
}

TEST_F(XmlTest, ReaderFaultsNameTheirPlace) {
    EXPECT_EQ(parseError("<root/>"), wrapped(1, 8, "Root tag is closed!", 1, 1));
    EXPECT_EQ(parseError("</root>"), wrapped(1, 8, "Root tag is closed!", 1, 1));
    EXPECT_EQ(parseError("<my-tag>"), wrapped(1, 5, "'=' expected!", 1, 1));
    EXPECT_EQ(parseError("<r>\n<a x=\"1\n2\"/></r>"),
              wrapped(2, 8, "You must close the value using \"", 1, 4));
    EXPECT_EQ(parseError("<r><a x='1"), wrapped(1, 11, "EOF", 1, 4));
    EXPECT_EQ(parseError("<?xml version=\"1.0\"? ><r></r>"),
              wrapped(1, 20, "Xml: Ill formed <?xml?> tag", 1, 1));
    EXPECT_EQ(parseError("<?xml version=\"1.0\">"),
              wrapped(1, 20, "Xml: Ill formed <?xml?> tag, forgot to close it using '?>'?", 1, 1));
}

TEST_F(XmlTest, TabsCountFourAndCarriageReturnsOnlyInsideComments) {
    // The leading tab puts '<' at column 5; the comment is empty.
    EXPECT_EQ(parseError("\t<r>\t<!---->"), wrapped(1, 17, "Xml: Ill formatted comment!", 1, 8));
    // Skipped white space: a carriage return moves nothing.
    EXPECT_EQ(parseError("<r>\r\n<a x=1 y>"), wrapped(2, 10, "'=' expected!", 1, 4));
    // Comment text: a carriage return counts one.
    EXPECT_EQ(parseError("<r><!--x\r--->"), wrapped(1, 12, "Xml: Ill formatted comment!", 1, 4));
}

TEST_F(XmlTest, DeclarationIsMergedAndCommentsAndDeclarationsAroundTheRootAreKept) {
    parse("<?xml version=\"1.0\"?>\n<!-- c -->\n<!DOCTYPE script>hello<?php a=\"1\"?>"
          "<?xml encoding='latin1' version=\"2\"?><script></script>\n<!--\tafter -->"
          "<!DOCTYPE x SYSTEM \"a b\"> <!-- last --> trailing <!-- dropped --><!-- <");
    EXPECT_EQ(parser.getName(), "script");
    EXPECT_EQ(parser.childCount(), 0);
    EXPECT_EQ(parser.declaration().getName(), "xml");
    EXPECT_EQ(parser.declaration().getTagType(), Xml::TT_QUESTION);
    ASSERT_EQ(parser.declaration().getAttributes().size(), 2u);
    EXPECT_EQ(parser.declaration().getAttribute("version"), "2");
    EXPECT_EQ(parser.declaration().getAttribute("encoding"), "latin1");
    EXPECT_EQ(written(), "<?xml version=\"2\" encoding=\"latin1\"?>\n\n<!-- c -->\n"
                         "<!DOCTYPE script>\n<?php a=\"1\"?>\n<script>\n</script>\n"
                         "<!--\tafter -->\n<!DOCTYPE x SYSTEM \"a b\">\n<!-- last -->\n");
    // Nothing after the root fails the document, not even what ends the kept items.
    parse("<a></a><!-- unfinished");
    EXPECT_EQ(written(), "<a>\n</a>\n");
}

TEST_F(XmlTest, AttributesKeepOrderAndTheLastValue) {
    expectWritten("<r><a x=1 y='2' z=\"3\"/><b x=\"1\" x=\"2\" /></r>",
                  "<r>\n\t<a x=\"1\" y=\"2\" z=\"3\"/>\n\t<b x=\"2\"/>\n</r>\n");
    const Xml::XmlNode* a = parser.child(0);
    EXPECT_TRUE(a->isClosed());
    EXPECT_EQ(a->getAttributes().size(), 3u);
    EXPECT_EQ(parser.child(1)->getAttributes().size(), 1u);

    // An empty name reads, so it must write. A repeat far into a long tag, or in one of many
    // declarations, is still found.
    expectWritten("<r><!\"v\" DOCTYPE x><a =\"1\" b=2 =3/></r>",
                  "<r>\n\t<!\"v\" DOCTYPE x>\n\t<a =\"3\" b=\"2\"/>\n</r>\n");
    std::string declarations, many = "<r><a";
    for (int i = 0; i < 100000; ++i) {
        many += " n" + std::to_string(i) + "=" + std::to_string(i);
        declarations += "<?xml n" + std::to_string(i % 20000) + "=" + std::to_string(i) + "?>";
    }
    parse(declarations + many + " n0=first n20=x/></r>");
    const XmlTag::Attributes& attributes = parser.child(0)->getAttributes();
    ASSERT_EQ(attributes.size(), 100000u);
    EXPECT_EQ(attributes[0].second + attributes[20].second, "firstx");
    EXPECT_EQ(attributes[54321], XmlTag::Attribute("n54321", "54321"));
    ASSERT_EQ(parser.declaration().getAttributes().size(), 20000u);
    EXPECT_EQ(parser.declaration().getAttributes()[123], XmlTag::Attribute("n123", "80123"));
}

TEST_F(XmlTest, TextKeepsTrailingWhiteSpaceAndWidensTabs) {
    parse("<r>  hello world  <b/>two\tthree\r\n</r>");
    ASSERT_EQ(parser.childCount(), 3);
    EXPECT_EQ(parser.child(0)->getTagType(), Xml::TT_TEXT);
    EXPECT_EQ(parser.child(0)->getName(), "!!!text");
    EXPECT_EQ(parser.child(0)->getAttribute("content"), "hello world  ");
    EXPECT_EQ(parser.child(2)->getAttribute("content"), "two    three\n");
    EXPECT_EQ(written(), "<r>\n\thello world\n\t<b/>\n\ttwo    three\n</r>\n");
}

TEST_F(XmlTest, EmptyElementAndEmptyPairAreTheSame) {
    expectWritten("<r><a></a><b><c/></b></r>", "<r>\n\t<a/>\n\t<b>\n\t\t<c/>\n\t</b>\n</r>\n");
    EXPECT_TRUE(parser.child(0)->isClosed());
    EXPECT_FALSE(parser.child(1)->isClosed());
}

TEST_F(XmlTest, OnlyAnEndTagOfTheOwnersNameEndsIt) {
    // <a/> and items the reader names like the element around them are children of it.
    expectWritten("<a><a/><b/></a>", "<a>\n\t<a/>\n\t<b/>\n</a>\n");
    expectWritten("<r><a><a x=\"1\"/><!--c--></a><r/></r>",
                  "<r>\n\t<a>\n\t\t<a x=\"1\"/>\n\t\t<!--c-->\n\t</a>\n\t<r/>\n</r>\n");
    expectWritten("<COMMENT><!--c--><?COMMENT?><b/></COMMENT>",
                  "<COMMENT>\n\t<!--c-->\n\t<?COMMENT?>\n\t<b/>\n</COMMENT>\n");
    // A trailing </r> after the root's end is never read.
    expectWritten("<r></r></r>garbage <<", "<r>\n</r>\n");
}

TEST_F(XmlTest, EndTagOfAnotherNameIsAClosedChild) {
    expectWritten("<r><a></b x=\"1\"></a></r>", "<r>\n\t<a>\n\t\t<b x=\"1\"/>\n\t</a>\n</r>\n");
    const Xml::XmlNode* b = parser.child(0)->child(0);
    EXPECT_TRUE(b->isClosed());
    EXPECT_EQ(b->getTagType(), Xml::TT_NORMAL);
}

TEST_F(XmlTest, CommentsMayHoldDoubleDashes) {
    expectWritten("<r><!-- a -- b\t\r\n--></r>", "<r>\n\t<!-- a -- b\t\r\n-->\n</r>\n");
    EXPECT_EQ(parser.child(0)->getName(), "COMMENT");
    EXPECT_EQ(parseError("<r><!-- a --->"), wrapped(1, 13, "Xml: Ill formatted comment!", 1, 4));
    EXPECT_EQ(parseError("<r><!-- a "), wrapped(1, 11, "EOF", 1, 4));
}

TEST_F(XmlTest, ExclamationDeclarationsStoreWordsAndValues) {
    expectWritten("<r><!DOCTYPE script><!A 'x y' B\"\"></r>",
                  "<r>\n\t<!DOCTYPE script>\n\t<!A \"x y\" B \"\">\n</r>\n");
    const XmlTag& doctype = *parser.child(0);
    EXPECT_EQ(doctype.getTagType(), Xml::TT_EXCLAIM);
    EXPECT_EQ(doctype.getName(), "SPECIAL_EXCLAIM");
    EXPECT_EQ(doctype.getAttribute("DOCTYPE"), "script");
}

TEST_F(XmlTest, ExclamationDeclarationWithAStrayByteIsRejected) {
    EXPECT_EQ(parseError("<r><!DOCTYPE x [ <!ELEMENT a> ]></r>"),
              wrapped(1, 16, "Xml: Unexpected '[' in a <!...> declaration", 1, 4));
    EXPECT_EQ(parseError("<!A=B><r></r>"),
              wrapped(1, 4, "Xml: Unexpected '=' in a <!...> declaration", 1, 1));
    EXPECT_EQ(parseError(std::string("<!A \x01><r></r>")),
              wrapped(1, 5, "Xml: Unexpected byte 0x01 in a <!...> declaration", 1, 1));
}

TEST_F(XmlTest, FaultLeavesThePartialTreeUntilClear) {
    parseError("<r><a/><b");
    EXPECT_EQ(parser.getName(), "r");
    EXPECT_EQ(parser.childCount(), 1);
    parser.clear();
    EXPECT_EQ(parser.childCount(), 0);
    parse("<r></r>");
    EXPECT_EQ(parser.getName(), "r");
}

TEST_F(XmlTest, DeepNestingNeedsNoRecursion) {
    std::string text;
    const int depth = 200000;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    text += "<b/>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    parse(text);
    std::string again = written("");
    EXPECT_EQ(again.size(), 9u * depth + 5u);
}
