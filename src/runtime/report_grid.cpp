#include "runtime/report_grid.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "runtime/module_error.h"
#include "runtime/report_model.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/global_functions.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"

namespace balvix::runtime {

namespace {

// Views get slow with very many individual row heights and spans; the output beyond
// these counts is shown with default heights and unmerged (exports keep everything).
constexpr int kMaxViewRowHeights = 5000;
constexpr int kMaxViewSpans = 20000;

}  // namespace

ReportGrid::ReportGrid(QWidget* parent)
    : QWidget(parent), m_report(std::make_shared<documents::ReportEngine>()) {
  setObjectName(QStringLiteral("report1"));
  m_report->setListener(this);
  m_model = new ReportModel(this);
  m_model->view(&m_report->output());
  m_model->setBaseFont(font());
  m_view = new QTableView(this);
  m_view->setObjectName(QStringLiteral("reportView"));
  m_view->setAccessibleName(QStringLiteral("Отчет"));
  shell::describeCells(m_view);
  m_view->setModel(m_model);
  m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_view->verticalHeader()->setDefaultSectionSize(ReportSheet::kDefaultRowHeight);
  m_view->horizontalHeader()->setDefaultSectionSize(ReportSheet::kDefaultColumnWidth);
  m_view->setWordWrap(true);
  connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
    if (!m_designMode && index.isValid() && m_report->drillAt(index.row(), index.column()))
      emit drillRequested(index.row(), index.column());
  });

  m_bar = new QToolBar(this);
  m_bar->setObjectName(QStringLiteral("designBar"));
  shell::nameToolbarOverflow(m_bar);
  auto add = [&](const QString& text, const QString& name, auto slot) {
    QAction* a = m_bar->addAction(text, this, slot);
    a->setObjectName(name);
    return a;
  };
  add(QStringLiteral("Объединить"), QStringLiteral("actMerge"), &ReportGrid::mergeSelection);
  add(QStringLiteral("Разъединить"), QStringLiteral("actUnmerge"), &ReportGrid::unmergeSelection);
  add(QStringLiteral("Жирный"), QStringLiteral("actBold"), &ReportGrid::toggleBold)
      ->setShortcut(QKeySequence::Bold);
  add(QStringLiteral("Курсив"), QStringLiteral("actItalic"), &ReportGrid::toggleItalic)
      ->setShortcut(QKeySequence::Italic);
  add(QStringLiteral("Влево"), QStringLiteral("actLeft"), [this] { setAlignment(Qt::AlignLeft); });
  add(QStringLiteral("По центру"), QStringLiteral("actCenter"),
      [this] { setAlignment(Qt::AlignHCenter); });
  add(QStringLiteral("Вправо"), QStringLiteral("actRight"),
      [this] { setAlignment(Qt::AlignRight); });
  add(QStringLiteral("Рамка"), QStringLiteral("actBorders"), &ReportGrid::toggleBorders);
  add(QStringLiteral("Сумма"), QStringLiteral("actAmount"), &ReportGrid::toggleAmount)
      ->setToolTip(QStringLiteral("Сумма: числа с двумя знаками после запятой"));
  add(QStringLiteral("Пустой ноль"), QStringLiteral("actBlankZero"), &ReportGrid::toggleBlankZero)
      ->setToolTip(QStringLiteral("Пустой ноль: нулевое число не показывается"));
  add(QStringLiteral("Вставить строку"), QStringLiteral("actInsertRow"), &ReportGrid::insertRow);
  add(QStringLiteral("Удалить строки"), QStringLiteral("actRemoveRows"), &ReportGrid::removeRows);
  m_bar->addSeparator();
  m_sectionName = new QLineEdit(m_bar);
  m_sectionName->setObjectName(QStringLiteral("sectionName"));
  m_sectionName->setAccessibleName(QStringLiteral("Имя секции"));
  m_sectionName->setPlaceholderText(QStringLiteral("Имя секции"));
  m_sectionName->setMaximumWidth(160);
  m_bar->addWidget(m_sectionName);
  add(QStringLiteral("Назвать секцию"), QStringLiteral("actSection"), [this] {
    if (!nameSection(m_sectionName->text()))
      shell::MessageBoxes::show(QStringLiteral("Введите имя секции и выделите ее строки."));
  });
  for (QAction* a : m_bar->actions())
    if (a->toolTip() == a->text() || a->toolTip().isEmpty()) a->setToolTip(a->text());
  m_bar->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_bar);
  layout->addWidget(m_view, 1);

  // Widths dragged in the header (and heights) become part of the layout.
  connect(m_view->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int size) {
            if (!m_designMode || m_applying) return;
            ReportSheet& s = m_model->sheet();
            if (s.columnWidths.size() <= static_cast<std::size_t>(column))
              s.columnWidths.resize(static_cast<std::size_t>(column) + 1);
            s.columnWidths[static_cast<std::size_t>(column)] = size;
            s.columns = std::max(s.columns, column + 1);
            emit layoutChanged();
          });
  connect(m_view->verticalHeader(), &QHeaderView::sectionResized, this,
          [this](int row, int, int size) {
            if (!m_designMode || m_applying) return;
            ReportSheet& s = m_model->sheet();
            s.resize(row + 1, 0);
            s.rowHeights[static_cast<std::size_t>(row)] = size;
            emit layoutChanged();
          });
  connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
    if (m_designMode) emit layoutChanged();
  });
}

