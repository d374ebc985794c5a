#include "runtime/report_grid.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>
#include <optional>

#include "runtime/module_error.h"
#include "runtime/report_model.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/global_functions.h"
#include "shell/message_box.h"

namespace balvix::runtime {

namespace {

// Views get slow with very many individual row heights and spans; the output beyond
// these counts is shown with default heights and unmerged (exports keep everything).
constexpr int kMaxViewRowHeights = 5000;
constexpr int kMaxViewSpans = 20000;
constexpr int kStatusEvery = 1000;
constexpr int kPublishEvery = 20000;

QString fill(const QString& text, const QHash<QString, CellValue>& parameters) {
  const qsizetype open = text.indexOf(QLatin1Char('['));
  if (open < 0) return text;
  QString out;
  out.reserve(text.size() + 16);
  qsizetype from = 0;
  for (qsizetype at = open; at >= 0; at = text.indexOf(QLatin1Char('['), from)) {
    const qsizetype close = text.indexOf(QLatin1Char(']'), at + 1);
    if (close < 0) break;
    out += QStringView(text).mid(from, at - from);
    // A parameter the module did not set is left empty.
    out += parameters.value(QStringView(text).mid(at + 1, close - at - 1).toString().toCaseFolded())
               .text;
    from = close + 1;
  }
  out += QStringView(text).mid(from);
  return out;
}

// A cell that is one parameter and nothing else takes the parameter's type too.
void fillCell(ReportCell& cell, const QHash<QString, CellValue>& parameters) {
  const QString& text = cell.text;
  if (text.size() > 2 && text.front() == QLatin1Char('[') &&
      text.indexOf(QLatin1Char(']')) == text.size() - 1 && text.indexOf(QLatin1Char('['), 1) < 0) {
    const CellValue value = parameters.value(text.mid(1, text.size() - 2).toCaseFolded());
    cell.kind = value.kind;
    cell.number = value.number;
    cell.text = value.text;
    return;
  }
  cell.text = fill(text, parameters);
}

}  // namespace

CellValue cellValueOf(const script::Value& value) {
  CellValue cell{script::toText(value)};
  if (value.type() == script::Value::Type::Date) {
    cell.kind = CellKind::Date;
    cell.number = value.asDouble();
  } else if (value.isNumber()) {
    cell.kind = CellKind::Number;
    cell.number = script::toDouble(value);
  }
  return cell;
}

ReportGrid::ReportGrid(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("report1"));
  m_model = new ReportModel(this);
  m_model->setBaseFont(font());
  m_view = new QTableView(this);
  m_view->setObjectName(QStringLiteral("reportView"));
  m_view->setAccessibleName(QStringLiteral("Отчет"));
  m_view->setModel(m_model);
  m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_view->verticalHeader()->setDefaultSectionSize(ReportSheet::kDefaultRowHeight);
  m_view->horizontalHeader()->setDefaultSectionSize(ReportSheet::kDefaultColumnWidth);
  m_view->setWordWrap(true);

