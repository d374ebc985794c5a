#include "runtime/print_window.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "runtime/print_build.h"
#include "runtime/runtime_windows.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "storage/db_error.h"

namespace balvix::runtime {

using shell::MessageBoxes;

frmPrint::frmPrint(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmPrint"));
  setWindowTitle(QStringLiteral("Печать"));
  m_grid = new ReportGrid(this);
  m_grid->setHost(moduleHost());
  m_bar = new QToolBar(this);
  m_bar->setObjectName(QStringLiteral("usrMenu1"));
  auto add = [&](const QString& text, const QString& name, auto slot) {
    QAction* a = m_bar->addAction(text, this, slot);
    a->setObjectName(name);
    a->setToolTip(text);
    return a;
  };
  add(QStringLiteral("Предварительный просмотр"), QStringLiteral("actPreview"),
      &frmPrint::printPreview);
  add(QStringLiteral("Печать"), QStringLiteral("actPrint"), &frmPrint::print)
      ->setShortcut(QKeySequence::Print);
  m_bar->addSeparator();
  add(QStringLiteral("Сохранить как PDF"), QStringLiteral("actPdf"),
      [this] { saveAs(QStringLiteral("pdf")); });
  add(QStringLiteral("Сохранить как XLSX"), QStringLiteral("actXlsx"),
      [this] { saveAs(QStringLiteral("xlsx")); });
  shell::nameToolbarOverflow(m_bar);
  m_bar->setMinimumWidth(m_bar->sizeHint().width());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_bar);
  layout->addWidget(m_grid, 1);
  setSizeTwips(10000, 6630);
}

frmPrint::~frmPrint() {
  if (m_grid) m_grid->endModule();
}

bool frmPrint::showPrinted(const config::PrintForm& form,
                           const documents::PrintedDocument& document) {
  m_designMode = false;
  m_kind = document.content.kind;
  m_form = form.name;
  m_title = documents::printTitle(form, document);
  setWindowTitle(m_title);
  m_bar->setVisible(true);
  m_grid->setDesignMode(false);
  std::optional<documents::ReportSheet> sheet =
      buildPrintForm(m_state, m_grid->host(), form, document);
  if (!sheet) return false;
  m_grid->showOutput(std::move(*sheet));
  registerLoad();
  rememberPlaceAs(m_kind + QLatin1Char('_') + m_form);
  centre();
  return true;
}

bool frmPrint::designLayout(const QString& kind, const QString& name) {
  m_designMode = true;
  m_kind = kind;
  m_form = name;
  m_title = QStringLiteral("Макет печатной формы: ") + kind + QStringLiteral(" — ") + name;
  setWindowTitle(m_title);
  m_bar->setVisible(false);
  m_grid->setDesignMode(true);
  std::optional<config::PrintForm> form;
  try {
    if (m_state.db) form = config::readPrintForm(*m_state.db, kind, name);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
  if (!form) {
    MessageBoxes::show(
        QStringLiteral("Печатная форма «%1» документа «%2» не найдена.").arg(name, kind));
    m_form.clear();
    return false;
  }
  m_grid->LoadLayout(form->layout);
  registerLoad();
  centre();
  return true;
}

bool frmPrint::storeLayout() {
  if (!m_designMode || m_form.isEmpty() || !m_state.db) return true;
  try {
    if (config::writePrintFormLayout(*m_state.db, m_kind, m_form, m_grid->GetLayout()) == 0) {
      MessageBoxes::show(
          QStringLiteral("Макет не сохранен: печатная форма «%1» удалена.").arg(m_form));
      return true;
    }
  } catch (const storage::DbError& e) {
    MessageBoxes::show(QStringLiteral("Макет печатной формы не сохранен: ") + e.description());
    return false;
  }
  return true;
}

bool frmPrint::unload() {
  if (!storeLayout()) return false;
  m_state.sharedRecordset.close();
  return true;
}

bool frmPrint::saveAs(const QString& format, QString path) {
  if (m_designMode) return false;
  if (path.isEmpty()) {
    const QString filter = format == QLatin1String("pdf") ? QStringLiteral("PDF (*.pdf)")
                                                          : QStringLiteral("Книга Excel (*.xlsx)");
    path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить печатную форму"),
                                        m_title + QLatin1Char('.') + format, filter);
    if (path.isEmpty()) return false;
  }
  const ReportSheet& sheet = m_grid->sheet();
  int altered = 0;
  const QString error = format == QLatin1String("pdf")
                            ? report_export::writePdf(sheet, path, m_title)
                            : report_export::writeXlsx(sheet, path, m_form, &altered);
  const QString note = report_export::xlsxAlteredNote(altered);
  m_grid->host().setStatus(error.isEmpty()
                               ? QStringLiteral("Сохранено: ") + path +
                                     (note.isEmpty() ? QString() : QStringLiteral(". ") + note)
                               : QString());
  if (!error.isEmpty()) MessageBoxes::show(error);
  return error.isEmpty();
}