ReportGrid::~ReportGrid() {
  // The view and the model go after the engine's sheets: they show an empty one until then.
  m_report->setListener(nullptr);
  m_model->view(nullptr);
}

void ReportGrid::setDesignMode(bool on) {
  if (on == m_designMode) return;
  m_designMode = on;
  m_bar->setVisible(on);
  m_view->setEditTriggers(on ? QAbstractItemView::AllEditTriggers
                             : QAbstractItemView::NoEditTriggers);
  m_model->setEditable(on);
  // Designing edits the engine's layout in place; leaving design shows an empty output.
  if (!on) m_report->output() = ReportSheet{};
  m_model->view(on ? &m_report->layout() : &m_report->output());
  applyGeometry();
}

bool ReportGrid::LoadLayout(const QString& text) {
  QString problem;
  const bool ok = m_report->loadLayout(text, &problem);
  if (m_designMode) {
    m_model->view(&m_report->layout());
    applyGeometry();
  } else {
    restartOutput();
  }
  if (!ok) shell::MessageBoxes::show(problem);
  return ok;
}

QString ReportGrid::GetLayout() const {
  return ReportLayoutText::write(layout());
}

const ReportSheet& ReportGrid::layout() const {
  return m_report->layout();
}

int ReportGrid::widthForColumns() const {
  const ReportSheet& sheet = m_report->layout();
  int columns = 0;
  for (int c = 0; c < sheet.columns; ++c) columns += sheet.columnWidth(c);
  // Row numbers of a long report take six digits; the grid's own margins come on top.
  const QHeaderView* rows = m_view->verticalHeader();
  const int numbers =
      rows->isHidden()
          ? 0
          : std::max(rows->sizeHint().width(),
                     rows->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  const int margins = std::max(width() - m_view->width(), 0);
  return columns + numbers + m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
         2 * m_view->frameWidth() + margins + 8;
}

const ReportSheet& ReportGrid::sheet() const {
  return m_model->sheet();
}

QWidget* ReportGrid::captionWidget() const {
  return window();
}

QString ReportGrid::caption() const {
  return captionWidget()->windowTitle();
}

void ReportGrid::setCaption(const QString& caption) {
  captionWidget()->setWindowTitle(caption);
}

void ReportGrid::outputReset() {
  if (m_designMode) return;
  m_model->view(&m_report->output());
  applyGeometry();
}

void ReportGrid::cellChanged(int row, int column) {
  if (column < m_model->columnCount())
    emit m_model->dataChanged(m_model->index(row, column), m_model->index(row, column));
}

bool ReportGrid::LoadModule(const QString& text, std::shared_ptr<script::HostObject> globalObject,
                            const ReportDialogValues* dialog) {
  return LoadModule(std::vector<script::ModuleSource>{{QString(), text}}, std::move(globalObject),
                    dialog);
}

bool ReportGrid::LoadModule(const std::vector<script::ModuleSource>& modules,
                            std::shared_ptr<script::HostObject> globalObject,
                            const ReportDialogValues* dialog) {
  script::Engine& engine = m_module.start(std::move(globalObject));
  documents::ReportEngine::addObjects(m_report, engine, dialog ? *dialog : ReportDialogValues{});
  // An error is shown over the rows output so far.
  const bool ok = m_module.run([&] { engine.load(modules); }, [this] { publish(); });
  publish();
  host().setStatus(QStringLiteral("Строк в отчете: %1").arg(sheet().rowCount()));
  return ok;
}

bool ReportGrid::runDrill(const documents::CellDrill& drill) {
  script::Engine* engine = m_module.engine();
  if (!engine || !engine->hasProcedure(documents::kDrillProcedure)) return false;
  bool called = false;
  m_module.run([&] { called = documents::ReportEngine::runDrill(*engine, drill); });
  return called;
}

void ReportGrid::setParameter(const QString& name, const QString& value) {
  m_report->setParameter(name, CellValue{value});
}

void ReportGrid::setParameter(const QString& name, const CellValue& value) {
  m_report->setParameter(name, value);
}

QString ReportGrid::parameter(const QString& name) const {
  return m_report->parameter(name);
}

bool ReportGrid::output(const QString& name) {
  return m_report->outputSection(name);
}

QString ReportGrid::cellText(int row, int column) const {
  const ReportCell* c = sheet().cell(row - 1, column - 1);
  return c ? c->text : QString();
}

void ReportGrid::setCellText(int row, int column, const QString& text) {
  setCellValue(row, column, CellValue{text});
}

void ReportGrid::setCellValue(int row, int column, const CellValue& value) {
  m_report->setCellValue(row, column, value);
}

void ReportGrid::restartOutput() {
  m_report->restartOutput();
}

void ReportGrid::clearOutput() {
  m_report->clearOutput();
}

void ReportGrid::showOutput(ReportSheet output) {
  m_report->output() = std::move(output);
  outputReset();
}

void ReportGrid::publish() {
  m_model->publish();
  applyGeometry();
}

void ReportGrid::applyGeometry() {
  m_applying = true;
  const ReportSheet& s = m_model->sheet();
  QHeaderView* h = m_view->horizontalHeader();
  for (int c = 0; c < m_model->columnCount(); ++c)
    if (h->sectionSize(c) != s.columnWidth(c)) h->resizeSection(c, s.columnWidth(c));
  QHeaderView* v = m_view->verticalHeader();
  const int rows = std::min(s.rowCount(), kMaxViewRowHeights);
  for (int r = 0; r < rows; ++r)
    if (s.rowHeights[static_cast<std::size_t>(r)] > 0 && v->sectionSize(r) != s.rowHeight(r))
      v->resizeSection(r, s.rowHeight(r));
  m_view->clearSpans();
  int spans = 0;
  for (const QRect& m : s.merges) {
    if (++spans > kMaxViewSpans) break;
    m_view->setSpan(m.y(), m.x(), m.height(), m.width());
  }
  m_applying = false;
}

QRect ReportGrid::selectedRange() const {
  const QModelIndexList list = m_view->selectionModel()->selectedIndexes();
  QRect r;
  for (const QModelIndex& i : list)
    r = r.isNull() ? QRect(i.column(), i.row(), 1, 1) : r.united(QRect(i.column(), i.row(), 1, 1));
  if (r.isNull() && m_view->currentIndex().isValid())
    r = QRect(m_view->currentIndex().column(), m_view->currentIndex().row(), 1, 1);
  return r;
}

void ReportGrid::selectRange(const QRect& range) {
  m_view->selectionModel()->select(QItemSelection(m_model->index(range.top(), range.left()),
                                                  m_model->index(range.bottom(), range.right())),
                                   QItemSelectionModel::ClearAndSelect);
}

void ReportGrid::designChanged(const QRect& range) {
  // The model was reset: the cells stay selected for the next command.
  applyGeometry();
  selectRange(range);
  m_view->setCurrentIndex(m_model->index(range.top(), range.left()));
  selectRange(range);
  emit layoutChanged();
}

void ReportGrid::mergeSelection() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull() || (r.width() == 1 && r.height() == 1)) return;
  ReportSheet& s = m_model->sheet();
  s.merges.removeIf([&](const QRect& m) { return m.intersects(r); });
  s.merges << r;
  s.resize(r.bottom() + 1, r.right() + 1);
  m_model->publish();
  designChanged(r);
}

