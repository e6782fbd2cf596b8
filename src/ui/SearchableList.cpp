// The searchable drop-down list.
#include "ui/SearchableList.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

namespace velmar::ui {

SearchableList* SearchableList::Install(QComboBox* box) {
  if (SearchableList* have = box->findChild<SearchableList*>(QString(), Qt::FindDirectChildrenOnly)) return have;
  return new SearchableList(box);
}

SearchableList* SearchableList::Of(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget())
    if (auto* box = qobject_cast<QComboBox*>(w))
      return box->findChild<SearchableList*>(QString(), Qt::FindDirectChildrenOnly);
  return nullptr;
}

SearchableList::SearchableList(QComboBox* box) : QObject(box), box_(box) {
  setObjectName("SearchableList");
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // typed text never becomes an entry
  auto* completer = new QCompleter(box->model(), box);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  completer->setMaxVisibleItems(16);
  // The box chooses an offer itself (once, through activated) and takes a
  // whole name typed with Return the same way.
  box->setCompleter(completer);
  QLineEdit* edit = box->lineEdit();
  // After the box's own handling of Return, which takes a whole name.
  connect(edit, &QLineEdit::returnPressed, this, &SearchableList::ReturnPressed);
  connect(edit, &QLineEdit::editingFinished, this, [this] {
    if (!box_->lineEdit()->hasFocus()) Revert();
  });
}

bool SearchableList::Typing() const {
  const int index = box_->currentIndex();
  return box_->lineEdit()->text() != (index >= 0 ? box_->itemText(index) : QString());
}

bool SearchableList::Revert() {
  if (!Typing()) return false;
  const int index = box_->currentIndex();
  box_->lineEdit()->setText(index >= 0 ? box_->itemText(index) : QString());
  box_->lineEdit()->selectAll();
  return true;
}

// Return over part of a name chooses the one entry that holds it; with more
// than one the text stays, to be typed on.
void SearchableList::ReturnPressed() {
  if (!Typing()) return;
  const QString text = box_->lineEdit()->text();
  if (text.isEmpty()) return;
  int found = -1;
  for (int i = 0; i < box_->count(); ++i) {
    if (!box_->itemText(i).contains(text, Qt::CaseInsensitive)) continue;
    if (found >= 0) return;  // more than one
    found = i;
  }
  if (found < 0) return;
  box_->completer()->popup()->hide();
  box_->setCurrentIndex(found);
  emit box_->activated(found);
}

}  // namespace velmar::ui
