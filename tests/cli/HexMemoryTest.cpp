// The peak memory of whole `velmar-cli hex convert` runs, as the system
// counts it for the child process: 16 MiB of data in at most 48 MB (the
// image, the read and write buffers and the program; never the whole text),
// and a small file in a 256 MiB image (`--size`) costing no more than the
// file. Memory is steady enough to test; timing is left to
// scripts/bench.sh hex.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

void PutByte(std::string& s, unsigned b) {
  static const char* digits = "0123456789ABCDEF";
  s += digits[(b >> 4) & 0xF];
  s += digits[b & 0xF];
}

// Writes `bytes` (a multiple of 64 KiB) of seeded bytes (never 0xFF) to
// `path` as Intel HEX laid out exactly as Velmar writes it: 16-byte lines,
// an extended linear address record at every 64 KiB, CR LF. Converting it
// must give the same text back. The text goes out a line at a time: a
// forked child's peak memory counts what its parent held at the fork, so
// the test must never hold the 47 MB text itself.
void WriteIntelHexFile(const std::string& path, std::uint32_t bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::string s;
  std::uint32_t seed = 12345;
  for (std::uint32_t at = 0; at < bytes; at += 16) {
    s.clear();
    if (at % 0x10000 == 0 && bytes > 0x10000) {
      const unsigned upper = at >> 16;
      s += ":02000004";
      PutByte(s, upper >> 8);
      PutByte(s, upper & 0xFF);
      PutByte(s, (0x100 - ((6 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF);
      s += "\r\n";
    }
    unsigned sum = 16 + ((at >> 8) & 0xFF) + (at & 0xFF);
    s += ":10";
    PutByte(s, (at >> 8) & 0xFF);
    PutByte(s, at & 0xFF);
    s += "00";
    for (int k = 0; k < 16; ++k) {
      seed = seed * 1103515245u + 12345u;
      const unsigned b = (seed >> 16) % 0xFF;
      sum += b;
      PutByte(s, b);
    }
    PutByte(s, (0x100 - (sum & 0xFF)) & 0xFF);
    s += "\r\n";
    std::fwrite(s.data(), 1, s.size(), file);
  }
  std::fputs(":00000001FF\r\n", file);
  ASSERT_EQ(std::fclose(file), 0) << path;
}

// Whether two files hold the same bytes, read a block at a time.
bool SameContents(const std::string& a, const std::string& b) {
  std::FILE* fa = std::fopen(a.c_str(), "rb");
  std::FILE* fb = std::fopen(b.c_str(), "rb");
  bool same = fa && fb;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  while (same) {
    const std::size_t na = std::fread(ba.data(), 1, ba.size(), fa);
    const std::size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
    same = na == nb && std::equal(ba.begin(), ba.begin() + long(na), bb.begin());
    if (na == 0) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

TEST(HexMemory, ConversionsPeakBelowTheirLimits) {
#ifdef _WIN32
  GTEST_SKIP() << "the child's peak memory is read through POSIX wait4";
#else
  if (kSanitized) GTEST_SKIP() << "the sanitizers' shadow memory is no measure of the program's";
  const struct {
    std::uint32_t bytes;
    std::string size;  // --size, "" for none
    double mostMegabytes;
  } cases[] = {
      {16u << 20, "", 48.0}, {1u << 20, "268435456", 16.0},  // the image's size bounds the addresses, it costs nothing
  };
  for (const auto& c : cases) {
    velmar::test::TempDir dir;
    const std::string in = dir.File("in.hex"), out = dir.File("out.hex");
    WriteIntelHexFile(in, c.bytes);
    const std::string program = velmar::test::CliProgram();
    std::vector<const char*> argv = {program.c_str(), "hex", "convert", in.c_str(), out.c_str()};
    if (!c.size.empty()) argv.insert(argv.end(), {"--size", c.size.c_str()});
    argv.push_back(nullptr);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      execv(program.c_str(), const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const double megabytes = double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    EXPECT_LE(megabytes, c.mostMegabytes) << c.bytes << " bytes, --size " << c.size;
    EXPECT_TRUE(SameContents(in, out)) << "the converted text differs from the file read";
  }
#endif
}

}  // namespace
