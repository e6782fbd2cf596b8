// velmar: the desktop application's main block. It shows the splash window,
// creates the main window (which builds its programmer link), reads the
// programmer before the window is first shown, hides the splash, and runs
// the event loop unless that Read ended the program. Options that begin
// with "--" (--simulate, --sim-state, --driver, --trace, --realtime,
// --program-folder, --working-folder) are Velmar's own and shared with
// velmar-cli; every other argument is one of the program's command-line
// parameters (a unit image file to load, and "SHOW").
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QMessageBox>
#include <QTimer>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string_view>
#include <sstream>
#include <functional>
#include <memory>

#include "frontend/SharedOptions.h"
#include "link/ConnectionCheck.h"
#include "link/D2XXUnit.h"
#include "frontend/LinkEnvironment.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "platform/FileVersionInfo.h"
#include "platform/Paths.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SplashWindow.h"

namespace {

// Splits the arguments Qt left into Velmar's options and the parameters.
// Returns an exit status when the program must end at once (help, errors).
std::optional<int> ParseArguments(int argc, char** argv, velmar::frontend::SharedOptions& options,
                                  std::vector<std::string>& parameters) {
  CLI::App parser{"Velmar: loader for the stand-alone USB PIC programmers", "velmar"};
  parser.allow_extras();
  velmar::frontend::AddSharedOptions(parser, options);
  // The desktop's file manager opens a unit image with "--open-unit FILE";
  // started from the menu the file is left out.
  std::string openUnit;
  parser.add_option("--open-unit", openUnit,
                    "Read the programmer, then Load Unit from this unit image (asks first); the window stays open")
      ->expected(0, 1);
  try {
    parser.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    int code = parser.exit(e, out, err);
    if (code == 0) {
      std::cout << out.str();
      return 0;
    }
    QMessageBox::critical(nullptr, "PIC Programmer USB Loader", QString::fromStdString(err.str()));
    return 2;
  }
  parameters = parser.remaining();
  if (!openUnit.empty()) {
    if (!parameters.empty()) {
      QMessageBox::critical(nullptr, "PIC Programmer USB Loader",
                            "--open-unit takes no further parameters");
      return 2;
    }
    // The parameters of a command-line unit load that keeps the window open.
    parameters = {"--open-unit", openUnit, "SHOW"};
  }
  return std::nullopt;
}

// Resident memory now and at its peak, from the kernel's process status.
std::string MemoryReport() {
  std::ifstream status("/proc/self/status");
  std::string line, report;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0 || line.rfind("VmHWM:", 0) == 0) report += line + "\n";
  return report;
}

// Offers the connection check in the window (Ctrl+Shift+K until the
// window has a Help menu).
void AddConnectionCheck(velmar::ui::MainWindow& window, const std::function<void()>& check) {
  auto* action = new QAction("Check Connection", &window);
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  QObject::connect(action, &QAction::triggered, &window, check);
  window.addAction(action);
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmar;
  if (AsksForHelp(argc, argv)) {  // answered without a display
    velmar::frontend::SharedOptions options;
    std::vector<std::string> parameters;
    return ParseArguments(argc, argv, options, parameters).value_or(0);
  }
  QElapsedTimer started;
  started.start();
  QApplication app(argc, argv);  // takes Qt's own arguments out of argv
  QFont font = QApplication::font();
  font.setPointSizeF(8.5);
  QApplication::setFont(font);

  frontend::SharedOptions options;
  std::vector<std::string> parameters;
  if (auto status = ParseArguments(argc, argv, options, parameters)) return *status;

  ui::SplashWindow splash;
  splash.ShowNow();

  ui::QtDialogs dialogs;
  model::TMainForm form(dialogs, frontend::FoldersFrom(options));
  form.SetFolderChoice([options] { return frontend::FoldersFrom(options); });
  // Files planted in a working folder others can write would be read (and
  // their names written) as the program's own.
  if (const std::string warning = platform::SharedFolderWarning(form.Folders.working); !warning.empty())
    dialogs.ShowWarning(warning);
  ui::QtMessagePump pump;
  std::unique_ptr<frontend::LinkEnvironment> environment;
  std::unique_ptr<link::D2XXUnit> unit;
  try {
    environment = std::make_unique<frontend::LinkEnvironment>(frontend::LinkOptionsFrom(options));
    unit = std::make_unique<link::D2XXUnit>(environment->Driver(), dialogs);
    // "No USB devices found!" and the like come with the connection
    // check's findings.
    unit->NoDeviceAdvice = [options] {
      const std::string findings = link::FindingsText(link::RunConnectionCheck(frontend::ConnectionCheckSetup(options)));
      return findings.empty() ? std::string() : "Connection check:\r" + frontend::MessageText(findings);
    };
    form.UseLink({unit.get(), &environment->Clock(), &pump});
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what());  // Read then offers demo mode
  }

  // The version component reads our own executable's properties.
  platform::TFileVersionInfo version;
  if (!version.FileVersion.empty()) {
    form.Controls().SetExtra("FileVersionInfo1", "fileVersion", version.FileVersion);
    form.Controls().SetExtra("FileVersionInfo1", "productVersion", version.ProductVersion);
    form.Controls().SetExtra("FileVersionInfo1", "countryCode", version.CountryCode);
  }

  // Start-up runs outside the event loop, so an error no step handles is
  // reported here as it would be from any handler, and the program goes on.
  auto startUpStep = [&form](const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      form.ApplicationEvents2Exception(e.what());
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
    dialogs.ShowInformation(frontend::MessageText(link::ReportText(link::RunConnectionCheck(setup))), "Check Connection");
  };
  AddConnectionCheck(window, checkConnection);

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
      status = app.exec();
    }
  }
  std::string error;
  if (environment && !environment->Finish(&error)) dialogs.ShowError(error);
  return status;
}
