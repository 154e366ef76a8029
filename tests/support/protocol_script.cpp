#include "support/protocol_script.h"

#include <regex>

bool isMoveReply(const std::string& line) { return std::regex_match(line, std::regex("[0-9]+,[0-9]+")); }

std::vector<std::string> readUntilReply(EngineProcess& engine, int timeoutMs) {
    return readLinesThrough(
        engine, [](const std::string& line) { return isMoveReply(line) || line == "SWAP"; }, timeoutMs);
}

void sendBlock(EngineProcess& engine, const std::string& command, const std::vector<std::string>& lines) {
    sendLine(engine, command);
    for (const std::string& line : lines) sendLine(engine, line);
    sendLine(engine, "DONE");
}

std::vector<std::string> stoneLines(const std::vector<std::string_view>& rows) {
    std::vector<std::string> lines;
    for (char who : {'x', 'o'})
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[y].size(); ++x)
                if (rows[y][x] == who)
                    lines.push_back(std::to_string(x) + "," + std::to_string(y) + (who == 'x' ? ",1" : ",2"));
    return lines;
}
