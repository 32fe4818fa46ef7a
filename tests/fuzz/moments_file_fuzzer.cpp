// The moments file's reader on any bytes: it never crashes, hangs or throws,
// a refusal always says where and why, and a table it takes is written and
// read back to the same table.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "timeline/moments_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MomentTable table;
  MomentsFileError error;
  if (!parseMoments(reinterpret_cast<const char*>(data), size, &table, &error)) {
    if (error.reason[0] == '\0' || error.line < 0 || error.column < 0) std::abort();
    return 0;
  }
  const std::string text = momentsText(table);
  MomentTable again;
  if (!parseMoments(text.data(), text.size(), &again, &error) || !(again == table)) std::abort();
  return 0;
}
