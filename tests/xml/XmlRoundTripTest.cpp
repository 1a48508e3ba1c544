#include "xml/XmlFixture.h"

#include <random>
#include <vector>

using Xml::XmlNode;
using Xml::XmlParser;
using Xml::XmlTag;

namespace {

const char* const WHITE_SPACE = " \t\n\r";

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(WHITE_SPACE);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(WHITE_SPACE) - first + 1);
}

// What a document must keep: kinds, names, attributes in order, comments, and text without
// its surrounding white space.
void describe(const XmlNode& node, std::string& out) {
    out += std::to_string(node.getTagType()) + "[";
    if (node.getTagType() == Xml::TT_TEXT)
        out += trimmed(node.getAttribute("content"));
    else
        out += node.getName();
    for (const XmlTag::Attribute& attribute : node.getAttributes()) {
        if (node.getTagType() != Xml::TT_TEXT)
            out += " " + attribute.first + "=" + attribute.second;
    }
    out += "](";
    for (int i = 0; i < node.childCount(); ++i)
        describe(*node.child(i), out);
    out += ")";
}

std::string describe(const XmlParser& document) {
    std::string out = document.declaration().getName();
    for (const XmlTag::Attribute& attribute : document.declaration().getAttributes())
        out += " " + attribute.first + "=" + attribute.second;
    describe(document, out);
    return out;
}

// Random trees of the grammar. Tame trees hold only what the writer must accept; wild ones
// also hold names, values, texts and placements that it has to refuse.
class TreeMaker {
public:
    TreeMaker(unsigned seed, bool wild) : random(seed), wild(wild) {}

    void make(XmlParser& document) {
        document.clear();
        document.setName(pick({"script", "demo", "effect"}, {"", "my-tag", "COMMENT"}));
        if (below(2) == 0) {
            document.declaration().setName("xml");
            document.declaration().setAttribute("version", value());
        }
        document.setClosed(false);
        fill(document.getChildren(), 0);
    }

private:
    int below(int count) { return static_cast<int>(random() % count); }

    std::string pick(std::vector<const char*> tame, std::vector<const char*> odd) {
        if (wild && below(8) == 0)
            return odd[below(static_cast<int>(odd.size()))];
        return tame[below(static_cast<int>(tame.size()))];
    }

    std::string word(const char* alphabet, int maxLength) {
        std::string text;
        std::string letters = alphabet;
        for (int length = below(maxLength + 1); length > 0; --length)
            text += letters[below(static_cast<int>(letters.size()))];
        return text;
    }

    std::string value() {
        std::string quote = below(2) ? "'" : "\"";
        return word(("ab 1.-/>=&!?" + quote + (wild ? "\"\n\t\r" : "")).c_str(), 8);
    }

    std::string textContent() {
        return word(wild ? " ab.\n-<\t" : " ab.\n->", 5) + "x" + word(wild ? " \n\ty" : " \ny", 3);
    }

    std::string commentContent() {
        std::string text = word(" ab<>!-\t\r\n", 8) + (wild ? word("-", 2) : "x");
        for (size_t at; !wild && (at = text.find("-->")) != std::string::npos;)
            text.erase(at, 1);
        return text;
    }

    XmlTag makeTag(bool afterText) {
        XmlTag tag;
        switch (below(12)) {
        case 0:
        case 1:
            if (afterText && !wild)
                break;
            tag.setName("!!!text");
            tag.setTagType(Xml::TT_TEXT);
            tag.setAttribute("content", textContent());
            return tag;
        case 2:
            tag.setName("COMMENT");
            tag.setTagType(Xml::TT_COMMENT);
            tag.setAttribute("content", commentContent());
            return tag;
        case 3:
            tag.setName("SPECIAL_EXCLAIM");
            tag.setTagType(Xml::TT_EXCLAIM);
            tag.setAttribute(pick({"DOCTYPE", "ENTITY"}, {""}), value());
            tag.setAttribute("x1", word("ab", 3));
            return tag;
        case 4:
            tag.setName(pick({"pi", "xml", ""}, {"effect", "p-i"}));
            tag.setTagType(Xml::TT_QUESTION);
            tag.setAttribute("v", value());
            return tag;
        default:
            break;
        }
        tag.setName(
            pick({"effect", "trigger", "spline", "key", "ns:x"}, {"", "my-tag", "COMMENT"}));
        for (int count = below(4); count > 0; --count)
            tag.setAttribute(pick({"name", "start", "end", "time", "value"}, {"", "a:b"}), value());
        return tag;
    }

    void fill(XmlParser::Iterator children, int depth) {
        bool afterText = false;
        for (int count = below(depth < 4 ? 5 : 1); count > 0; --count) {
            XmlTag tag = makeTag(afterText);
            afterText = tag.getTagType() == Xml::TT_TEXT;
            XmlParser::Iterator grandChildren = children.insert(tag);
            if (tag.getTagType() == Xml::TT_NORMAL || (wild && below(20) == 0))
                fill(grandChildren, depth + 1);
        }
    }

    std::mt19937 random;
    bool wild;
};

// Writes the tree, reads it back and writes again: either the writer refuses, or the tree
// survives and the second text equals the first. Returns the refusal, empty when written.
std::string refusalOrRoundTrip(const XmlParser& tree) {
    std::string first;
    try {
        tree.write(first, "\t");
    } catch (const Xml::XmlException& refusal) {
        return refusal.what();
    }
    XmlParser again;
    again.parse(first.data(), static_cast<int>(first.size()));
    EXPECT_EQ(describe(again), describe(tree)) << first;
    std::string second;
    again.write(second, "\t");
    EXPECT_EQ(second, first);
    return "";
}

} // namespace

TEST(XmlRoundTripTest, TameRandomTreesSurviveWritingAndReading) {
    TreeMaker maker(20240611u, false);
    XmlParser tree;
    for (int round = 0; round < 2000; ++round) {
        maker.make(tree);
        ASSERT_EQ(refusalOrRoundTrip(tree), "") << "round " << round;
    }
}

TEST(XmlRoundTripTest, WildRandomTreesAreRefusedOrSurvive) {
    TreeMaker maker(7u, true);
    XmlParser tree;
    int refused = 0;
    const int rounds = 2000;
    for (int round = 0; round < rounds; ++round) {
        maker.make(tree);
        refused += !refusalOrRoundTrip(tree).empty();
        if (::testing::Test::HasFailure())
            FAIL() << "round " << round;
    }
    // Both outcomes must really occur, or the property proved nothing.
    EXPECT_GT(refused, rounds / 10);
    EXPECT_LT(refused, rounds * 9 / 10);
}

TEST_F(XmlTest, SavedDocumentStopsChangingAfterTheFirstSave) {
    parse("<?xml version=\"1.0\"?>\n<demo>\n  <!-- window -->\n<window mode='full'/>"
          "\tsome\ttext  \r\n  <music file='a \"b\".ogg'></music>\n<archive/></demo>");
    std::string first = written();
    for (int save = 0; save < 3; ++save) {
        parse(first);
        EXPECT_EQ(written(), first);
    }
    EXPECT_EQ(first, "<?xml version=\"1.0\"?>\n\n<demo>\n\t<!-- window -->\n"
                     "\t<window mode=\"full\"/>\n\tsome    text\n"
                     "\t<music file='a \"b\".ogg'/>\n\t<archive/>\n</demo>\n");
}
