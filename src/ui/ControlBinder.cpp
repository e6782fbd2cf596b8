// Model-to-widget binding.
#include "ui/ControlBinder.h"

#include <algorithm>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Text.h"
#include "ui/Mnemonics.h"

namespace velmar::ui {

using model::Control;
using model::ControlKind;
using model::Property;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Hints keep the system's "\r" line breaks; tool tips want "\n".
QString Hint(const std::string& s) {
  std::string t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      t.push_back('\n');
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      t.push_back(s[i]);
    }
  }
  return Q(t);
}

}  // namespace

ControlBinder::ControlBinder(model::ControlStore& store, QWidget* form, const Geometry& geometry)
    : QObject(form), store_(store) {
  // Containers first so their children find them.
  for (const Control* c : store_.All()) {
    auto g = geometry.find(c->name.Str());
    if (g == geometry.end()) continue;
    if (c->kind != ControlKind::Group && c->kind != ControlKind::Panel) continue;
    QWidget* parent = c->parent.Empty() ? form : Widget(c->parent);
    widgets_[c->name.Str()] = Create(*c, parent ? parent : form, g->second);
  }
  for (const Control* c : store_.All()) {
    auto g = geometry.find(c->name.Str());
    if (g == geometry.end() || widgets_.count(c->name.Str())) continue;
    QWidget* parent = c->parent.Empty() ? form : Widget(c->parent);
    if (QWidget* w = Create(*c, parent ? parent : form, g->second)) widgets_[c->name.Str()] = w;
  }
  // Buttons "stand over" panels: raise everything that is not a container.
  for (auto& [name, w] : widgets_)
    if (!qobject_cast<QFrame*>(w) || qobject_cast<QLabel*>(w)) w->raise();
  for (const Control* c : store_.All())
    if (QWidget* w = Widget(c->name)) {
      RefreshAll(*c, w);
      Connect(*c, w);
    }
  observer_ = store_.AddObserver([this](const Control& c, Property p) { Refresh(c, p); });
}

ControlBinder::~ControlBinder() { store_.RemoveObserver(observer_); }

QWidget* ControlBinder::Widget(model::ControlName name) const {
  auto it = widgets_.find(name.Str());
  return it == widgets_.end() ? nullptr : it->second;
}

void ControlBinder::Guard(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    if (onError) onError(e.what());
  }
}

QWidget* ControlBinder::Create(const Control& c, QWidget* parent, const QRect& rect) {
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::Label: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);  // slot names and file names are shown as they are
      l->setWordWrap(c.wordWrap);
      l->setAlignment(Qt::AlignLeft | (c.wordWrap ? Qt::AlignTop : Qt::AlignVCenter));
      w = l;
      break;
    }
    case ControlKind::Edit: w = new QLineEdit(parent); break;
    case ControlKind::Button: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);
      if (c.extra.count("default")) b->setDefault(true);
      w = b;
      break;
    }
    case ControlKind::CheckBox: w = new QCheckBox(parent); break;
    case ControlKind::RadioButton: w = new QRadioButton(parent); break;
    case ControlKind::SpinBox: w = new QSpinBox(parent); break;
    case ControlKind::DropDown: w = new QComboBox(parent); break;
    case ControlKind::ChoiceGroup: {
      auto* g = new QGroupBox(parent);
      auto* layout = new QVBoxLayout(g);
      layout->setContentsMargins(8, 4, 8, 4);
      layout->setSpacing(2);
      new QButtonGroup(g);
      w = g;
      break;
    }
    case ControlKind::Group: {
      auto* g = new QGroupBox(parent);
      w = g;
      break;
    }
    case ControlKind::Panel: {
      auto* f = new QFrame(parent);
      f->setFrameShape(QFrame::Panel);
      f->setFrameShadow(QFrame::Sunken);
      w = f;
      break;
    }
    case ControlKind::Grid: {
      auto* t = new QTableWidget(parent);
      t->setSelectionBehavior(QAbstractItemView::SelectRows);
      t->setSelectionMode(QAbstractItemView::SingleSelection);
      t->verticalHeader()->setVisible(false);
      // The fixed title row is the header: it stays in view and can never
      // be selected.
      t->horizontalHeader()->setVisible(false);
      t->horizontalHeader()->setSectionsClickable(false);
      t->horizontalHeader()->setHighlightSections(false);
      t->horizontalHeader()->setStretchLastSection(true);  // the last column takes what is left
      t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
      t->setContextMenuPolicy(Qt::CustomContextMenu);
      t->setTabKeyNavigation(false);                          // Tab leaves the list; the arrow keys move within it
      t->setEditTriggers(QAbstractItemView::NoEditTriggers);  // nothing reads an edited cell back
      w = t;
      break;
    }
    default: return nullptr;  // non-visual parts
  }
  w->setObjectName(Q(c.name.Str()));
  if (!rect.isNull()) w->setGeometry(rect);  // else a layout places it
  return w;
}

