#include "xml/XmlFixture.h"

#include <sstream>

using Xml::XmlParser;
using Xml::XmlTag;

namespace {

XmlTag textTag(const std::string& content) {
    XmlTag tag("!!!text");
    tag.setTagType(Xml::TT_TEXT);
    tag.setAttribute("content", content);
    return tag;
}

XmlTag commentTag(const std::string& content) {
    XmlTag tag("COMMENT");
    tag.setTagType(Xml::TT_COMMENT);
    tag.setAttribute("content", content);
    return tag;
}

} // namespace

TEST_F(XmlTest, DocumentWithDeclarationIsFiveLines) {
    parser.setName("script");
    parser.declaration().setName("xml");
    parser.declaration().setAttribute("version", "1.0");
    XmlTag effect("effect");
    effect.setAttribute("name", "intro");
    effect.setAttribute("start", 1.5);
    parser.getChildren().insert(effect);
    std::ostringstream stream;
    parser.write(stream, "\t");
    EXPECT_EQ(stream.str(), "<?xml version=\"1.0\"?>\n\n<script>\n"
                            "\t<effect name=\"intro\" start=\"1.5\"/>\n</script>\n");
}

TEST_F(XmlTest, NamedRootAloneWritesItsTwoLines) {
    parser.setName("script");
    EXPECT_EQ(written(), "<script>\n</script>\n");
}

TEST_F(XmlTest, TextIsWrittenBareAtItsDepth) {
    parser.setName("r");
    XmlParser::Iterator it = parser.getChildren();
    it.insert(commentTag(" note "));
    it.insert(XmlTag("a")).insert(textTag("  two words \n"));
    EXPECT_EQ(written("  "), "<r>\n  <!-- note -->\n  <a>\n    two words\n  </a>\n</r>\n");
}

TEST_F(XmlTest, ValueWithADoubleQuoteGoesBetweenSingleQuotes) {
    expectWritten("<r><a v='say \"hi\"' w=\"it's\"/></r>",
                  "<r>\n\t<a v='say \"hi\"' w=\"it's\"/>\n</r>\n");
}

TEST_F(XmlTest, UnreadableValuesAreRefusedAndNothingIsWritten) {
    parse("<r><a/><b/></r>");
    std::string text = "before";
    std::ostringstream stream;
    struct Case {
        const char* value;
        const char* problem;
    };
    for (Case bad :
         {Case{"both ' and \"", "both kinds of quotes"}, Case{"two\nlines", "a line feed"},
          Case{"a\ttab", "a tab"}, Case{"a\rreturn", "a carriage return"}}) {
        parser.child(1)->setAttribute("v", bad.value);
        std::string message = faultOf([&] { parser.write(text, "\t"); });
        EXPECT_EQ(message, std::string("XmlTag::write; The value of 'v' in 'b' holds ") +
                               bad.problem + " and would not read back!");
        faultOf([&] { parser.write(stream, "\t"); });
    }
    EXPECT_EQ(text, "before");
    EXPECT_EQ(stream.str(), "");
}

TEST_F(XmlTest, NamesTheReaderWouldNotReadAreRefused) {
    parser.setName("r");
    XmlTag element("my-tag");
    parser.getChildren().insert(element);
    EXPECT_EQ(faultOf([&] { written(); }),
              "XmlTag::write; Element name 'my-tag' is not letters, digits and colons!");
    parser.child(0)->setName("");
    EXPECT_EQ(faultOf([&] { written(); }),
              "XmlTag::write; Element name '' is not letters, digits and colons!");
    parser.child(0)->setName("ns:tag");
    parser.child(0)->setAttribute("a:b", "1");
    EXPECT_EQ(faultOf([&] { written(); }),
              "XmlTag::write; Attribute name 'a:b' in 'ns:tag' is not letters and digits!");
    XmlParser empty;
    EXPECT_EQ(faultOf([&] {
                  std::string text;
                  empty.write(text, "\t");
              }),
              "XmlParser::write; There is no root element to write!");
    EXPECT_EQ(faultOf([&] { written("-"); }),
              "XmlParser::write; The indent '-' is not white space only!");
}

TEST_F(XmlTest, TextsAndCommentsThatWouldReadBackDifferentlyAreRefused) {
    const char* const badText = "XmlTag::write; Text holding '<', a tab or a carriage return "
                                "would not read back!";
    const char* const badComment = "XmlTag::write; A comment that is empty, ends with '-' or "
                                   "holds '-->' would not read back!";
    struct Case {
        XmlTag tag;
        const char* message;
    };
    for (const Case& bad : {Case{textTag("a < b"), badText}, Case{textTag("a\tb"), badText},
                            Case{textTag(" \n "), "XmlTag::write; Text of white space only would "
                                                  "not read back!"},
                            Case{commentTag(""), badComment}, Case{commentTag("a-"), badComment},
                            Case{commentTag("a-->b"), badComment}}) {
        parser.clear();
        parser.setName("r");
        parser.getChildren().insert(bad.tag);
        EXPECT_EQ(faultOf([&] { written(); }), bad.message);
    }
}

TEST_F(XmlTest, ItemsTheReaderWouldPlaceDifferentlyAreRefused) {
    parser.setName("r");
    XmlParser::Iterator it = parser.getChildren();
    it.insert(textTag("one"));
    it.insert(textTag("two"));
    EXPECT_EQ(faultOf([&] { written(); }),
              "XmlParser::write; Two texts in a row in 'r' would read back as one!");
    parser.clear();
    parser.setName("r");
    parser.getChildren().insert(commentTag("x")).insert(XmlTag("inside"));
    EXPECT_EQ(faultOf([&] { written(); }),
              "XmlParser::write; The COMMENT item in 'r' can't hold children!");
    parser.child(0)->setTagType(static_cast<Xml::TagType>(9));
    EXPECT_EQ(faultOf([&] {
                  std::ostringstream stream;
                  parser.child(0)->write(stream, true);
              }),
              "XmlTag::write; Unknown tagtype!");
}

TEST_F(XmlTest, ChildOfTheOwnersNameKeepsItsPlace) {
    parser.setName("effect");
    parser.getChildren().insert(XmlTag("effect")).insert(XmlTag("effect"));
    EXPECT_EQ(written(), "<effect>\n\t<effect>\n\t\t<effect/>\n\t</effect>\n</effect>\n");
    std::string text = written();
    parse(text);
    EXPECT_EQ(parser.childCount(), 1);
    EXPECT_EQ(parser.child(0)->childCount(), 1);
    EXPECT_EQ(written(), text);
}

TEST_F(XmlTest, ClosedFlagNeverHidesChildren) {
    parse("<r><a><b/></a></r>");
    parser.child(0)->setClosed(true);
    EXPECT_EQ(written(), "<r>\n\t<a>\n\t\t<b/>\n\t</a>\n</r>\n");
}

TEST_F(XmlTest, IteratorWritesItsTagAsOneLine) {
    parse("<r><a x=\"1\"/></r>");
    Xml::IteratorConst it = static_cast<const XmlParser&>(parser).getChildren();
    ASSERT_TRUE(++it);
    std::ostringstream stream;
    it.write(stream);
    EXPECT_EQ(stream.str(), "<a x=\"1\"/>\n");
}
