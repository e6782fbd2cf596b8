// `velmar-cli doctor`: the connection check on the terminal. It prints what
// it found about the USB devices, the udev rule, the D2XX library and the
// programmer, then every problem with its fix; --json gives the same as one
// object. Exit status 0 when a programmer answered, 1 otherwise. The
// --sysfs-root, --dev-root and --udev-root options point it at a fake tree.
// `doctor --link-test` instead tests the fast pacing on the programmer: the
// same reads in both pacings, every reply compared (link/PacingComparison.h),
// recorded in the operation log; exit status 0 only when they agree.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/LinkSession.h"
#include "cli/TerminalDialogs.h"
#include "frontend/PacingTestReport.h"
#include "link/ConnectionCheck.h"
#include "link/D2XXUnit.h"
#include "link/PacingComparison.h"
#include "link/TReadProg.h"
#include "oplog/OperationJournal.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::cli {

namespace {

struct DoctorArgs {
  std::string sysfsRoot;
  std::string devRoot = "/dev";
  std::string udevRoot;  // "": udev's own folders (or VELMAR_UDEV_ROOT's)
  bool linkTest = false;
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

void RecordProgrammer(oplog::OperationRecord& r, const link::PacingComparison& c, const link::TReadProg& p) {
  if (const slot::KindInfo* kind = slot::FindKind(c.kind)) {
    r.kind = kind->name;
    r.model = kind->model;
  }
  const std::string& serial = p.SerialNumbers[std::size_t(p.InterfaceIndex) % p.SerialNumbers.size()];
  if (!serial.empty()) r.serial = serial;
  if (c.firmwareVersion >= 0) r.firmwareVersion = c.firmwareVersion;
}

nlohmann::ordered_json ComparisonJson(const link::PacingComparison& c) {
  nlohmann::ordered_json differences = nlohmann::ordered_json::array();
  auto hex = [](const std::vector<std::uint8_t>& bytes) {
    std::string t;
    for (std::uint8_t b : bytes) t += (t.empty() ? "" : " ") + text::IntToHex(b, 2);
    return t;
  };
  for (const link::ReplyDifference& d : c.differences)
    differences.push_back({{"step", d.step},
                           {"reply_byte", d.offset + 1},
                           {"exact", hex(d.exact)},
                           {"fast", hex(d.fast)},
                           {"exact_bytes", d.exactLength},
                           {"fast_bytes", d.fastLength}});
  nlohmann::ordered_json j = {{"identical", c.Identical()}, {"compared", c.Compared()}};
  if (c.Compared()) {
    j["kind"] = slot::NumberOf(c.kind);
    j["firmware_version"] = c.firmwareVersion;
    j["slots_in_use"] = c.slotsInUse;
    j["pages"] = c.pages.size();
    j["exact_ms"] = c.exact.ms;
    j["fast_ms"] = c.fast.ms;
  }
  if (!c.exact.error.empty()) j["exact_error"] = c.exact.error;
  if (!c.fast.error.empty()) j["fast_error"] = c.fast.error;
  j["differences"] = differences;
  return j;
}

void LinkTest(CliContext& ctx) {
  LinkSession s(ctx);
  s.Unit().NoDeviceAdvice = nullptr;  // this is the doctor
  link::TReadProg& p = s.Prog();
  oplog::OperationJournal journal(*ctx.dialogs);
  journal.SetFolderSource([&p] { return p.WorkingFolder; });
  journal.SetDriver(s.Env().BackendName());
  journal.SetLocation(s.Env().Location());
  journal.SetLinkPacing(link::PacingName(p.Pacing));
  link::PacingComparison c;
  s.Run([&] {
    oplog::OperationRecorder logged(&journal, oplog::LoggedOperation::link_test, &s.Env().Clock(),
                                    [&](oplog::OperationRecord& r) { RecordProgrammer(r, c, p); });
    c = link::CompareLinkPacings(p);
    if (c.Identical())
      logged.Succeeded();
    else
      logged.Failed(c.Finding());
  });
  if (ctx.options.json)
    ctx.PrintJson({{"link_test", ComparisonJson(c)}, {"ok", c.Identical()}});
  else
    ctx.out << frontend::PacingTestReport(
        c,
        "run with --link-pacing fast, or choose Programmer > Link Pacing > Fast in the window (kept in setting.ini)");
  ctx.exitCode = c.Identical() ? kExitOk : kExitFailed;
}

void Doctor(CliContext& ctx, const DoctorArgs& a) {
  if (a.linkTest) return LinkTest(ctx);
  link::CheckSetup setup = frontend::ConnectionCheckSetup(ctx.options);
  setup.sysfsRoot = a.sysfsRoot.empty() ? std::string("/sys") : a.sysfsRoot;
  setup.useLibusb = a.sysfsRoot.empty();  // a fake tree is listed as it is
  setup.devRoot = a.devRoot;
  if (!a.udevRoot.empty()) setup.udevRoot = a.udevRoot;
  setup.identify = [&ctx] { return IdentifyProgrammer(ctx); };
  link::ConnectionReport r = link::RunConnectionCheck(setup);
  r.linkPacing = link::PacingName(frontend::LinkEnvironment::PacingInForce(LinkOptionsFrom(ctx)));

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
         {"link_pacing", r.linkPacing},
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
  doctor->add_flag("--link-test", args->linkTest,
                   "Test fast exchanges on this programmer: the same reads in both link pacings, every reply "
                   "compared (nothing is written)");
  doctor->callback([&ctx, args] { Doctor(ctx, *args); });
}

}  // namespace velmar::cli
