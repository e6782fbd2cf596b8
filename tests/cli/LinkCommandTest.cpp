// `identify`, `list`, `dump` and the `sim` group, run in-process against
// simulated programmers whose state files live in a temporary folder.
#include <algorithm>
#include <chrono>
#include <future>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "frontend/ProgrammerLocking.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "platform/Paths.h"
#include "platform/ProgrammerLock.h"
#include "slot/SlotHeader.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct LinkCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  TempDir dir;
};

struct SimulatedKind {
  const char* name;  // as --simulate takes it
  int kind;
  int slots;
  int firmwareVersion;
  int loadedFirmware;
};

const SimulatedKind kSimulatedKinds[] = {
    {"single", 0, 1, 226, 0},    {"single-old", 1, 1, 226, 0}, {"8way", 2, 8, 226, 0},
    {"portable", 3, 31, 150, 3}, {"8way-v2", 4, 8, 226, 0},    {"single-v2", 5, 1, 226, 0},
};

void PrintTo(const SimulatedKind& k, std::ostream* os) { *os << k.name; }

struct IdentifyCli : LinkCli, ::testing::WithParamInterface<SimulatedKind> {};

TEST_P(IdentifyCli, IdentifiesTheSimulatedKind) {
  const SimulatedKind& k = GetParam();
  auto r = Run({"--simulate", k.name, "identify", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["kind"], k.kind);
  EXPECT_EQ(j["slot_count"], k.slots);
  EXPECT_EQ(j["firmware_version"], k.firmwareVersion);
  EXPECT_EQ(j["loaded_firmware"], k.loadedFirmware);
  EXPECT_EQ(j["protocol_ms"], 2925);
  for (const char* key : {"model", "capacity", "slot_size", "page_size", "code_image_limit", "title"})
    EXPECT_TRUE(j.contains(key)) << key;
  EXPECT_TRUE(Exists(dir.File(std::string("sim-") + k.name + ".state")));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, IdentifyCli, ::testing::ValuesIn(kSimulatedKinds),
                         [](const ::testing::TestParamInfo<SimulatedKind>& info) {
                           std::string name = info.param.name;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

TEST_F(LinkCli, TheTextReportNamesTheModel) {
  auto text = Run({"--simulate", "4", "identify"});
  EXPECT_NE(text.out.find("8-way programmer, version 2"), std::string::npos);
}

TEST_F(LinkCli, FailuresEndWithTheLinksMessage) {
  ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "0", "--fault", "unknown_identify=1"}).status, 0);
  auto r = Run({"--sim-state", dir.File("p.state"), "identify"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Programmer Needs Firmware update\n");
  ASSERT_EQ(Run({"sim", "create", dir.File("q.state"), "--kind", "5", "--no-supply"}).status, 0);
  EXPECT_EQ(Run({"--sim-state", dir.File("q.state"), "identify"}).err,
            "No Voltage Detected! Check battery or power supply\n");
}

TEST_F(LinkCli, BadOptionsAreUsageErrors) {
  EXPECT_EQ(Run({"--simulate", "banana", "identify"}).status, 2);
  EXPECT_EQ(Run({"--simulate", "0", "--driver", "libftdi", "identify"}).status, 2);
  EXPECT_EQ(Run({"--driver", "sim", "identify"}).status, 2);
  auto missing = Run({"--sim-state", dir.File("none.state"), "identify"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("sim create"), std::string::npos);
  ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "2"}).status, 0);
  EXPECT_EQ(Run({"--simulate", "portable", "--sim-state", dir.File("p.state"), "identify"}).status, 2);
  EXPECT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "2"}).status, 1);  // would lose its dataflash
  EXPECT_EQ(Run({"sim", "create", dir.File("x.state"), "--kind", "2", "--fault", "bogus=1"}).status, 2);
  EXPECT_EQ(Run({"--simulate", "0", "dump", "1024"}).status, 2);  // beyond the dataflash
}

