#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

namespace balvix::runtime {

// What the user does with a write refused because someone else wrote the object after the
// window read it.
enum class ConflictChoice { WriteMine, TakeTheirs, ShowBoth };

// «Элемент изменен другим пользователем» (or the document's sentence) with the three choices;
// closing the box shows both versions, which changes nothing.
ConflictChoice askConflict(const QString& message);

using FieldValues = QList<QPair<QString, QString>>;

// Both versions field by field: the field, the window's value, the stored one.
class VersionsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  VersionsModel(FieldValues mine, FieldValues theirs, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool differs(int row) const;

 private:
  struct Row {
    QString field;
    QString mine;
    QString theirs;
  };
  QList<Row> m_rows;
};

// «Обе версии»: the comparison beside the window it belongs to, with «Взять их версию» and
// «Записать мою», which the window carries out.
class frmVersions : public QDialog {
  Q_OBJECT

 public:
  frmVersions(const QString& title, FieldValues mine, FieldValues theirs, QWidget* parent);
  VersionsModel* model() const { return m_model; }

 signals:
  void takeTheirs();
  void writeMine();

 private:
  VersionsModel* m_model;
};

}  // namespace balvix::runtime
