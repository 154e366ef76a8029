#include "search/shape_values.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const char* const SET_NAMES[SHAPE_SET_COUNT] = {"renju_black", "renju_white", "freestyle", "standard"};
const char* const VIEW_NAMES[2] = {"own", "other"};

// The text of the built-in values: the file is a raw string literal.
const char BUILT_IN_TEXT[] =
#include "search/shape_values.inc"
    ;

int indexOf(const char* const* names, int count, std::string_view name) {
    for (int i = 0; i < count; ++i)
        if (name == names[i]) return i;
    return -1;
}

}  // namespace

bool parseShapeValues(std::string_view text, ShapeValueTables& values, std::string& error) {
    static ShapeValueTables read;
    std::memset(read, 0, sizeof read);
    bool seen[SHAPE_SET_COUNT][2] = {};
    int lines = 0, number = 0;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string set, view;
        words >> set >> view;
        const int s = indexOf(SET_NAMES, SHAPE_SET_COUNT, set), v = indexOf(VIEW_NAMES, 2, view);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (s < 0 || v < 0) {
            error = where + "not a set (renju_black, renju_white, freestyle, standard) and a view (own, other)";
            return false;
        }
        if (seen[s][v]) {
            error = where + set + " " + view + " a second time";
            return false;
        }
        seen[s][v] = true;
        ShapeValue* row = read[s].of;
        uint32_t shape = 1;
        for (std::string word; words >> word; ++shape) {
            char* end = nullptr;
            const long value = std::strtol(word.c_str(), &end, 10);
            if (*end != '\0' || word.empty() || value < -32767 || value > 32767) {
                error = where + "'" + word + "' is not a whole number from -32767 to 32767";
                return false;
            }
            if (shape >= SHAPE_COUNT) {
                error = where + "more than " + std::to_string(SHAPE_COUNT - 1) + " values";
                return false;
            }
            (v == 0 ? row[shape].own : row[shape].other) = int16_t(value);
        }
        if (shape != SHAPE_COUNT) {
            error = where + std::to_string(shape - 1) + " values, not " + std::to_string(SHAPE_COUNT - 1);
            return false;
        }
        ++lines;
    }
    if (lines != 2 * int(SHAPE_SET_COUNT)) {
        error = std::to_string(lines) + " lines of values, not " + std::to_string(2 * SHAPE_SET_COUNT);
        return false;
    }
    std::memcpy(values, read, sizeof read);
    return true;
}

std::string formatShapeValues(const ShapeValueTables& values, std::string_view comment) {
    std::string text;
    std::istringstream lines{std::string(comment)};
    for (std::string line; std::getline(lines, line);) text += "# " + line + "\n";
    for (uint32_t s = 0; s < SHAPE_SET_COUNT; ++s)
        for (int v = 0; v < 2; ++v) {
            text += std::string(SET_NAMES[s]) + " " + VIEW_NAMES[v];
            for (uint32_t shape = 1; shape < SHAPE_COUNT; ++shape) {
                const ShapeValue value = values[s].of[shape];
                text += ' ';
                text += std::to_string(v == 0 ? value.own : value.other);
            }
            text += "\n";
        }
    return text;
}

bool useBuiltInShapeValues() {
    std::string error;
    if (parseShapeValues(BUILT_IN_TEXT, ShapeValueSets, error)) return true;
    std::memset(ShapeValueSets, 0, sizeof ShapeValueSets);
    return false;
}

bool someShapeValueSet() {
    for (const ShapeValues& set : ShapeValueSets)
        for (uint32_t shape = 0; shape < SHAPE_COUNT; ++shape)
            if (set.of[shape].own != 0 || set.of[shape].other != 0) return true;
    return false;
}

bool loadShapeValues(const char* path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = std::string("cannot read ") + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!parseShapeValues(text.str(), ShapeValueSets, error)) {
        error = std::string(path) + ", " + error;
        return false;
    }
    return true;
}
