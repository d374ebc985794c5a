#include "shell/database_service.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QProgressDialog>

#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/control_tables.h"
#include "script/objects/register_totals.h"
#include "shell/app_state.h"
#include "shell/audit_window.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/period_dialog.h"
#include "storage/database_file.h"

namespace balvix::shell {

namespace {

const QString kFilter = QStringLiteral("Базы данных (*.mdb);;Все файлы (*)");

QString display(const QString& file) {
  return QDir::toNativeSeparators(file);
}

// A window-modal progress dialog that appears only when the work takes longer than about
// 300 ms, and serves the window's events between steps of the work.
class Progress {
 public:
  Progress(QWidget* window, const QString& label, bool cancellable)
      : m_dialog(label, cancellable ? QStringLiteral("Отмена") : QString(), 0, 0, window) {
    m_dialog.setWindowTitle(QStringLiteral("Сервис"));
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(300);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    if (!cancellable) m_dialog.setCancelButton(nullptr);
  }

  storage::WorkProgress callback() {
    return [this](qint64 done, qint64 total) {
      if (total > 0) {
        // The dialog counts in int: the page counts are scaled to thousandths.
        m_dialog.setMaximum(1000);
        m_dialog.setValue(static_cast<int>(done * 1000 / total));
      }
      QApplication::processEvents();
      return !m_dialog.wasCanceled();
    };
  }

 private:
  QProgressDialog m_dialog;
};

}  // namespace

DatabaseService::DatabaseService(AppState& state, QWidget* window)
    : QObject(window), m_state(state), m_window(window) {}

void DatabaseService::addTo(QMenu* menu) {
  menu->addSeparator()->setObjectName(QStringLiteral("sepDatabase"));
  auto add = [&](const QString& caption, const QString& name, void (DatabaseService::*slot)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
  };
  add(QStringLiteral("Проверка базы данных…"), QStringLiteral("mnuCheckDatabase"),
      &DatabaseService::checkDatabase);
  add(QStringLiteral("Пересчитать итоги"), QStringLiteral("mnuRebuildTotals"),
      &DatabaseService::rebuildTotals);
  add(QStringLiteral("Резервная копия…"), QStringLiteral("mnuBackup"), &DatabaseService::backup);
  add(QStringLiteral("Восстановить из копии…"), QStringLiteral("mnuRestore"),
      &DatabaseService::restore);
  menu->addSeparator()->setObjectName(QStringLiteral("sepPeriods"));
  add(QStringLiteral("Закрытие периода…"), QStringLiteral("mnuClosePeriod"),
      &DatabaseService::closePeriod);
  add(QStringLiteral("Журнал регистрации"), QStringLiteral("mnuAuditJournal"),
      &DatabaseService::auditJournal);
}

void DatabaseService::closePeriod() {
  if (!m_state.db) return;
  if (!m_periodDialog) m_periodDialog = showPeriodDialog(m_state, m_window);
  m_periodDialog->show();
  m_periodDialog->raise();
  m_periodDialog->activateWindow();
}

void DatabaseService::auditJournal() {
  if (!m_state.db) return;
  if (!m_auditWindow) m_auditWindow = showAuditWindow(m_state, m_window);
  m_auditWindow->show();
  m_auditWindow->raise();
  m_auditWindow->activateWindow();
}

void DatabaseService::checkDatabase() {
  if (!m_state.db) return;
  const QString file = m_state.db->path();
  storage::IntegrityReport report;
  QStringList differences;
  config::audit::Verification audit;
  try {
    Progress progress(m_window, QStringLiteral("Проверка базы данных..."), true);
    report = storage::checkIntegrity(*m_state.db, true, 0, progress.callback());
    // Totals that disagree with the movements are wrong balances, not a damaged file, but
    // the check is where the user looks for either; so is an audit trail rewritten.
    if (report.complete && !report.damaged()) {
      differences = script::totals::compareAll(*m_state.db);
      audit = config::audit::verify(*m_state.db, progress.callback());
    }
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, QString(), MsgIcon::Critical);
    return;
  }
  if (!report.complete)
    MessageBoxes::show(QStringLiteral("Проверка базы данных прервана."));
  else if (report.damaged())
    MessageBoxes::show(report.description(file), MsgButtons::Ok, QString(), MsgIcon::Critical);
  else if (!audit.ok())
    MessageBoxes::show(audit.text(), MsgButtons::Ok, QString(), MsgIcon::Critical);
  else if (!differences.isEmpty())
    MessageBoxes::show(QStringLiteral("Итоги регистров не совпадают с движениями:\n%1\n"
                                      "Пересчитайте их (Сервис → Пересчитать итоги).")
                           .arg(differences.mid(0, 20).join(QLatin1Char('\n'))),
                       MsgButtons::Ok, QString(), MsgIcon::Critical);
  else
    MessageBoxes::show(
        QStringLiteral("Проверка базы данных «%1» закончена: повреждений не найдено.")
            .arg(display(file)),
        MsgButtons::Ok, QString(), MsgIcon::Information);
}

