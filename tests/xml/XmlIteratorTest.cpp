#include "xml/XmlFixture.h"

#include <vector>

using Xml::IteratorConst;
using Xml::XmlNode;
using Xml::XmlParser;
using Xml::XmlTag;

namespace {

const char* const BEFORE_FIRST =
    "XmlParser::Iterator::operator->; Can't access before first element, try operator++ first!";
const char* const AFTER_LAST = "XmlParser::Iterator::operator->; Can't access after last "
                               "element, no Tags matching searchCriteria?";

std::vector<std::string> namesOf(const XmlNode& node) {
    std::vector<std::string> names;
    IteratorConst it = node.getChildren();
    while (++it)
        names.push_back(it->getName() + it->getAttribute("n"));
    return names;
}

} // namespace

TEST_F(XmlTest, StepAfterTheEndFails) {
    parse("<r></r>");
    IteratorConst it = static_cast<const XmlParser&>(parser).getChildren();
    EXPECT_FALSE(++it);
    EXPECT_EQ(faultOf([&] { ++it; }), "IteratorConst::operator++; Called after last tag!");
    XmlParser::Iterator mutableIt = parser.getChildren("x");
    EXPECT_FALSE(++mutableIt);
    EXPECT_EQ(faultOf([&] { ++mutableIt; }), "IteratorConst::operator++; Called after last tag!");
}

TEST_F(XmlTest, SearchPicksDirectChildrenOfOneName) {
    parse("<r><!--c--><effect n='1'><effect n='3'></effect></effect>text<effect n='2'/><b/></r>");
    std::vector<std::string> found;
    XmlParser::Iterator it = parser.getChildren("effect");
    while (++it)
        found.push_back(it->getAttribute("n"));
    EXPECT_EQ(found, (std::vector<std::string>{"1", "2"}));
    XmlParser::Iterator deeper = parser.getChildren("effect");
    ASSERT_TRUE(++deeper);
    XmlParser::Iterator grandChild = deeper.getChildren("effect");
    ASSERT_TRUE(++grandChild);
    EXPECT_EQ(grandChild->getAttribute("n"), "3");
    EXPECT_EQ(grandChild.getParent(), parser.child(1));
}

TEST_F(XmlTest, AccessOutsideTheChildrenFailsWithTheKindsMessage) {
    parse("<r><a/></r>");
    XmlParser::Iterator it = parser.getChildren();
    EXPECT_EQ(faultOf([&] { it->getName(); }), BEFORE_FIRST);
    EXPECT_EQ(faultOf([&] { it.getChildren(); }), BEFORE_FIRST);
    ASSERT_TRUE(++it);
    EXPECT_FALSE(++it);
    EXPECT_EQ(faultOf([&] { it->getName(); }), AFTER_LAST);
    EXPECT_EQ(faultOf([&] { it.getChildren(); }), AFTER_LAST);

    IteratorConst constIt = static_cast<const XmlParser&>(parser).getChildren();
    EXPECT_EQ(faultOf([&] { constIt->getName(); }),
              "IteratorConst::operator->; Can't access before first element!");
    ASSERT_TRUE(++constIt);
    EXPECT_FALSE(++constIt);
    EXPECT_EQ(faultOf([&] { constIt.getChildren(); }),
              "IteratorConst::operator->; Can't access after last element!");
}

TEST_F(XmlTest, IteratorStandingOnARemovedPositionCannotReachOutside) {
    parse("<r><a/><b/></r>");
    XmlParser::Iterator it = parser.getChildren("b");
    ASSERT_TRUE(++it);
    delete parser.child(1); // a node's destructor takes it out of its parent
    EXPECT_EQ(parser.childCount(), 1);
    EXPECT_EQ(faultOf([&] { it->getName(); }), AFTER_LAST);
}

