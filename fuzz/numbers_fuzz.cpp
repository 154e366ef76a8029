// Fuzz target for number lists: parseNumberList on arbitrary text against
// the C library's own conversion, piece by piece. The text is split at
// commas; each piece is converted the way strtoul(piece, &end, 10) would on
// a 32-bit unsigned long (leading white space and a sign accepted, a minus
// wrapping modulo 2^32, a magnitude beyond 2^32 - 1 giving 4294967295
// whatever the sign), and the list ends at the first piece where no number
// starts. The library's strtoull and errno do the reading here; the 32-bit
// range is applied on top of the 64-bit result. Any difference aborts.
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "front/arguments.h"

namespace {

// The piece as strtoul with a 32-bit unsigned long converts it; false when
// no number starts in it. The piece is copied so the conversion stops at its
// end (an embedded NUL ends it early, as it would the library's reading).
bool convertLikeStrtoul(std::string_view piece, uint32_t& value) {
    const std::string text(piece);
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const unsigned long long read = std::strtoull(begin, &end, 10);
    if (end == begin) return false;
    if (errno == ERANGE) {  // beyond 64 bits, so beyond 32 bits as well
        value = UINT32_MAX;
        return true;
    }
    // strtoull has already negated a minus modulo 2^64; take the magnitude back.
    const char* sign = begin;
    while (std::isspace(static_cast<unsigned char>(*sign))) ++sign;
    const bool negative = *sign == '-';
    const unsigned long long magnitude = negative ? 0ull - read : read;
    if (magnitude > UINT32_MAX) value = UINT32_MAX;
    else value = negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(magnitude))
                          : static_cast<uint32_t>(magnitude);
    return true;
}

std::vector<uint32_t> expectedList(std::string_view text) {
    std::vector<uint32_t> numbers;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string_view piece =
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        uint32_t value;
        if (!convertLikeStrtoul(piece, value)) break;
        numbers.push_back(value);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return numbers;
}

std::string listText(const std::vector<uint32_t>& numbers) {
    std::string text;
    for (uint32_t n : numbers) text += std::to_string(n) + " ";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<uint32_t> numbers = parseNumberList(text);
    const std::vector<uint32_t> expected = expectedList(text);
    if (numbers != expected) {
        std::fprintf(stderr, "numbers_fuzz: parseNumberList gave [ %s], strtoul gives [ %s]\n",
                     listText(numbers).c_str(), listText(expected).c_str());
        std::abort();
    }
    return 0;
}
