// The real USB path end to end: velmar-cli through the real libftdi and
// through our D2XX backend, both over the emulated interface chip, must put
// the same bytes on the wire as the simulated backend and leave the
// programmer in the same state, for every programmer kind and operation.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <cryptopp/filters.h>
#include <cryptopp/gzip.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TestSupport.h"
#include "support/WireStream.h"

namespace velmar::test {
namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The wire: every FT_Write and FT_Read line of a trace. The programmers of
// these tests fix the unit token the loader gives a portable (new_token),
// so the traces of every run compare whole.
std::string WireLines(const std::string& trace) {
  std::istringstream in(ReadFile(trace));
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind("FT_Write ", 0) == 0 || line.rfind("FT_Read ", 0) == 0) out += line + "\n";
  return out;
}

std::string Gzip(const std::string& text) {
  std::string out;
  CryptoPP::StringSource(text, true,
                         new CryptoPP::Gzip(new CryptoPP::StringSink(out), CryptoPP::Gzip::MAX_DEFLATE_LEVEL));
  return out;
}

std::string Gunzip(const std::string& data) {
  std::string out;
  CryptoPP::StringSource(data, true, new CryptoPP::Gunzip(new CryptoPP::StringSink(out)));
  return out;
}

// The wire stream recorded for step `step` on `kind` (tests/link/wire, its
// README says how they were made). With VELMAR_WRITE_WIRE set in the
// environment the file is written from `stream` instead.
std::string RecordedWire(int kind, int step, const std::string& args, const std::string& stream) {
  std::string op = args;
  if (op.rfind("--yes ", 0) == 0) op = op.substr(6);
  op = op.substr(0, op.find(' '));
  const std::string file = SourceDir() + "tests/link/wire/kind" + std::to_string(kind) + "-" + (step < 10 ? "0" : "") +
                           std::to_string(step) + "-" + op + ".wire.gz";
  if (std::getenv("VELMAR_WRITE_WIRE")) WriteFile(file, Gzip(stream));
  return Exists(file) ? Gunzip(ReadFile(file)) : "(no " + file + ")";
}

// The first line where two wire streams part ("" when they agree).
std::string FirstDifference(const std::string& recorded, const std::string& now) {
  std::istringstream a(recorded), b(now);
  std::string x, y;
  for (int n = 1;; ++n) {
    const bool more = bool(std::getline(a, x)), moreNow = bool(std::getline(b, y));
    if (!more && !moreNow) return "";
    if (!more || !moreNow || x != y)
      return "line " + std::to_string(n) + ": recorded \"" + (more ? x : "(end)") + "\", now \"" +
             (moreNow ? y : "(end)") + "\"";
  }
}

struct Driver {
  const char* name;
  const char* emulation;  // with-emulated-usb.sh options; null for the simulator
};
const Driver kDrivers[] = {{"sim", nullptr}, {"libftdi", ""}, {"d2xx", "--d2xx"}};

class Rig {
 public:
  // A programmer of `kind` on old firmware, whose new unit tokens are fixed.
  explicit Rig(int kind, const std::string& chip = "ft2232d", const std::string& eeprom = "")
      : chip_(chip), eeprom_(eeprom) {
    std::string out;
    EXPECT_EQ(RunCommand(Cli() + " --working-folder " + Quote(dir_.Path()) + " sim create " +
                             Quote(dir_.File("base.state")) + " --kind " + std::to_string(kind) + " --version 100 2>&1",
                         &out),
              0)
        << out;
    const std::string state = ReadFile(dir_.File("base.state")) + "new_token=4660\n";
    for (const Driver& d : kDrivers) WriteFile(StateFile(d), state);
  }

  std::string StateFile(const Driver& d) const { return dir_.File(std::string(d.name) + ".state"); }
  std::string Trace(const Driver& d, int step) const {
    return dir_.File(std::to_string(step) + "." + d.name + ".trace");
  }

