// `read`, `details` and `find`, run in-process against simulated
// programmers whose slots are staged with `sim import`.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "slot/ProgrammerGeometry.h"
#include "support/SlotHeaders.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct ReadCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  // A simulated programmer of `kind` holding these slots; returns its state file.
  std::string Stage(const std::string& kind, const std::vector<SlotSpec>& slots, const std::string& extra = {}) {
    const std::string state = dir.File(kind + ".state");
    std::vector<std::string> create{"sim", "create", state, "--kind", kind, "--force"};
    if (!extra.empty()) create.insert(create.end(), {"--fault", extra});
    EXPECT_EQ(Run(create).status, 0);
    slot::ProgrammerGeometry g;
    g.ApplyKind(*slot::ParseKind(kind));
    const std::uint32_t pages = g.PagesPerSlot();
    image::THexList img((pages * std::uint32_t(slots.size()) + 1) * g.PageSize);
    for (std::size_t i = 0; i < slots.size(); ++i) {
      const std::uint32_t start = pages * std::uint32_t(i);
      slot::HeaderBytes h = MakeHeader(slots[i], int(i) + 1, start, pages, !g.IsMultiSlot());
      for (std::size_t b = 0; b < h.size(); ++b) img.SetValue(start * g.PageSize + std::uint32_t(b), h[b]);
    }
    EXPECT_EQ(image::TFileLoader::SaveFile(dir.File("unit.hex"), img).result, 0);
    EXPECT_EQ(Run({"sim", "import", state, dir.File("unit.hex")}).status, 0);
    return state;
  }
  TempDir dir;
};

SlotSpec Job(const std::string& description, const std::string& file) {
  SlotSpec s;
  s.description = description;
  s.file = file;
  s.device = "PIC16F628A";
  s.deviceId = "1060";
  s.optionsA = 0xCC;  // PIC12F-16F, match, high voltage, no verify
  s.optionsB = 0x24;  // program code only
  s.familyFlags = 0x03;
  s.supply = 0xFF;
  s.limitFlags = 0x80;
  s.count = 250;
  return s;
}

TEST_F(ReadCli, ReadsEveryKindAsTheWindowShowsIt) {
  const char* kinds[] = {"single", "single-old", "8way", "portable", "8way-v2", "single-v2"};
  for (int k = 0; k < 6; ++k) {
    const std::string state = Stage(kinds[k], {Job("Pump", "pump.hex")});
    auto r = Run({"--sim-state", state, "read", "--json"});
    ASSERT_EQ(r.status, 0) << kinds[k] << ": " << r.err;
    json j = json::parse(r.out);
    const bool multi = k == 2 || k == 3 || k == 4;
    EXPECT_EQ(j["kind"], k);
    EXPECT_EQ(j["slot_count"], 1);
    ASSERT_EQ(j["slots"].size(), 1u);
    EXPECT_EQ(j["slots"][0]["description"], "Pump");
    EXPECT_EQ(j["slots"][0]["file_name"], "pump.hex");
    EXPECT_EQ(j["slots"][0]["stored"]["file_name"], "pump.hex" + std::string(13, ' '));
    EXPECT_EQ(j["selected_slot"], 1);
    EXPECT_EQ(j["status_lines"][0], multi ? "Set up Files, Device etc then" : "Loaded");
    EXPECT_EQ(j["buttons"][0]["caption"], multi ? "New" : "Load");
    EXPECT_EQ(j["buttons"][1]["caption"], multi ? "Replace" : "Read") << j["buttons"].dump();
    // The window's own names only under "controls".
    EXPECT_EQ(j["controls"]["newSlotNumber"]["text"], "001");
    EXPECT_EQ(j["controls"]["editButton"]["visible"], multi);
  }
}

