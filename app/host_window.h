// vdhost's main window: the three requests a host makes of the component,
// and what the selection wizard handed back.
#pragma once

#include <QWidget>

#include "data/connection.h"

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace vdimpexp::host {

class HostWindow : public QWidget {
 public:
  explicit HostWindow(data::Connection& connection, QWidget* parent = nullptr);

  // What "Select records..." does after the wizard: show the statement, its
  // category and the rows it selects.
  void ShowSelection(const std::string& selection_sql, int16_t category);

 private:
  void Request(const char* what, void (HostWindow::*request)());
  void Import();
  void Export();
  void SelectRecords();
  void ShowRows(const std::string& selection_sql);

  data::Connection& connection_;
  QPlainTextEdit* selection_text_ = nullptr;
  QLabel* category_label_ = nullptr;
  QLabel* rows_label_ = nullptr;
  QTableWidget* rows_table_ = nullptr;
};

}  // namespace vdimpexp::host
