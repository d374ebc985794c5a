#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "config/print_forms.h"
#include "documents/print_form.h"
#include "runtime/report_grid.h"
#include "runtime/runtime_window.h"

class QAction;
class QMenu;
class QPrinter;
class QToolBar;
class QWidget;

namespace balvix::runtime {

// A printed document: its print form filled in the report grid, with print preview, print
// and saving as PDF and XLSX through the report's painter and writers. Opened from the
// document designer in design mode, it edits the form's layout in the grid and stores it
// when it closes.
class frmPrint : public RuntimeWindow {
  Q_OBJECT

 public:
  explicit frmPrint(shell::AppState& state, QWidget* parent = nullptr);
  ~frmPrint() override;

  // Builds the form for the document; false (after the message) when it cannot be built.
  bool showPrinted(const config::PrintForm& form, const documents::PrintedDocument& document);
  // Opens the layout of the form `name` of `kind` for design.
  bool designLayout(const QString& kind, const QString& name);

  ReportGrid* grid() const { return m_grid; }
  QToolBar* toolBar() const { return m_bar; }
  bool designMode() const { return m_designMode; }
  const QString& title() const { return m_title; }

  bool saveAs(const QString& format, QString path = QString());
  void printPreview();
  void print();
  void paintOn(QPrinter* printer);

 protected:
  bool unload() override;

 private:
  bool storeLayout();

  ReportGrid* m_grid = nullptr;
  QToolBar* m_bar = nullptr;
  QString m_kind;
  QString m_form;
  QString m_title;
  bool m_designMode = false;
};

// The stored document `key` of `kind` printed with its form `formName` (the first form when
// empty) in a new print window; nullptr (after the message) when it cannot be.
frmPrint* printDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key,
                        const QString& formName = QString());

// «Печать» of a document window or a journal: the kind's print forms. With none the user is
// told so, one is printed at once, several are listed in a menu (`mnuPrint`, a child of
// `anchor`, shown below it without waiting) and the one chosen is printed. `key` is asked
// when the form is chosen; nullopt prints nothing.
void printCommand(shell::AppState& state, QWidget* anchor, const QString& kind,
                  const std::function<std::optional<script::DocumentKey>()>& key);

}  // namespace balvix::runtime
