#include "app/host_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/db_error.h"
#include "entry/import_export_wizard.h"

namespace vdimpexp::host {
namespace {

// Enough to see what a selection picks without reading a whole table into
// the window.
constexpr int kShownRows = 1000;

QString ErrorText(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const data::DbError& error) {
    return QString("Error %1: %2")
        .arg(error.number())
        .arg(QString::fromStdString(error.description()));
  } catch (const std::exception& error) {
    return QString::fromStdString(error.what());
  }
}

}  // namespace

HostWindow::HostWindow(data::Connection& connection, QWidget* parent)
    : QWidget(parent), connection_(connection) {
  setWindowTitle(
      QString("vdhost - %1").arg(QString::fromStdString(connection.DataSource())));
  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, void (HostWindow::*)()> requests[] = {
      {"&Import...", &HostWindow::Import},
      {"&Export...", &HostWindow::Export},
      {"&Select records...", &HostWindow::SelectRecords},
  };
  for (const auto& [caption, request] : requests) {
    auto* button = new QPushButton(caption, this);
    connect(button, &QPushButton::clicked, this,
            [this, caption, request] { Request(caption, request); });
    buttons->addWidget(button);
  }
  buttons->addStretch();

  selection_text_ = new QPlainTextEdit(this);
  selection_text_->setObjectName("selectionText");
  selection_text_->setReadOnly(true);
  selection_text_->setMaximumHeight(90);
  category_label_ = new QLabel(this);
  category_label_->setObjectName("categoryLabel");
  rows_label_ = new QLabel(this);
  rows_label_->setObjectName("rowsLabel");
  rows_table_ = new QTableWidget(this);
  rows_table_->setObjectName("rowsTable");
  rows_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(new QLabel("Selection statement:", this));
  layout->addWidget(selection_text_);
  layout->addWidget(category_label_);
  layout->addWidget(rows_label_);
  layout->addWidget(rows_table_, 1);
  resize(900, 600);
}

void HostWindow::Request(const char* what, void (HostWindow::*request)()) {
  try {
    (this->*request)();
  } catch (...) {
    QMessageBox::critical(this, QString(what).remove('&').remove("..."),
                          ErrorText(std::current_exception()));
  }
}

void HostWindow::Import() { clsVDImportExportWz().ImportData(connection_); }

void HostWindow::Export() { clsVDImportExportWz().ExportData(connection_); }

void HostWindow::SelectRecords() {
  std::string selection_sql;
  int16_t category = 0;
  clsVDImportExportWz().SQLSelected(connection_, selection_sql, category);
  ShowSelection(selection_sql, category);
}

void HostWindow::ShowSelection(const std::string& selection_sql, int16_t category) {
  selection_text_->setPlainText(QString::fromStdString(selection_sql));
  category_label_->setText(QString("Category: %1").arg(category));
  rows_table_->clear();
  rows_table_->setRowCount(0);
  rows_table_->setColumnCount(0);
  if (selection_sql.empty()) {
    rows_label_->setText("No selection was made.");
    return;
  }
  try {
    ShowRows(selection_sql);
  } catch (...) {
    rows_label_->setText(ErrorText(std::current_exception()));
  }
}

void HostWindow::ShowRows(const std::string& selection_sql) {
  data::Recordset rows = connection_.Execute(selection_sql);
  int columns = rows.Fields().Count();
  rows_table_->setColumnCount(columns);
  QStringList names;
  for (int i = 0; i < columns; ++i)
    names << QString::fromStdString(rows.Fields(i).Name());
  rows_table_->setHorizontalHeaderLabels(names);
  int shown = 0;
  for (; !rows.IsEOF() && shown < kShownRows; rows.MoveNext(), ++shown) {
    rows_table_->insertRow(shown);
    for (int i = 0; i < columns; ++i) {
      rows_table_->setItem(
          shown, i,
          new QTableWidgetItem(QString::fromStdString(rows.Fields(i).Value().ToText())));
    }
  }
  rows_label_->setText(rows.IsEOF()
                           ? QString("%1 row(s) selected.").arg(shown)
                           : QString("The first %1 rows selected are shown.").arg(shown));
  rows_table_->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
}

}  // namespace vdimpexp::host
