// velmar: the desktop application's main block. It creates the main window
// (which builds its programmer link), reads the programmer before the window
// is first shown, and runs the event loop unless that Read ended the
// program. The link talks to the hardware; VELMAR_SIMULATE=KIND (or
// VELMAR_SIM_STATE=FILE) puts the simulated programmer in its place.
#include <QApplication>
#include <QFont>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "image/ISPDefs.h"
#include "link/D2XXUnit.h"
#include "link/LinkEnvironment.h"
#include "model/TMainForm.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDialogs.h"

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmar;
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("PIC Programmer USB Loader");
  QFont font = QApplication::font();
  font.setPointSizeF(8.5);
  QApplication::setFont(font);
  ui::QtDialogs dialogs;
  const image::Folders folders = image::DefaultFolders();
  model::TMainForm form(dialogs, folders);
  form.SetFolderChoice(image::DefaultFolders);

  link::LinkOptions options;
  options.simulate = Env("VELMAR_SIMULATE");
  options.simState = Env("VELMAR_SIM_STATE");
  options.workingFolder = folders.working;
  options.programFolder = folders.program;
  ui::QtMessagePump pump;
  std::unique_ptr<link::LinkEnvironment> environment;
  std::unique_ptr<link::D2XXUnit> unit;
  try {
    environment = std::make_unique<link::LinkEnvironment>(options);
    unit = std::make_unique<link::D2XXUnit>(environment->Driver(), dialogs);
    form.UseLink({unit.get(), &environment->Clock(), &pump});
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what());  // Read then offers demo mode
  }

  for (int i = 1; i < argc; ++i) form.CommandLineParams.push_back(argv[i]);
  form.FormCreate(argc > 1);
  ui::MainWindow window(form);
  dialogs.SetParent(&window);
  ui::ProgressWindow progress(&window);
  form.SetProgressView(&progress);
  form.ReadProgButtonClick();
  if (form.CloseRequested) return 0;
  form.FormShow();
  if (form.Closed()) return 0;
  window.show();
  if (const char* shot = std::getenv("VELMAR_SCREENSHOT")) {
    QTimer::singleShot(500, [&] {
      window.grab().save(shot);
      form.CloseRequested = true;  // leave without saving settings or messages
      app.quit();
    });
  }
  return app.exec();
}
