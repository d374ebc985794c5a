#include "documents/report_engine.h"

#include <QLocale>
#include <algorithm>

#include "script/coerce.h"
#include "script/engine.h"
#include "script/host.h"
#include "script/script_error.h"

namespace balvix::documents {

namespace {

constexpr int kStatusEvery = 1000;

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

// A cell's value as the module gave it: a number or a date stays one.
script::Value valueOfCell(const CellValue& v) {
  return v.kind == CellKind::Number ? script::Value::real(v.number)
         : v.kind == CellKind::Date ? script::Value::date(v.number)
                                    : script::Value(v.text);
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

bool ReportEngine::loadLayout(const QString& text, QString* problem) {
  std::optional<ReportSheet> sheet =
      text.trimmed().isEmpty() ? ReportSheet{} : ReportLayoutText::read(text, problem);
  m_layout = sheet ? std::move(*sheet) : ReportSheet{};
  return sheet.has_value();
}

void ReportEngine::setParameter(const QString& name, const CellValue& value) {
  m_parameters.insert(name.toCaseFolded(), value);
}

QString ReportEngine::parameter(const QString& name) const {
  return m_parameters.value(name.toCaseFolded()).text;
}

void ReportEngine::checkOutputSize(qint64 rows, qint64 columns) const {
  using namespace report_limits;
  const QLocale ru(QLocale::Russian);
  const QString advice = QStringLiteral(" Сократите период или отбор отчета.");
  if (rows > kMaxOutputRows)
    throw script::ScriptError::custom(
        script::ErrorCode::OutOfMemory,
        QStringLiteral("Отчет превысил предел в %1 строк.").arg(ru.toString(kMaxOutputRows)) +
            advice);
  if (rows * std::max<qint64>(columns, 1) > kMaxOutputCells)
    throw script::ScriptError::custom(
        script::ErrorCode::OutOfMemory,
        QStringLiteral("Отчет превысил предел в %1 ячеек (строк × колонок): %2 × %3.")
                .arg(ru.toString(kMaxOutputCells), ru.toString(rows), ru.toString(columns)) +
            advice);
}

bool ReportEngine::outputSection(const QString& name) {
  const ReportSection* section = m_layout.section(name);
  if (!section) return false;
  ReportSheet& out = m_output;
  const int at = out.rowCount();
  const int count = section->last - section->first + 1;
  checkOutputSize(qint64(at) + count, std::max(out.columns, m_layout.columns));
  if (out.styles.size() < m_layout.styles.size()) out.styles = m_layout.styles;
  out.columns = std::max(out.columns, m_layout.columns);
  if (out.columnWidths.empty()) out.columnWidths = m_layout.columnWidths;
  for (int i = 0; i < count; ++i) {
    const int from = section->first + i;
    std::vector<ReportCell> row;
    if (from < m_layout.rowCount()) {
      row = m_layout.rows[static_cast<std::size_t>(from)];
      for (ReportCell& c : row) {
        fillCell(c, m_parameters);
        takeNumberOfStyle(c, m_layout.style(c.style));
      }
    }
    if (m_drill)
      for (int c = 0; c < static_cast<int>(row.size()); ++c) out.setDrill(at + i, c, &*m_drill);
    out.rows.push_back(std::move(row));
    out.rowHeights.push_back(from < static_cast<int>(m_layout.rowHeights.size())
                                 ? m_layout.rowHeights[static_cast<std::size_t>(from)]
                                 : 0);
    out.rowSections << section->name;
  }
  for (const QRect& m : m_layout.merges)
    if (m.top() >= section->first && m.bottom() <= section->last)
      out.merges << m.translated(0, at - section->first);
  if (m_listener && out.rowCount() / kPublishEvery != at / kPublishEvery) m_listener->rowsAdded();
  return true;
}

QString ReportEngine::cellText(int row, int column) const {
  const ReportCell* c = m_output.cell(row - 1, column - 1);
  return c ? c->text : QString();
}

void ReportEngine::setCellValue(int row, int column, const CellValue& value) {
  ReportSheet& s = m_output;
  checkOutputSize(std::max(row, s.rowCount()), std::max(column, s.columns));
  const int before = s.rowCount();
  ReportCell& cell = s.cellRef(row - 1, column - 1);
  cell.text = value.text;
  cell.kind = value.kind;
  cell.number = value.number;
  takeNumberOfStyle(cell, s.style(cell.style));
  s.setDrill(row - 1, column - 1, m_drill ? &*m_drill : nullptr);
  while (s.rowSections.size() < s.rowCount()) s.rowSections << QString();
  if (m_listener && s.rowCount() == before && row - 1 < before)
    m_listener->cellChanged(row - 1, column - 1);
}

void ReportEngine::restartOutput() {
  m_drill.reset();
  // A layout without sections is a fixed page: it is the output itself.
  if (m_layout.sections.isEmpty()) {
    m_output = m_layout;
    if (m_listener) m_listener->outputReset();
  } else {
    clearOutput();
  }
}

void ReportEngine::clearOutput() {
  ReportSheet empty;
  empty.columns = m_layout.columns;
  empty.columnWidths = m_layout.columnWidths;
  empty.styles = m_layout.styles;
  m_output = std::move(empty);
  if (m_listener) m_listener->outputReset();
}

QString ReportEngine::caption() const {
  return m_listener ? m_listener->caption() : m_caption;
}

void ReportEngine::setCaption(const QString& caption) {
  if (m_listener)
    m_listener->setCaption(caption);
  else
    m_caption = caption;
}

bool ReportEngine::runDrill(script::Engine& engine, const CellDrill& drill) {
  if (drill.namesDocument() || !engine.hasProcedure(kDrillProcedure)) return false;
  engine.call(kDrillProcedure, {valueOfCell(drill.value)});
  return true;
}

void ReportEngine::addObjects(const std::shared_ptr<ReportEngine>& report, script::Engine& engine,
                              const ReportDialogValues& dialog) {
  engine.addObject(QStringLiteral("Отчет"), std::make_shared<ReportObject>(report, engine.host()));
  engine.addObject(QStringLiteral("Диалог"), std::make_shared<DialogObject>(dialog));
}

enum ReportMember {
  kParameter = 1,
  kOutput,
  kCell,
  kClear,
  kCaption,
  kRowCount,
  kDrill,
  kDocument
};

ReportObject::ReportObject(std::weak_ptr<ReportEngine> report, script::Host& host)
    : m_report(std::move(report)), m_host(host) {
  addMember(kParameter, QStringLiteral("Параметр"));
  addMember(kOutput, QStringLiteral("Вывести"));
  addMember(kCell, QStringLiteral("Ячейка"));
  addMember(kClear, QStringLiteral("Очистить"));
  addMember(kCaption, QStringLiteral("Заголовок"));
  addMember(kRowCount, QStringLiteral("КоличествоСтрок"));
  addMember(kDrill, QStringLiteral("Расшифровка"));
  addMember(kDocument, QStringLiteral("Документ"));
}

std::shared_ptr<ReportEngine> ReportObject::report() const {
  std::shared_ptr<ReportEngine> report = m_report.lock();
  if (!report) throw script::ScriptError(script::ErrorCode::ObjectNotSet);
  return report;
}

script::Value ReportObject::invoke(int dispId, script::Args& args) {
  using script::ScriptError;
  namespace code = script::ErrorCode;
  const std::shared_ptr<ReportEngine> r = report();
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
      return script::Value(r->parameter(arg(0)));
    case kOutput:
      if (args.size() < 1) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Вывести"));
      if (!r->outputSection(arg(0)))
        throw ScriptError::custom(code::InvalidCall,
                                  QStringLiteral("В макете отчета нет секции «%1».").arg(arg(0)));
      if (++m_sinceStatus >= kStatusEvery) {
        m_sinceStatus = 0;
        m_host.setStatus(QStringLiteral("Формируется отчет: %1 строк").arg(r->output().rowCount()));
      }
      return script::Value();
    case kCell:
      if (args.size() < 2) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Ячейка"));
      return script::Value(r->cellText(number(0), number(1)));
    case kClear:
      r->clearOutput();
      return script::Value();
    case kCaption:
      return script::Value(r->caption());
    case kRowCount:
      return script::Value::integer(
          static_cast<std::int16_t>(std::min(r->output().rowCount(), 32767)));
    case kDrill: {
      const std::optional<CellDrill>& d = r->drill();
      if (!d) return script::Value();
      if (d->namesDocument())
        return script::Value(
            std::shared_ptr<script::HostObject>(std::make_shared<DocumentReference>(
                d->documentKind, d->documentDate, d->documentTime)));
      return valueOfCell(d->value);
    }
    case kDocument:
      if (args.size() != 3) throw ScriptError(code::WrongArgumentCount, QStringLiteral("Документ"));
      if (arg(0).trimmed().isEmpty())
        throw ScriptError::custom(code::InvalidCall,
                                  QStringLiteral("Отчет.Документ: не указан вид документа."));
      return script::Value(std::shared_ptr<script::HostObject>(std::make_shared<DocumentReference>(
          arg(0).trimmed(), arg(1).trimmed(), arg(2).trimmed())));
    default:
      throw ScriptError(code::NotSupported);
  }
}

void ReportObject::put(int dispId, script::Args& args, const script::Value& value, bool isSet) {
  (void)isSet;
  using script::ScriptError;
  namespace code = script::ErrorCode;
  const std::shared_ptr<ReportEngine> r = report();
  if (dispId == kParameter && args.size() >= 1) {
    r->setParameter(script::toText(args[0]), cellValueOf(value));
    return;
  }
  if (dispId == kCell && args.size() >= 2) {
    bool okRow = false, okColumn = false;
    const int row = script::toText(args[0]).trimmed().toInt(&okRow);
    const int column = script::toText(args[1]).trimmed().toInt(&okColumn);
    if (!okRow || !okColumn || row < 1 || column < 1 || row > 1'000'000 ||
        column > report_limits::kMaxColumns)
      throw ScriptError(code::InvalidCall, QStringLiteral("Ячейка"));
    r->setCellValue(row, column, cellValueOf(value));
    return;
  }
  if (dispId == kCaption) {
    r->setCaption(script::toText(value));
    return;
  }
  if (dispId == kDrill) {
    const script::Value& v = value.deref();
    if (v.isObject()) {
      const auto reference = std::dynamic_pointer_cast<DocumentReference>(v.asObject());
      if (!reference)
        throw ScriptError::custom(
            code::TypeMismatch, QStringLiteral("Отчет.Расшифровка: объект не является ссылкой "
                                               "на документ (Отчет.Документ(Вид, Дата, Время))."));
      r->setDrill(reference->drill());
    } else if (v.isEmpty() || v.isNull() || (v.isString() && v.asString().isEmpty())) {
      r->setDrill(std::nullopt);
    } else {
      CellDrill drill;
      drill.value = cellValueOf(v);
      r->setDrill(std::move(drill));
    }
    return;
  }
  throw ScriptError(code::NotSupported);
}

DocumentReference::DocumentReference(QString kind, QString date, QString time)
    : m_kind(std::move(kind)), m_date(std::move(date)), m_time(std::move(time)) {
  addMember(1, QStringLiteral("Вид"));
  addMember(2, QStringLiteral("Дата"));
  addMember(3, QStringLiteral("Время"));
}

script::Value DocumentReference::invoke(int dispId, script::Args& args) {
  (void)args;
  switch (dispId) {
    case 1:
      return script::Value(m_kind);
    case 2:
      return script::Value(m_date);
    case 3:
      return script::Value(m_time);
    default:
      throw script::ScriptError(script::ErrorCode::NotSupported);
  }
}

CellDrill DocumentReference::drill() const {
  CellDrill d;
  d.value.text = m_date + QLatin1Char(' ') + m_time;
  d.documentKind = m_kind;
  d.documentDate = m_date;
  d.documentTime = m_time;
  return d;
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

}  // namespace balvix::documents