TEST_F(XmlTest, InsertPlacesAfterTheCurrentPosition) {
    parser.setName("r");
    XmlParser::Iterator it = parser.getChildren();
    for (const char* name : {"a", "b", "c"})
        it.insert(XmlTag(name));
    EXPECT_EQ(namesOf(parser), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(parser.isClosed());

    XmlParser::Iterator second = parser.getChildren("b");
    ASSERT_TRUE(++second);
    second.insert(XmlTag("x"));
    EXPECT_EQ(second->getName(), "x");
    EXPECT_EQ(namesOf(parser), (std::vector<std::string>{"a", "b", "x", "c"}));

    // Find-or-insert: an iterator still before its first step inserts at the front.
    XmlParser::Iterator front = parser.getChildren("time");
    EXPECT_FALSE(++front);
    XmlParser::Iterator all = parser.getChildren();
    XmlTag time("time");
    time.setAttribute("start", "1.50");
    all.insert(time);
    EXPECT_EQ(namesOf(parser), (std::vector<std::string>{"time", "a", "b", "x", "c"}));

    // After the end an insert appends.
    XmlParser::Iterator end = parser.getChildren();
    while (++end) {
    }
    end.insert(XmlTag("z"));
    EXPECT_EQ(namesOf(parser).back(), "z");
}

TEST_F(XmlTest, InsertReturnsAnIteratorForGrandchildren) {
    parser.setName("script");
    XmlParser::Iterator effects = parser.getChildren();
    XmlParser::Iterator inner = effects.insert(XmlTag("effect"));
    EXPECT_TRUE(effects->isClosed());
    inner.insert(XmlTag("trigger")).insert(XmlTag("key"));
    inner.insert(XmlTag("spline"));
    EXPECT_FALSE(effects->isClosed());
    EXPECT_EQ(inner.getParent(), parser.child(0));
    EXPECT_EQ(written(), "<script>\n\t<effect>\n\t\t<trigger>\n\t\t\t<key/>\n\t\t</trigger>\n"
                         "\t\t<spline/>\n\t</effect>\n</script>\n");
}

TEST_F(XmlTest, NodesDetachAndClear) {
    parse("<r><a/><b><c/></b></r>");
    XmlNode* b = parser.child(1);
    EXPECT_EQ(parser.detachChild(b), 1);
    EXPECT_EQ(b->getParent(), nullptr);
    EXPECT_FALSE(parser.isClosed()); // detaching a child leaves the flag alone
    EXPECT_EQ(faultOf([&] { parser.detachChild(b); }).rfind("detachChild(0x", 0), 0u);
    EXPECT_NE(faultOf([&] { parser.detachChild(b); }).find("No such child in 'r'"),
              std::string::npos);
    XmlNode* c = b->child(0);
    c->clear(); // clearing a child also detaches it
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_FALSE(b->isClosed()) << "losing its last child leaves the flag alone too";
    EXPECT_EQ(c->getName(), "");
    delete c;
    delete b;
    EXPECT_EQ(faultOf([&] { parser.child(1); }), "XmlNode::child(1); No such child in 'r'");
    EXPECT_EQ(faultOf([&] { parser.insertChild(XmlTag("x"), 3); }),
              "XmlNode::insertChild(3); 'r' has 1 children");
}

TEST_F(XmlTest, LongNamesAreCutInMessages) {
    XmlNode owner(XmlTag(std::string(5000, 'n')));
    XmlNode stranger;
    std::string message = faultOf([&] { owner.detachChild(&stranger); });
    EXPECT_EQ(message.size(), 2047u);
}

TEST(XmlTagTest, TypedAttributes) {
    XmlTag tag("t");
    tag.setAttribute("i", -42);
    tag.setAttribute("f", static_cast<double>(0.1f));
    tag.setAttribute("s", "x");
    tag.setAttribute("i", 7);
    EXPECT_EQ(tag.getAttribute("i"), "7");
    EXPECT_EQ(tag.getAttribute("f"), "0.1000000014901161193847656");
    EXPECT_EQ(tag.getAttributes().front().first, "i");
    tag.setAttribute("hex", "0x1F");
    tag.setAttribute("octal", "010");
    tag.setAttribute("word", "abc");
    EXPECT_EQ(tag.getIntAttribute("hex"), 31);
    EXPECT_EQ(tag.getIntAttribute("octal"), 8);
    EXPECT_EQ(tag.getIntAttribute("word"), 0);
    EXPECT_EQ(tag.getIntAttribute("missing"), 0);
    EXPECT_EQ(&tag.getAttribute("missing"), &XmlTag().getAttribute("other"));
}
