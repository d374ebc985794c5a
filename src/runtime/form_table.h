#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <memory>
#include <vector>

#include "script/objects/form_objects.h"

namespace balvix::runtime {

// The table part of a form: named columns with their type texts and rows of texts. The
// document form fills it column by column and row by row; modules reach it through
// tableRows.
class FormTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FormTable(QObject* parent = nullptr);

  // ДобавитьКолонку: a new text column; its type is set afterwards through Status.
  void addColumn(const QString& name);
  // Status := type word of the column added last; read back the same way.
  void setStatus(const QString& type);
  QString status() const;
  // НоваяСтрока: appends an empty row, which becomes the newest row.
  void newRow();
  // ДобавитьЗначение: fills a column of the newest row (a new row is made when there is
  // none). Returns false when there is no such column.
  bool addValue(const QString& text, const QString& column);
  // ОчиститьТаблицу: removes all rows (the columns stay).
  void clearRows();
  bool removeRow(int row);
  int clearings() const { return m_clearings; }

  // Column by name (letter case ignored) or by number from 1; -1 when none.
  int columnIndex(const QString& column) const;
  const QStringList& columnNames() const { return m_names; }
  QString columnType(int column) const { return m_types.value(column); }
  void setColumnType(int column, const QString& type);
  QString cell(int row, int column) const;
  void setCell(int row, int column, const QString& text);
  int rows() const { return static_cast<int>(m_rows.size()); }
  // A read-only table (of a posted document) takes no edits from the user; modules still
  // write into it.
  void setReadOnly(bool on) { m_readOnly = on; }
  bool isReadOnly() const { return m_readOnly; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The user changed a cell (not a module or a choice window).
  void cellEdited(int row, int column);

 private:
  QStringList m_names;
  QStringList m_types;
  std::vector<QStringList> m_rows;
  int m_clearings = 0;
  bool m_readOnly = false;
};

// The table part as `Таблица` reads and writes it: the model the view shows, so the user
// sees what a module writes at once.
std::unique_ptr<script::TableRows> tableRows(FormTable* table);

// The view of the table part: cells edited in place by the editor of the column's type,
// Insert adds a row, Delete removes the current one after a question.
class FormTableView : public QTableView {
  Q_OBJECT

 public:
  explicit FormTableView(FormTable* table, QWidget* parent = nullptr);
  FormTable* table() const { return m_table; }

 signals:
  // A reference cell asks for a value (the target "table" is the current cell).
  void chooseValue(const QString& type);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  FormTable* m_table;
};

}  // namespace balvix::runtime
