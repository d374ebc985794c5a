#include "runtime/reposting.h"

#include <QApplication>
#include <QProgressDialog>

#include "config/form_layout.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "script/engine.h"
#include "script/global_functions.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

namespace {

const QString kSaveProcedure = QStringLiteral("ПриСохранении");

QString keyCondition(const script::DocumentKey& key) {
  return QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
         QStringLiteral(" AND cTIME=") + storage::quote(key.time);
}

}  // namespace

struct Reposter::KindForm {
  std::unique_ptr<FormControl> form;
  QStringList fields;  // header fields of the layout
  QString error;       // the kind cannot be reposted: why
};

Reposter::Reposter(shell::AppState& state) : m_state(state) {
  if (m_state.db) m_registers = script::posting::registerTables(*m_state.db);
}

Reposter::~Reposter() = default;

Reposter::KindForm* Reposter::formOf(const QString& kind) {
  auto it = m_forms.find(kind);
  if (it != m_forms.end()) return it->second.get();
  auto entry = std::make_unique<KindForm>();
  storage::Session& db = *m_state.db;
  const std::optional<config::ObjectDefinition> definition =
      config::readDefinition(db, config::ObjectKind::Document, kind);
  if (!definition) {
    entry->error = QStringLiteral("вид документа не найден в конфигурации");
  } else {
    entry->form = std::make_unique<FormControl>();
    FormControl& form = *entry->form;
    if (m_state.host) form.setHost(m_state.host);
    form.setModuleName(definition->path());
    form.LoadLayout(definition->layout
                        ? *definition->layout
                        : config::composeDefaultLayout(definition->requisites).text());
    for (const QString& name : form.elementNames())
      if (form.hasField(name)) entry->fields << name;
    if (definition->hasTablePart) {
      for (const config::Requisite& column : definition->tableRequisites) {
        form.table()->addColumn(column.name);
        form.table()->setStatus(column.type.text());
      }
      form.setTablePart(true);
    }
    const QString code = definition->module.trimmed();
    if (!code.isEmpty() && code != QLatin1String("_")) {
      QString global;
      storage::Recordset g = db.openRecordset(QStringLiteral("SELECT * FROM ГлобальныйМодуль"));
      if (!g.eof()) global = g.text(0);
      m_state.sharedRecordset.close();
      if (!form.LoadModule(definition->module + global,
                           script::createGlobalFunctions(form.host(), m_state)))
        entry->error = QStringLiteral("модуль документа не загружается");
    }
  }
  KindForm* made = entry.get();
  m_forms.emplace(kind, std::move(entry));
  return made;
}

QString Reposter::repost(const RepostItem& item) {
  if (!m_state.db) return QStringLiteral("база данных не открыта");
  storage::Session& db = *m_state.db;
  try {
    KindForm* kind = formOf(item.kind);
    if (!kind->error.isEmpty()) return kind->error;
    FormControl& form = *kind->form;
    storage::Transaction transaction(db);
    storage::Recordset header =
        db.openRecordset(QStringLiteral("SELECT * FROM ") + config::documentHeaderTable(item.kind) +
                         keyCondition(item.key));
    // Unposted or deleted meanwhile: nothing to repost.
    if (header.eof() || header.text(QStringLiteral("Проводка")).trimmed() != QStringLiteral("1"))
      return QString();
    for (const QString& field : std::as_const(kind->fields)) form.setValue(field, QString());
    for (int i = 0; i < header.fieldCount(); ++i)
      form.setValue(header.fieldName(i), header.text(i));
    if (form.tablePart()) {
      FormTable* table = form.table();
      table->clearRows();
      storage::Recordset rows =
          db.openRecordset(QStringLiteral("SELECT * FROM ") +
                           config::documentTablePartTable(item.kind) + keyCondition(item.key));
      const int columns =
          rows.fieldCount() - config::systemColumnCount(config::TableRole::TablePart);
      for (; !rows.eof(); rows.moveNext()) {
        table->newRow();
        for (int c = 0; c < columns; ++c) table->addValue(rows.text(c), rows.fieldName(c));
      }
    }
    script::posting::unpost(db, item.kind, item.key, m_registers);
    db.execute(QStringLiteral("UPDATE ") + config::documentHeaderTable(item.kind) +
               QStringLiteral(" SET Проводка='1'") + keyCondition(item.key));
    const QDate date = QDate::fromString(item.key.date, QStringLiteral("dd.MM.yyyy"));
    script::posting::runAsPosting(m_state, item.kind, date, item.key, [&] {
      if (form.engine()) form.engine()->runThis(kSaveProcedure);
      return true;
    });
    transaction.commit();
    return QString();
  } catch (const script::ScriptError& e) {
    return e.line() > 0 ? QStringLiteral("строка %1: %2").arg(e.line()).arg(e.description())
                        : e.description();
  } catch (const storage::DbError& e) {
    return e.description();
  }
}

RepostSummary repostWithProgress(shell::AppState& state, const std::vector<RepostItem>& items,
                                 QWidget* parent) {
  RepostSummary summary;
  Reposter reposter(state);
  QProgressDialog progress(QStringLiteral("Перепроведение документов..."), QStringLiteral("Отмена"),
                           0, static_cast<int>(items.size()), parent);
  progress.setObjectName(QStringLiteral("RepostProgress"));
  progress.setWindowTitle(QStringLiteral("Перепровести"));
  progress.setAccessibleName(QStringLiteral("Перепроведение документов"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (progress.wasCanceled()) {
      summary.cancelled = true;
      break;
    }
    const RepostItem& item = items[i];
    progress.setLabelText(QStringLiteral("Перепроведение документов: %1 из %2\n%3 от %4 %5")
                              .arg(i + 1)
                              .arg(items.size())
                              .arg(item.kind, item.key.date, item.key.time));
    const QString error = reposter.repost(item);
    if (error.isEmpty())
      ++summary.reposted;
    else
      summary.failures
          << QStringLiteral("%1 от %2 %3: %4").arg(item.kind, item.key.date, item.key.time, error);
    progress.setValue(static_cast<int>(i + 1));
  }
  return summary;
}

}  // namespace balvix::runtime
