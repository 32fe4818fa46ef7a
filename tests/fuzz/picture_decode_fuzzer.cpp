// Arbitrary bytes into the picture decoder: it must decode or refuse, and
// never crash, leak, read or write out of bounds, or take more memory than its
// bound allows.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "assets/png_loader.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {
// The largest texture side of Mesa's llvmpipe and of most desktop GPUs: the
// limit the show meets in practice.
constexpr uint32_t kMaxSide = 16384;

constexpr size_t kSignatureBytes = 8;
// Length, type and CRC around each chunk's data.
constexpr size_t kChunkOverhead = 12;
// One mutant in this many keeps the CRCs the mutation left, so that damaged
// files stay in the mix.
constexpr unsigned kKeepDamagedOneIn = 8;

uint32_t readBigEndian(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Rewrites the CRC of every whole chunk, so that mutations of chunk contents
// get past the CRC check into the decoder proper.
void repairCrcs(uint8_t* data, size_t size) {
  size_t at = kSignatureBytes;
  while (at + kChunkOverhead <= size) {
    const uint32_t length = readBigEndian(data + at);
    if (length > size - at - kChunkOverhead) break;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, data + at + 4, length + 4));
    uint8_t* out = data + at + 8 + length;
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += kChunkOverhead + length;
  }
}
}  // namespace

// libpng is not instrumented, so coverage alone rarely finds a mutant whose
// CRCs still match; most mutants are repaired here before they run.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if (seed % kKeepDamagedOneIn != 0) repairCrcs(data, size);
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Both row orders, chosen by the input so that a finding replays alike.
  pictureSetStandardOrientation(static_cast<int>(size & 1));
  DecodedPicture picture;
  if (!pictureDecode(data, size, kMaxSide, &picture)) {
    if (!picture.pixels.empty() || picture.width || picture.height) __builtin_trap();
    return 0;
  }
  const size_t expected = static_cast<size_t>(picture.width) * picture.height * picture.channels;
  if ((picture.channels != 3 && picture.channels != 4) || picture.pixels.size() != expected ||
      picture.width == 0 || picture.height == 0 || picture.width > kMaxSide ||
      picture.height > kMaxSide) {
    __builtin_trap();
  }
  return 0;
}
