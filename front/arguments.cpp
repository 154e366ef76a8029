#include "front/arguments.h"

#include <cctype>

namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The number that starts a comma-separated piece: optional spaces, an
// optional sign, digits. The magnitude saturates at 2^32 - 1. False when no
// number starts in the piece.
struct PieceNumber {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;
    size_t end = 0;  // where the digits end in the piece
};

bool readPiece(std::string_view piece, PieceNumber& number) {
    size_t i = 0;
    while (i < piece.size() && isSpace(piece[i])) ++i;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        number.negative = piece[i] == '-';
        ++i;
    }
    if (i >= piece.size() || !isDigit(piece[i])) return false;
    for (; i < piece.size() && isDigit(piece[i]); ++i) {
        number.magnitude = number.magnitude * 10 + static_cast<uint64_t>(piece[i] - '0');
        if (number.magnitude > UINT32_MAX) {
            number.overflow = true;
            number.magnitude = UINT32_MAX;  // keep consuming digits without growing
        }
    }
    number.end = i;
    return true;
}

// One comma-separated piece converted like strtoul(piece, &end, 10) with a
// 32-bit unsigned long. False when no number starts in the piece.
bool convertPiece(std::string_view piece, uint32_t& value) {
    PieceNumber number;
    if (!readPiece(piece, number)) return false;
    if (number.overflow) value = UINT32_MAX;  // out of range saturates, whatever the sign
    else value = number.negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(number.magnitude))
                                 : static_cast<uint32_t>(number.magnitude);
    return true;
}

int64_t signedValue(const PieceNumber& number) {
    return number.negative ? -int64_t(number.magnitude) : int64_t(number.magnitude);
}

}  // namespace

void upperCase(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string trimSpaces(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin])) ++begin;
    while (end > begin && isSpace(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::vector<uint32_t> parseNumberList(std::string_view text) {
    std::vector<uint32_t> numbers;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        size_t end = comma == std::string_view::npos ? text.size() : comma;
        uint32_t value;
        if (!convertPiece(text.substr(start, end - start), value)) break;
        numbers.push_back(value);
        if (comma == std::string_view::npos) break;
        start = comma + 1;  // a trailing comma leaves start at the end: no piece
    }
    return numbers;
}

bool parseSignedNumber(std::string_view text, int64_t& value) {
    PieceNumber number;
    if (!readPiece(text.substr(0, text.find(',')), number)) return false;
    value = signedValue(number);
    return true;
}

bool parseWholeNumber(std::string_view text, int64_t& value) {
    PieceNumber number;
    // No leading space either: the number must be the text, all of it.
    if (text.empty() || isSpace(text[0]) || !readPiece(text, number) || number.end != text.size()) return false;
    value = signedValue(number);
    return true;
}
