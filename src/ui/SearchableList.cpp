// The searchable drop-down list.
#include "ui/SearchableList.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QFocusEvent>
#include <QKeyEvent>
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

SearchableList::SearchableList(QComboBox* box) : QObject(box), box_(box), boxObject_(box) {
  setObjectName("SearchableList");
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // typed text never becomes an entry
  auto* completer = new QCompleter(box->model(), box);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  completer->setMaxVisibleItems(16);
  box->setCompleter(completer);
  // An offer chosen with the keys has already been written into the box
  // when Return reaches it, and the box takes a whole name with Return
  // itself; its own handling of the chosen offer would then choose a second
  // time. Offers are chosen here instead, once.
  disconnect(completer, nullptr, box, nullptr);
  connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), this, &SearchableList::OfferChosen);
  QLineEdit* edit = box->lineEdit();
  // After the box's own handling of Return, which takes a whole name.
  connect(edit, &QLineEdit::returnPressed, this, &SearchableList::ReturnPressed);
  box->installEventFilter(this);  // the box holds the focus for its edit field
  // Before the completer's own filter (the last one installed runs first).
  completer->popup()->installEventFilter(this);
}

// Leaving the box (other than for a pop-up, such as the offers) drops typed
// text that chose nothing.
// Return on an offer picked with the arrow keys chooses it here, once: let
// through, the box would take the name the offer wrote into it and the
// completer would then choose the offer a second time.
bool SearchableList::eventFilter(QObject* watched, QEvent* event) {
  // While the box is being taken down its widget part still hides and loses
  // the focus, after its combo box part has gone: nothing to do then.
  if (!qobject_cast<QComboBox*>(boxObject_)) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::FocusOut && watched == box_ &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
    Revert();
  QAbstractItemView* offers = box_->completer() ? box_->completer()->popup() : nullptr;
  if (event->type() == QEvent::KeyPress && watched == offers && offers->isVisible()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const QModelIndex offer = offers->currentIndex();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && offer.isValid()) {
      offers->hide();
      Choose(box_->findText(offer.data().toString(), Qt::MatchExactly | Qt::MatchCaseSensitive));
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void SearchableList::Choose(int row) {
  if (row < 0) return;
  box_->setCurrentIndex(row);
  emit box_->activated(row);
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

void SearchableList::OfferChosen(const QModelIndex& offer) {
  const int row = box_->findText(offer.data().toString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (row < 0 || (row == box_->currentIndex() && !Typing())) return;  // chosen already, by Return
  Choose(row);
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
  Choose(found);
}

}  // namespace velmar::ui