TEST_F(ReadCli, TheTextReportListsRowsLabelsAndUsableButtons) {
  const std::string state = Stage("8way", {Job("Pump", "pump.hex"), Job("Fan", "fan.hex")});
  auto r = Run({"--sim-state", state, "read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  Description  Filename  Device\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("> 002 Fan      fan.hex   PIC16F628A\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slotListHint        Set up Files, Device etc then\n"), std::string::npos);
  EXPECT_NE(r.out.find("buttons       New, Replace, Delete, Read,"), std::string::npos) << r.out;
}

TEST_F(ReadCli, ALinkFailureEndsWithItsMessage) {
  ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "0", "--no-supply"}).status, 0);
  for (const char* answer : {"--yes", "--no"}) {
    auto r = Run({answer, "--sim-state", dir.File("p.state"), "read"});
    EXPECT_EQ(r.status, 1) << "Retry is never taken, so nothing can loop";
    EXPECT_EQ(r.err, "No Voltage Detected! Check battery or power supply\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(ReadCli, AFirmwareConditionAsksWhetherToUpdate) {
  ASSERT_EQ(Run({"sim", "create", dir.File("f.state"), "--kind", "5", "--fault", "unknown_identify=1"}).status, 0);
  auto declined = Run({"--no", "--sim-state", dir.File("f.state"), "read"});
  EXPECT_EQ(declined.status, 3);
  EXPECT_NE(declined.err.find("Version: $E2 PIC12/16/18\n"), std::string::npos) << declined.err;

  auto accepted = Run({"--yes", "--sim-state", dir.File("f.state"), "read", "--programmer", "single",
                       "--programmer-version", "2", "--load-firmware", "pic24"});
  EXPECT_EQ(accepted.status, 1);
  EXPECT_NE(accepted.err.find("Version: $30 PIC24\n"), std::string::npos) << accepted.err;
  EXPECT_NE(accepted.err.find("-> OK"), std::string::npos);
  EXPECT_EQ(Run({"--simulate", "0", "read", "--programmer", "twelve-way"}).status, 2);
}

TEST_F(ReadCli, DetailsShowTheSettingsASlotWasBuiltWith) {
  SlotSpec plain;
  plain.description = "Other";
  const std::string state = Stage("8way-v2", {plain, Job("Pump line", "pump.hex")});
  auto r = Run({"--sim-state", state, "details", "--slot", "2", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["slot"], 2);
  EXPECT_EQ(j["description"], "Pump line");
  EXPECT_EQ(j["file_name"], "pump.hex");
  EXPECT_EQ(j["limit"], 250);
  EXPECT_EQ(j["limit_label"], "Current : 250");
  EXPECT_EQ(j["controls"]["family"]["value"], 1);
  EXPECT_EQ(j["controls"]["ProgramOps"]["value"], 2);
  EXPECT_EQ(j["controls"]["matchDeviceID"]["value"], true);
  EXPECT_EQ(j["controls"]["limitPrograms"]["value"], true);
  EXPECT_EQ(j["controls"]["ProgCount"]["value"], 250);
  EXPECT_EQ(j["data"]["device_name"], "PIC16F628A");

  auto text = Run({"--sim-state", state, "details", "--slot", "2"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("file name read  \"pump.hex\"\nlimit           250\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("deviceList      "), std::string::npos);
}

TEST_F(ReadCli, DetailsRefuseSlotsThatAreNotThere) {
  SlotSpec emptied;
  emptied.description = "Empty";
  const std::string state = Stage("portable", {emptied});
  EXPECT_EQ(Run({"--sim-state", state, "details", "--slot", "2"}).status, 2);
  EXPECT_EQ(Run({"--sim-state", state, "details", "--slot", "0"}).status, 2);
  auto empty = Run({"--sim-state", state, "details", "--slot", "1"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "Slot 1 is empty\n");
  auto emptyJson = Run({"--sim-state", state, "details", "--slot", "1", "--json"});
  EXPECT_EQ(emptyJson.status, 1);
  json j = json::parse(emptyJson.out);
  EXPECT_EQ(j["error"]["message"], "Slot 1 is empty");
  EXPECT_EQ(j["slot_count"], 1);
  EXPECT_EQ(Run({"--simulate", "single", "details", "--slot", "1"}).status, 2);
}

TEST_F(ReadCli, DetailsOfASlotTheProgrammerCannotShowFail) {
  SlotSpec pic24 = Job("Motor", "motor.hex");
  pic24.device = "PIC24F16KA102";
  pic24.deviceId = "0D03";
  pic24.optionsA = 0x98;
  pic24.familyFlags = 0x22;  // PIC24F: the first 8-way offers no such family
  const std::string state = Stage("8way", {pic24});
  for (const char* json : {"--json", ""}) {
    std::vector<std::string> args{"--sim-state", state, "details", "--slot", "1"};
    if (*json) args.push_back(json);
    auto r = Run(args);
    EXPECT_EQ(r.status, 1) << "nothing was shown, so nothing may be reported as the slot's settings";
    EXPECT_NE(r.err.find("Slot 1 holds a PIC24F program, a family this programmer does not offer"), std::string::npos)
        << r.err;
    if (!*json) {
      EXPECT_EQ(r.out, "");
      continue;
    }
    // One object, with the reason and no settings.
    nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["error"]["status"], 1);
    EXPECT_NE(j["error"]["message"].get<std::string>().find("holds a PIC24F program"), std::string::npos) << r.out;
    EXPECT_FALSE(j.contains("controls"));
  }
}

TEST_F(ReadCli, FindSearchesFileNamesAndDescriptions) {
  const std::string state =
      Stage("portable", {Job("Pump", "ABC.HEX"), Job("Fan", "fan.hex"), Job("Abc tester", "t.hex")});
  json first = json::parse(Run({"--sim-state", state, "find", "abc", "--json"}).out);
  EXPECT_EQ(first["found"], true);
  EXPECT_EQ(first["slot"], 1);
  EXPECT_EQ(first["next_from"], 2);
  json next = json::parse(Run({"--sim-state", state, "find", "abc", "--from", "2", "--json"}).out);
  EXPECT_EQ(next["slot"], 3);
  json cased = json::parse(Run({"--sim-state", state, "find", "Abc", "--match-case", "--json"}).out);
  EXPECT_EQ(cased["slot"], 3);

  auto text = Run({"--sim-state", state, "find", "fan"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.rfind("slot 2: ", 0), 0u) << text.out;

  auto missing = Run({"--sim-state", state, "find", "fan", "--whole-word"});
  EXPECT_EQ(missing.status, 1);
  // Said once, where scripts look for the reason of a failure.
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "fan Not Found\n");
  auto missingJson = Run({"--sim-state", state, "--json", "find", "fan", "--whole-word"});
  EXPECT_EQ(missingJson.err, "fan Not Found\n");
  EXPECT_EQ(json::parse(missingJson.out)["error"]["message"], "fan Not Found");
  EXPECT_EQ(Run({"--sim-state", state, "find", "abc", "--from", "0"}).status, 2);
}

// Slot texts are single bytes as the programmer stores them; a description
// typed in an 8-bit character set must not stop the JSON reports.
TEST_F(ReadCli, JsonReportsSurviveSlotTextsThatAreNotUtf8) {
  const std::string state = Stage("8way", {Job("M\xFCller line", "pump.hex")});
  for (const char* command : {"read", "list"}) {
    auto r = Run({"--sim-state", state, command, "--json"});
    ASSERT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_NE(json::parse(r.out).dump().find("M\xEF\xBF\xBDller line"), std::string::npos) << r.out;
  }
  auto found = Run({"--sim-state", state, "find", "ller", "--json"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(json::parse(found.out)["slot"], 1);
  auto details = Run({"--sim-state", state, "details", "--slot", "1", "--json"});
  ASSERT_EQ(details.status, 0) << details.err;
  EXPECT_EQ(json::parse(details.out)["description"], "M\xEF\xBF\xBDller line");
}

}  // namespace
}  // namespace velmar::test
