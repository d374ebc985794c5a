#include "shell/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cstdio>

#include "config/audit_archive.h"
#include "config/control_tables.h"
#include "config/document_numbers.h"
#include "config/references.h"
#include "config/table_names.h"
#include "script/objects/register_totals.h"
#include "shell/frm_splash.h"
#include "shell/message_box.h"
#include "storage/database_file.h"

namespace balvix::shell {

QString defaultDatabasePath() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("basa.mdb"));
}

DefaultDatabase chooseDefaultDatabase(const QString& programDir, const QString& userDataDir) {
  const QFileInfo folder(programDir);
  if (folder.isDir() && folder.isWritable())
    return {QDir(programDir).filePath(QStringLiteral("basa.mdb")), false};
  const QString path = QDir(userDataDir).filePath(QStringLiteral("basa.mdb"));
  return {path, !QFileInfo::exists(path)};
}

QString userDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/Balvix");
}

void checkDatabaseAtStartup(storage::Session& db) {
  // The check counts as part of opening: the splash keeps saying so meanwhile.
  storage::IntegrityReport report;
  try {
    report = storage::checkIntegrity(db, false, kStartupCheckMs, [](qint64, qint64) {
      QCoreApplication::processEvents();
      return true;
    });
  } catch (const storage::DbError&) {
    // A check that cannot run finds no damage; the work itself will report what fails.
    return;
  }
  if (report.damaged()) reportStartupWarning(report.description(db.path()));
}

namespace {

// Databases made before the generated tables had their key index get it now, once; so do
// the movements' columns that name catalog elements, which the check before a delete counts.
void addMissingKeyIndexes(storage::Session& db) {
  try {
    storage::Transaction transaction(db);
    const int created = config::ensureKeyIndexes(db);
    if (created + config::ensureReferenceIndexes(db) > 0) transaction.commit();
  } catch (const storage::DbError& e) {
    // The program works without them, only slower: say so and go on.
    reportStartupWarning(
        QStringLiteral("Не удалось построить индексы по дате и времени документов: %1")
            .arg(e.description()));
  }
}

// Databases made before documents had numbers give every document its number now, per kind
// and year in date and time order; a database numbered already is left as it is.
void numberOldDocuments(storage::Session& db) {
  try {
    storage::Transaction transaction(db);
    config::numberAllDocuments(db);
    transaction.commit();
  } catch (const storage::DbError& e) {
    reportStartupWarning(
        QStringLiteral("Не удалось пронумеровать документы: %1").arg(e.description()));
  }
}

// Registers made before they kept monthly totals get them now, once; the splash counts the
// movements read meanwhile.
void buildMissingTotals(storage::Session& db, frmSplash* splash) {
  try {
    script::totals::ensureAll(db, [splash](qint64 done, qint64) {
      if (splash)
        splash->setStatus(QStringLiteral("Построение итогов регистров: %1 движений...").arg(done));
      QCoreApplication::processEvents();
      return true;
    });
  } catch (const storage::DbError& e) {
    // Balances are then read from the movements, as before: say so and go on.
    reportStartupWarning(
        QStringLiteral("Не удалось построить итоги регистров: %1").arg(e.description()));
  }
}

// Records older than the database's retention go to the trail's archive as the program starts:
// the trail stays of a bounded size without anyone having to remember it.
void applyAuditRetention(storage::Session& db, frmSplash* splash) {
  try {
    const config::audit::ArchiveOutcome outcome = config::audit::applyRetention(
        db, QDate::currentDate(), config::audit::defaultArchivePath(db.path()),
        [splash](qint64 done, qint64 total) {
          if (splash)
            splash->setStatus(QStringLiteral("Перенос журнала регистрации в архив: %1 из %2...")
                                  .arg(done)
                                  .arg(total));
          QCoreApplication::processEvents();
          return true;
        });
    if (outcome.moved > 0)
      std::fprintf(stderr, "balvix: %s\n", outcome.text().toUtf8().constData());
  } catch (const storage::DbError& e) {
    // The records stay where they are; the next start tries again.
    reportStartupWarning(QStringLiteral("Записи журнала регистрации не перенесены в архив: %1")
                             .arg(e.description()));
  }
}

}  // namespace

std::unique_ptr<storage::Session> openDatabaseAtStartup(frmSplash* splash, const QString& path,
                                                        QString* error) {
  if (splash) {
    splash->setStatus(QStringLiteral("Открытие базы данных..."));
    QCoreApplication::processEvents();
  }
  std::unique_ptr<storage::Session> db;
  try {
    db = storage::Session::open(path);
  } catch (const storage::DbError& e) {
    if (error)
      *error = QStringLiteral("Не удалось открыть базу данных \"%1\".\n%2")
                   .arg(QDir::toNativeSeparators(path), e.description());
    return nullptr;
  }
  QElapsedTimer checking;
  checking.start();
  checkDatabaseAtStartup(*db);
  addMissingKeyIndexes(*db);
  numberOldDocuments(*db);
  buildMissingTotals(*db, splash);
  // After the totals, so that tables built just now are guarded too.
  if (const QString problem = config::ensureControlTables(*db); !problem.isEmpty())
    reportStartupWarning(problem);
  else
    applyAuditRetention(*db, splash);
  QCoreApplication::processEvents();
  // The splash stays up a second, the check counted in; events keep being served meanwhile.
  if (splash) {
    QEventLoop loop;
    QTimer::singleShot(std::max<qint64>(0, 1000 - checking.elapsed()), &loop, &QEventLoop::quit);
    loop.exec();
  }
  return db;
}

namespace {

void reportAtStartup(const QString& message, MsgIcon icon) {
  std::fprintf(stderr, "balvix: %s\n", message.toUtf8().constData());
  std::fflush(stderr);
  const QString platform = QGuiApplication::platformName();
  const bool hasDisplay = qobject_cast<QApplication*>(QCoreApplication::instance()) &&
                          platform != QLatin1String("offscreen") &&
                          platform != QLatin1String("minimal");
  if (hasDisplay || MessageBoxes::hasResponder())
    MessageBoxes::show(message, MsgButtons::Ok, QString(), icon);
}

}  // namespace

void reportStartupFailure(const QString& message) {
  reportAtStartup(message, MsgIcon::Critical);
}

void reportStartupWarning(const QString& message) {
  reportAtStartup(message, MsgIcon::Warning);
}

void installRussianTranslations() {
  // An installed program brings its own copy (share/balvix/translations); Qt's folder is
  // the fallback.
  const QString own = QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral("../share/balvix/translations"));
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* name : {"qtbase_ru", "qt_ru"}) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QString::fromLatin1(name), own) ||
        translator->load(QString::fromLatin1(name), dir))
      QCoreApplication::installTranslator(translator);
    else
      delete translator;
  }
}

}  // namespace balvix::shell
