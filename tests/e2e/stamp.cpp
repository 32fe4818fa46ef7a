// Stamps what arrives on standard input with the monotonic clock, for the
// end-to-end tests that compare the show's clock with the sound a server
// plays.
//
//   stamp --lines OUT          each line, as "ms text"
//   stamp --bytes OUT STAMPS   the bytes as they come into OUT, and after each
//                              read "ms total-bytes" into STAMPS
//
// ms is CLOCK_MONOTONIC in milliseconds with three decimals; every reader on
// the machine shares it.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {
double nowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

int stampLines(const char* outPath) {
  std::FILE* out = std::fopen(outPath, "w");
  if (!out) return 1;
  char line[4096];
  while (std::fgets(line, sizeof line, stdin)) {
    std::fprintf(out, "%.3f %s", nowMs(), line);
    std::fflush(out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

int stampBytes(const char* outPath, const char* stampsPath) {
  std::FILE* out = std::fopen(outPath, "wb");
  std::FILE* stamps = std::fopen(stampsPath, "w");
  if (!out || !stamps) return 1;
  char buffer[4096];
  unsigned long long total = 0;
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) break;
    const double at = nowMs();
    std::fwrite(buffer, 1, static_cast<size_t>(n), out);
    total += static_cast<unsigned long long>(n);
    std::fprintf(stamps, "%.3f %llu\n", at, total);
  }
  return std::fclose(out) == 0 && std::fclose(stamps) == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--lines") == 0) return stampLines(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--bytes") == 0) return stampBytes(argv[2], argv[3]);
  std::fprintf(stderr, "usage: stamp --lines OUT | --bytes OUT STAMPS\n");
  return 2;
}
