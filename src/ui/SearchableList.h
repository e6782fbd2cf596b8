// A drop-down list that can be searched by typing (the device list holds a
// few hundred parts that all begin alike). The box takes text, and a
// completer offers every entry that holds what was typed, in any letter
// case. An entry is chosen only as a person's choice in the list would
// choose it: picked from the offers, typed whole and confirmed with Return,
// or the one entry left that holds the text when Return is pressed. Each
// choice reaches the box's activated signal once, the same signal a pick
// from the open list gives, so whoever listens there runs exactly as before.
// Text that names no entry changes nothing: leaving the box, or Escape,
// puts the selected entry's name back.
#pragma once

#include <QObject>

class QComboBox;
class QModelIndex;

namespace velmar::ui {

class SearchableList : public QObject {
  Q_OBJECT
 public:
  // Makes `box` searchable; the helper is a child of the box.
  static SearchableList* Install(QComboBox* box);
  // The helper of the searchable box that `widget` (the box or its edit
  // field) belongs to, or nullptr.
  static SearchableList* Of(QWidget* widget);

  // True when the box shows typed text instead of the selected entry's name.
  bool Typing() const;
  // Puts the selected entry's name back over typed text; true when there
  // was typed text to drop.
  bool Revert();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit SearchableList(QComboBox* box);
  void ReturnPressed();
  void OfferChosen(const QModelIndex& offer);
  void Choose(int row);

  QComboBox* box_;
  // The box as an object, which stays one while the box is destroyed.
  QObject* boxObject_;
};

}  // namespace velmar::ui
