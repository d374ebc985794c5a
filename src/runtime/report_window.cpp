#include "runtime/report_window.h"

#include <QAction>
#include <QDateEdit>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "documents/document_service.h"
#include "documents/report_export.h"
#include "runtime/document_commands.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/runtime_windows.h"
#include "script/objects/object_factory.h"
#include "shell/accessibility.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"

namespace balvix::runtime {

using shell::MessageBoxes;

frmReport::frmReport(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmReport"));
  setWindowTitle(QStringLiteral("Отчет"));
  m_report1 = new ReportGrid(this);
  m_report1->setHost(moduleHost());
  m_bar = new QToolBar(this);
  m_bar->setObjectName(QStringLiteral("usrMenu1"));
  auto add = [&](const QString& text, const QString& name, auto slot) {
    QAction* a = m_bar->addAction(text, this, slot);
    a->setObjectName(name);
    a->setToolTip(text);
    m_workingActions << a;
    return a;
  };
  add(QStringLiteral("Сформировать"), QStringLiteral("actRebuild"), [this] {
    build(m_lastDialog ? &*m_lastDialog : nullptr);
  })->setShortcut(QKeySequence(Qt::Key_F5));
  add(QStringLiteral("Параметры"), QStringLiteral("actParameters"), [this] { showDialog(); });
  m_bar->addSeparator();
  add(QStringLiteral("Предварительный просмотр"), QStringLiteral("actPreview"),
      &frmReport::printPreview);
  add(QStringLiteral("Печать"), QStringLiteral("actPrint"), &frmReport::print)
      ->setShortcut(QKeySequence::Print);
  m_bar->addSeparator();
  add(QStringLiteral("Сохранить как PDF"), QStringLiteral("actPdf"),
      [this] { saveAs(QStringLiteral("pdf")); });
  add(QStringLiteral("Сохранить как CSV"), QStringLiteral("actCsv"),
      [this] { saveAs(QStringLiteral("csv")); });
  add(QStringLiteral("Сохранить как XLSX"), QStringLiteral("actXlsx"),
      [this] { saveAs(QStringLiteral("xlsx")); });
  // The window is never narrower than its commands: none of them hides behind «››».
  shell::nameToolbarOverflow(m_bar);
  m_bar->setMinimumWidth(m_bar->sizeHint().width());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_bar);
  layout->addWidget(m_report1, 1);
  connect(m_report1, &ReportGrid::drillRequested, this, &frmReport::drillDown);
}

frmReport::~frmReport() {
  if (m_report1) m_report1->endModule();
  if (m_state.reportWindow == this) m_state.reportWindow = nullptr;
  if (m_dialog && m_dialog->report() == this) m_dialog->setReport(nullptr);
}

QString frmReport::title() const {
  return windowTitle();
}

void frmReport::updateActions() {
  // Designing, the grid's own commands take the place of the report's.
  m_bar->setVisible(!m_designMode);
  for (QAction* a : m_workingActions) a->setEnabled(!m_designMode && m_found);
  if (!m_designMode && m_found) m_workingActions[1]->setEnabled(hasDialog());
}

void frmReport::load(const QString& name, bool designMode, const ReportDialogValues* values) {
  // The shared window asked for another report (or mode) keeps the layout being designed.
  if (!storeLayout()) return;
  m_name = name;
  m_designMode = designMode;
  m_found = false;
  m_lastDialog.reset();
  m_report1->setDesignMode(designMode);
  m_report1->LoadLayout(QString());
  setSizeTwips(10000, 6630);
  QString layoutText, code;
  try {
    if (!m_state.db) throw storage::DbError(0, QStringLiteral("Нет базы данных"));
    const std::optional<config::ObjectDefinition> report =
        config::readDefinition(*m_state.db, config::ObjectKind::Report, name);
    if (!report) throw storage::DbError(0, QStringLiteral("Нет отчета"));
    setWindowTitle(report->path());
    layoutText = report->layout.value_or(QString());
    code = report->module;
    m_dialogLayout = report->dialog.value_or(QString());
    m_found = true;
  } catch (const storage::DbError&) {
    MessageBoxes::show(QStringLiteral("Отчет не найден, возможно он был удален."),
                       shell::MsgButtons::Ok, name);
  }
  m_state.sharedRecordset.close();
  updateActions();
  registerLoad();
  if (!designMode) rememberPlaceAs(name);
  centre();
  if (!m_found) return;
  m_report1->setModuleName(windowTitle());
  if (layoutText.isEmpty()) return;
  layoutText.replace(QStringLiteral("Истина"), QStringLiteral("True"))
      .replace(QStringLiteral("Ложь"), QStringLiteral("False"));
  m_report1->LoadLayout(layoutText);
  fitColumns();
  if (m_designMode) return;
  // A report with a dialog asks for its parameters first; "Сформировать" builds it.
  if (values) {
    build(values);
    return;
  }
  if (hasDialog()) {
    // Once this window is shown, so that the dialog comes above it, not behind.
    QTimer::singleShot(0, this, [this] { showDialog(); });
    return;
  }
  build();
}

