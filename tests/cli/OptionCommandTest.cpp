// `velmar-cli devices`, `options` and `settings` run in-process against the
// shipped device database and a temporary working folder.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

using nlohmann::json;
using velmar::test::RunCliInProcess;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

struct OptionCommands : ::testing::Test {
  TempDir program, working;
  void SetUp() override {
    std::filesystem::copy_file(velmar::test::SourceDir() + "data/DEVICES.INI", program.File("DEVICES.INI"));
  }
  velmar::test::CliResult Run(std::vector<std::string> args) {
    std::vector<std::string> all = {"--program-folder", program.Path(), "--working-folder", working.Path()};
    all.insert(all.end(), args.begin(), args.end());
    return RunCliInProcess(all);
  }
  json Json(std::vector<std::string> args) {
    args.insert(args.begin(), "--json");
    auto r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
  }
};

TEST_F(OptionCommands, FamilyListsFollowTheKind) {
  EXPECT_EQ(Json({"devices"})["families"].size(), 6u);
  EXPECT_EQ(Json({"devices", "--kind", "1"})["families"], json::parse(R"(["PIC18F","PIC12F-16F","PIC18J"])"));
  json j = Json({"devices", "--family", "2"});
  EXPECT_NE(std::find(j["devices"].begin(), j["devices"].end(), "PIC18F46J50"), j["devices"].end());
  EXPECT_EQ(Run({"devices", "--family", "6"}).status, 2);
  EXPECT_EQ(Run({"devices", "--kind", "9"}).status, 2);
}

TEST_F(OptionCommands, DevicesMatchPartOfTheNameInAnyLetterCase) {
  EXPECT_EQ(Json({"devices", "--family", "0", "--match", "f452"})["devices"],
            json::parse(R"(["PIC18F452","PIC18F4520","PIC18F4523","PIC18F4525"])"));
  // Without --family every family of the kind is searched.
  json all = Json({"devices", "--match", "46k22"})["devices"];
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]["family"], 3);
  EXPECT_EQ(all[0]["device"], "PIC18F46K22");
  EXPECT_EQ(all[1]["device"], "PIC18LF46K22");
  auto text = Run({"devices", "--family", "5", "--match", "4013"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("dsPIC30F4013"), std::string::npos);
  auto none = Run({"devices", "--family", "0", "--match", "K22"});  // K parts are in their own family
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("K22"), std::string::npos);
}

TEST_F(OptionCommands, OptionsShowControlsAndDeviceRecord) {
  json j = Json({"options", "--family", "1", "--device", "PIC16F628A", "--set", "ProgramOps=1", "--set",
                 "limitPrograms=true", "--set", "ProgCount=300"});
  const json& c = j["controls"];
  EXPECT_EQ(c["ProgramOps"]["value"], 1);
  EXPECT_EQ(c["progUserID"]["enabled"], false);
  EXPECT_EQ(c["progMode"]["enabled"], false);  // Column 3 locks the mode
  EXPECT_EQ(c["Progmodelabel"]["value"], "LVP not available on this device");
  EXPECT_EQ(c["ProgCount"]["value"], 300);
  EXPECT_EQ(c["ProgCount"]["enabled"], true);
  EXPECT_EQ(c["targetPowerNote"]["value"], "Programmer powers target at 5V");
  EXPECT_EQ(j["data"]["device_name"], "PIC16F628A");
  EXPECT_EQ(j["data"]["device_id"], "1060");
  EXPECT_EQ(j["data"]["family"], 1);

  json k = Json({"options", "--family", "3", "--device", "PIC18F46K22"});
  EXPECT_EQ(k["controls"]["bootSave"]["visible"], true);
  EXPECT_EQ(k["data"]["type"], "K22");
  json d = Json({"options", "--family", "5", "--device", "dsPIC30F4011"});
  EXPECT_EQ(d["data"]["required_firmware"], 1);
}

TEST_F(OptionCommands, BadSettingsAreUsageErrors) {
  auto unknown = Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "Nothing=1"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("Nothing"), std::string::npos);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "ProgCount=0"}).status, 2);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "progMode=2"}).status, 2);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "BulkErase=yes"}).status, 2);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "targetPowerNote=x"}).status, 2);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC18F4520", "--set", "novalue"}).status, 2);
  EXPECT_EQ(Run({"options", "--family", "0", "--device", "PIC16F84A"}).status, 2);
}

TEST_F(OptionCommands, AMissingDeviceFileFails) {
  std::filesystem::remove(program.File("DEVICES.INI"));
  auto r = Run({"devices"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error Opening Device File - "), std::string::npos);
  auto old = Run({"devices", "--kind", "1", "--family", "0"});  // kind 1 needs no file until a device is chosen
  EXPECT_EQ(old.status, 1);
  EXPECT_NE(old.err.find("Can not open Devices Inifile"), std::string::npos);
}

TEST_F(OptionCommands, SettingsShowWhatTheWindowLoads) {
  json missing = Json({"settings"});
  EXPECT_EQ(missing["exists"], false);
  EXPECT_EQ(missing["settings"]["ProgMode"], 1);
  WriteFile(working.File("setting.ini"), "[ProgSettings]\nPICFamily=4\n24Device=2\nREPEAT=999\n");
  json j = Json({"settings"});
  EXPECT_EQ(j["exists"], true);
  EXPECT_EQ(j["settings"]["PICFamily"], 4);
  EXPECT_EQ(j["settings"]["Device"], 2);
  EXPECT_EQ(j["settings"]["REPEAT"], 255);
  EXPECT_EQ(j["settings"]["ProgMode"], 0);
  // A file of an earlier version names its devices by position only: the
  // command says which device each position selected.
  ASSERT_EQ(j["selected_by_position"].size(), 1u);
  EXPECT_EQ(j["selected_by_position"][0]["key"], "24Device");
  EXPECT_EQ(j["selected_by_position"][0]["device"], "PIC24F08KA101");
  EXPECT_EQ(j["settings"]["24DeviceName"], "PIC24F08KA101");
  EXPECT_NE(Run({"settings"})
                .out.find("; setting.ini stores no PIC24F device name: its position 2 (24Device) "
                          "selected PIC24F08KA101; check the device\n"),
            std::string::npos);
  // Showing settings never writes them.
  EXPECT_EQ(velmar::test::ReadFile(working.File("setting.ini")),
            "[ProgSettings]\nPICFamily=4\n24Device=2\nREPEAT=999\n");
}

TEST_F(OptionCommands, AFileNameThatIsNotUtf8IsShownNotFatal) {
  // A file name saved by a program that used an 8-bit character set.
  WriteFile(working.File("setting.ini"),
            "[ProgSettings]\nPICFamily=0\nFlashFile=/tmp/Pr\xFC"
            "fung.hex\n");
  for (bool asJson : {false, true}) {
    std::vector<std::string> args{"options", "--family", "0", "--device", "PIC18F4520"};
    if (asJson) args.insert(args.begin(), "--json");
    auto r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/tmp/Pr\xEF\xBF\xBD"
                         "fung.hex"),
              std::string::npos)
        << r.out;
  }
}

}  // namespace
