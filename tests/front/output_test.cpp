#include "front/output.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "front/game_context.h"

namespace {

std::string captured(const std::function<void()>& body) {
    ::testing::internal::CaptureStdout();
    body();
    return ::testing::internal::GetCapturedStdout();
}

TEST(Reply, WritesOneFormattedLine) {
    auto context = std::make_unique<GameContext>();
    EXPECT_EQ(captured([&] { reply(*context, "%d,%d", 7, 12); }), "7,12\n");
    EXPECT_EQ(captured([&] { reply(*context, "OK"); }), "OK\n");
}

TEST(Reply, CutsOverlongTextToTheBuffer) {
    auto context = std::make_unique<GameContext>();
    std::string longText(20000, 'a');
    std::string out = captured([&] { reply(*context, "MESSAGE %s", longText.c_str()); });
    ASSERT_EQ(out.size(), static_cast<size_t>(REPLY_BUFFER_SIZE));  // 10,239 text bytes and the line feed
    EXPECT_EQ(out.substr(0, 8), "MESSAGE ");
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find('\n'), out.size() - 1);
}

TEST(Reply, AboutLineHasTheSixFieldsInOrder) {
    EXPECT_STREQ(ABOUT_LINE,
                 "name=\"Pebblon\", version=\"0.6.4.2600\", build=\"Tamble\", variant=\"Renju\", "
                 "author=\"Quillfen\", country=\"CZ\"");
}

}  // namespace