void ControlBinder::RebuildChoices(const Control& c, QWidget* w) {
  auto* g = static_cast<QGroupBox*>(w);
  auto* group = g->findChild<QButtonGroup*>();
  QList<QAbstractButton*> buttons = group->buttons();
  bool same = buttons.size() == int(c.items.size());
  for (int i = 0; same && i < buttons.size(); ++i) same = buttons[i]->text() == Q(c.items[std::size_t(i)]);
  if (same) {  // only the selection changed
    if (c.itemIndex >= 0 && c.itemIndex < buttons.size()) {
      group->button(c.itemIndex)->setChecked(true);
    } else {
      group->setExclusive(false);
      for (QAbstractButton* b : buttons) b->setChecked(false);
      group->setExclusive(true);
    }
    return;
  }
  for (QAbstractButton* b : buttons) {
    group->removeButton(b);
    b->hide();
    b->deleteLater();  // may be the sender of the signal being handled
  }
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    auto* r = new QRadioButton(Q(c.items[i]), g);
    group->addButton(r, int(i));
    g->layout()->addWidget(r);
  }
  if (c.itemIndex >= 0 && c.itemIndex < int(c.items.size())) group->button(c.itemIndex)->setChecked(true);
  if (onChoicesRebuilt) onChoicesRebuilt();
}

void ControlBinder::RefreshAll(const Control& c, QWidget* w) {
  updating_ = true;
  w->setToolTip(Hint(c.hint));
  w->setEnabled(c.enabled);
  w->setVisible(c.visible);
  switch (c.kind) {
    case ControlKind::Label: {
      auto* l = static_cast<QLabel*>(w);
      l->setText(Q(c.text));
      auto colour = c.extra.find("fontColour");
      QPalette pal = l->palette();
      pal.setColor(QPalette::WindowText, colour != c.extra.end()
                                             ? QColor(Q(colour->second))
                                             : l->parentWidget()->palette().color(QPalette::WindowText));
      l->setPalette(pal);
      break;
    }
    case ControlKind::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      if (c.maxLength > 0) e->setMaxLength(c.maxLength);
      if (e->text() != Q(c.text)) e->setText(Q(c.text));
      break;
    }
    case ControlKind::Button: static_cast<QPushButton*>(w)->setText(WithMnemonic(c.text)); break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
      auto* b = static_cast<QAbstractButton*>(w);
      b->setText(Q(c.text));
      b->setChecked(c.checked);
      break;
    }
    case ControlKind::SpinBox: {
      auto* s = static_cast<QSpinBox*>(w);
      s->setRange(c.minValue, c.maxValue);
      s->setValue(c.value);
      break;
    }
    case ControlKind::DropDown: {
      auto* box = static_cast<QComboBox*>(w);
      box->clear();
      for (const auto& item : c.items) box->addItem(Q(item));
      box->setCurrentIndex(c.itemIndex);
      break;
    }
    case ControlKind::ChoiceGroup: {
      auto* g = static_cast<QGroupBox*>(w);
      g->setTitle(Q(c.text));
      RebuildChoices(c, w);
      QPalette pal = g->palette();
      for (QAbstractButton* b : g->findChild<QButtonGroup*>()->buttons()) {
        QPalette bp = b->palette();
        bp.setColor(QPalette::WindowText, c.inactiveColour ? pal.color(QPalette::Disabled, QPalette::WindowText)
                                                           : pal.color(QPalette::Active, QPalette::WindowText));
        b->setPalette(bp);
      }
      break;
    }
    case ControlKind::Group: static_cast<QGroupBox*>(w)->setTitle(Q(c.text)); break;
    case ControlKind::Grid: {
      // Model rows count the fixed title rows in; the widget shows the first
      // of them as its header and the others as its rows.
      auto* t = static_cast<QTableWidget*>(w);
      const int fixed = std::clamp(c.fixedRows, 0, int(c.cells.size()));
      const int rows = int(c.cells.size()) - fixed;
      const int cols = c.colCount;
      const int selected = t->currentRow();
      t->setRowCount(rows);
      t->setColumnCount(cols);
      auto cell = [&](int r, int col) -> std::string {
        const auto& row = c.cells[std::size_t(r)];
        return col < int(row.size()) ? row[std::size_t(col)] : std::string();
      };
      QStringList titles;
      for (int col = 0; col < cols; ++col) {
        titles << (fixed > 0 ? Q(cell(0, col)) : QString());
        if (t->columnWidth(col) == 100) t->setColumnWidth(col, 150);
      }
      t->setHorizontalHeaderLabels(titles);
      t->horizontalHeader()->setVisible(fixed > 0);
      for (int r = 0; r < rows; ++r)
        for (int col = 0; col < cols; ++col) {
          auto* item = t->item(r, col);
          if (!item) {
            item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            t->setItem(r, col, item);
          }
          item->setText(Q(cell(r + fixed, col)));
        }
      const int want = c.selectedRow >= 0 ? c.selectedRow - fixed : selected;
      if (want >= 0 && want < rows) t->setCurrentCell(want, std::max(0, std::min(c.selectedCol, cols - 1)));
      break;
    }
    default: break;
  }
  updating_ = false;
}