void frmPrint::paintOn(QPrinter* printer) {
  QPainter painter;
  if (!painter.begin(printer)) {
    MessageBoxes::show(QStringLiteral("Принтер недоступен."));
    return;
  }
  report_export::paint(m_grid->sheet(), *printer, painter, m_title);
  painter.end();
}

void frmPrint::printPreview() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(report_export::wantsLandscape(m_grid->sheet())
                                 ? QPageLayout::Landscape
                                 : QPageLayout::Portrait);
  QPrintPreviewDialog preview(&printer, this);
  preview.setWindowTitle(QStringLiteral("Предварительный просмотр: ") + m_title);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, &frmPrint::paintOn);
  preview.exec();
}

void frmPrint::print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(report_export::wantsLandscape(m_grid->sheet())
                                 ? QPageLayout::Landscape
                                 : QPageLayout::Portrait);
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("Печать: ") + m_title);
  if (dialog.exec() == QDialog::Accepted) paintOn(&printer);
}

frmPrint* printDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key,
                        const QString& formName) {
  if (!state.db) return nullptr;
  std::optional<config::PrintForm> form;
  std::optional<documents::PrintedDocument> document;
  try {
    const std::optional<config::ObjectDefinition> definition =
        config::readDefinition(*state.db, config::ObjectKind::Document, kind);
    const QList<config::PrintForm> forms = config::readPrintForms(*state.db, kind);
    for (const config::PrintForm& f : forms)
      if (formName.isEmpty() || f.name == formName) {
        form = f;
        break;
      }
    if (definition) document = documents::readPrintedDocument(*state.db, *definition, key);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return nullptr;
  }
  if (!form) {
    MessageBoxes::show(
        formName.isEmpty()
            ? QStringLiteral("У документа «%1» нет печатных форм.").arg(kind)
            : QStringLiteral("У документа «%1» нет печатной формы «%2».").arg(kind, formName));
    return nullptr;
  }
  if (!document) {
    MessageBoxes::show(QStringLiteral("Документ от %1 %2 не найден: возможно, он удален.")
                           .arg(key.date, key.time));
    return nullptr;
  }
  auto* window = new frmPrint(state);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (!window->showPrinted(*form, *document)) {
    delete window;
    return nullptr;
  }
  showChild(state, window);
  return window;
}

void printCommand(shell::AppState& state, QWidget* anchor, const QString& kind,
                  const std::function<std::optional<script::DocumentKey>()>& key) {
  QStringList names;
  try {
    if (state.db) names = config::printFormNames(*state.db, kind);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return;
  }
  shell::AppState* s = &state;
  auto printWith = [s, kind, key](const QString& name) {
    if (const std::optional<script::DocumentKey> k = key()) printDocument(*s, kind, *k, name);
  };
  if (names.size() <= 1) {
    if (names.isEmpty())
      MessageBoxes::show(
          QStringLiteral("У документа «%1» нет печатных форм. Их добавляют в конструкторе "
                         "документа: «Печатные формы…».")
              .arg(kind));
    else
      printWith(names.front());
    return;
  }
  // One menu per anchor, filled anew: the forms may have changed since the last time.
  auto* menu = anchor->findChild<QMenu*>(QStringLiteral("mnuPrint"), Qt::FindDirectChildrenOnly);
  if (!menu) {
    menu = new QMenu(anchor);
    menu->setObjectName(QStringLiteral("mnuPrint"));
    menu->setAccessibleName(QStringLiteral("Печать"));
  }
  menu->clear();
  for (const QString& name : names)
    menu->addAction(name, menu, [printWith, name] { printWith(name); });
  menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

}  // namespace balvix::runtime