  m_bar = new QToolBar(this);
  m_bar->setObjectName(QStringLiteral("designBar"));
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
  for (QAction* a : m_bar->actions()) a->setToolTip(a->text());
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

ReportGrid::~ReportGrid() = default;

void ReportGrid::setDesignMode(bool on) {
  if (on == m_designMode) return;
  if (!on) m_layout = m_model->sheet();
  m_designMode = on;
  m_bar->setVisible(on);
  m_view->setEditTriggers(on ? QAbstractItemView::AllEditTriggers
                             : QAbstractItemView::NoEditTriggers);
  m_model->setEditable(on);
  m_model->setSheet(on ? m_layout : ReportSheet{});
  applyGeometry();
}

bool ReportGrid::LoadLayout(const QString& text) {
  QString problem;
  std::optional<ReportSheet> sheet =
      text.trimmed().isEmpty() ? ReportSheet{} : ReportLayoutText::read(text, &problem);
  m_layout = sheet ? std::move(*sheet) : ReportSheet{};
  if (m_designMode) {
    m_model->setSheet(m_layout);
    applyGeometry();
  } else {
    restartOutput();
  }
  if (!sheet) shell::MessageBoxes::show(problem);
  return sheet.has_value();
}

QString ReportGrid::GetLayout() const {
  return ReportLayoutText::write(layout());
}

const ReportSheet& ReportGrid::layout() const {
  return m_designMode ? m_model->sheet() : m_layout;
}

const ReportSheet& ReportGrid::sheet() const {
  return m_model->sheet();
}

QWidget* ReportGrid::captionWidget() const {
  return window();
}

bool ReportGrid::LoadModule(const QString& text, std::shared_ptr<script::HostObject> globalObject,
                            const ReportDialogValues* dialog) {
  script::Engine& engine = m_module.start(std::move(globalObject));
  engine.addObject(QStringLiteral("Отчет"), std::make_shared<ReportObject>(this));
  engine.addObject(QStringLiteral("Диалог"),
                   std::make_shared<DialogObject>(dialog ? *dialog : ReportDialogValues{}));
  // An error is shown over the rows output so far.
  const bool ok = m_module.run([&] { engine.load(text); }, [this] { publish(); });
  publish();
  host().setStatus(QStringLiteral("Строк в отчете: %1").arg(sheet().rowCount()));
  return ok;
}

void ReportGrid::setParameter(const QString& name, const QString& value) {
  setParameter(name, CellValue{value});
}

void ReportGrid::setParameter(const QString& name, const CellValue& value) {
  m_parameters.insert(name.toCaseFolded(), value);
}

QString ReportGrid::parameter(const QString& name) const {
  return m_parameters.value(name.toCaseFolded()).text;
}

bool ReportGrid::output(const QString& name) {
  const ReportSection* section = m_layout.section(name);
  if (!section) return false;
  ReportSheet& out = m_model->sheet();
  if (out.styles.size() < m_layout.styles.size()) out.styles = m_layout.styles;
  out.columns = std::max(out.columns, m_layout.columns);
  if (out.columnWidths.empty()) out.columnWidths = m_layout.columnWidths;
  const int at = out.rowCount();
  const int count = section->last - section->first + 1;
  for (int i = 0; i < count; ++i) {
    const int from = section->first + i;
    std::vector<ReportCell> row;
    if (from < m_layout.rowCount()) {
      row = m_layout.rows[static_cast<std::size_t>(from)];
      for (ReportCell& c : row) fillCell(c, m_parameters);
    }
    out.rows.push_back(std::move(row));
    out.rowHeights.push_back(from < static_cast<int>(m_layout.rowHeights.size())
                                 ? m_layout.rowHeights[static_cast<std::size_t>(from)]
                                 : 0);
    out.rowSections << section->name;
  }
  for (const QRect& m : m_layout.merges)
    if (m.top() >= section->first && m.bottom() <= section->last)
      out.merges << m.translated(0, at - section->first);
  if (out.rowCount() / kPublishEvery != at / kPublishEvery) publish();
  return true;
}

QString ReportGrid::cellText(int row, int column) const {
  const ReportCell* c = sheet().cell(row - 1, column - 1);
  return c ? c->text : QString();
}

void ReportGrid::setCellText(int row, int column, const QString& text) {
  setCellValue(row, column, CellValue{text});
}

void ReportGrid::setCellValue(int row, int column, const CellValue& value) {
  ReportSheet& s = m_model->sheet();
  const int before = s.rowCount();
  ReportCell& cell = s.cellRef(row - 1, column - 1);
  cell.text = value.text;
  cell.kind = value.kind;
  cell.number = value.number;
  while (s.rowSections.size() < s.rowCount()) s.rowSections << QString();
  if (s.rowCount() == before && row - 1 < before && column - 1 < m_model->columnCount())
    emit m_model->dataChanged(m_model->index(row - 1, column - 1),
                              m_model->index(row - 1, column - 1));
}

void ReportGrid::restartOutput() {
  // A layout without sections is a fixed page: it is the output itself.
  if (m_layout.sections.isEmpty()) {
    m_model->setSheet(m_layout);
    applyGeometry();
  } else {
    clearOutput();
  }
}

void ReportGrid::clearOutput() {
  ReportSheet empty;
  empty.columns = m_layout.columns;
  empty.columnWidths = m_layout.columnWidths;
  empty.styles = m_layout.styles;
  m_model->setSheet(std::move(empty));
  applyGeometry();
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

enum ReportMember { kParameter = 1, kOutput, kCell, kClear, kCaption, kRowCount };

ReportObject::ReportObject(ReportGrid* grid) : m_grid(grid) {
  addMember(kParameter, QStringLiteral("Параметр"));
  addMember(kOutput, QStringLiteral("Вывести"));
  addMember(kCell, QStringLiteral("Ячейка"));
  addMember(kClear, QStringLiteral("Очистить"));
  addMember(kCaption, QStringLiteral("Заголовок"));
  addMember(kRowCount, QStringLiteral("КоличествоСтрок"));
}

script::Value ReportObject::invoke(int dispId, script::Args& args) {
  using script::ScriptError;
  namespace code = script::ErrorCode;
  if (!m_grid) throw ScriptError(code::ObjectNotSet);
  auto arg = [&](int i) { return args.has(i) ? script::toText(args[i]) : QString(); };
  auto number = [&](int i) {
    bool ok = false;
    const int n = arg(i).trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 1'000'000)
      throw ScriptError(code::InvalidCall, QStringLiteral("Ячейка"));
    return n;
  };
  switch (dispId) {
    case kParameter:
      if (args.size() < 1) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Параметр"));
      return script::Value(m_grid->parameter(arg(0)));
    case kOutput:
      if (args.size() < 1) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Вывести"));
      if (!m_grid->output(arg(0)))
        throw ScriptError::custom(code::InvalidCall,
                                  QStringLiteral("В макете отчета нет секции «%1».").arg(arg(0)));
      if (++m_sinceStatus >= kStatusEvery) {
        m_sinceStatus = 0;
        m_grid->host().setStatus(
            QStringLiteral("Формируется отчет: %1 строк").arg(m_grid->sheet().rowCount()));
      }
      return script::Value();
    case kCell:
      if (args.size() < 2) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Ячейка"));
      return script::Value(m_grid->cellText(number(0), number(1)));
    case kClear:
      m_grid->clearOutput();
      return script::Value();
    case kCaption:
      return script::Value(m_grid->captionWidget()->windowTitle());
    case kRowCount:
      return script::Value::integer(
          static_cast<std::int16_t>(std::min(m_grid->sheet().rowCount(), 32767)));
    default:
      throw ScriptError(code::NotSupported);
  }
}

void ReportObject::put(int dispId, script::Args& args, const script::Value& value, bool isSet) {
  (void)isSet;
  using script::ScriptError;
  namespace code = script::ErrorCode;
  if (!m_grid) throw ScriptError(code::ObjectNotSet);
  if (dispId == kParameter && args.size() >= 1) {
    m_grid->setParameter(script::toText(args[0]), cellValueOf(value));
    return;
  }
  if (dispId == kCell && args.size() >= 2) {
    bool okRow = false, okColumn = false;
    const int row = script::toText(args[0]).trimmed().toInt(&okRow);
    const int column = script::toText(args[1]).trimmed().toInt(&okColumn);
    if (!okRow || !okColumn || row < 1 || column < 1 || row > 1'000'000 || column > 16384)
      throw ScriptError(code::InvalidCall, QStringLiteral("Ячейка"));
    m_grid->setCellValue(row, column, cellValueOf(value));
    return;
  }
  if (dispId == kCaption) {
    m_grid->captionWidget()->setWindowTitle(script::toText(value));
    return;
  }
  throw ScriptError(code::NotSupported);
}

script::Value DialogObject::invoke(int dispId, script::Args& args) {
  auto date = [](const QDate& d) {
    return script::Value(d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString());
  };
  switch (dispId) {
    case 1:
      return date(m_values.start);
    case 2:
      return date(m_values.end);
    case 3:
      if (args.size() < 1)
        throw script::ScriptError(script::ErrorCode::WrongArgumentCount,
                                  QStringLiteral("Значение"));
      return script::Value(m_values.fields.value(script::toText(args[0]).toCaseFolded()));
    default:
      throw script::ScriptError(script::ErrorCode::NotSupported);
  }
}

}  // namespace balvix::runtime
