// Everything a command that talks to the programmer needs, built from the
// global options: the link environment (driver, clock, trace, simulated
// programmer), the USB interface adapter, the device record, a window that
// records what the link shows, and the programmer link itself. Run() closes
// the link and saves the simulated programmer's state whatever happens, and
// turns the link's exceptions into the command's failure.
#pragma once

#include <functional>
#include <memory>

#include "devices/TData.h"
#include "frontend/LinkEnvironment.h"
#include "link/TReadProg.h"
#include "platform/Dialogs.h"

namespace velmar::link {
class D2XXUnit;
class TReadProg;
}  // namespace velmar::link

namespace velmar::cli {

struct CliContext;

frontend::LinkOptions LinkOptionsFrom(const CliContext& ctx);
// What the link's "no device" messages add on the command line.
std::string DoctorAdvice();
// The link environment of the global options; options that do not fit
// together are a usage error, files that cannot be used a failure.
std::unique_ptr<frontend::LinkEnvironment> MakeLinkEnvironment(const CliContext& ctx);

class LinkSession {
 public:
  explicit LinkSession(CliContext& ctx);
  ~LinkSession();

  frontend::LinkEnvironment& Env() { return *env_; }
  link::TReadProg& Prog() { return *prog_; }
  link::D2XXUnit& Unit() { return *unit_; }
  devices::TData& Data() { return data_; }

  void Run(const std::function<void()>& body);

 private:
  CliContext& ctx_;
  std::unique_ptr<frontend::LinkEnvironment> env_;
  std::unique_ptr<link::D2XXUnit> unit_;
  devices::TData data_;
  platform::NullMessagePump pump_;
  std::unique_ptr<link::TReadProg> prog_;
};

}  // namespace velmar::cli
