// Qt dialogs.
#include "ui/QtDialogs.h"
#include "ui/FormLayouts.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "model/ModalWindow.h"
#include "platform/Text.h"
#include "ui/ControlBinder.h"

namespace velmar::ui {

using platform::DlgButton;
using platform::DlgType;

namespace {

QMessageBox::StandardButton ToQt(DlgButton b) {
  switch (b) {
    case DlgButton::Ok: return QMessageBox::Ok;
    case DlgButton::Cancel: return QMessageBox::Cancel;
    case DlgButton::Yes: return QMessageBox::Yes;
    case DlgButton::No: return QMessageBox::No;
    case DlgButton::Abort: return QMessageBox::Abort;
    case DlgButton::Retry: return QMessageBox::Retry;
    case DlgButton::Ignore: return QMessageBox::Ignore;
    case DlgButton::None: break;
  }
  return QMessageBox::NoButton;
}

DlgButton FromQt(int b) {
  switch (b) {
    case QMessageBox::Ok: return DlgButton::Ok;
    case QMessageBox::Cancel: return DlgButton::Cancel;
    case QMessageBox::Yes: return DlgButton::Yes;
    case QMessageBox::No: return DlgButton::No;
    case QMessageBox::Abort: return DlgButton::Abort;
    case QMessageBox::Retry: return DlgButton::Retry;
    case QMessageBox::Ignore: return DlgButton::Ignore;
    default: return DlgButton::None;
  }
}

QString StandardTitle(DlgType type) {
  switch (type) {
    case DlgType::Information: return QtDialogs::kApplicationTitle;
    case DlgType::Warning: return "Warning";
    case DlgType::Error: return "Error";
    case DlgType::Confirmation: return "Confirm";
  }
  return {};
}

QMessageBox::Icon Icon(DlgType type) {
  switch (type) {
    case DlgType::Information: return QMessageBox::Information;
    case DlgType::Warning: return QMessageBox::Warning;
    case DlgType::Error: return QMessageBox::Critical;
    case DlgType::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

int QtDialogs::TitleRoom(const QString& title, const QFont& font) {
  QFont titleFont = font;  // title bars draw larger and bold
  titleFont.setBold(true);
  if (titleFont.pointSizeF() > 0)
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  else
    titleFont.setPixelSize(titleFont.pixelSize() * 5 / 4);
  const QFontMetrics fm(titleFont);
  return fm.horizontalAdvance(title) + 8 * fm.height();  // the bar's icon and buttons
}

// A title bar cuts a title wider than its box ("PIC Prog...B Loader"), and a
// box sizes itself by its text and buttons: an empty item across its grid
// keeps it wide enough for the title.
void QtDialogs::LeaveRoomForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const int width = TitleRoom(box.windowTitle(), box.font());
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
}

DlgButton QtDialogs::Message(const platform::MessageBoxRequest& request) {
  QMessageBox box(parent_);
  box.setIcon(Icon(request.type));
  box.setWindowTitle(request.title.empty() ? StandardTitle(request.type) : Q(request.title));
  box.setTextFormat(Qt::PlainText);  // find texts, file names and link messages, never markup
  box.setText(Q(text::DisplayText(request.text)));
  QMessageBox::StandardButtons buttons;
  for (DlgButton b : request.buttons) buttons |= ToQt(b);
  box.setStandardButtons(buttons);
  DlgButton def = request.defaultButton != DlgButton::None
                      ? request.defaultButton
                      : (request.buttons.empty() ? DlgButton::Ok : request.buttons.front());
  box.setDefaultButton(ToQt(def));
  if (request.buttons.size() == 1) box.setEscapeButton(ToQt(request.buttons.front()));
  LeaveRoomForTitle(box);
  int chosen = box.exec();
  DlgButton result = FromQt(chosen);
  if (result == DlgButton::None) {
    // Closed without a button: the way out of the dialog that changes nothing.
    for (DlgButton b : {DlgButton::Cancel, DlgButton::No, DlgButton::Abort, DlgButton::Ok})
      for (DlgButton have : request.buttons)
        if (have == b) return b;
  }
  return result;
}

std::string QtDialogs::QtFilter(const std::string& filter) {
  std::string out;
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) break;
    std::size_t end = filter.find('|', bar + 1);
    std::string name = filter.substr(start, bar - start);
    std::string pattern = filter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
    for (char& c : pattern)
      if (c == ';') c = ' ';
    // "*.*" means every file; as a pattern here it would leave out files
    // whose names have no dot.
    if (pattern == "*.*") pattern = "*";
    if (!out.empty()) out += ";;";
    out += name + " (" + pattern + ")";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

DlgButton QtDialogs::ShowModal(platform::ModalForm& form) {
  auto* window = dynamic_cast<model::ModalWindow*>(&form);
  if (!window) return DlgButton::None;
  model::ControlStore& store = window->Controls();
  QDialog dialog(parent_);
  if (const model::Control* title = store.FindNoCase(form.FormName()))
    dialog.setWindowTitle(QString::fromStdString(title->text));

  ControlBinder::Geometry geometry;
  if (auto layout = LayoutForForm(form.FormName())) {
    geometry = layout->geometry;
    dialog.setFixedSize(layout->size);
  } else {
    // The controls one under the other, in creation order.
    int y = 10;
    for (const model::Control* c : store.All()) {
      if (c->kind == model::ControlKind::Form) continue;
      const int height = c->kind == model::ControlKind::ChoiceGroup ? 30 + 24 * int(c->items.size()) : 26;
      geometry[c->name.Str()] = QRect(10, y, 380, height);
      y += height + 6;
    }
    dialog.setFixedSize(400, y + 4);
  }
  auto* binder = new ControlBinder(store, &dialog, geometry);
  binder->onError = [this](const std::string& message) { ShowError("Application access Error -" + message); };
  // A button whose handler closes the form closes the dialog (the binder's
  // own connection runs first).
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    QObject::connect(b, &QPushButton::clicked, &dialog, [&form, &dialog] {
      if (form.ModalResult != DlgButton::None) dialog.accept();
    });
  // A form that names its place opens there, relative to the window's top
  // left (the find dialog); the others are centred on the window.
  const model::Control* self = store.FindNoCase(form.FormName());
  if (self && self->extra.count("top") && self->extra.count("left") && parent_)
    dialog.move(parent_->frameGeometry().topLeft() +
                QPoint(std::stoi(self->extra.at("left")), std::stoi(self->extra.at("top"))));
  if (self && self->extra.count("toolWindow"))
    dialog.setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.exec();
  return form.ModalResult;
}

std::optional<std::string> QtDialogs::OpenFile(const platform::FileDialogRequest& r) {
  QString dir = Q(r.initialDir + r.fileName);
  QString path = QFileDialog::getOpenFileName(parent_, {}, dir, Q(QtFilter(r.filter)));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtDialogs::SaveFile(const platform::FileDialogRequest& r) {
  // A name typed without an extension gets the first filter's extension,
  // before the dialog asks about replacing a file of that name.
  std::string ext = r.defaultExt;
  std::size_t star = r.filter.find("*.");
  if (star != std::string::npos) {
    std::size_t end = r.filter.find_first_of("|;", star);
    std::string candidate = r.filter.substr(star + 2, end == std::string::npos ? std::string::npos : end - star - 2);
    if (candidate != "*") ext = candidate;
  }
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  QFileDialog dialog(parent_, {}, Q(r.initialDir + r.fileName), Q(QtFilter(r.filter)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(ext));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void QtDialogs::SetClipboardText(const std::string& text) { QApplication::clipboard()->setText(Q(text)); }

int QtDialogs::OpenDocument(const std::string& path) {
  QFileInfo info(Q(path));
  if (!info.dir().exists()) return 3;
  if (!info.exists()) return 2;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? 42 : 27;
}

}  // namespace velmar::ui
