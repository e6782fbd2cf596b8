// velmar: the desktop application's main block.
#include <QApplication>
#include <QFont>
#include <QTimer>
#include <cstdlib>

#include "image/ISPDefs.h"
#include "model/TMainForm.h"
#include "ui/MainWindow.h"
#include "ui/ModelDialog.h"
#include "ui/QtDialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("PIC Programmer USB Loader");
  QFont font = QApplication::font();
  font.setPointSizeF(8.5);
  QApplication::setFont(font);
  velmar::ui::QtDialogs dialogs;
  velmar::model::TMainForm form(dialogs, velmar::image::DefaultFolders());
  form.FormCreate(argc > 1);
  form.ProgrammerKind = 3;
  form.ConfigureForKind();
  velmar::ui::MainWindow window(form);
  dialogs.SetParent(&window);
  velmar::ui::ModelDialog eraseOptions(form.EraseOpsForm().Controls(), "EraseOpsForm", "Cancel",
                                       velmar::ui::EraseOptionsGeometry(), velmar::ui::EraseOptionsSize(), &window);
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