  // Runs velmar-cli with `args` on driver `d`; returns its exit status.
  int Run(const Driver& d, int step, const std::string& args, std::string* output = nullptr) {
    const std::string work = dir_.File(std::string("work-") + d.name);
    // Each driver's run in its own folder: the unit image an operation names
    // (BACKUP.prg) must never meet that of a test running beside it. In one
    // shared folder an 8-way's backup, copied a moment earlier by another
    // kind's test, was what the portable then tried to load.
    std::string command = "mkdir -p " + Quote(work) + " && cd " + Quote(work) + " && ";
    if (!d.emulation) {
      command += Cli() + " --sim-state " + Quote(StateFile(d));
    } else {
      command += "VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " + SourceDir() +
                 "scripts/with-emulated-usb.sh --chip " + chip_ + (eeprom_.empty() ? "" : " --eeprom " + eeprom_) +
                 " --report " + Quote(dir_.File("report")) + " " + options + " " + d.emulation + " " +
                 Quote(StateFile(d)) + " -- " + Cli() + " --driver " + d.name;
    }
    command += " --working-folder " + Quote(work) + " --trace " + Quote(Trace(d, step)) + " " + args + " 2>&1";
    return RunCommand(command, output);
  }

  static std::string Cli() { return BinDir() + "velmar-cli"; }
  const TempDir& Dir() const { return dir_; }
  // More with-emulated-usb.sh options for the runs on the emulation.
  std::string options;

 private:
  TempDir dir_;
  std::string chip_;
  std::string eeprom_;
};

struct Step {
  const char* args;
  bool everyKind;  // succeeds on every kind (replace and delete only where offered)
};

std::vector<Step> Steps() {
  const std::string ex = SourceDir() + "examples/";
  static std::vector<std::string> keep;
  keep = {"new --family 1 --device PIC16F628A --hex " + ex + "pic16f628a/blink.hex --description Blink",
          "replace --slot 1 --family 0 --device PIC18F4520 --hex " + ex + "pic18f4520/blink.hex"};
  return {
      {"--yes update-firmware", true},
      {"identify", true},
      {"list", true},
      {"dump 0 --count 16", true},
      {keep[0].c_str(), true},
      {keep[1].c_str(), false},
      {"--yes delete --slot 1", false},
      {"--yes copy BACKUP.prg", true},
      {"--yes erase", true},
      {"--yes load BACKUP.prg", true},
  };
}

// Kinds whose window offers Replace and Delete.
bool OffersReplace(int kind) { return kind == 2 || kind == 3 || kind == 4; }

// Every operation in each pacing: the same wire streams (recorded once, the
// bytes and waits the programmer sees are the same in both), the same USB
// calls through every driver, and in exact pacing nothing but the
// protocol's own bytes written.
class EveryOperation : public ::testing::TestWithParam<std::tuple<int, const char*>> {};