// Another run holding the simulated programmer (its lock beside the state
// file): this run stops with status 1 naming it, or waits with --wait.
TEST_F(LinkCli, AProgrammerInUseByAnotherRunIsRefusedOrWaitedFor) {
  ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "0"}).status, 0);
  platform::ProgrammerLock other;
  ASSERT_EQ(other.Take(dir.File("p.state.lock"), "velmar-cli erase", false).taken,
            platform::ProgrammerLock::Taken::yes);
  const std::string before = ReadFile(dir.File("p.state"));

  auto refused = Run({"--sim-state", dir.File("p.state"), "identify"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(
      refused.err.find("in use by another Velmar run: process " + std::to_string(ProcessId()) + " (velmar-cli erase)"),
      std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.out, "");

  auto waited = std::async(std::launch::async, [&] {
    return Run({"--wait", "--sim-state", dir.File("p.state"), "identify"});
  });
  EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "did not wait";
  EXPECT_EQ(ReadFile(dir.File("p.state")), before) << "the waiting run touched the programmer";
  other.Release();
  const CliResult r = waited.get();
  EXPECT_EQ(r.status, 0) << r.err;
}

// The lock of a programmer on USB goes by where its interface sits: the
// first FT2232 with the programmer's serial number, never another FT2232.
TEST(HardwareLockFile, NamesTheProgrammersUsbLocation) {
  auto device = [](std::string path, std::string serial, std::uint16_t product = link::kFt2232ProductId) {
    link::UsbDevice d;
    d.path = std::move(path);
    d.serial = std::move(serial);
    d.vendor = link::kFtdiVendorId;
    d.product = product;
    d.bus = 3;
    d.address = 9;
    return d;
  };
  struct Case {
    const char* name;
    std::vector<link::UsbDevice> devices;
    bool busListed;
    std::string file;
  };
  const Case cases[] = {
      {"programmer", {device("1-2.3", "QRX")}, true, "velmar-programmer-usb-1-2.3.lock"},
      {"anotherChipFirst", {device("1-1", "FT7K1000"), device("2-4", "QRX")}, true, "velmar-programmer-usb-2-4.lock"},
      {"sameSerialOtherChip", {device("1-1", "QRX", 0x6001)}, true, ""},
      {"noProgrammerOnTheBus", {}, true, ""},
      {"busNotListed", {}, false, "velmar-programmer-serial-QRX.lock"},
      {"noPath", {device("", "QRX")}, true, "velmar-programmer-bus3-device9.lock"},
      {"oddPath", {device("1/../x", "QRX")}, true, "velmar-programmer-usb-1_.._x.lock"},
  };
  for (const Case& c : cases) {
    const std::string got = frontend::HardwareLockFile("/locks", c.devices, c.busListed);
    EXPECT_EQ(got, c.file.empty() ? "" : platform::WithSeparator("/locks") + c.file) << c.name;
  }
}

// With --port the lock is that programmer's, not the first one's: two runs
// on two programmers must not turn each other away, two on one must meet.
TEST(HardwareLockFile, WithAPortNamesThatProgrammer) {
  auto device = [](std::string path) {
    link::UsbDevice d;
    d.path = std::move(path);
    d.serial = "QRX";
    d.vendor = link::kFtdiVendorId;
    d.product = link::kFt2232ProductId;
    return d;
  };
  const std::vector<link::UsbDevice> two = {device("1-1"), device("1-2")};
  const std::string locks = platform::WithSeparator("/locks");
  EXPECT_EQ(frontend::HardwareLockFile("/locks", two, true, "1-2"), locks + "velmar-programmer-usb-1-2.lock");
  EXPECT_EQ(frontend::HardwareLockFile("/locks", two, true, ""), locks + "velmar-programmer-usb-1-1.lock");
  EXPECT_EQ(frontend::HardwareLockFile("/locks", two, true, "3-1"), "") << "no programmer there: none to lock";
  EXPECT_EQ(frontend::HardwareLockFile("/locks", {}, false, "3-1"), locks + "velmar-programmer-usb-3-1.lock")
      << "a bus that could not be listed";
  EXPECT_EQ(frontend::HardwareLockFile("/locks", {}, false, "1/.."), locks + "velmar-programmer-usb-1_...lock");
}

TEST_F(LinkCli, AnEmptyStateFileIsRefusedAndLeftAsItIs) {
  // A state file cut to nothing is not a fresh single-way programmer: the
  // run fails before the file is saved over.
  WriteFile(dir.File("cut.state"), "");
  auto r = Run({"--sim-state", dir.File("cut.state"), "identify"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no kind= line"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir.File("cut.state")), "");
  EXPECT_EQ(Run({"--simulate", "portable", "--sim-state", dir.File("cut.state"), "list"}).status, 1);
  EXPECT_EQ(Run({"sim", "show", dir.File("cut.state")}).status, 1);
}

TEST_F(LinkCli, TheTraceFollowsItsFormat) {
  auto r = Run({"--simulate", "0", "--trace", dir.File("t.txt"), "identify"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string t = ReadFile(dir.File("t.txt"));
  EXPECT_EQ(t.rfind("FT_ListDevices -> 0 : 2\n", 0), 0u);
  EXPECT_NE(t.find("\nFT_SetBitMode 3B 02 -> 0\nFT_Write 86 17 00 -> 0\nFT_SetLatencyTimer 10 -> 0\n"),
            std::string::npos);
  EXPECT_NE(t.find("\nSleep 500\n"), std::string::npos);
}

TEST_F(LinkCli, TheSimulatedProgrammerKeepsItsStateBetweenRuns) {
  ASSERT_EQ(Run({"sim", "create", dir.File("e.state"), "--kind", "8way", "--standard-pages"}).status, 0);
  auto first = Run({"--sim-state", dir.File("e.state"), "identify"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("Cycle Programmer power to Set Binary Mode"), std::string::npos);
  json shown = json::parse(Run({"sim", "show", dir.File("e.state"), "--json"}).out);
  EXPECT_EQ(shown["binary_pending"], true);
  EXPECT_EQ(shown["binary_pages"], false);
  ASSERT_EQ(Run({"sim", "power-cycle", dir.File("e.state")}).status, 0);
  shown = json::parse(Run({"sim", "show", dir.File("e.state"), "--json"}).out);
  EXPECT_EQ(shown["binary_pages"], true);
  EXPECT_EQ(shown["page_size"], 512);
  auto again = Run({"--sim-state", dir.File("e.state"), "identify"});
  EXPECT_EQ(again.out.find("Cycle Programmer power"), std::string::npos);
}

// A staged unit image: `count` linked slot headers of a multi-slot kind.
void StageImage(const std::string& file, std::uint32_t pageSize, std::uint32_t slotPages, int count,
                const std::string& job = "Job ") {
  image::THexList img((slotPages * std::uint32_t(count) + 1) * pageSize);
  for (int i = 0; i < count; ++i) {
    slot::HeaderBytes h;
    h.fill(0xFF);
    std::uint32_t start = slotPages * std::uint32_t(i);
    slot::PutField(h.data(), slot::slot_header::NextHeaderPage, start + slotPages);
    slot::PutField(h.data(), slot::slot_header::InUseMarker, 0);
    slot::PutField(h.data(), slot::slot_header::PageCount, slotPages);
    slot::PutText(h.data(), slot::slot_header::SlotName, slot::MakeSlotName(i + 1, job + std::to_string(i)));
    slot::PutText(h.data(), slot::slot_header::SourceFileName, "blink.hex");
    slot::PutText(h.data(), slot::slot_header::DeviceName, "PIC16F628A");
    if (i != 1) slot::SealHeader(h.data());
    for (std::size_t b = 0; b < h.size(); ++b) img.SetValue(start * pageSize + std::uint32_t(b), h[b]);
  }
  ASSERT_EQ(image::TFileLoader::SaveFile(file, img).result, 0);
}

// A directory of three slots, the second with a wrong header checksum,
// staged in the dataflash of each multi-slot kind.
struct StagedKind {
  const char* kind;
  std::uint32_t page, slotPages;
};

void PrintTo(const StagedKind& k, std::ostream* os) { *os << k.kind; }

struct StagedDirectory : LinkCli, ::testing::WithParamInterface<StagedKind> {};

TEST_P(StagedDirectory, ListsAsStaged) {
  const StagedKind& c = GetParam();
  std::string state = dir.File(std::string(c.kind) + ".state");
  ASSERT_EQ(Run({"sim", "create", state, "--kind", c.kind}).status, 0);
  StageImage(dir.File("unit.hex"), c.page, c.slotPages, 3);
  ASSERT_EQ(Run({"sim", "import", state, dir.File("unit.hex")}).status, 0);
  auto r = Run({"--sim-state", state, "list", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  json slots = json::parse(r.out)["slots"];
  ASSERT_EQ(slots.size(), 3u) << c.kind;
  EXPECT_EQ(slots[1]["slot"], 2);
  EXPECT_EQ(slots[1]["start_page"], c.slotPages);
  EXPECT_EQ(slots[1]["next_page"], 2 * c.slotPages);
  EXPECT_EQ(slots[1]["page_count"], c.slotPages);
  EXPECT_EQ(slots[1]["slot_name"], "002 Job 1");
  EXPECT_EQ(slots[1]["file_name"], "blink.hex");
  EXPECT_EQ(slots[1]["device"], "PIC16F628A");
  EXPECT_EQ(slots[1]["stored"]["slot_name"], "002 Job 1" + std::string(23, ' '));
  EXPECT_EQ(slots[1]["stored"]["file_name"], "blink.hex" + std::string(12, ' '));
  EXPECT_EQ(slots[0]["header_checksum_ok"], true);
  EXPECT_EQ(slots[1]["header_checksum_ok"], false);
  EXPECT_EQ(slots[1]["empty"], false) << "a broken header is not an empty slot";

  ASSERT_EQ(Run({"sim", "export", state, dir.File("back.hex")}).status, 0);
  image::THexList a(16 << 20), b(16 << 20);
  image::TFileLoader::LoadFile(dir.File("unit.hex"), a);
  image::TFileLoader::LoadFile(dir.File("back.hex"), b);
  EXPECT_EQ(a.LastUsed(), b.LastUsed());
  EXPECT_EQ(0, std::memcmp(a.DataAt(0), b.DataAt(0), std::size_t(a.LastUsed() + 1)));
}

INSTANTIATE_TEST_SUITE_P(EveryMultiSlotKind, StagedDirectory,
                         ::testing::Values(StagedKind{"8way", 512, 512}, StagedKind{"portable", 256, 1032},
                                           StagedKind{"8way-v2", 512, 1024}),
                         [](const ::testing::TestParamInfo<StagedKind>& info) {
                           std::string name = info.param.kind;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

TEST_F(LinkCli, AStagedSlotListsOnEverySingleSlotKind) {
  struct Case {
    const char* kind;
    std::uint32_t slotPages;
  };
  for (Case c : {Case{"single", 1024}, Case{"single-old", 1024}, Case{"single-v2", 2048}}) {
    std::string state = dir.File(std::string(c.kind) + ".state");
    ASSERT_EQ(Run({"sim", "create", state, "--kind", c.kind}).status, 0);
    StageImage(dir.File("unit.hex"), 264, c.slotPages, 1);
    ASSERT_EQ(Run({"sim", "import", state, dir.File("unit.hex")}).status, 0);
    auto r = Run({"--sim-state", state, "list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    json slots = json::parse(r.out)["slots"];
    ASSERT_EQ(slots.size(), 1u) << c.kind;
    EXPECT_EQ(slots[0]["page_count"], c.slotPages);
    EXPECT_EQ(slots[0]["header_checksum_ok"], true);
  }
}

// A slot name is bytes from the programmer: every command that shows it,
// in a list, its details or a question that quotes it, shows its control
// characters escaped rather than sending them to the terminal.
TEST_F(LinkCli, StoredNamesReachTheTerminalWithTheirControlCharactersEscaped) {
  const std::string state = dir.File("8way.state");
  ASSERT_EQ(Run({"sim", "create", state, "--kind", "8way"}).status, 0);
  StageImage(dir.File("unit.hex"), 512, 512, 1, "\x1b]0;x\x07\x1b[2J\t\x7f");
  ASSERT_EQ(Run({"sim", "import", state, dir.File("unit.hex")}).status, 0);
  const std::string escaped = "\\x1B]0;x\\x07\\x1B[2J\\x09\\x7F0";
  const std::vector<std::vector<std::string>> commands = {
      {"list"}, {"read"}, {"details", "--slot", "1"}, {"find", "x"}, {"delete", "--slot", "1"}};
  for (const auto& command : commands) {
    std::vector<std::string> args = {"--sim-state", state};
    args.insert(args.end(), command.begin(), command.end());
    auto r = Run(args);
    const std::string shown = r.out + r.err;
    EXPECT_NE(shown.find(escaped), std::string::npos) << command[0] << ":\n" << shown;
    EXPECT_EQ(shown.find_first_of("\x1b\x07\t\x7f"), std::string::npos) << command[0] << ":\n" << shown;
  }
}

// The trace and the simulator's state are files: a full disk under the
// trace fails the run, and a FIFO at the state file is refused, not waited on.
TEST_F(LinkCli, AFullTraceDeviceFailsAndAFifoStateFileIsRefused) {
  VELMAR_SKIP_ON_WINDOWS("/dev/full and FIFOs");
  auto full = Run({"--simulate", "0", "--trace", "/dev/full", "identify"});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("Cannot write the trace file /dev/full: No space left on device"), std::string::npos)
      << full.err;

  const std::string fifo = dir.File("fifo.state");
  ASSERT_TRUE(MakeFifo(fifo));
  for (const auto& args : {std::vector<std::string>{"--sim-state", fifo, "identify"},
                           std::vector<std::string>{"--simulate", "0", "--sim-state", fifo, "identify"}}) {
    auto planted = Run(args);
    EXPECT_EQ(planted.status, 1);
    EXPECT_NE(planted.err.find("Cannot open " + fifo + ": it is not a regular file"), std::string::npos) << planted.err;
  }
}

TEST_F(LinkCli, DumpPrintsAPageOrHalfOfIt) {
  ASSERT_EQ(Run({"sim", "create", dir.File("d.state"), "--kind", "8way"}).status, 0);
  StageImage(dir.File("unit.hex"), 512, 512, 1);
  ASSERT_EQ(Run({"sim", "import", dir.File("d.state"), dir.File("unit.hex")}).status, 0);
  json whole = json::parse(Run({"--sim-state", dir.File("d.state"), "dump", "0", "--count", "8", "--json"}).out);
  EXPECT_EQ(whole["data"], "00 02 00 00 02 FF 30 30");
  EXPECT_EQ(whole["trailer_ok"], true);
  json half = json::parse(Run({"--sim-state", dir.File("d.state"), "dump", "0", "--part", "2", "--json"}).out);
  EXPECT_EQ(half["address"], 256);
  EXPECT_EQ(half["count"], 256);
  auto text = Run({"--sim-state", dir.File("d.state"), "dump", "0", "--count", "20"});
  EXPECT_EQ(text.out.substr(0, 6), "0000  ");
  EXPECT_NE(text.out.find("\n0010  "), std::string::npos);
}

TEST_F(LinkCli, ImportRefusesWhatDoesNotFit) {
  ASSERT_EQ(Run({"sim", "create", dir.File("s.state"), "--kind", "0"}).status, 0);
  WriteFile(dir.File("big.hex"), ":020000040010EA\n:0100000011EE\n:00000001FF\n");  // 1 MiB up
  auto r = Run({"sim", "import", dir.File("s.state"), dir.File("big.hex")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("beyond"), std::string::npos);
  EXPECT_EQ(Run({"sim", "import", dir.File("s.state"), dir.File("none.hex")}).status, 1);
}

}  // namespace
}  // namespace velmar::test