void ReportGrid::unmergeSelection() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  m_model->sheet().merges.removeIf([&](const QRect& m) { return m.intersects(r); });
  designChanged(r);
}

void ReportGrid::toggleBold() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  const ReportCell* first = sheet().cell(r.top(), r.left());
  const bool on = !(first && sheet().style(first->style).bold);
  m_model->changeStyle(r, [on](CellStyle& s) { s.bold = on; });
  designChanged(r);
}

void ReportGrid::toggleItalic() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  const ReportCell* first = sheet().cell(r.top(), r.left());
  const bool on = !(first && sheet().style(first->style).italic);
  m_model->changeStyle(r, [on](CellStyle& s) { s.italic = on; });
  designChanged(r);
}

void ReportGrid::setAlignment(Qt::Alignment align) {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  m_model->changeStyle(r, [align](CellStyle& s) { s.align = align; });
  designChanged(r);
}

void ReportGrid::toggleAmount() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  const ReportCell* first = sheet().cell(r.top(), r.left());
  const bool on = !(first && sheet().style(first->style).decimals == 2);
  m_model->changeStyle(r, [on](CellStyle& s) { s.decimals = on ? 2 : -1; });
  designChanged(r);
}

void ReportGrid::toggleBlankZero() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  const ReportCell* first = sheet().cell(r.top(), r.left());
  const bool on = !(first && sheet().style(first->style).blankZero);
  m_model->changeStyle(r, [on](CellStyle& s) { s.blankZero = on; });
  designChanged(r);
}

