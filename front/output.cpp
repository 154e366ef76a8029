#include "front/output.h"

#include <cstdio>
#include <cstring>

#include "board/position.h"
#include "front/game_context.h"
#include "platform/platform.h"

const char* const ABOUT_LINE =
    "name=\"Pebblon\", version=\"0.6.4.2600\", build=\"Tamble\", "
    "variant=\"Renju\", author=\"Quillfen\", country=\"CZ\"";

namespace {

void writeLine(const char* format, va_list args) {
    // Room for the line end after the text, so text and line end go out in
    // one fwrite, which the library serialises against the other thread.
    char buffer[REPLY_BUFFER_SIZE - 1 + LINE_END_CAPACITY];
    int length = std::vsnprintf(buffer, REPLY_BUFFER_SIZE, format, args);
    if (length < 0) length = 0;
    if (length > REPLY_BUFFER_SIZE - 1) length = REPLY_BUFFER_SIZE - 1;
    std::memcpy(buffer + length, LINE_END, LINE_END_LENGTH);
    std::fwrite(buffer, 1, static_cast<size_t>(length) + LINE_END_LENGTH, stdout);
    std::fflush(stdout);
}

}  // namespace

void replyV(const GameContext&, const char* format, va_list args) { writeLine(format, args); }

void sayWithoutGame(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(format, args);
    va_end(args);
}

void reply(const GameContext& context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    replyV(context, format, args);
    va_end(args);
}

void printBoardDump(const GameContext& context, const char* title) {
    const Position& pos = context.position;
    reply(context, "DEBUG Board %s, hash %llX", title, static_cast<unsigned long long>(pos.current->key));
    reply(context, "DEBUG Dim %u, Ply %u", pos.boardSize, pos.stoneCount);
    // The headers always show all twenty columns, whatever the board size.
    reply(context, "DEBUG         %s", "a b c d e f g h i j k l m n o p q r s t");
    reply(context, "DEBUG         %s", "0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9");
    for (uint32_t y = 0; y < pos.boardSize; ++y) {
        char row[2 * 20 + 1];
        for (uint32_t x = 0; x < pos.boardSize; ++x) {
            uint32_t content = pos.cells[x * 32 + y];
            const char* text = content == COLOUR_X ? " X" : content == COLOUR_O ? " O" : content == 0 ? " ." : "||";
            std::memcpy(row + 2 * x, text, 2);
        }
        row[2 * pos.boardSize] = '\0';
        reply(context, "DEBUG Row %2u %s", y, row);
    }
}
