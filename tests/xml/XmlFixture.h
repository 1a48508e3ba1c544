#pragma once

#include "xml/XmlException.h"
#include "xml/XmlParser.h"

#include <gtest/gtest.h>

#include <string>

// The message of the fault that call raises, or a test failure when none is raised.
template <typename Call> std::string faultOf(Call call) {
    try {
        call();
    } catch (const Xml::XmlException& fault) {
        return fault.what();
    }
    ADD_FAILURE() << "no Xml::XmlException raised";
    return "";
}

// Parses a snippet into a fresh document; every reader test can then check the text written
// back, so it tests the writer as well.
class XmlTest : public ::testing::Test {
protected:
    void parse(const std::string& text) {
        parser.clear();
        parser.parse(text.data(), static_cast<int>(text.size()));
    }

    std::string written(const std::string& indent = "\t") const {
        std::string text;
        parser.write(text, indent);
        return text;
    }

    void expectWritten(const std::string& input, const std::string& expected) {
        parse(input);
        EXPECT_EQ(written(), expected) << "input: " << input;
    }

    // The message of the fault that parsing text raises.
    std::string parseError(const std::string& text) {
        parser.clear();
        return faultOf([&] { parser.parse(text.data(), static_cast<int>(text.size())); });
    }

    Xml::XmlParser parser;
};
