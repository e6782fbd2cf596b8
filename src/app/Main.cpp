// velmar: the desktop application's main block. It reads the command line
// first (answering --help and --version, and refusing an unknown option
// with status 2, all without a window), then shows the splash window,
// creates the main window (which builds its programmer link), reads the
// programmer before the window is first shown, hides the splash, and runs
// the event loop unless that Read ended the program. With several
// programmers connected, the Programmer menu re-opens the link on another. Velmar's own options
// (--simulate, --sim-state, --driver, --trace, --realtime, --program-folder,
// --working-folder, --link-pacing, --open-unit) are shared with velmar-cli or its own; the
// other arguments are the program's command-line parameters (a file to open
// once the window is shown, or LOAD [FILE] [SHOW], see --help).
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "app/AppArguments.h"
#include "frontend/LinkEnvironment.h"
#include "frontend/SharedOptions.h"
#include "link/ConnectionCheck.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "model/ProgrammerChooser.h"
#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "platform/FileVersionInfo.h"
#include "platform/Paths.h"
#include "ui/AppIcon.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SplashWindow.h"

namespace {

using velmar::model::Ctl;

// Resident memory now and at its peak, from the kernel's process status.
std::string MemoryReport() {
  std::ifstream status("/proc/self/status");
  std::string line, report;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0 || line.rfind("VmHWM:", 0) == 0) report += line + "\n";
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmar;
  app::AppArguments args;  // read before Qt needs a display
  if (auto status = app::ParseAppArguments(argc, argv, args, std::cout, std::cerr)) return *status;
  const frontend::SharedOptions& options = args.options;
  const std::vector<std::string>& parameters = args.parameters;
  QElapsedTimer started;
  started.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName("velmar");
  QApplication::setApplicationVersion(VELMAR_VERSION);
  QApplication::setWindowIcon(ui::ApplicationIcon());
  QFont font = QApplication::font();
  font.setPointSizeF(8.5);
  QApplication::setFont(font);

  ui::SplashWindow splash;
  splash.ShowNow();

  ui::QtDialogs dialogs;
  model::TMainForm form(dialogs, frontend::FoldersFrom(options));
  velmar::ops::BindOperations(form);
  form.SetFolderChoice([options] { return frontend::FoldersFrom(options); });
  // Files planted in a working folder others can write would be read (and
  // their names written) as the program's own.
  if (const std::string warning = platform::SharedFolderWarning(form.Folders.working); !warning.empty())
    dialogs.ShowWarning(warning);
  ui::QtMessagePump pump;
  std::unique_ptr<frontend::LinkEnvironment> environment;
  std::unique_ptr<link::D2XXUnit> unit;
  // Opens the programmer at `port` ("" the first found) for the window's
  // link, after closing the one open before: the parts, or none and why.
  auto openAt = [&](const std::string& port, std::string& error) -> std::optional<model::LinkParts> {
    unit.reset();
    std::string saveError;
    if (environment && !environment->Finish(&saveError)) dialogs.ShowError(saveError);
    environment.reset();
    frontend::SharedOptions chosen = options;
    chosen.port = port;
    try {
      environment = std::make_unique<frontend::LinkEnvironment>(frontend::LinkOptionsFrom(chosen));
      unit = std::make_unique<link::D2XXUnit>(environment->Driver(), dialogs);
      // "No USB devices found!" and the like come with the connection
      // check's findings.
      unit->NoDeviceAdvice = [chosen] {
        const std::string findings =
            link::FindingsText(link::RunConnectionCheck(frontend::ConnectionCheckSetup(chosen)));
        return findings.empty() ? std::string() : "Connection check:\r" + frontend::MessageText(findings);
      };
      // The window's advice points to its own menu, not the command line.
      unit->ConnectionCheckName = "Help > Check Connection > USB and Programmer";
      environment->CheckDelaysOf([&form] { return form.Link(); });
      return model::LinkParts{unit.get(),
                              &environment->Clock(),
                              &pump,
                              environment->BackendName(),
                              environment->FixedNewToken(),
                              environment->Location()};
    } catch (const std::exception& e) {
      unit.reset();
      environment.reset();
      error = e.what();
      return std::nullopt;
    }
  };
  std::string openError;
  if (const std::optional<model::LinkParts> parts = openAt(options.port, openError)) {
    form.UseLink(*parts);
    if (const auto pacing = environment->FixedPacing()) form.FixLinkPacing(*pacing);
    if (const std::string note = environment->SeveralProgrammersNote(); !note.empty())
      dialogs.ShowInformation(note + " Programmer > Connected Programmers chooses another.");
  } else {
    dialogs.ShowError(openError);  // Read then offers demo mode
  }
  // Programmer > Connected Programmers: every programmer the options reach.
  model::ProgrammerChooser chooser(
      [options] {
        std::vector<std::string> locations;
        try {
          for (const link::ProgrammerChannel& c :
               frontend::LinkEnvironment::ConnectedProgrammers(frontend::LinkOptionsFrom(options)))
            if (!c.location.empty()) locations.push_back(c.location);
        } catch (const std::exception&) {
          // Nothing to choose among: the window's Read says what is wrong.
        }
        return locations;
      },
      openAt, environment ? environment->Location() : std::string());

