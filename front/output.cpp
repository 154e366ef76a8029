#include "front/output.h"

#include <cstdio>
#include <cstring>

const char* const ABOUT_LINE =
    "name=\"Pebblon\", version=\"0.6.4.2600\", build=\"Tamble\", "
    "variant=\"Renju\", author=\"Quillfen\", country=\"CZ\"";

void replyV(const GameContext&, const char* format, va_list args) {
    // One extra byte for the line feed, so text and line end go out in one
    // fwrite, which the library serialises against the other thread.
    char buffer[REPLY_BUFFER_SIZE + 1];
    int length = std::vsnprintf(buffer, REPLY_BUFFER_SIZE, format, args);
    if (length < 0) length = 0;
    if (length > REPLY_BUFFER_SIZE - 1) length = REPLY_BUFFER_SIZE - 1;
    buffer[length] = '\n';
    std::fwrite(buffer, 1, static_cast<size_t>(length) + 1, stdout);
    std::fflush(stdout);
}

void reply(const GameContext& context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    replyV(context, format, args);
    va_end(args);
}
