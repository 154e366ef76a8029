// The protocol's line source: lines come from the context's input, and the
// end of that input hands control to the context's end-of-input action, with
// nothing of the interrupted command run after it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "front/game_context.h"
#include "front/line_reader.h"
#include "front/protocol.h"

namespace {

struct InputEnded {};
void throwInputEnded() { throw InputEnded{}; }

class LineSource : public ::testing::Test {
protected:
    void SetUp() override {
        context = std::make_unique<GameContext>();
        initGameContext(*context, START_BOARD_SIZE);
    }
    void TearDown() override {
        if (stream) std::fclose(stream);
    }
    // Points the context at these bytes; their end throws InputEnded.
    void feed(const std::string& bytes) {
        text = bytes;
        stream = fmemopen(text.data(), text.size(), "r");
        ASSERT_NE(stream, nullptr);
        context->input = stream;
        context->atEndOfInput = throwInputEnded;
    }
    std::unique_ptr<GameContext> context;
    std::string text;
    std::FILE* stream = nullptr;
};

TEST(ReadLine, DropsCarriageReturnsAndUpperCases) {
    const char input[] = "turn 7,7\r\nA\rB\r\n\n\rlast";
    std::FILE* stream = fmemopen(const_cast<char*>(input), sizeof input - 1, "r");
    ASSERT_NE(stream, nullptr);
    std::string line;
    ASSERT_TRUE(readLineFrom(stream, line));
    EXPECT_EQ(line, "TURN 7,7");
    ASSERT_TRUE(readLineFrom(stream, line));
    EXPECT_EQ(line, "AB");
    ASSERT_TRUE(readLineFrom(stream, line));
    EXPECT_EQ(line, "");
    // End of input in the middle of a line is the end, not a line.
    EXPECT_FALSE(readLineFrom(stream, line));
    std::fclose(stream);
}

TEST_F(LineSource, ContextStartsOnStandardInputAndExits) {
    EXPECT_EQ(context->input, stdin);
    EXPECT_EQ(context->atEndOfInput, exitAtEndOfInput);
}

TEST_F(LineSource, ReadsTheContextInputThenCallsTheEndAction) {
    feed("about\r\n\npart");
    EXPECT_EQ(readProtocolLine(*context), "ABOUT");
    EXPECT_EQ(readProtocolLine(*context), "");
    // A line cut off by the end of input is not delivered.
    EXPECT_THROW(readProtocolLine(*context), InputEnded);
}

TEST_F(LineSource, BlockCutOffKeepsWhatWasReadAndStartsNothing) {
    feed("3,4\n5,");
    ::testing::internal::CaptureStdout();
    EXPECT_THROW(dispatchCommand(*context, "YXBLOCK"), InputEnded);
    EXPECT_EQ(context->blockedCells, std::vector<uint32_t>{(3u << 5) | 4u});

    // BOARD would start a search after its block; with the block cut off
    // the search never starts.
    feed("");
    EXPECT_THROW(dispatchCommand(*context, "BOARD"), InputEnded);
    EXPECT_FALSE(context->searching.load());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

}  // namespace
