#include "front/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ParseNumberList, FollowsStrtoulPieceByPiece) {
    struct Case {
        std::string text;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"7,8", {7, 8}},
        {" 7 , 8 ", {7, 8}},
        {"\t7,\t8\t", {7, 8}},
        {"7,8,x,9", {7, 8}},
        {"a,1", {}},
        {"10,5,1", {10, 5, 1}},
        {"", {}},
        {",7", {}},
        {"7,,8", {7}},
        {"7,8,", {7, 8}},
        {"7x,8", {7, 8}},
        {"+7,-1", {7, 4294967295u}},
        {"-5", {4294967291u}},
        {"4294967295", {4294967295u}},
        {"4294967296", {4294967295u}},
        {"99999999999999999999999", {4294967295u}},
        {"-4294967296", {4294967295u}},
        {"- 5", {}},
        {"0007", {7}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseNumberList(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(TrimSpaces, RemovesWhiteSpaceAtBothEnds) {
    EXPECT_EQ(trimSpaces("  a b \t\n"), "a b");
    EXPECT_EQ(trimSpaces(" \t "), "");
    EXPECT_EQ(trimSpaces("x"), "x");
}

TEST(ParseWholeNumber, TakesASignedNumberThatIsTheWholeText) {
    struct Case {
        const char* text;
        bool taken;
        int64_t value;  // when taken
    };
    const Case cases[] = {
        {"12", true, 12},
        {"-7", true, -7},
        {"+7", true, 7},
        {"0", true, 0},
        {"99999999999", true, 4294967295},  // the magnitude saturates
        {"-99999999999", true, -4294967295},
        {"1-2", false, 0},
        {"--5", false, 0},
        {"-", false, 0},
        {"", false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"5 6", false, 0},
        {"1.5", false, 0},
        {"12X", false, 0},
        {"5,6", false, 0},
    };
    for (const Case& c : cases) {
        int64_t value = 123;
        EXPECT_EQ(parseWholeNumber(c.text, value), c.taken) << "\"" << c.text << "\"";
        EXPECT_EQ(value, c.taken ? c.value : 123) << "\"" << c.text << "\"";
    }
}

}  // namespace
