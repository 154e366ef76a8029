// Fuzz target for number lists: parseNumberList on arbitrary text, checked
// against what its result may hold (never more numbers than pieces).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "front/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint32_t> numbers = parseNumberList(text);
    size_t pieces = 1;
    for (char c : text) pieces += c == ',';
    if (numbers.size() > pieces) std::abort();
    return 0;
}
