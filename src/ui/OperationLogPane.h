// The pane under the slot list that shows the operation log: a line naming
// the log and its number of records (or the warning about a line it had to
// skip, or where the last export went), the records newest first with a
// failed one's result in red, and the "Export CSV..." button. It shows the
// model's OperationLogView; the main window decides when it reads the log
// again and runs the export.
#pragma once

#include <QWidget>

class QPushButton;
class QTableWidget;

namespace velmar::model {
class OperationLogView;
}

namespace velmar::ui {

class ElidedLabel;

class OperationLogPane : public QWidget {
  Q_OBJECT
 public:
  // At most this many of the newest records are listed (the export has all).
  static constexpr int kShownRecords = 1000;
  // Records in view without dragging the splitter.
  static constexpr int kMinimumRows = 8;

  explicit OperationLogPane(model::OperationLogView& view, QWidget* parent = nullptr);

  // Shows what the view holds now.
  void Show();
  QTableWidget* Table() const { return table_; }
  // Asks for no more height than its minimum: the slot list above keeps the
  // room to spare, and the splitter handle gives the pane more.
  QSize sizeHint() const override;

 signals:
  void exportRequested();

 private:
  model::OperationLogView& view_;
  ElidedLabel* status_;
  QTableWidget* table_;
  QPushButton* export_;
};

}  // namespace velmar::ui
