// Loading and saving Intel HEX: a dense file of 1 MiB of data and a sparse
// one (1 MiB of address space, one 16-byte line in every 64). Reports MB/s
// of input text. Files are made once in a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"

using velmar::image::TFileLoader;
using velmar::image::THexList;

namespace {

const std::string& Folder() {
  static std::string folder = [] {
    const char* env = std::getenv("VELMAR_BENCH_DIR");
    std::string f = env ? env : (std::filesystem::temp_directory_path() / "velmar-bench").string();
    std::filesystem::create_directories(f);
    return f + "/";
  }();
  return folder;
}

// Makes dense.hex and sparse.hex (if missing) and returns the path.
std::string MakeFile(bool dense) {
  std::string path = Folder() + (dense ? "dense.hex" : "sparse.hex");
  if (std::filesystem::exists(path)) return path;
  THexList image(0x100000);
  std::mt19937 rng(7);
  for (std::uint32_t a = 0; a < image.Count(); ++a)
    if (dense || (a / 16) % 64 == 0) image.SetValue(a, std::uint8_t(rng() % 255));
  TFileLoader::SaveFile(path, image);
  return path;
}

void LoadAndSave(benchmark::State& state, bool dense) {
  std::string in = MakeFile(dense);
  std::string out = Folder() + (dense ? "dense-out.hex" : "sparse-out.hex");
  auto bytes = std::filesystem::file_size(in);
  THexList image(0x100000);
  for (auto _ : state) {
    if (TFileLoader::LoadFile(in, image).result != 0) state.SkipWithError("load failed");
    if (TFileLoader::SaveFile(out, image).Failed()) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

void Load(benchmark::State& state, bool dense) {
  std::string in = MakeFile(dense);
  auto bytes = std::filesystem::file_size(in);
  THexList image(0x100000);
  for (auto _ : state) benchmark::DoNotOptimize(TFileLoader::LoadFile(in, image));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

void BM_LoadSaveDense(benchmark::State& s) { LoadAndSave(s, true); }
void BM_LoadSaveSparse(benchmark::State& s) { LoadAndSave(s, false); }
void BM_LoadDense(benchmark::State& s) { Load(s, true); }
void BM_LoadSparse(benchmark::State& s) { Load(s, false); }

}  // namespace

BENCHMARK(BM_LoadSaveDense)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSaveSparse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDense)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSparse)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
