#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "config/object_definition.h"
#include "documents/source_table.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

struct ImportOptions {
  // «пропускать ошибочные строки»: the good rows are loaded and the refused ones written to
  // a file beside the source; without it one refused row loads nothing.
  bool skipBad = false;
  // «создавать отсутствующие элементы справочников»: a reference to an element its catalog
  // lacks creates the element instead of refusing the row.
  bool createMissing = false;
};

enum class ImportAction { Added, Changed, Unchanged, Refused };
// «добавлен», «изменен», «без изменений», «отказ».
QString actionText(ImportAction action);

struct ImportRowOutcome {
  int row = 0;  // the file's row number (the header is row 1)
  ImportAction action = ImportAction::Added;
  QString name;
  QString reason;  // why a row is refused; for a changed one, the requisites it changes
};

struct ImportReport {
  int added = 0;
  int changed = 0;
  int unchanged = 0;
  int refused = 0;
  // Every row but the unchanged ones, in the file's order.
  QList<ImportRowOutcome> rows;
  // Elements of the referenced catalogs that are (or would be) created: «Склады: Склад №4».
  QStringList created;
  // The file's columns that are not loaded, said once.
  QStringList notes;
  bool cancelled = false;
  bool written = false;  // the catalog was changed
  // The catalogs the load wrote to: this one, and those that got the created elements.
  QStringList changedCatalogs;
  QString refusalsFile;  // where the refused rows went (skip-bad)
  QString error;         // what stopped the load: the file, the database, refused rows
};

// Told how far the work is; returning false cancels it (and the catalog stays as it was).
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// Loads elements into a catalog from a table read from a file. The columns are matched to
// the requisites by name (letter case ignored) and may be mapped otherwise; an element
// whose Наименование exists is updated, otherwise added. A check (the dry run) tells what a
// load would do without writing; the load writes in one transaction.
class CatalogImport {
 public:
  CatalogImport(storage::Session& db, QString catalog);

  // Reads the catalog's definition. Returns an empty text or the reason.
  QString open();
  const QString& catalog() const { return m_catalog; }
  QStringList requisiteNames() const;

  // Reads the file (CSV or XLSX) and maps its columns by name.
  QString readFile(const QString& path);
  void setSource(SourceTable table, const QString& path = {});
  const SourceTable& source() const { return m_source; }
  const QString& sourcePath() const { return m_path; }

  // The requisite each column of the file loads into; empty for «не загружать».
  const QStringList& mapping() const { return m_mapping; }
  // Refuses (returns the reason) a requisite named twice or one the catalog lacks.
  QString setMapping(const QStringList& mapping);

  ImportReport check(const ImportOptions& options, const ImportProgress& progress = {});
  ImportReport load(const ImportOptions& options, const ImportProgress& progress = {});

 private:
  struct Plan;
  bool plan(const ImportOptions& options, const ImportProgress& progress, qint64 total, Plan& out,
            ImportReport& report);

  storage::Session& m_db;
  QString m_catalog;
  QList<config::Requisite> m_requisites;
  QString m_path;
  SourceTable m_source;
  QStringList m_mapping;
};

// The file the refused rows are written to: the source's name with «.отказы.csv».
QString refusalsPath(const QString& sourcePath);

}  // namespace balvix::documents
