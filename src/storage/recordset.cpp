#include "storage/recordset_data.h"
#include "storage/sql_text.h"

namespace balvix::storage {

Recordset::Recordset() : d(std::make_shared<Data>()) {}

Recordset Recordset::fromRows(const QStringList& names, std::vector<QVariant> values, int rows) {
  Recordset recordset;
  Data& data = *recordset.d;
  data.names = names;
  data.columns = static_cast<int>(names.size());
  data.values = std::move(values);
  data.rows = rows;
  data.open = true;
  return recordset;
}

bool Recordset::eof() const {
  return !d->open || d->current >= d->rows;
}

void Recordset::moveNext() {
  if (d->open && d->current < d->rows) ++d->current;
}

void Recordset::close() {
  d->open = false;
  d->values.clear();
  d->values.shrink_to_fit();
  d->rows = 0;
  d->current = 0;
}

bool Recordset::isOpen() const {
  return d->open;
}

int Recordset::fieldCount() const {
  return d->columns;
}

QString Recordset::fieldName(int index) const {
  if (index < 0 || index >= d->columns)
    throw DbError(ErrorCode::ItemNotFound,
                  QStringLiteral("Поле с номером %1 отсутствует в наборе записей (полей: %2).")
                      .arg(index)
                      .arg(d->columns));
  return d->names.at(index);
}

int Recordset::fieldIndex(const QString& name) const {
  const int exact = static_cast<int>(d->names.indexOf(name));
  if (exact >= 0) return exact;
  if (d->foldedNames.isEmpty()) {
    for (const QString& n : std::as_const(d->names)) d->foldedNames << foldName(n);
  }
  return static_cast<int>(d->foldedNames.indexOf(foldName(name)));
}

QVariant Recordset::value(int index) const {
  if (!d->open) throw DbError(ErrorCode::ObjectClosed, QStringLiteral("Набор записей закрыт."));
  if (index < 0 || index >= d->columns)
    throw DbError(ErrorCode::ItemNotFound,
                  QStringLiteral("Поле с номером %1 отсутствует в наборе записей (полей: %2).")
                      .arg(index)
                      .arg(d->columns));
  if (d->current >= d->rows)
    throw DbError(ErrorCode::NoCurrentRecord, QStringLiteral("Нет текущей записи."));
  return d->values[static_cast<std::size_t>(d->current) * static_cast<std::size_t>(d->columns) +
                   static_cast<std::size_t>(index)];
}

QVariant Recordset::value(const QString& name) const {
  if (!d->open) throw DbError(ErrorCode::ObjectClosed, QStringLiteral("Набор записей закрыт."));
  const int index = fieldIndex(name);
  if (index < 0)
    throw DbError(ErrorCode::ItemNotFound,
                  QStringLiteral("Поле «%1» отсутствует в наборе записей.").arg(name));
  return value(index);
}

int Recordset::rowCount() const {
  return d->rows;
}

}  // namespace balvix::storage