void DatabaseService::rebuildTotals() {
  if (!m_state.db) return;
  int registers = 0;
  try {
    Progress progress(m_window, QStringLiteral("Пересчет итогов..."), true);
    const storage::WorkProgress step = progress.callback();
    registers = script::totals::rebuildAll(*m_state.db,
                                           [&step](qint64 done, qint64) { return step(done, 0); });
    // The totals tables are made anew: so are their guards of the closed period.
    config::periods::guardTables(*m_state.db);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, QString(), MsgIcon::Critical);
    return;
  }
  MessageBoxes::show(
      QStringLiteral("Итоги пересчитаны по движениям, регистров: %1.").arg(registers),
      MsgButtons::Ok, QString(), MsgIcon::Information);
}

void DatabaseService::backup() {
  if (!m_state.db) return;
  const QFileInfo db(m_state.db->path());
  const QString proposed =
      db.dir().filePath(db.completeBaseName() + QLatin1Char(' ') +
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm")) +
                        QStringLiteral(".mdb"));
  const QString file =
      QFileDialog::getSaveFileName(m_window, QStringLiteral("Резервная копия"), proposed, kFilter);
  if (!file.isEmpty()) backupTo(file);
}

bool DatabaseService::backupTo(const QString& file) {
  if (!m_state.db) return false;
  try {
    Progress progress(m_window, QStringLiteral("Резервное копирование базы данных..."), true);
    // The file dialog has asked before an existing file is replaced.
    storage::backupDatabase(*m_state.db, file, progress.callback(), true);
    config::audit::append(
        *m_state.db, config::audit::event::kBackup, QStringLiteral("База данных"), QString(),
        QStringLiteral("Резервная копия записана в файл «%1».").arg(display(file)));
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, QString(), MsgIcon::Critical);
    return false;
  }
  MessageBoxes::show(
      QStringLiteral("Резервная копия базы данных записана в файл «%1».").arg(display(file)),
      MsgButtons::Ok, QString(), MsgIcon::Information);
  return true;
}

void DatabaseService::restore() {
  if (!m_state.db) return;
  const QString file =
      QFileDialog::getOpenFileName(m_window, QStringLiteral("Восстановить из копии"),
                                   QFileInfo(m_state.db->path()).path(), kFilter);
  if (!file.isEmpty()) restoreFrom(file);
}

bool DatabaseService::restoreFrom(const QString& file) {
  if (!m_state.db) return false;
  const QString aside = storage::asideFileName(m_state.db->path(), QDateTime::currentDateTime());
  if (MessageBoxes::show(QStringLiteral("Содержимое базы данных будет заменено копией «%1». "
                                        "Нынешнее содержимое сохранится в файле «%2», открытые "
                                        "окна будут закрыты.\nПродолжить?")
                             .arg(display(file), display(aside)),
                         MsgButtons::YesNo, QString(), MsgIcon::Question) != MsgAnswer::Yes)
    return false;
  m_state.sharedRecordset.close();
  try {
    Progress progress(m_window, QStringLiteral("Восстановление базы данных..."), false);
    storage::restoreDatabase(*m_state.db, file, aside, progress.callback());
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, QString(), MsgIcon::Critical);
    return false;
  }
  // A copy made before the trail starts its chain now; the restore is its next record.
  QString problem = config::ensureControlTables(*m_state.db);
  try {
    if (problem.isEmpty())
      config::audit::append(*m_state.db, config::audit::event::kRestore,
                            QStringLiteral("База данных"), QString(),
                            QStringLiteral("Восстановлена из копии «%1»; прежнее содержимое "
                                           "сохранено в файле «%2».")
                                .arg(display(file), display(aside)));
  } catch (const storage::DbError& e) {
    problem = e.description();
  }
  reopen();
  if (!problem.isEmpty()) MessageBoxes::show(problem, MsgButtons::Ok, QString(), MsgIcon::Warning);
  MessageBoxes::show(QStringLiteral("База данных восстановлена из копии «%1». Прежнее содержимое "
                                    "сохранено в файле «%2».")
                         .arg(display(file), display(aside)),
                     MsgButtons::Ok, QString(), MsgIcon::Information);
  return true;
}

void DatabaseService::reopen() {
  frmMain* main = m_state.mainWindow;
  if (!main) return;
  main->mdiArea()->closeAllSubWindows();
  main->BuildMenus();
  main->BuildConfigTree();
}

}  // namespace balvix::shell
