// `update-firmware` against simulated programmers in state files, the
// terminal's progress view, and `sim firmware-hex`.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "cli/TerminalProgress.h"
#include "model/ProgressForm.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct UpdateCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  std::string Make(const std::string& name, std::vector<std::string> options) {
    std::vector<std::string> args = {"sim", "create", dir.File(name)};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Run(args).status, 0);
    return dir.File(name);
  }
  TempDir dir;
};

TEST_F(UpdateCli, UpdatesOldFirmwareAndReportsTheNewVersionAndTheTime) {
  std::string state = Make("p.state", {"--kind", "0", "--version", "200"});
  auto r = Run({"--sim-state", state, "--yes", "update-firmware"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line :
       {"Update Programmer\n", "Updating programmer... Programming Firmware File\n", "  50% (64 of 128)\n",
        "Programmer Update... Completed!\n", "firmware version: 226 (0xE2)\n", "update time:      13075 ms\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_NE(r.out.find("protocol time:"), std::string::npos);
  EXPECT_NE(r.err.find("Programmer Needs Firmware update"), std::string::npos);  // asked with the reason

  auto id = Run({"--sim-state", state, "identify", "--json"});
  ASSERT_EQ(id.status, 0) << id.err;
  EXPECT_EQ(json::parse(id.out)["firmware_version"], 226);
}

TEST_F(UpdateCli, JsonKeepsProgressOffStandardOutput) {
  std::string state = Make("p.state", {"--kind", "4", "--firmware", "pic24", "--version", "40"});
  auto r = Run({"--sim-state", state, "--yes", "--json", "update-firmware"});
  ASSERT_EQ(r.status, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["kind"], 4);
  EXPECT_EQ(j["required_firmware"], 1);  // it ran PIC24 firmware, so it gets PIC24 firmware again
  EXPECT_EQ(j["firmware_version"], 48);
  EXPECT_EQ(j["loaded_firmware"], 1);
  EXPECT_EQ(j["update_ms"], 13075);
  EXPECT_NE(j["firmware_file"].get<std::string>().find("qrxpic24.upd"), std::string::npos);
  EXPECT_NE(r.err.find("Programmer Update... Completed!"), std::string::npos);
}

// The update's operation log record names the pacing it ran in.
TEST_F(UpdateCli, TheRecordNamesThePacingInForce) {
  for (const std::string pacing : {"fast", "exact"}) {
    const std::string state = Make(pacing + ".state", {"--kind", "0", "--version", "200"});
    ASSERT_EQ(Run({"--sim-state", state, "--link-pacing", pacing, "--yes", "update-firmware"}).status, 0);
    const std::string log = ReadFile(dir.File("velmar-log.jsonl"));
    const json last = json::parse(log.substr(log.rfind("{\"time\"")));
    EXPECT_EQ(last["operation"], "update-firmware");
    EXPECT_EQ(last["link_pacing"], pacing);
  }
}

TEST_F(UpdateCli, DecliningChangesNothing) {
  std::string state = Make("p.state", {"--kind", "5", "--version", "200"});
  const std::string before = ReadFile(state);
  auto r = Run({"--sim-state", state, "--no", "update-firmware"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(ReadFile(state), before);
}

// The question names the file's version and the installed one, in decimal
// and hexadecimal, and says when the update would only write the same
// version again.
TEST_F(UpdateCli, TheQuestionNamesBothVersionsAndAVersionAlreadyInstalled) {
  std::string older = Make("older.state", {"--kind", "5", "--version", "200"});
  auto r = Run({"--sim-state", older, "--no", "update-firmware"});
  EXPECT_NE(r.err.find("Offered: 226 (0xE2)\nInstalled: 200 (0xC8)\n"), std::string::npos) << r.err;
  std::string same = Make("same.state", {"--kind", "5", "--version", "226"});
  r = Run({"--sim-state", same, "--no", "update-firmware"});
  EXPECT_NE(r.err.find("Offered: 226 (0xE2)\nInstalled: 226 (0xE2), already installed"), std::string::npos) << r.err;
}

TEST_F(UpdateCli, ABadFileFailsWithItsMessageAndLeavesTheProgrammerAsItWas) {
  std::string state = Make("p.state", {"--kind", "5", "--version", "200"});
  WriteFile(dir.File("bad.upd"), "not a firmware file\r\n");
  auto r = Run({"--sim-state", state, "--yes", "update-firmware", "--file", dir.File("bad.upd")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error: Firmware file Corrupted\n" + dir.File("bad.upd") + "\nClosing..."), std::string::npos)
      << r.err;
  auto id = Run({"--sim-state", state, "identify", "--json"});
  EXPECT_NE(id.err.find("Programmer Needs Firmware update"), std::string::npos);

  // A version 1 programmer takes the PIC12/16/18 file whatever --file says.
  std::string single = Make("q.state", {"--kind", "0", "--version", "200"});
  auto forced = Run({"--sim-state", single, "--yes", "update-firmware", "--file", dir.File("bad.upd")});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(forced.err.find("--file is not used"), std::string::npos);
}

TEST_F(UpdateCli, AProgrammerWhoseFirmwareDoesNotAnswerIsUpdatedForTheKindGiven) {
  std::string state = Make("p.state", {"--kind", "5", "--firmware", "none"});
  auto r = Run({"--sim-state", state, "--yes", "--json", "update-firmware", "--kind", "single-v2", "--required", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["firmware_version"], 48);
  EXPECT_EQ(Run({"--sim-state", state, "update-firmware", "--kind", "banana"}).status, 2);
  EXPECT_EQ(Run({"--sim-state", state, "update-firmware", "--required", "2"}).status, 2);
}

TEST_F(UpdateCli, FirmwareHexWritesTheImageOfASimulatedFirmware) {
  auto r = Run({"sim", "firmware-hex", dir.File("fw.hex"), "--firmware", "portable", "--version", "150"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Wrote " + dir.File("fw.hex") + " (portable firmware version 150 (0x96) for the atmega128)\n");
  // The same number means the same version on both commands, in either base.
  for (const char* version : {"150", "0x96"}) {
    auto packed = Run({"firmware", "pack", "--version", version, "--hex", dir.File("fw.hex"), dir.File("fw.upd")});
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(ReadFile(dir.File("fw.upd")), ReadFile(BinDir() + "FirmWare/primafw.upd")) << version;
  }
  auto hexVersion = Run({"sim", "firmware-hex", dir.File("h.hex"), "--firmware", "portable", "--version", "96"});
  ASSERT_EQ(hexVersion.status, 0) << hexVersion.err;
  EXPECT_NE(hexVersion.out.find("version 96 (0x60)"), std::string::npos) << hexVersion.out;
  EXPECT_EQ(Run({"sim", "firmware-hex", dir.File("x.hex"), "--firmware", "none", "--version", "1"}).status, 2);
  EXPECT_EQ(
      Run({"sim", "firmware-hex", dir.File("x.hex"), "--firmware", "pic", "--version", "1", "--controller", "z80"})
          .status,
      2);
}

TEST(TerminalProgress, PlainLinesGiveEachStepAndEveryTenthOfTheWay) {
  std::ostringstream out;
  cli::TerminalProgress view(out, false);
  {
    model::ProgressForm form(&view, nullptr);
    form.Show();
    form.SetMessage("Erasing\rfirst");
    for (int p = 0; p < 20; ++p) form.UpdateStat(p, 20);
    form.SetMessage("Done");
  }
  EXPECT_EQ(out.str(),
            "Update Programmer\nErasing\nfirst\n  0% (0 of 20)\n  10% (2 of 20)\n  20% (4 of 20)\n  30% (6 of 20)\n"
            "  40% (8 of 20)\n  50% (10 of 20)\n  60% (12 of 20)\n  70% (14 of 20)\n  80% (16 of 20)\n"
            "  90% (18 of 20)\nDone\n");

  std::ostringstream tty;
  cli::TerminalProgress bar(tty, true);
  {
    model::ProgressForm form(&bar, nullptr);
    form.Show();
    form.SetMessage("Step");
    form.UpdateStat(0, 4);
    form.UpdateStat(2, 4);
  }
  EXPECT_EQ(tty.str(), "Update Programmer\nStep\n\r[" + std::string(40, ' ') + "] 0% \r[" + std::string(20, '#') +
                           std::string(20, ' ') + "] 50% \n");
}

}  // namespace
}  // namespace velmar::test