void frmReport::fitColumns() {
  // The window opens as wide as its columns need (a turnover sheet shows its closing
  // balances too); the size is kept within the area that shows it (applyGeometry).
  const int border = frame()->width() - width();
  const int needed = m_report1->widthForColumns() + layout()->contentsMargins().left() +
                     layout()->contentsMargins().right() + std::max(border, 0);
  const double twips = shell::pixelsToTwips(needed);
  if (twips > sizeTwips().width()) setSizeTwips(twips, sizeTwips().height());
  centre();
}

bool frmReport::build(const ReportDialogValues* dialog) {
  if (m_designMode || !m_found || !m_state.db) return false;
  if (dialog) m_lastDialog = *dialog;
  std::vector<script::ModuleSource> sources;
  try {
    if (const std::optional<QString> code =
            config::readModule(*m_state.db, config::ObjectKind::Report, m_name))
      sources = documents::moduleSources(
          *m_state.db, config::objectPath(config::ObjectKind::Report, m_name), *code);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  m_report1->restartOutput();
  auto ext = script::createGlobalFunctions(m_report1->host(), m_state);
  return m_report1->LoadModule(sources, ext, dialog);
}

frmRepDialog* frmReport::showDialog() {
  if (!m_dialog) {
    m_dialog = new frmRepDialog(m_state);
    m_dialog->load(m_name, false);
  }
  m_dialog->setReport(this);
  showChild(m_state, m_dialog);
  m_dialog->raise();
  return m_dialog;
}

bool frmReport::drillDown(int row, int column) {
  if (m_designMode) return false;
  const documents::CellDrill* found = m_report1->report().drillAt(row, column);
  if (!found) return false;
  // The module may rebuild the output, which holds the drill-down.
  const documents::CellDrill drill = *found;
  if (drill.namesDocument())
    return openStoredDocument(m_state, drill.documentKind,
                              {drill.documentDate, drill.documentTime}) != nullptr;
  return m_report1->runDrill(drill);
}

bool frmReport::storeLayout() {
  if (!m_designMode || !m_found || !m_state.db) return true;
  // The layout is quoted, so a "'" in a cell is stored as typed; a failure keeps the
  // window open with the layout.
  try {
    config::writeReportLayout(*m_state.db, m_name, m_report1->GetLayout());
  } catch (const storage::DbError& e) {
    MessageBoxes::show(QStringLiteral("Макет отчета не сохранен: ") + e.description());
    return false;
  }
  return true;
}

bool frmReport::unload() {
  if (!storeLayout()) return false;
  m_state.sharedRecordset.close();
  if (m_state.reportWindow == this) m_state.reportWindow = nullptr;
  return true;
}

bool frmReport::saveAs(const QString& format, QString path) {
  if (path.isEmpty()) {
    const QString filter = format == QLatin1String("pdf") ? QStringLiteral("PDF (*.pdf)")
                           : format == QLatin1String("csv")
                               ? QStringLiteral("CSV (*.csv)")
                               : QStringLiteral("Книга Excel (*.xlsx)");
    path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить отчет"),
                                        m_name + QLatin1Char('.') + format, filter);
    if (path.isEmpty()) return false;
  }
  m_report1->host().setStatus(QStringLiteral("Сохранение отчета..."));
  const ReportSheet& sheet = m_report1->sheet();
  QString error;
  int altered = 0;
  if (format == QLatin1String("pdf"))
    error = report_export::writePdf(sheet, path, title());
  else if (format == QLatin1String("csv"))
    error = report_export::writeCsv(sheet, path);
  else
    error = report_export::writeXlsx(sheet, path, m_name, &altered);
  // Cells a workbook could not hold as they are are named beside the file, not hidden.
  const QString note = report_export::xlsxAlteredNote(altered);
  m_report1->host().setStatus(error.isEmpty()
                                  ? QStringLiteral("Отчет сохранен: ") + path +
                                        (note.isEmpty() ? QString() : QStringLiteral(". ") + note)
                                  : QString());
  if (!error.isEmpty()) MessageBoxes::show(error);
  return error.isEmpty();
}

void frmReport::paintOn(QPrinter* printer) {
  QPainter painter;
  if (!painter.begin(printer)) {
    MessageBoxes::show(QStringLiteral("Принтер недоступен."));
    return;
  }
  report_export::paint(m_report1->sheet(), *printer, painter, title());
  painter.end();
}

void frmReport::printPreview() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(report_export::wantsLandscape(m_report1->sheet())
                                 ? QPageLayout::Landscape
                                 : QPageLayout::Portrait);
  QPrintPreviewDialog preview(&printer, this);
  preview.setWindowTitle(QStringLiteral("Предварительный просмотр: ") + title());
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, &frmReport::paintOn);
  preview.exec();
}

void frmReport::print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(report_export::wantsLandscape(m_report1->sheet())
                                 ? QPageLayout::Landscape
                                 : QPageLayout::Portrait);
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("Печать: ") + title());
  if (dialog.exec() == QDialog::Accepted) paintOn(&printer);
}

