#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>

#include "documents/catalog_import.h"
#include "shell/app_state.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace balvix::runtime {

// What a check or a load did to each row: «Строка», «Действие», «Наименование», «Причина».
class ImportResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void setRows(QList<documents::ImportRowOutcome> rows);
  const QList<documents::ImportRowOutcome>& rows() const { return m_rows; }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QList<documents::ImportRowOutcome> m_rows;
};

// «Загрузка данных»: loads a CSV or XLSX file into a catalog. The user picks the file and
// the catalog, maps the file's columns to requisites (or «не загружать»), checks first and
// then loads; the work itself is the catalog import service that --import runs too.
class frmImport : public QDialog {
  Q_OBJECT

 public:
  explicit frmImport(shell::AppState& state, QWidget* parent = nullptr);
  ~frmImport() override;

  // Reads the file and maps its columns to the chosen catalog; false after telling why.
  bool openFile(const QString& path);
  // «Проверить» and «Загрузить»; false when there was nothing to do or it failed.
  bool check();
  bool load();

  QLineEdit* fileField() const { return m_file; }
  QComboBox* catalogField() const { return m_catalog; }
  QStandardItemModel* mapping() const { return m_mapping; }
  QTableView* mappingView() const { return m_mappingView; }
  QCheckBox* skipBad() const { return m_skipBad; }
  QCheckBox* createMissing() const { return m_createMissing; }
  ImportResultModel* results() const { return m_results; }
  QLabel* summary() const { return m_summary; }
  QPushButton* checkButton() const { return m_checkButton; }
  QPushButton* loadButton() const { return m_loadButton; }

  static const QString kSkipColumn;  // «не загружать»

 private:
  void catalogChosen();
  void fillMapping();
  bool applyMapping();
  documents::ImportOptions options() const;
  documents::ImportReport run(bool write);
  void show(const documents::ImportReport& report, bool written);

  shell::AppState& m_state;
  std::unique_ptr<documents::CatalogImport> m_import;
  QString m_path;
  QStringList m_choices;  // «не загружать» and the catalog's requisites
  QLineEdit* m_file = nullptr;
  QComboBox* m_catalog = nullptr;
  QStandardItemModel* m_mapping = nullptr;
  QTableView* m_mappingView = nullptr;
  QCheckBox* m_skipBad = nullptr;
  QCheckBox* m_createMissing = nullptr;
  ImportResultModel* m_results = nullptr;
  QTableView* m_resultView = nullptr;
  QLabel* m_summary = nullptr;
  QPushButton* m_checkButton = nullptr;
  QPushButton* m_loadButton = nullptr;
};

}  // namespace balvix::runtime
