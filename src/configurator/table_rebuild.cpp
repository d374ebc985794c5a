#include "configurator/table_rebuild.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

DialogRebuildProgress::DialogRebuildProgress(QWidget* window) : m_window(window) {}

DialogRebuildProgress::~DialogRebuildProgress() = default;

void DialogRebuildProgress::start(const QString& table, qint64 totalRows) {
  // The dialog counts in int; beyond that the bar simply stays full.
  m_dialog = std::make_unique<QProgressDialog>(
      QStringLiteral("Перенос записей таблицы %1...").arg(table), QString(), 0,
      static_cast<int>(std::min<qint64>(totalRows, 1'000'000'000)), m_window);
  m_dialog->setWindowTitle(QStringLiteral("Сохранение"));
  m_dialog->setWindowModality(Qt::WindowModal);
  m_dialog->setMinimumDuration(300);
  m_dialog->setAutoClose(false);
  m_dialog->setAutoReset(false);
  m_dialog->setValue(0);
}

void DialogRebuildProgress::advance(qint64 copiedRows) {
  if (m_dialog)
    m_dialog->setValue(static_cast<int>(std::min<qint64>(copiedRows, m_dialog->maximum())));
  QApplication::processEvents();
}

void DialogRebuildProgress::finish() {
  m_dialog.reset();
}

namespace {
const char* const kNotices = "balvixRebuildNotices";
}

void DialogRebuildProgress::notice(const QString& text) {
  if (!m_window) return;
  m_window->setProperty(kNotices, m_window->property(kNotices).toStringList() << text);
}

QStringList takeRebuildNotices(QWidget* window) {
  const QStringList notices = window->property(kNotices).toStringList();
  window->setProperty(kNotices, QVariant());
  return notices;
}

QString requisiteColumns(const QStringList& names) {
  QString columns;
  for (const QString& name : names) columns += name + QStringLiteral(" TEXT(50),");
  return columns;
}

TableVersions objectTables(storage::Session& db, config::ObjectKind kind, const QString& name) {
  TableVersions tables;
  for (const QString& table : config::ownTables(kind, name))
    tables.push_back(db.tableVersion(table));
  return tables;
}

QString tableChanges(storage::Session& db, const TableVersions& before) {
  QStringList changes;
  for (const storage::Session::TableVersion& version : before) {
    const QString change = db.tableChangedSince(version);
    if (!change.isEmpty()) changes << change;
  }
  return changes.join(QStringLiteral("; "));
}

bool objectNameTaken(storage::Session& db, config::ObjectKind kind, const QString& name) {
  for (const QString& taken : config::objectNames(db, kind)) {
    if (taken.compare(name, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace balvix::configurator