frmReport* openReportWith(shell::AppState& state, const QString& name,
                          const ReportDialogValues& values) {
  try {
    if (!state.db || !config::readDefinition(*state.db, config::ObjectKind::Report, name))
      return nullptr;
  } catch (const storage::DbError&) {
    return nullptr;
  }
  auto* report = new frmReport(state);
  report->load(name, false, &values);
  showChild(state, report);
  return report;
}

frmRepDialog::frmRepDialog(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmRepDialog"));
  setWindowTitle(QStringLiteral(" Форма ввода..."));
  auto* frame = new QGroupBox(this);
  auto* label = new QLabel(QStringLiteral("Период отчета: с -"), frame);
  m_start = new QDateEdit(frame);
  m_end = new QDateEdit(frame);
  m_start->setObjectName(QStringLiteral("DT0"));
  m_end->setObjectName(QStringLiteral("DT1"));
  m_start->setAccessibleName(QStringLiteral("Период отчета: с"));
  m_end->setAccessibleName(QStringLiteral("Период отчета: по"));
  label->setBuddy(m_start);
  for (QDateEdit* d : {m_start, m_end}) {
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  }
  const QDate today = QDate::currentDate();
  m_start->setDate(QDate(today.year(), today.month(), 1));
  m_end->setDate(today);
  auto* period = new QHBoxLayout(frame);
  period->addWidget(label);
  period->addWidget(m_start);
  period->addWidget(m_end);
  period->addStretch();
  m_frm = new FormControl(this);
  m_frm->setObjectName(QStringLiteral("frm"));
  m_frm->setHost(moduleHost());
  m_command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("&Сформировать"), this);
  m_command2->setDefault(true);
  m_command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("&Закрыть"), this);
  m_command3 = new QPushButton(this);
  m_command3->setObjectName(QStringLiteral("Command3"));
  m_command3->setAccessibleName(QStringLiteral("Сформировать и закрыть"));
  m_command3->setToolTip(QStringLiteral("Сформировать и закрыть"));
  m_command3->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_command2);
  buttons->addWidget(m_command3);
  buttons->addWidget(m_command1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(m_frm, 1);
  layout->addLayout(buttons);
  connect(m_command2, &QPushButton::clicked, this, [this] { build(false); });
  connect(m_command3, &QPushButton::clicked, this, [this] { build(true); });
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
  connect(m_frm, &FormControl::placeRequest, this, [this] {
    m_frm->PlaceControl(m_state.pendingControlType);
    m_state.pendingControlType.clear();
  });
}

frmRepDialog::~frmRepDialog() {
  if (m_frm) m_frm->endModule();
}

void frmRepDialog::load(const QString& name, bool designMode) {
  m_name = name;
  m_designMode = designMode;
  m_found = false;
  m_frm->setDesignMode(designMode);
  QString layout;
  QString caption = name;
  if (m_state.db) {
    try {
      const std::optional<config::ObjectDefinition> report =
          config::readDefinition(*m_state.db, config::ObjectKind::Report, name);
      m_found = report.has_value();
      if (m_found) {
        layout = report->dialog.value_or(QString());
        if (!report->description.trimmed().isEmpty()) caption = report->description.trimmed();
      }
      // The dialog is kept with its report: a report not yet saved has nowhere to keep it.
      if (!m_found && designMode)
        MessageBoxes::show(
            QStringLiteral("Отчет «%1» еще не сохранен: сохраните его, чтобы сохранить и диалог.")
                .arg(name));
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  m_frm->LoadLayout(layout);
  setProperty(shell::kWindowMenuName, QStringLiteral("Форма ввода: ") + caption);
  m_command2->setEnabled(!designMode);
  m_command3->setEnabled(!designMode);
  setSizeTwips(7000, 4500);
  registerLoad();
  if (!designMode) rememberPlaceAs(name);
  centre();
}

ReportDialogValues frmRepDialog::values() const {
  ReportDialogValues v;
  v.start = m_start->date();
  v.end = m_end->date();
  for (const QString& caption : m_frm->elementNames())
    if (m_frm->hasField(caption)) v.fields.insert(caption.toCaseFolded(), m_frm->value(caption));
  return v;
}

void frmRepDialog::build(bool closeAfter) {
  if (m_designMode) return;
  if (m_start->date() > m_end->date()) {
    MessageBoxes::show(QStringLiteral("Начало периода позже его конца."));
    return;
  }
  const ReportDialogValues v = values();
  if (m_report) {
    // The report window comes forward with its new output.
    showChild(m_state, m_report);
    m_report->build(&v);
  }
  if (closeAfter) close();
}

bool frmRepDialog::unload() {
  if (m_designMode && m_found && m_state.db) {
    try {
      config::writeReportDialog(*m_state.db, m_name, m_frm->GetLayout());
    } catch (const storage::DbError& e) {
      MessageBoxes::show(QStringLiteral("Диалог отчета не сохранен: ") + e.description());
      return false;
    }
  }
  return true;
}

}  // namespace balvix::runtime