void ControlBinder::Refresh(const Control& c, Property) {
  if (QWidget* w = Widget(c.name)) RefreshAll(c, w);
}

bool ControlBinder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) gridMovedByPress_ = false;  // a grid's viewport
  if (event->type() == QEvent::FocusIn) {
    const std::string name = watched->objectName().toStdString();
    if (const Control* c = store_.Find(name)) Guard([&] { store_.UserEnter(c->name); });
  }
  return QObject::eventFilter(watched, event);
}

void ControlBinder::Connect(const Control& c, QWidget* w) {
  const model::ControlName name = c.name;
  switch (c.kind) {
    case ControlKind::Button:
      connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
              [this, name] { Guard([&] { store_.UserClick(name); }); });
      break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this, [this, name](bool checked) {
        if (updating_) return;
        Guard([&] { store_.SetChecked(name, checked); });
        if (const Control* now = store_.Find(name.View())) Refresh(*now, Property::Checked);
      });
      break;
    case ControlKind::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      e->installEventFilter(this);
      connect(e, &QLineEdit::textEdited, this,
              [this, name](const QString& text) { Guard([&] { store_.UserSetText(name, text.toStdString()); }); });
      break;
    }
    case ControlKind::SpinBox:
      connect(static_cast<QSpinBox*>(w), &QSpinBox::valueChanged, this, [this, name](int v) {
        if (updating_) return;
        Guard([&] { store_.SetValue(name, v); });
      });
      break;
    case ControlKind::DropDown:
      connect(static_cast<QComboBox*>(w), &QComboBox::activated, this,
              [this, name](int index) { Guard([&] { store_.UserSelect(name, index); }); });
      break;
    case ControlKind::ChoiceGroup: {
      auto* group = w->findChild<QButtonGroup*>();
      connect(group, &QButtonGroup::idClicked, this, [this, name](int id) {
        if (updating_) return;
        Guard([&] { store_.UserSelect(name, id); });
        if (const Control* now = store_.Find(name.View())) Refresh(*now, Property::ItemIndex);
      });
      break;
    }
    case ControlKind::Grid: {
      auto* t = static_cast<QTableWidget*>(w);
      t->viewport()->installEventFilter(this);
      // A person moving to another cell, with the mouse or with the keys, is
      // a click on the list: the row shown as selected must be the one the
      // model holds, since Replace, Delete and Copy Cell act on that.
      connect(t, &QTableWidget::currentCellChanged, this, [this, name](int row, int col, int, int) {
        if (updating_ || row < 0) return;
        gridMovedByPress_ = true;
        Guard([&] { store_.UserClickCell(name, row + store_.Get(name).fixedRows, col); });
      });
      // A click on the cell that was already current moved nothing above,
      // but it is still a click.
      connect(t, &QTableWidget::cellClicked, this, [this, name](int row, int col) {
        if (gridMovedByPress_) return;
        Guard([&] { store_.UserClickCell(name, row + store_.Get(name).fixedRows, col); });
      });
      break;
    }
    default: break;
  }
}

}  // namespace velmar::ui
