// The operation log pane.
#include "ui/OperationLogPane.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "model/OperationLogView.h"
#include "ui/ElidedLabel.h"

namespace velmar::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* const kColumns[] = {"Time", "Operation", "Result", "Programmer", "Slot", "Details"};
constexpr int kDetailsColumn = 5;

}  // namespace

OperationLogPane::OperationLogPane(model::OperationLogView& view, QWidget* parent) : QWidget(parent), view_(view) {
  setObjectName("OperationLogPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);

  auto* top = new QHBoxLayout;
  auto* title = new QLabel("Operation log", this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  top->addWidget(title);
  status_ = new ElidedLabel(this);  // a long path is shortened in the middle, whole in its tool tip
  status_->setObjectName("OperationLogStatus");
  top->addWidget(status_, 1);
  export_ = new QPushButton("E&xport CSV...", this);
  export_->setObjectName("ExportLogCsv");
  export_->setAutoDefault(false);
  connect(export_, &QPushButton::clicked, this, &OperationLogPane::exportRequested);
  top->addWidget(export_);
  layout->addLayout(top);

  table_ = new QTableWidget(0, int(std::size(kColumns)), this);
  table_->setObjectName("OperationLog");
  QStringList titles;
  for (const char* c : kColumns) titles << c;
  table_->setHorizontalHeaderLabels(titles);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTabKeyNavigation(false);
  table_->setWordWrap(false);
  // Room for the title row and kMinimumRows records; the splitter above
  // gives more.
  const int rowHeight = table_->verticalHeader()->defaultSectionSize();
  table_->setMinimumHeight(table_->horizontalHeader()->sizeHint().height() + rowHeight * kMinimumRows +
                           2 * table_->frameWidth());
  table_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  layout->addWidget(table_, 1);
}

QSize OperationLogPane::sizeHint() const { return {QWidget::sizeHint().width(), minimumSizeHint().height()}; }

void OperationLogPane::Show() {
  const std::vector<model::LogRow>& rows = view_.Rows();
  const int shown = int(std::min<std::size_t>(rows.size(), kShownRecords));
  table_->setRowCount(shown);
  for (int r = 0; r < shown; ++r) {
    const model::LogRow& row = rows[std::size_t(r)];
    const std::string cells[] = {row.time, row.operation, row.result, row.programmer, row.slot, row.details};
    for (int c = 0; c < int(std::size(cells)); ++c) {
      QTableWidgetItem* item = table_->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table_->setItem(r, c, item);
      }
      item->setText(Q(cells[c]));
      item->setToolTip(c == 0 ? Q(row.utcTime + " (UTC)") : c == kDetailsColumn ? Q(row.details) : QString());
      item->setForeground(c == 2 && row.result == "failed" ? QBrush(Qt::darkRed) : QBrush());
    }
  }
  for (int c = 0; c < kDetailsColumn; ++c) table_->resizeColumnToContents(c);
  QString status = Q(view_.StatusText());
  if (int(rows.size()) > shown) status += QString(" (the newest %1 shown)").arg(shown);
  status_->setText(status);
}

}  // namespace velmar::ui
