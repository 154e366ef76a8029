#include "front/line_reader.h"

#include <cstdlib>

#include "front/arguments.h"
#include "front/game_context.h"

bool readLineFrom(std::FILE* input, std::string& line) {
    line.clear();
    for (;;) {
        int byte = std::getc(input);
        if (byte == EOF) return false;
        if (byte == '\r') continue;
        if (byte == '\n') break;
        line.push_back(static_cast<char>(byte));
    }
    upperCase(line);
    return true;
}

std::string readProtocolLine(GameContext& context) {
    std::string line;
    if (!readLineFrom(context.input, line)) {
        context.atEndOfInput();
        std::exit(0);  // an end-of-input action must not return; if it does, the engine still ends
    }
    return line;
}
