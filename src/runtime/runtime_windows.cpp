#include "runtime/runtime_windows.h"

#include "runtime/catalog_form.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/document_form.h"
#include "runtime/import_dialog.h"
#include "runtime/journal.h"
#include "runtime/print_window.h"
#include "runtime/report_window.h"
#include "shell/frm_main.h"
#include "shell/window_factory.h"
#include "shell/window_names.h"

namespace balvix::runtime {

namespace names = shell::window_names;

void registerRuntimeWindows(shell::WindowFactory& factory, shell::AppState& state) {
  // The windows are children of the main window's document area, not of the factory's
  // parent: the opener shows them there.
  shell::AppState* s = &state;
  factory.registerWindow(
      names::kCatalogElementForm,
      [s](const shell::WindowArguments& a, QWidget*) { return new frmUniSpr(*s, a.designMode); });
  factory.registerWindow(names::kCatalogList, [s](const shell::WindowArguments&, QWidget*) {
    return new frmSprList(*s);
  });
  factory.registerWindow(names::kDocumentForm, [s](const shell::WindowArguments& a, QWidget*) {
    return new frmUniDoc(*s, a.designMode);
  });
  factory.registerWindow(names::kImport, [s](const shell::WindowArguments&, QWidget* parent) {
    return new frmImport(*s, parent);
  });
  factory.registerWindow(
      names::kJournal, [s](const shell::WindowArguments&, QWidget*) { return new frmZurnal(*s); });
  factory.registerSharedWindow(names::kChartOfAccounts, [s](const shell::WindowArguments&,
                                                            QWidget*) { return new frmPlan(*s); });
  // Report windows from the menu are fresh; the designer and the chart's print use the
  // shared one, which loads the report it is asked for again.
  auto reportName = [s](const shell::WindowArguments& a) {
    return a.objectName.isEmpty() ? s->currentObjectName : a.objectName;
  };
  factory.registerWindow(
      names::kReport,
      [s, reportName](const shell::WindowArguments& a, QWidget*) {
        auto* w = new frmReport(*s);
        w->load(reportName(a), a.designMode);
        return w;
      },
      [reportName](QWidget* w, const shell::WindowArguments& a) {
        if (auto* report = qobject_cast<frmReport*>(w)) report->load(reportName(a), a.designMode);
      });
  // The document designer opens a print form's layout: kind and form in the arguments.
  factory.registerWindow(names::kPrintForm, [s](const shell::WindowArguments& a, QWidget*) {
    auto* w = new frmPrint(*s);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->designLayout(a.objectName, a.elementName);
    return w;
  });
  factory.registerSharedWindow(
      names::kReportDialog,
      [s, reportName](const shell::WindowArguments& a, QWidget*) {
        auto* w = new frmRepDialog(*s);
        w->load(reportName(a), a.designMode);
        return w;
      },
      [reportName](QWidget* w, const shell::WindowArguments& a) {
        if (auto* dialog = qobject_cast<frmRepDialog*>(w))
          dialog->load(reportName(a), a.designMode);
      });
}

void showChild(shell::AppState& state, QWidget* window) {
  if (!window) return;
  if (state.mainWindow)
    state.mainWindow->showRuntimeWindow(window);
  else
    window->show();
}

}  // namespace balvix::runtime
