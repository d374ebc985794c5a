#include "config/print_forms.h"

#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

namespace {

using storage::quote;

QString whereKind(const QString& kind) {
  return QStringLiteral(" WHERE type=") + quote(kPrintFormType) + QStringLiteral(" AND zurnal=") +
         quote(kind);
}

// The row's name is unique among the rows of its type, as every row's is.
QString rowName(const QString& kind, const QString& name) {
  return kind + QLatin1Char('.') + name;
}

QString whereForm(const QString& kind, const QString& name) {
  return QStringLiteral(" WHERE type=") + quote(kPrintFormType) + QStringLiteral(" AND name=") +
         quote(rowName(kind, name));
}

int updateColumn(storage::Session& db, const QString& kind, const QString& name,
                 const QString& column, const QString& value) {
  db.execute(QStringLiteral("UPDATE form_items SET ") + column + QLatin1Char('=') + quote(value) +
             whereForm(kind, name));
  return db.changes();
}

}  // namespace

QString printFormModuleTemplate() {
  return QStringLiteral(
      "' Документ, Форма и Таблица - печатаемый документ (только чтение), Отчет - макет.\r\n"
      "Отчет.Параметр(\"Номер\") = Документ.Номер\r\n"
      "Отчет.Параметр(\"Дата\") = Документ.Дата\r\n"
      "Отчет.Вывести(\"Шапка\")\r\n");
}

QList<PrintForm> readPrintForms(storage::Session& db, const QString& kind) {
  QList<PrintForm> forms;
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT descript,item,code FROM form_items") + whereKind(kind));
  for (; !rs.eof(); rs.moveNext()) forms << PrintForm{rs.text(0), rs.text(1), rs.text(2)};
  return forms;
}

QStringList printFormNames(storage::Session& db, const QString& kind) {
  QStringList names;
  for (const PrintForm& form : readPrintForms(db, kind)) names << form.name;
  return names;
}

std::optional<PrintForm> readPrintForm(storage::Session& db, const QString& kind,
                                       const QString& name) {
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT descript,item,code FROM form_items") + whereForm(kind, name));
  if (rs.eof()) return std::nullopt;
  return PrintForm{rs.text(0), rs.text(1), rs.text(2)};
}

bool addPrintForm(storage::Session& db, const QString& kind, const PrintForm& form) {
  if (readPrintForm(db, kind, form.name)) return false;
  db.execute(QStringLiteral("INSERT INTO form_items (name,type,zurnal,descript,item,code) "
                            "VALUES (") +
             quote(rowName(kind, form.name)) + QLatin1Char(',') + quote(kPrintFormType) +
             QLatin1Char(',') + quote(kind) + QLatin1Char(',') + quote(form.name) +
             QLatin1Char(',') + quote(form.layout) + QLatin1Char(',') + quote(form.module) +
             QLatin1Char(')'));
  return true;
}

int renamePrintForm(storage::Session& db, const QString& kind, const QString& name,
                    const QString& newName) {
  db.execute(QStringLiteral("UPDATE form_items SET name=") + quote(rowName(kind, newName)) +
             QStringLiteral(",descript=") + quote(newName) + whereForm(kind, name));
  return db.changes();
}

int writePrintFormLayout(storage::Session& db, const QString& kind, const QString& name,
                         const QString& layout) {
  return updateColumn(db, kind, name, QStringLiteral("item"), layout);
}

int writePrintFormModule(storage::Session& db, const QString& kind, const QString& name,
                         const QString& module) {
  return updateColumn(db, kind, name, QStringLiteral("code"), module);
}

int deletePrintForm(storage::Session& db, const QString& kind, const QString& name) {
  db.execute(QStringLiteral("DELETE FROM form_items") + whereForm(kind, name));
  return db.changes();
}

int deletePrintForms(storage::Session& db, const QString& kind) {
  db.execute(QStringLiteral("DELETE FROM form_items") + whereKind(kind));
  return db.changes();
}

QString printFormPath(const QString& kind, const QString& name) {
  return kPrintFormType + QLatin1Char('.') + kind + QLatin1Char('.') + name;
}

std::optional<std::pair<QString, QString>> splitPrintFormName(const QString& text) {
  const qsizetype dot = text.indexOf(QLatin1Char('.'));
  if (dot <= 0) return std::nullopt;
  return std::pair{text.left(dot), text.mid(dot + 1)};
}

}  // namespace balvix::config
