#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "script/host_object.h"

namespace balvix::script {

// What `Форма` reads and writes: a document's header held in its content when it is posted
// without a window, the fields of the window that shows it otherwise.
class FormFields {
 public:
  virtual ~FormFields() = default;
  // False once what the fields belong to is gone (a closed window).
  virtual bool available() const { return true; }
  // Found by name with letter case ignored; a field there is not reads as empty.
  virtual QString value(const QString& name) const = 0;
  // A field there is not ignores what is written to it.
  virtual void setValue(const QString& name, const QString& text) = 0;
  virtual QString caption() const = 0;
  virtual void setCaption(const QString& caption) = 0;
};

// What `Таблица` reads and writes: a table part of named columns with their type words and
// rows of texts. Rows and columns are numbered from 0 here; callers pass valid numbers.
class TableRows {
 public:
  virtual ~TableRows() = default;
  virtual bool available() const { return true; }
  virtual QStringList columns() const = 0;
  virtual QString columnType(int column) const = 0;
  virtual void setColumnType(int column, const QString& type) = 0;
  virtual int rows() const = 0;
  virtual QString cell(int row, int column) const = 0;
  virtual void setCell(int row, int column, const QString& text) = 0;
  virtual void addColumn(const QString& name, const QString& type) = 0;
  // Appends an empty row, which becomes the newest.
  virtual void addRow() = 0;
  // Removes every row; the columns stay.
  virtual void clearRows() = 0;
  // How many times the rows were cleared, by whoever cleared them (the user too): a walk
  // over the rows starts again after each.
  virtual int clearings() const { return 0; }
};

// `Форма`: Значение("Поле") read and assigned, Заголовок, УстановитьЗначение,
// ПолучитьЗначение. The one implementation for the document window and for documents
// posted without one, so a module gets the same answers in both.
class FormObject : public SimpleHostObject {
 public:
  explicit FormObject(std::unique_ptr<FormFields> fields);
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("Форма"); }

 private:
  FormFields& fields() const;
  std::unique_ptr<FormFields> m_fields;
};

// `Таблица`: columns added and typed (Status is the type of the column added last), rows
// added and filled, a walk over the rows with its own cursor. Columns are found by name
// with letter case ignored or by number from 1.
class TableObject : public SimpleHostObject {
 public:
  explicit TableObject(std::unique_ptr<TableRows> rows);
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("Таблица"); }

 private:
  TableRows& table() const;
  int column(const QString& name) const;
  std::unique_ptr<TableRows> m_rows;
  int m_cursor = -1;
  int m_clearings = 0;
};

}  // namespace balvix::script
