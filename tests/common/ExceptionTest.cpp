#include "marquel/Exception.h"
#include "vorlik/Exception.h"
#include "vx/Exception.h"
#include "xml/XmlException.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

namespace {

template <typename E> class ExceptionTest : public ::testing::Test {};

template <typename E, size_t N> struct Case {
    using Type = E;
    static constexpr size_t capacity = N;
};

using Cases = ::testing::Types<Case<Marquel::Exception, 2048>, Case<Xml::XmlException, 2048>,
                               Case<Vx::Exception, 2048>, Case<Vorlik::Exception, 10000>>;
TYPED_TEST_SUITE(ExceptionTest, Cases);

TYPED_TEST(ExceptionTest, FormatsPrintfStyle) {
    typename TypeParam::Type e("[Marquel] Could not load '%s' (%d, %.2f)", "marquel.xml", 7, 1.5);
    EXPECT_STREQ("[Marquel] Could not load 'marquel.xml' (7, 1.50)", e.what());
}

TYPED_TEST(ExceptionTest, LongTextIsCutToTheBuffer) {
    std::string longText(TypeParam::capacity * 3, 'x');
    typename TypeParam::Type e("%s!", longText.c_str());
    EXPECT_EQ(TypeParam::capacity - 1, std::strlen(e.what()));
    EXPECT_EQ(std::string(TypeParam::capacity - 1, 'x'), e.what());
}

TYPED_TEST(ExceptionTest, IsCaughtAsStandardException) {
    try {
        throw typename TypeParam::Type("code %d", 42);
    } catch (const std::exception& e) {
        EXPECT_STREQ("code 42", e.what());
    }
}

// One library's catch never takes another library's exception.
TYPED_TEST(ExceptionTest, IsATypeOfItsOwn) {
    using E = typename TypeParam::Type;
    const int named = std::is_same_v<E, Marquel::Exception> + std::is_same_v<E, Xml::XmlException> +
                      std::is_same_v<E, Vx::Exception> + std::is_same_v<E, Vorlik::Exception>;
    EXPECT_EQ(1, named);
}

} // namespace