  // The version component reads our own executable's properties.
  platform::TFileVersionInfo version;
  if (!version.FileVersion.empty()) {
    form.Controls().SetExtra(Ctl::versionInfo, "fileVersion", version.FileVersion);
    form.Controls().SetExtra(Ctl::versionInfo, "productVersion", version.ProductVersion);
    form.Controls().SetExtra(Ctl::versionInfo, "countryCode", version.CountryCode);
  }

  // Start-up runs outside the event loop, so an error no step handles is
  // reported here as it would be from any handler, and the program goes on.
  auto startUpStep = [&form](const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      form.errorHandlerException(e.what());
    }
  };
  form.CommandLineParams = parameters;
  startUpStep([&] { form.FormCreate(!parameters.empty()); });
  ui::MainWindow window(form);
  dialogs.SetParent(&window);
  ui::ProgressWindow progress(&window);
  form.SetProgressView(&progress);
  // Help > Check Connection: the check behind `velmar-cli doctor`, with the
  // window's own link for the identification.
  auto checkConnection = [&] {
    link::CheckSetup setup = frontend::ConnectionCheckSetup(options);
    setup.identify = [&form] {
      if (link::TReadProg* l = form.Link()) return link::IdentifyWith(*l);
      link::Identification none;
      none.error = "the USB driver could not be set up";
      return none;
    };
    link::ConnectionReport report = link::RunConnectionCheck(setup);
    report.linkPacing = link::PacingName(form.LinkPacing());
    dialogs.ShowInformation(frontend::MessageText(link::ReportText(report)), "Check Connection");
  };
  window.SetConnectionCheck(checkConnection);
  window.SetProgrammerChooser(&chooser);

  startUpStep([&] { form.ReadProgButtonClick(); });
  splash.hide();
  int status = 0;
  if (!form.CloseRequested) {
    startUpStep([&] { form.FormShow(); });
    if (!form.Closed()) {
      window.show();
      if (std::getenv("VELMAR_STARTUP_REPORT")) {
        // For the start-up benchmark: time to the first shown window and memory.
        QTimer::singleShot(0, [&] {
          std::cout << "shown_ms " << started.elapsed() << "\n" << MemoryReport();
          form.CloseRequested = true;
          app.quit();
        });
      }
      if (const char* shot = std::getenv("VELMAR_SCREENSHOT")) {
        QTimer::singleShot(500, [&] {
          window.grab().save(shot);
          form.CloseRequested = true;  // leave without saving settings or messages
          app.quit();
        });
      }
      if (args.start == app::StartAction::openFile)
        QTimer::singleShot(0, [&] { startUpStep([&] { form.OpenStartFile(args.file); }); });
      status = app.exec();
    }
  }
  std::string error;
  if (environment && !environment->Finish(&error)) dialogs.ShowError(error);
  return status;
}
