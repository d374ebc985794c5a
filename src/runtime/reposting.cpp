#include "runtime/reposting.h"

#include <QApplication>
#include <QProgressDialog>

#include "runtime/form_host.h"
#include "script/objects/program_host.h"

namespace balvix::runtime {

Reposter::Reposter(shell::AppState& state) : m_state(state) {
  if (m_state.db) m_registers = script::posting::registerTables(*m_state.db);
}

Reposter::~Reposter() = default;

script::Host& Reposter::host() {
  if (m_state.host) return *m_state.host;
  if (!m_ownHost) m_ownHost = std::make_unique<FormHost>();
  return *m_ownHost;
}

QString Reposter::repost(const RepostItem& item, bool* closed) {
  if (!m_state.db) return QStringLiteral("база данных не открыта");
  try {
    auto it = m_services.find(item.kind);
    if (it == m_services.end()) {
      m_state.sharedRecordset.close();
      it = m_services
               .emplace(item.kind, documents::DocumentService::open(m_state, host(), item.kind))
               .first;
    }
    if (!it->second) return QStringLiteral("вид документа не найден в конфигурации");
    bool reposted = false;
    const QString error = it->second->repost(item.key, m_registers, &reposted, closed);
    if (reposted) {
      QString name;
      for (const auto& [column, value] : it->second->content().header)
        if (column.compare(QStringLiteral("Наименование"), Qt::CaseInsensitive) == 0) name = value;
      m_state.events.announcePosted(item.kind, item.key, item.key, name);
    }
    return error;
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
    bool closed = false;
    const QString error = reposter.repost(item, &closed);
    if (closed)
      ++summary.skipped;
    else if (error.isEmpty())
      ++summary.reposted;
    else
      summary.failures
          << QStringLiteral("%1 от %2 %3: %4").arg(item.kind, item.key.date, item.key.time, error);
    progress.setValue(static_cast<int>(i + 1));
  }
  return summary;
}

}  // namespace balvix::runtime
