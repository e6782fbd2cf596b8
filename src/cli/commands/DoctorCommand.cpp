// `velmar-cli doctor`: the connection check on the terminal. It prints what
// it found about the USB devices, the udev rule, the D2XX library and the
// programmer, then every problem with its fix; --json gives the same as one
// object. Exit status 0 when a programmer answered, 1 otherwise. The
// --sysfs-root, --dev-root and --udev-root options point it at a fake tree.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/LinkSession.h"
#include "link/ConnectionCheck.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::cli {

namespace {

struct DoctorArgs {
  std::string sysfsRoot;
  std::string devRoot = "/dev";
  std::string udevRoot = "/";
};

link::Identification IdentifyProgrammer(CliContext& ctx) {
  link::Identification id;
  try {
    LinkSession s(ctx);
    s.Unit().NoDeviceAdvice = nullptr;  // this is the doctor
    s.Run([&] { id = link::IdentifyWith(s.Prog()); });
  } catch (const std::exception& e) {
    id.answered = false;
    id.error = e.what();
  }
  return id;
}

nlohmann::ordered_json DeviceJson(const link::CheckedDevice& d) {
  nlohmann::ordered_json interfaces = nlohmann::ordered_json::array();
  for (const link::UsbInterface& i : d.usb.interfaces)
    interfaces.push_back({{"number", i.number},
                          {"channel", d.usb.serial.empty() ? std::string() : d.usb.serial + char('A' + i.number)},
                          {"driver", i.driver},
                          {"tty", i.tty}});
  return {{"id", d.usb.Id()},
          {"path", d.usb.path},
          {"bus", d.usb.bus},
          {"address", d.usb.address},
          {"manufacturer", d.usb.manufacturer},
          {"product", d.usb.productName},
          {"serial", d.usb.serial},
          {"programmer_chip", d.isProgrammerChip},
          {"node", d.access.node},
          {"node_exists", d.access.exists},
          {"permissions", d.access.permissions},
          {"can_open", d.access.canOpen},
          {"interfaces", interfaces}};
}

void Doctor(CliContext& ctx, const DoctorArgs& a) {
  link::CheckSetup setup = frontend::ConnectionCheckSetup(ctx.options);
  setup.sysfsRoot = a.sysfsRoot.empty() ? std::string("/sys") : a.sysfsRoot;
  setup.useLibusb = a.sysfsRoot.empty();  // a fake tree is listed as it is
  setup.devRoot = a.devRoot;
  setup.udevRoot = a.udevRoot;
  setup.identify = [&ctx] { return IdentifyProgrammer(ctx); };
  const link::ConnectionReport r = link::RunConnectionCheck(setup);

  if (ctx.options.json) {
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (const link::CheckedDevice& d : r.devices) devices.push_back(DeviceJson(d));
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const link::Problem& p : r.problems) problems.push_back({{"problem", p.problem}, {"fix", p.fix}});
    nlohmann::ordered_json programmer = nullptr;
    if (r.identification) {
      const link::Identification& id = *r.identification;
      programmer = {{"answered", id.answered}};
      if (id.answered) {
        programmer["kind"] = slot::NumberOf(id.kind);
        programmer["model"] = id.model;
        programmer["firmware_version"] = id.firmwareVersion;
      } else {
        programmer["error"] = id.error;
      }
    }
    ctx.PrintJson(
        {{"devices", devices},
         {"listed_with", r.listedWith},
         {"udev_rule", r.udevRule},
         {"d2xx", r.d2xxProblem.empty() ? std::string("loads") : r.d2xxProblem.substr(0, r.d2xxProblem.find('\r'))},
         {"driver", r.driver},
         {"programmer", programmer},
         {"problems", problems},
         {"ok", r.Ok()}});
  } else {
    ctx.out << link::ReportText(r);
  }
  ctx.exitCode = r.Ok() ? kExitOk : kExitFailed;
}

}  // namespace

void RegisterDoctorCommands(CLI::App& app, CliContext& ctx) {
  auto args = std::make_shared<DoctorArgs>();
  auto* doctor = app.add_subcommand(
      "doctor", "Find out why the programmer does not answer: USB devices, permissions, drivers, udev rule, D2XX");
  doctor->add_option("--sysfs-root", args->sysfsRoot, "Read the USB devices from this sysfs tree (for tests)");
  doctor->add_option("--dev-root", args->devRoot, "Folder standing for /dev (for tests)");
  doctor->add_option("--udev-root", args->udevRoot, "Folder standing for / when looking for udev rules (for tests)");
  doctor->callback([&ctx, args] { Doctor(ctx, *args); });
}

}  // namespace velmar::cli
