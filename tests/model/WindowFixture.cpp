// The window fixture and its rule devices.
#include "model/WindowFixture.h"
#include "operations/WindowOperations.h"

#include <algorithm>
#include <stdexcept>

using velmar::model::Ctl;

namespace velmar::test {

const char* const kRuleDevices =
    "[PIC18F1220]\nDeviceID=07E0\nFlashSize=4096\nEEPROMSIZE=256\nType=B\n"
    "[PIC18F4520]\nDeviceID=1080\nFlashSize=32768\nEEPROMSIZE=256\nType=B\n"
    "[PIC18F2331]\nDeviceID=08E0\nEEPROMSIZE=256\nType=C\nnoLVP=1\n"
    "[PIC18F4550]\nDeviceID=1200\nEEPROMSIZE=0\n"
    "[PIC18F46J50]\nDeviceID=4CA0\nFlashSize=65536\nType=J\nnoLVP=1\nis3Vonly=1\n"
    "[PIC18F46K22]\nDeviceID=5400\nEEPROMSIZE=1024\nType=K22\n"
    "[PIC18LF46K22]\nDeviceID=5420\nEEPROMSIZE=1024\nType=K22\nis3Vonly=1\n"
    "[PIC18F66J94K]\nDeviceID=6000\nType=J94\n"
    "[PIC18F46k99]\nDeviceID=7000\n"
    "[PIC16F88]\nDeviceID=0760\nEEPROMSIZE=256\nColumn=5\n"
    "[PIC16F819]\nDeviceID=04E0\nEEPROMSIZE=256\nColumn=5\n"
    "[PIC16F628A]\nDeviceID=1060\nEEPROMSIZE=128\nColumn=3\n"
    "[PIC16F877A]\nDeviceID=0E20\nEEPROMSIZE=256\nColumn=4\n"
    "[PIC16F84A]\nDeviceID=0560\nEEPROMSIZE=64\nColumn=0\n"
    "[PIC16LF1827]\nDeviceID=28A0\nEEPROMSIZE=256\nColumn=0\n"
    "[PIC16F1827]\nDeviceID=27A0\nEEPROMSIZE=256\nColumn=12\n"
    "[PIC16LF1826]\nDeviceID=2880\nEEPROMSIZE=256\nColumn=12\nis3Vonly=1\n"
    "[PIC16F1509]\nDeviceID=2D40\nColumn=15\n"
    "[PIC16F73]\nDeviceID=0600\nColumn=2\n"
    "[PIC16F54]\nColumn=8\n"
    "[PIC24FJ64GA002]\nDeviceID=0447\nType=24FJ\nis3Vonly=1\n"
    "[PIC24F16KA102]\nDeviceID=0D03\nType=24KA\nEEPROMSIZE=512\nis3Vonly=1\n"
    "[PIC24FV16KA302]\nDeviceID=4503\nType=24KA\nEEPROMSIZE=512\n"
    "[dsPIC30F4011]\nDeviceID=0101\nType=ds30\nEEPROMSIZE=1024\n";

WindowFixture::WindowFixture(const std::string& devicesIni) {
  if (!devicesIni.empty()) WriteFile(program.File("DEVICES.INI"), devicesIni);
  WriteFile(program.File("progsetting.ini"), "[AppSetting]\nPCQRX=5.1.0\nPCPRIMA=6.2.0\n");
  dialogs.defaultAnswer = platform::DlgButton::Ok;
}

model::TMainForm& WindowFixture::Show(int kind) {
  window = std::make_unique<model::TMainForm>(dialogs, image::Folders{working.Path(), program.Path()});
  ops::BindOperations(*window);
  window->SetLinkTuning(&tuning);
  window->FormCreate(false);
  window->ProgrammerKind = slot::ProgrammerKind(kind);
  window->ConfigureForKind();
  window->FormShow();
  return *window;
}

void WindowFixture::Choose(int family, const std::string& device) {
  C().UserSelect(Ctl::family, family);
  const auto& items = C().Items(Ctl::deviceList);
  auto it = std::find(items.begin(), items.end(), device);
  if (it == items.end()) throw std::runtime_error(device + " is not listed");
  C().UserSelect(Ctl::deviceList, int(it - items.begin()));
}

}  // namespace velmar::test
