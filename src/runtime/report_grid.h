#pragma once

#include <QDate>
#include <QHash>
#include <QPointer>
#include <QTableView>
#include <QWidget>
#include <memory>
#include <vector>

#include "documents/report_engine.h"
#include "documents/report_export.h"
#include "runtime/module_runner.h"

class QLineEdit;
class QToolBar;

namespace balvix::script {
class Engine;
class Host;
struct ModuleSource;
}  // namespace balvix::script

namespace balvix::runtime {

// The grid shows and edits what the report engine holds; its API speaks the engine's types.
using documents::CellKind;
using documents::CellStyle;
using documents::CellValue;
using documents::cellValueOf;
using documents::DialogObject;
using documents::ReportCell;
using documents::ReportDialogValues;
using documents::ReportLayoutText;
using documents::ReportObject;
using documents::ReportSection;
using documents::ReportSheet;
namespace report_export = documents::report_export;

class ReportModel;

// The report grid ("report1"): shows a report layout for design, or runs the report's
// module, which fills the output from the layout's named sections.
class ReportGrid : public QWidget, private documents::ReportEngine::Listener {
  Q_OBJECT

 public:
  explicit ReportGrid(QWidget* parent = nullptr);
  ~ReportGrid() override;

  void setHost(script::Host* host) { m_module.setHost(host); }
  script::Host& host() { return m_module.host(); }

  // Set before LoadLayout: in design mode the layout itself is edited.
  void setDesignMode(bool on);
  bool designMode() const { return m_designMode; }
  // Malformed text opens an empty grid with a message; false then.
  bool LoadLayout(const QString& text);
  QString GetLayout() const;
  // Runs the module (the report's own and the global module, each under its name so that
  // an error names the module it happened in) with the global object and `Отчет` (and
  // `Диалог` when there are dialog values). A module error is shown with its line; the
  // output made so far stays. False on an error. A text alone runs as an unnamed module.
  bool LoadModule(const std::vector<script::ModuleSource>& modules,
                  std::shared_ptr<script::HostObject> globalObject,
                  const ReportDialogValues* dialog = nullptr);
  bool LoadModule(const QString& text, std::shared_ptr<script::HostObject> globalObject,
                  const ReportDialogValues* dialog = nullptr);
  void setModuleName(const QString& name) { m_module.setModuleName(name); }
  script::Engine* engine() const { return m_module.engine(); }
  // Ends the module's run; see FormControl::endModule.
  void endModule() { m_module.end(); }
  // Calls the module's ПриРасшифровке with the drill-down's value, under the module's guard
  // (an error is shown with its line). False when there is no module or no such procedure.
  bool runDrill(const documents::CellDrill& drill);

  // The module's operations on the output.
  void setParameter(const QString& name, const QString& value);
  void setParameter(const QString& name, const CellValue& value);
  QString parameter(const QString& name) const;
  // Appends a copy of the section with its parameters filled; false when there is none.
  bool output(const QString& section);
  QString cellText(int row, int column) const;  // from 1
  void setCellText(int row, int column, const QString& text);
  void setCellValue(int row, int column, const CellValue& value);
  void clearOutput();
  // The output before the module runs: empty, or the layout when it has no sections.
  void restartOutput();
  // Shows the rows added so far.
  void publish();
  // Shows an output built elsewhere (a print form) in place of the engine's own.
  void showOutput(ReportSheet output);

  const ReportSheet& layout() const;
  // The width the grid needs to show every column of the layout: the columns, the row
  // numbers, a scroll bar and the frame.
  int widthForColumns() const;
  const ReportSheet& sheet() const;  // what the grid shows: the layout or the output
  documents::ReportEngine& report() { return *m_report; }
  ReportModel* model() const { return m_model; }
  QTableView* view() const { return m_view; }
  QToolBar* designBar() const { return m_bar; }
  // The caption of the window that shows the grid (for Отчет.Заголовок).
  QWidget* captionWidget() const;

  // Design commands on the selected cells.
  QRect selectedRange() const;  // x = column, y = row
  void selectRange(const QRect& range);
  void mergeSelection();
  void unmergeSelection();
  void toggleBold();
  void toggleItalic();
  void setAlignment(Qt::Alignment align);
  void toggleBorders();
  // A number format for the selected cells: amounts (two decimals), zeros left empty.
  void toggleAmount();
  void toggleBlankZero();
  // Inserts an empty row above the selection, or removes the selected rows.
  void insertRow();
  void removeRows();
  // Names the selected rows as a section (replacing a section of that name).
  bool nameSection(const QString& name);

 signals:
  void layoutChanged();
  // A double click or Enter on a cell of the output that carries a drill-down (0-based).
  void drillRequested(int row, int column);

 private:
  void applyGeometry();
  void designChanged(const QRect& range);
  void outputReset() override;
  void rowsAdded() override { publish(); }
  void cellChanged(int row, int column) override;
  QString caption() const override;
  void setCaption(const QString& caption) override;

  bool m_designMode = false;
  // Before the module's runner, so that the module ends while the report still exists.
  std::shared_ptr<documents::ReportEngine> m_report;
  ReportModel* m_model = nullptr;
  QTableView* m_view = nullptr;
  QToolBar* m_bar = nullptr;
  QLineEdit* m_sectionName = nullptr;
  ModuleRunner m_module;
  bool m_applying = false;
};

}  // namespace balvix::runtime
