// Build-time generator of the line-pattern tables that the program embeds.
//
// Usage: pebblon_tablegen OUTPUT_FILE
//
// Writes one binary file, raw little-endian arrays, one entry per window:
//   UpdateMaskTable                 4,194,304 x u32   (16 MiB)
//   PatternTable, renju, O black    4,194,304 x u64   (32 MiB)
//   PatternTable, renju, X black    4,194,304 x u64   (32 MiB)
//   PatternTable, freestyle         4,194,304 x u64   (32 MiB)
//   PatternTable, standard          4,194,304 x u64   (32 MiB)
// in the order of TableVariant. The update masks do not depend on the rule
// or on which colour is black, so one table serves every variant.
//
// Only about 400,000 windows can occur on a board (walls only as one run at
// either end, never on the centre); only those are computed. Every other
// window holds the no-pattern value 0x0101 (DirCode 1 for both colours, all
// else 0) and update mask 0.
//
// The file is written under a temporary name and renamed at the end, so an
// interrupted run never leaves a truncated table behind.
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "board/tables.h"
#include "tools/tablegen/pattern_rules.h"

constexpr size_t MASK_TABLE_BYTES = size_t(WINDOW_COUNT) * 4;
constexpr size_t PATTERN_TABLE_BYTES = size_t(WINDOW_COUNT) * 8;
constexpr size_t BLOB_BYTES = MASK_TABLE_BYTES + TABLE_VARIANT_COUNT * PATTERN_TABLE_BYTES;

static void storeLittleEndian(std::vector<unsigned char>& blob, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) blob[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
    return 2;
  }
  std::vector<unsigned char> blob(BLOB_BYTES);
  size_t possible = 0;
  for (uint32_t window = 0; window < WINDOW_COUNT; ++window) {
    const bool possibleWindow = isPossibleWindow(window);
    possible += possibleWindow;
    storeLittleEndian(blob, size_t(window) * 4, possibleWindow ? updateMask(window) : 0, 4);
    for (uint32_t v = 0; v < TABLE_VARIANT_COUNT; ++v) {
      const uint64_t entry = possibleWindow ? patternEntry(window, TableVariant(v)) : NO_PATTERN_SLOT;
      storeLittleEndian(blob, MASK_TABLE_BYTES + v * PATTERN_TABLE_BYTES + size_t(window) * 8, entry, 8);
    }
  }

  std::string output = argv[1];
  std::string partial = output + ".partial";
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    std::perror(partial.c_str());
    return 1;
  }
  bool written = std::fwrite(blob.data(), 1, blob.size(), file) == blob.size();
  written = std::fclose(file) == 0 && written;
  if (!written || std::rename(partial.c_str(), output.c_str()) != 0) {
    std::perror(output.c_str());
    std::remove(partial.c_str());
    return 1;
  }
  std::printf("pattern tables: %zu possible windows, %zu bytes written to %s\n", possible, blob.size(),
              output.c_str());
  return 0;
}