void ReportGrid::toggleBorders() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  const ReportCell* first = sheet().cell(r.top(), r.left());
  const bool on = !(first && !sheet().style(first->style).borders.isEmpty());
  m_model->changeStyle(r,
                       [on](CellStyle& s) { s.borders = on ? QStringLiteral("ltrb") : QString(); });
  designChanged(r);
}

void ReportGrid::insertRow() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  ReportSheet s = m_model->sheet();
  s.insertRow(r.top());
  m_model->setSheet(std::move(s));
  designChanged(QRect(r.left(), r.top(), 1, 1));
}

void ReportGrid::removeRows() {
  const QRect r = selectedRange();
  if (!m_designMode || r.isNull()) return;
  ReportSheet s = m_model->sheet();
  for (int row = r.bottom(); row >= r.top(); --row) s.removeRow(row);
  m_model->setSheet(std::move(s));
  designChanged(QRect(r.left(), r.top(), 1, 1));
}

bool ReportGrid::nameSection(const QString& name) {
  const QString trimmed = name.trimmed();
  const QRect r = selectedRange();
  if (!m_designMode || trimmed.isEmpty() || r.isNull()) return false;
  ReportSheet& s = m_model->sheet();
  s.sections.removeIf([&](const ReportSection& x) {
    return x.name.compare(trimmed, Qt::CaseInsensitive) == 0 ||
           (x.first <= r.bottom() && x.last >= r.top());
  });
  s.sections << ReportSection{trimmed, r.top(), r.bottom()};
  s.resize(r.bottom() + 1, 0);
  m_model->publish();
  designChanged(r);
  return true;
}

}  // namespace balvix::runtime