TEST_P(EveryOperation, PutsTheSameBytesOnTheWireAndLeavesTheSameProgrammerOnEveryDriver) {
  const auto [kind, pacing] = GetParam();
  const bool exact = std::string(pacing) == "exact";
  Rig rig(kind);
  int step = 0;
  for (const Step& s : Steps()) {
    ++step;
    SCOPED_TRACE(s.args);
    const std::string args = std::string("--link-pacing ") + pacing + " " + s.args;
    std::string simOut;
    const int simStatus = rig.Run(kDrivers[0], step, args, &simOut);
    if (s.everyKind || OffersReplace(kind)) {
      EXPECT_EQ(simStatus, 0) << simOut;
    }
    const std::string wire = WireLines(rig.Trace(kDrivers[0], step));
    EXPECT_NE(wire, "");
    EXPECT_EQ(wire.find("FT_Write 31 00 00 FF 87 -> 0") == std::string::npos, exact)
        << "send immediate only in fast pacing";
    // Whatever the link does to save USB round trips, the programmer sees
    // the very bytes and waits it saw before.
    const std::string stream = WireStream(ReadFile(rig.Trace(kDrivers[0], step)));
    EXPECT_EQ(FirstDifference(RecordedWire(kind, step, s.args, stream), stream), "");
    for (const Driver& d : {kDrivers[1], kDrivers[2]}) {
      SCOPED_TRACE(d.name);
      std::string out;
      EXPECT_EQ(rig.Run(d, step, args, &out), simStatus) << out;
      EXPECT_EQ(out.find("protocol violation"), std::string::npos) << out;
      EXPECT_EQ(FirstDifference(wire, WireLines(rig.Trace(d, step))), "");
      EXPECT_TRUE(ReadFile(rig.StateFile(d)) == ReadFile(rig.StateFile(kDrivers[0])));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryOperation,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 4, 5), ::testing::Values("exact", "fast")),
                         [](const auto& info) {
                           return "kind" + std::to_string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

// The user area (and with it the supply check) read through FTDI-format
// EEPROMs of every size the chips take, through both real-path drivers.
struct ChipCase {
  const char* chip;
  const char* eeprom;
};

class EveryEeprom : public ::testing::TestWithParam<ChipCase> {};

TEST_P(EveryEeprom, IdentifyReadsTheSupplyFlagFromTheUserArea) {
  Rig rig(2, GetParam().chip, GetParam().eeprom);
  std::string out;
  ASSERT_EQ(rig.Run(kDrivers[0], 1, "--yes update-firmware", &out), 0) << out;
  for (const Driver& d : {kDrivers[1], kDrivers[2]}) {
    SCOPED_TRACE(d.name);
    ASSERT_EQ(rig.Run(d, 1, "--yes update-firmware", &out), 0) << out;
    ASSERT_EQ(rig.Run(d, 2, "identify", &out), 0) << out;
    std::string trace = ReadFile(rig.Trace(d, 2));
    EXPECT_NE(trace.find("FT_EE_UARead -> 0 : 56 45 4C 4D 41 52 30 31 31"), std::string::npos) << trace;
    // The supply check runs: the low pins are read before the link opens.
    EXPECT_NE(trace.find("FT_Write 80 02 F3"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Chips, EveryEeprom,
                         ::testing::Values(ChipCase{"ft2232d", "93c46"}, ChipCase{"ft2232h", "93c56"},
                                           ChipCase{"ft2232h", "93c66"}),
                         [](const auto& info) { return std::string(info.param.chip) + "_" + info.param.eeprom; });

// ---- The weak points of the real backends ----

// A value of the report's last line ("port_resets", "bulk_in", ...).
long long ReportValue(const std::string& report, const std::string& key) {
  std::istringstream in(report);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  std::istringstream words(last);
  for (std::string w; words >> w;)
    if (w == key && words >> w) return std::stoll(w);
  return -1;
}

// Runs the driver probe through `driver` under the emulation; the report line.
std::string Probe(const Rig& rig, const Driver& d, const std::string& args, int* status = nullptr,
                  std::string* out = nullptr, const std::string& options = "") {
  const std::string report = rig.Dir().File(std::string("probe-") + d.name + ".report");
  std::remove(report.c_str());
  const int rc = RunCommand("VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " + SourceDir() +
                                "scripts/with-emulated-usb.sh --report " + Quote(report) + " " + options + " " +
                                d.emulation + " " + Quote(rig.StateFile(d)) + " -- " + BinDir() +
                                "usbemu_driver_probe " + d.name + " " + args + " 2>&1",
                            out);
  if (status) *status = rc;
  return ReadFile(report);
}

TEST(RealBackends, CyclingThePortTakesTheDeviceOffTheBusAndBack) {
  Rig rig(2);
  for (const Driver& d : {kDrivers[1], kDrivers[2]}) {
    SCOPED_TRACE(d.name);
    int status = 0;
    std::string out;
    const std::string report = Probe(rig, d, "cycle", &status, &out);
    EXPECT_EQ(status, 0) << out;
    // libftdi's own "reset" is only the chip's buffer reset request.
    EXPECT_EQ(ReportValue(report, "port_resets"), 1) << report;
  }
}

// FTDI's library closes a channel without touching the chip: it stays in
// MPSSE mode with its lines as they were, so the next open reads them at once.
TEST(RealBackends, D2xxCloseLeavesTheMpsseModeAndLineLevels) {
  Rig rig(2);
  int status = 0;
  std::string out;
  Probe(rig, kDrivers[2], "reopen", &status, &out);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("pins "), std::string::npos) << out;
  EXPECT_EQ(out.find("pins none"), std::string::npos) << out;
}

TEST(RealBackends, ReceiveQueueQueriesCostNoUsbRead) {
  Rig rig(2);
  for (const Driver& d : {kDrivers[1], kDrivers[2]}) {
    SCOPED_TRACE(d.name);
    const std::string none = Probe(rig, d, "queue 0"), many = Probe(rig, d, "queue 40");
    // The D2XX driver polls the chip all the time anyway; libftdi reads
    // only when asked, and a queue query is no reason to.
    if (d.name == std::string("libftdi")) {
      EXPECT_EQ(ReportValue(many, "bulk_in"), ReportValue(none, "bulk_in")) << many;
    }
    EXPECT_EQ(ReportValue(many, "latency_us"), ReportValue(none, "latency_us")) << none << many;
    EXPECT_EQ(ReportValue(many, "total_us"), ReportValue(none, "total_us")) << none << many;
  }
}

// ---- The chip's fixed buffers and timing ----

// More clock-ins in one write than the FT2232D's buffers hold while nobody
// reads: through libftdi the write stalls until its time-out (5 s) and
// fails; FTDI's driver keeps reading, so the same write goes through; the
// FT2232H holds it all.
struct FloodCase {
  const char* driver;
  const char* chip;
  bool fails;
};

class Flood : public ::testing::TestWithParam<FloodCase> {};

TEST_P(Flood, AWriteTheChipCannotTakeIsAFailureNotASlowdown) {
  Rig rig(2);
  const Driver& d = std::string(GetParam().driver) == "libftdi" ? kDrivers[1] : kDrivers[2];
  int status = 0;
  std::string out;
  const std::string report = Probe(rig, d, "flood 2000", &status, &out, std::string("--chip ") + GetParam().chip);
  EXPECT_EQ(status != 0, GetParam().fails) << out;
  EXPECT_EQ(out.find("written 6000") == std::string::npos, GetParam().fails) << out;
  if (GetParam().fails) {
    EXPECT_GE(ReportValue(report, "total_us"), 5'000'000) << report;
  }
}

INSTANTIATE_TEST_SUITE_P(Chips, Flood,
                         ::testing::Values(FloodCase{"libftdi", "ft2232d", true}, FloodCase{"d2xx", "ft2232d", false},
                                           FloodCase{"libftdi", "ft2232h", false}),
                         [](const auto& info) { return std::string(info.param.driver) + "_" + info.param.chip; });

// The longest read the link takes, and every page operation, on both chips
// in both pacings: no write may leave more replies waiting than the chip
// holds.
class LongDump : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(LongDump, ReadsEveryByteOnEveryDriver) {
  const auto [chip, pacing] = GetParam();
  Rig rig(0, chip);
  std::string simOut;
  for (const Driver& d : kDrivers) {
    SCOPED_TRACE(d.name);
    std::string out;
    ASSERT_EQ(rig.Run(d, 1, "--yes update-firmware", &out), 0) << out;
    EXPECT_EQ(rig.Run(d, 2, std::string("--link-pacing ") + pacing + " dump 0 --count 21845", &out), 0) << out;
    EXPECT_EQ(out.find("protocol violation"), std::string::npos) << out;
    if (!d.emulation) simOut = out;
    EXPECT_TRUE(out == simOut) << "the dump differs from the simulated programmer's";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chips, LongDump, ::testing::Combine(::testing::Values("ft2232d", "ft2232h"), ::testing::Values("exact", "fast")),
    [](const auto& info) { return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param); });

// Every operation on the FT2232H in both pacings (EveryOperation runs them
// on the FT2232D): the page writes and reads and the firmware update's long
// transfers are taken by either chip.
class HighSpeedChip : public ::testing::TestWithParam<const char*> {};

TEST_P(HighSpeedChip, TakesEveryOperationAsTheSimulatorDoes) {
  for (int kind : {2, 3}) {
    Rig rig(kind, "ft2232h");
    int step = 0;
    for (const Step& s : Steps()) {
      ++step;
      SCOPED_TRACE(std::to_string(kind) + ": " + s.args);
      std::string simOut, out;
      const std::string args = std::string("--link-pacing ") + GetParam() + " " + s.args;
      const int simStatus = rig.Run(kDrivers[0], step, args, &simOut);
      EXPECT_EQ(rig.Run(kDrivers[1], step, args, &out), simStatus) << out;
      EXPECT_EQ(out.find("protocol violation"), std::string::npos) << out;
      EXPECT_TRUE(ReadFile(rig.StateFile(kDrivers[1])) == ReadFile(rig.StateFile(kDrivers[0])));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pacings, HighSpeedChip, ::testing::Values("exact", "fast"),
                         [](const auto& info) { return std::string(info.param); });

// The pessimistic timing charges at least 1 ms per full-speed bulk
// transfer and 3 ms per control transfer; the present one less.
TEST(Timing, PessimisticChargesItsFloorsPerTransfer) {
  Rig rig(2);
  std::string out;
  ASSERT_EQ(rig.Run(kDrivers[1], 1, "--yes update-firmware", &out), 0) << out;
  const std::string reportFile = rig.Dir().File("report");
  auto floors = [](const std::string& report) {
    return 1000 * (ReportValue(report, "bulk_out") + ReportValue(report, "bulk_in")) +
           3000 * ReportValue(report, "control");
  };
  ASSERT_EQ(rig.Run(kDrivers[1], 2, "identify", &out), 0) << out;
  const std::string present = ReadFile(reportFile);
  // Latency-timer waits aside, the present timing stays under the floors.
  EXPECT_LT(ReportValue(present, "usb_us") - ReportValue(present, "latency_us"), floors(present)) << present;
  rig.options = "--timing pessimistic";
  ASSERT_EQ(rig.Run(kDrivers[1], 3, "identify", &out), 0) << out;
  const std::string pessimistic = ReadFile(reportFile);
  EXPECT_GE(ReportValue(pessimistic, "usb_us"), floors(pessimistic)) << pessimistic;
}

// ---- The interface pulled out part-way ----

// The dataflash pages of a state file ("page N HEX" lines), by number.
std::map<int, std::string> Pages(const std::string& state) {
  std::map<int, std::string> pages;
  std::istringstream in(state);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("page ", 0) == 0) {
      std::istringstream words(line.substr(5));
      int n = -1;
      std::string data;
      words >> n >> data;
      pages[n] = data;
    }
  return pages;
}

// The pages that differ between two states.
std::set<int> Changed(const std::map<int, std::string>& a, const std::map<int, std::string>& b) {
  std::set<int> changed;
  for (const auto& [n, data] : a)
    if (!b.count(n) || b.at(n) != data) changed.insert(n);
  for (const auto& [n, data] : b)
    if (!a.count(n)) changed.insert(n);
  return changed;
}

// Every operation on every kind, the interface unplugged at a few points of
// its run: it ends with a message and a failure status (or, unplugged only
// as it closed, with the programmer as the whole run leaves it), never
// hangs, releases its handle, and touches no page the whole run leaves
// alone, so no slot but the one it was changing is damaged.
class Unplug : public ::testing::TestWithParam<std::tuple<int, const char*>> {};

TEST_P(Unplug, EveryOperationEndsCleanlyWhereverThePlugIsPulled) {
  const auto [kind, driverName] = GetParam();
  const Driver& d = std::string(driverName) == "libftdi" ? kDrivers[1] : kDrivers[2];
  Rig rig(kind);
  const std::string work = rig.Dir().File(std::string("work-") + d.name);
  const std::string cut = rig.Dir().File("cut");
  const std::string cutState = rig.Dir().File("cut.state");
  const std::string cutReport = rig.Dir().File("cut.report");
  int step = 0;
  for (const Step& s : Steps()) {
    ++step;
    const std::string before = ReadFile(rig.StateFile(d));
    std::string out;
    rig.Run(d, step, s.args, &out);
    const long long calls = ReportValue(ReadFile(rig.Dir().File("report")), "device_calls");
    const std::string after = ReadFile(rig.StateFile(d));
    const std::set<int> written = Changed(Pages(before), Pages(after));
    ASSERT_GT(calls, 4) << out;
    for (long long point : {calls / 6, calls / 2, calls - 3}) {
      SCOPED_TRACE(std::to_string(kind) + " " + s.args + ": unplugged after " + std::to_string(point) + " of " +
                   std::to_string(calls) + " calls");
      WriteFile(cutState, before);
      std::remove(cutReport.c_str());
      const int status = RunCommand(
          "mkdir -p " + Quote(cut) + " && cp -f " + Quote(work) + "/*.prg " + Quote(cut) + "/ 2>/dev/null; cd " +
              Quote(cut) + " && timeout 300 env VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " + SourceDir() +
              "scripts/with-emulated-usb.sh --fault unplug-after=" + std::to_string(point) + " --report " +
              Quote(cutReport) + " " + d.emulation + " " + Quote(cutState) + " -- " + Rig::Cli() +
              " --working-folder " + Quote(cut) + " --driver " + d.name + " " + s.args + " 2>&1",
          &out);
      EXPECT_NE(status, 124) << "hung:\n" << out;
      for (const char* crash : {"terminate called", "Segmentation", "Aborted", "Sanitizer"})
        EXPECT_EQ(out.find(crash), std::string::npos) << out;
      if (status == 0) {
        EXPECT_TRUE(Pages(ReadFile(cutState)) == Pages(after)) << "success reported for an unfinished run:\n" << out;
      } else {
        EXPECT_NE(out.find_first_not_of(" \r\n"), std::string::npos) << "no message";
      }
      const std::string report = ReadFile(cutReport);
      EXPECT_EQ(ReportValue(report, "open_handles"), 0) << report;
      for (int page : Changed(Pages(before), Pages(ReadFile(cutState))))
        EXPECT_TRUE(written.count(page)) << "page " << page << " changed, which the whole run leaves alone\n" << out;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Unplug,
                         ::testing::Values(std::make_tuple(0, "libftdi"), std::make_tuple(1, "libftdi"),
                                           std::make_tuple(2, "libftdi"), std::make_tuple(3, "libftdi"),
                                           std::make_tuple(4, "libftdi"), std::make_tuple(5, "libftdi"),
                                           std::make_tuple(2, "d2xx"), std::make_tuple(3, "d2xx")),
                         [](const auto& info) {
                           return "kind" + std::to_string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

struct FaultCase {
  const char* driver;  // "libftdi" or "d2xx"
  const char* fault;
  std::vector<const char*> said;  // the message, the reason and what to do
};

class UsbFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(UsbFaults, KeepTheMessageAndSayWhyAndWhatToDo) {
  const FaultCase& c = GetParam();
  Rig rig(2);
  const Driver& d = std::string(c.driver) == "libftdi" ? kDrivers[1] : kDrivers[2];
  std::string out;
  const int status =
      RunCommand("cd " + Quote(rig.Dir().Path()) + " && VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " +
                     SourceDir() + "scripts/with-emulated-usb.sh --fault " + c.fault + " " + d.emulation + " " +
                     Quote(rig.StateFile(d)) + " -- " + Rig::Cli() + " --working-folder " + Quote(rig.Dir().Path()) +
                     " --driver " + d.name + " identify 2>&1",
                 &out);
  EXPECT_NE(status, 0) << out;
  for (const char* text : c.said) EXPECT_NE(out.find(text), std::string::npos) << "\"" << text << "\" in:\n" << out;
}

INSTANTIATE_TEST_SUITE_P(
    Backends, UsbFaults,
    ::testing::Values(
        FaultCase{"libftdi",
                  "open-denied",
                  {"Error Opening USB Port", "LIBUSB_ERROR_ACCESS (-3)", "may not open", "udev rule"}},
        FaultCase{"libftdi", "strings", {"Error Opening USB Port", "libftdi: ", "did not give its description"}},
        FaultCase{"libftdi",
                  "claimed",
                  {"USB device could not be opened", "(-5)", "LIBUSB_ERROR_BUSY (-6)",
                   "another program holds channel A", "close it"}},
        FaultCase{
            "libftdi",
            "kernel-driver-stuck",
            {"USB device could not be opened", "(-5)", "serial driver (ftdi_sio) holds channel A", "rmmod ftdi_sio"}},
        FaultCase{
            "d2xx", "claimed", {"USB device could not be opened", "Device not opened", "another", "rmmod ftdi_sio"}},
        FaultCase{"d2xx",
                  "strings",
                  {"Error Opening USB Port", "(device 0 of 2) - Device not found... (status 2)",
                   "did not give its description"}}),
    [](const auto& info) {
      std::string name = std::string(info.param.driver) + "_" + info.param.fault;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

// The connection check under each fault: the problem it finds and its fix
// must agree (a channel held by the kernel's serial driver is not mended by
// checking the cable), and advice to install the udev rule is given only
// where it is not installed.
struct DoctorCase {
  const char* driver;
  const char* fault;
  bool ruleInstalled;
  const char* problem;  // a problem that names this
  const char* fix;      // has a fix that says this
};

class DoctorFaults : public ::testing::TestWithParam<DoctorCase> {};

TEST_P(DoctorFaults, EachProblemGetsTheFixThatMatchesIt) {
  const DoctorCase& c = GetParam();
  Rig rig(2);
  const Driver& d = std::string(c.driver) == "libftdi" ? kDrivers[1] : kDrivers[2];
  const std::string udevRoot = rig.Dir().File("root");
  std::filesystem::create_directories(udevRoot + "/usr/lib/udev/rules.d");
  if (c.ruleInstalled)
    WriteFile(udevRoot + "/usr/lib/udev/rules.d/60-velmar-programmer.rules",
              ReadFile(SourceDir() + "packaging/udev/60-velmar-programmer.rules"));
  const std::string emulated = "cd " + Quote(rig.Dir().Path()) + " && VELMAR_UDEV_ROOT=" + Quote(udevRoot) +
                               " VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " + SourceDir() +
                               "scripts/with-emulated-usb.sh --fault " + c.fault + " " + d.emulation + " " +
                               Quote(rig.StateFile(d)) + " -- " + Rig::Cli() + " --working-folder " +
                               Quote(rig.Dir().Path()) + " --driver " + d.name;
  std::string out;
  EXPECT_EQ(RunCommand(emulated + " --json doctor 2>/dev/null", &out), 1) << out;
  const nlohmann::json report = nlohmann::json::parse(out, nullptr, false);
  ASSERT_TRUE(report.is_object()) << out;
  bool found = false;
  for (const nlohmann::json& p : report["problems"]) {
    const std::string problem = p["problem"], fix = p["fix"];
    SCOPED_TRACE(problem + "\n  fix: " + fix);
    EXPECT_EQ(fix.find("power or battery"), std::string::npos);  // the fix of a silent programmer
    if (c.ruleInstalled) {
      EXPECT_EQ(fix.find("Install the udev rule"), std::string::npos);
    }
    if (problem.find(c.problem) != std::string::npos) {
      found = true;
      EXPECT_NE(fix.find(c.fix), std::string::npos) << "\"" << c.fix << "\"";
    }
  }
  EXPECT_TRUE(found) << "no problem names \"" << c.problem << "\" in:\n" << out;
  // The link's own message under the fault agrees with what doctor found.
  EXPECT_NE(RunCommand(emulated + " list 2>&1", &out), 0) << out;
  if (c.ruleInstalled) {
    EXPECT_EQ(out.find("Install Velmar's udev rule"), std::string::npos) << out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Backends, DoctorFaults,
    ::testing::Values(DoctorCase{"libftdi", "kernel-driver-stuck", true, "rmmod ftdi_sio", "sudo rmmod ftdi_sio"},
                      DoctorCase{"libftdi", "claimed", true, "another program holds channel A",
                                 "Close the other program"},
                      DoctorCase{"libftdi", "open-denied", false, "may not open", "Install the udev rule"},
                      DoctorCase{"libftdi", "open-denied", true, "may not open", "so that the udev rule applies"},
                      DoctorCase{"libftdi", "strings", true, "did not give its description", "another USB port"},
                      DoctorCase{"d2xx", "kernel-driver-stuck", true, "rmmod ftdi_sio", "sudo rmmod ftdi_sio"},
                      DoctorCase{"d2xx", "claimed", true, "The channel is held", "close the other program"},
                      DoctorCase{"d2xx", "open-denied", true, "may not open", "so that the udev rule applies"}),
    [](const auto& info) {
      std::string name = std::string(info.param.driver) + "_" + info.param.fault +
                         (info.param.ruleInstalled ? "_with_rule" : "_without_rule");
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
}  // namespace velmar::test
