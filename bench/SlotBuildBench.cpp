// Building the largest slots end to end, from the user's HEX file to the
// slot image: the family builder with its intermediate files, the header
// builder and the slot image assembly. Two cases: a PIC18F with 128 KiB of
// program memory full of code (with ID, configuration and 1 KiB of EEPROM
// records) on the portable programmer, and a PIC24 FJ part whose 87,552
// instructions fill 256 KiB of packed code on the 8-way programmer. Input
// files are made once in a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "image/HeaderBuilders.h"
#include "image/SlotAssembly.h"
#include "image/TFileLoader.h"
#include "operations/DialogBuildQuestions.h"
#include "operations/SlotBuild.h"
#include "platform/AtomicFile.h"
#include "platform/ScriptedDialogs.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

using namespace velmar;
using image::THexList;

namespace {

const std::string& Folder() {
  static std::string folder = [] {
    const char* env = std::getenv("VELMAR_BENCH_DIR");
    std::string f = env ? env : (std::filesystem::temp_directory_path() / "velmar-slot-bench").string();
    std::filesystem::create_directories(f);
    return f + "/";
  }();
  return folder;
}

// The Intel HEX text of an image without its end record.
std::string Records(const THexList& image) {
  std::string t = image::TFileLoader::IntelHexText(image);
  return t.substr(0, t.size() - std::string(":00000001FF\r\n").size());
}

THexList Random(std::uint32_t size, unsigned seed, bool phantom) {
  THexList img(size);
  std::mt19937 rng(seed);
  for (std::uint32_t a = 0; a < size; ++a) img.SetValue(a, phantom && a % 4 == 3 ? 0 : std::uint8_t(rng() % 255));
  return img;
}

std::string Pic18File() {
  std::string path = Folder() + "pic18-128k.hex";
  if (std::filesystem::exists(path)) return path;
  std::string text = Records(Random(128 * 1024, 1, false));
  text += ":020000040020DA\r\n:080000000102030405060708D4\r\n";
  text += ":020000040030CA\r\n:0E000000FF081E1EFF8181FF0FC00FE00F40CF\r\n";
  text += ":0200000400F00A\r\n" + Records(Random(1024, 2, false)) + ":00000001FF\r\n";
  platform::WriteFileAtomically(path, text);
  return path;
}

std::string Pic24File() {
  std::string path = Folder() + "pic24-256k.hex";
  if (std::filesystem::exists(path)) return path;
  platform::WriteFileAtomically(path, Records(Random(87552 * 4, 3, true)) + ":00000001FF\r\n");
  return path;
}

struct Case {
  int family;
  int kind;
  devices::TData device;
  std::string file;
};

Case Pic18Case() {
  Case c{0, 3, {}, Pic18File()};
  devices::TData& d = c.device;
  d.DeviceName = "PIC18F8722";
  d.FlashSize = 128 * 1024;
  d.EEPROMSIZE = 1024;
  d.Type = "B";
  d.BufferSize = 64;
  d.BlockSize = 16384;
  d.EraseCMD = "8F3F";
  d.DeviceID = "1420";
  d.FuseCount = 14;
  d.Fuses = "00CF1F1F0087C500";
  d.Lockbits = "0FC00FE00F40";
  return c;
}

Case Pic24Case() {
  Case c{4, 4, {}, Pic24File()};
  devices::TData& d = c.device;
  d.DeviceName = "PIC24FJ256GA106";
  d.FlashSize = 87552 * 3;
  d.Type = "24FJ";
  d.BufferSize = 64;
  d.BlockSize = 64;
  d.EraseCMD = "404F";
  d.DeviceID = "1000";
  d.FuseCount = 3;
  d.Fuses = "FF7FFFFFFF87";
  return c;
}

void BuildSlot(benchmark::State& state, const Case& c) {
  platform::ScriptedDialogs dialogs;
  dialogs.defaultAnswer = platform::DlgButton::Yes;
  ops::DialogBuildQuestions questions(dialogs);
  image::BuildOptions options;
  options.familyIndex = c.family;
  options.programmerKind = velmar::slot::ProgrammerKind(c.kind);
  slot::HeaderBytes blank;
  blank.fill(0xFF);
  for (auto _ : state) {
    image::SlotJob job;
    job.device = c.device;
    job.userFile = c.file;
    job.workingFolder = Folder();
    slot::ProgrammerGeometry geometry;
    geometry.ApplyKind(slot::KindFromNumber(c.kind).value());
    THexList header(160), slot;
    slot::TProgramEntry record(0, 0, 0, slot::MakeSlotName(1, "Benchmark"), "", c.device.DeviceName, blank);
    bool ok =
        ops::RunFamilyStage(c.family, job, options, questions) &&
        image::BuildHeader(c.family, job, options, questions, image::HeaderOf(header)) == image::HeaderOutcome::built &&
        image::AssembleSlot(job, options, geometry, {}, header, record, slot, questions);
    if (!ok) state.SkipWithError(dialogs.LastText().c_str());
    benchmark::DoNotOptimize(slot.DataAt(0));
  }
}

void BM_SlotPic18F128K(benchmark::State& s) { BuildSlot(s, Pic18Case()); }
void BM_SlotPic24Fj256K(benchmark::State& s) { BuildSlot(s, Pic24Case()); }

}  // namespace

BENCHMARK(BM_SlotPic18F128K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlotPic24Fj256K)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
