// Reading a driver's extension text: a name counts only where it ends at a space or at the
// end of the text.

#include "vorlik/Extensions.h"

#include <gtest/gtest.h>

namespace {

const char* const NPOT = "ARB_texture_non_power_of_two";

TEST(ExtensionTest, NameMustEndAtASpaceOrTheEnd) {
    EXPECT_TRUE(Vorlik::extensionListed("GL_ARB_texture_non_power_of_two", NPOT));
    EXPECT_TRUE(Vorlik::extensionListed("GL_A GL_ARB_texture_non_power_of_two GL_B", NPOT));
    EXPECT_FALSE(Vorlik::extensionListed("GL_ARB_texture_non_power_of_two_foo GL_X", NPOT));
    EXPECT_FALSE(Vorlik::extensionListed("GL_ARB_texture_non_power_of_two\tGL_X", NPOT));
}

TEST(ExtensionTest, SearchGoesOnPastALongerName) {
    EXPECT_TRUE(Vorlik::extensionListed(
        "GL_ARB_texture_non_power_of_two_foo GL_ARB_texture_non_power_of_two", NPOT));
    // The second occurrence follows right after the skipped one.
    EXPECT_TRUE(Vorlik::extensionListed("GL_abab", "ab"));
    EXPECT_FALSE(Vorlik::extensionListed("GL_ababx GL_abx", "ab"));
    // The search goes on after the whole skipped occurrence, so one that overlaps its tail
    // is not seen.
    EXPECT_FALSE(Vorlik::extensionListed("GL_aaa", "aa"));
    EXPECT_TRUE(Vorlik::extensionListed("GL_aaaa", "aa"));
}

TEST(ExtensionTest, EmptyTextsMatchNothing) {
    EXPECT_FALSE(Vorlik::extensionListed("", NPOT));
    EXPECT_FALSE(Vorlik::extensionListed(nullptr, NPOT));
    EXPECT_FALSE(Vorlik::extensionListed("GL_A GL_B", ""));
}

} // namespace
