#pragma once

#include <QPointer>
#include <memory>

#include "runtime/report_grid.h"
#include "runtime/runtime_window.h"

class QAction;
class QDateEdit;
class QPushButton;
class QPrinter;
class QToolBar;

namespace balvix::runtime {

class FormControl;
class frmRepDialog;

// The report window: the report's layout in the grid, filled by the report's module in
// working mode, or edited in design mode and stored when the window closes.
class frmReport : public RuntimeWindow {
  Q_OBJECT

 public:
  explicit frmReport(shell::AppState& state, QWidget* parent = nullptr);
  ~frmReport() override;

  // Reads the report `name` and, in working mode, builds it (after its dialog, when it
  // has one, unless `values` stand for the dialog). Called on creation and again when the
  // shared instance is asked for.
  void load(const QString& name, bool designMode, const ReportDialogValues* values = nullptr);
  // Runs the module again over a fresh output, with the dialog's values if given.
  bool build(const ReportDialogValues* dialog = nullptr);
  // The report's dialog, shown (made when needed) and bound to this window.
  frmRepDialog* showDialog();
  // What a double click or Enter on an output cell (0-based) opens: the document the cell
  // names, or what the module's ПриРасшифровке opens with its value. False when the cell
  // carries no drill-down or nothing took it.
  bool drillDown(int row, int column);
  // The period and fields the report was last built with.
  const std::optional<ReportDialogValues>& lastValues() const { return m_lastDialog; }

  ReportGrid* grid() const { return m_report1; }
  const QString& reportName() const { return m_name; }
  bool designMode() const { return m_designMode; }
  bool hasDialog() const { return !m_dialogLayout.trimmed().isEmpty(); }
  QToolBar* toolBar() const { return m_bar; }

  // The toolbar's commands; the save commands ask for a file name unless given one.
  bool saveAs(const QString& format, QString path = QString());
  void printPreview();
  void print();
  // Paints the output on a printer (what preview and print use).
  void paintOn(QPrinter* printer);

 protected:
  bool unload() override;

 private:
  void updateActions();
  void fitColumns();
  QString title() const;
  // In design mode, writes the layout to the report's row; false (with a message) when
  // the database refuses.
  bool storeLayout();

  ReportGrid* m_report1 = nullptr;
  QToolBar* m_bar = nullptr;
  QList<QAction*> m_workingActions;
  QString m_name;
  QString m_dialogLayout;
  bool m_designMode = false;
  bool m_found = false;
  std::optional<ReportDialogValues> m_lastDialog;
  QPointer<frmRepDialog> m_dialog;
};

// A report window of its own, built with `values` in place of its dialog's; nullptr (and no
// window) when the configuration has no report `name`.
frmReport* openReportWith(shell::AppState& state, const QString& name,
                          const ReportDialogValues& values);

// The report's dialog: the period and the fields the developer placed on it. In working
// mode "Сформировать" builds the report with them; in design mode the fields are arranged
// and the layout stored with the report when the window closes.
class frmRepDialog : public RuntimeWindow {
  Q_OBJECT

 public:
  explicit frmRepDialog(shell::AppState& state, QWidget* parent = nullptr);
  ~frmRepDialog() override;

  void load(const QString& name, bool designMode);
  void setReport(frmReport* report) { m_report = report; }
  frmReport* report() const { return m_report; }
  ReportDialogValues values() const;

  FormControl* form() const { return m_frm; }
  QDateEdit* periodStart() const { return m_start; }
  QDateEdit* periodEnd() const { return m_end; }
  QPushButton* buildButton() const { return m_command2; }
  QPushButton* buildAndCloseButton() const { return m_command3; }

 protected:
  bool unload() override;

 private:
  void build(bool closeAfter);

  FormControl* m_frm = nullptr;
  QDateEdit* m_start = nullptr;
  QDateEdit* m_end = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command3 = nullptr;
  QPointer<frmReport> m_report;
  QString m_name;
  bool m_designMode = false;
  bool m_found = false;
};

}  // namespace balvix::runtime
