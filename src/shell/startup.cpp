#include "shell/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "shell/frm_splash.h"
#include "shell/message_box.h"

namespace balvix::shell {

QString defaultDatabasePath() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("basa.mdb"));
}

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
  QCoreApplication::processEvents();
  // The splash stays up a second; events keep being served meanwhile.
  if (splash) {
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return db;
}

void reportStartupFailure(const QString& message) {
  std::fprintf(stderr, "balvix: %s\n", message.toUtf8().constData());
  std::fflush(stderr);
  const QString platform = QGuiApplication::platformName();
  const bool hasDisplay = qobject_cast<QApplication*>(QCoreApplication::instance()) &&
                          platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
  if (hasDisplay || MessageBoxes::hasResponder())
    MessageBoxes::show(message, MsgButtons::Ok, QString(), MsgIcon::Critical);
}

void installRussianTranslations() {
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* name : {"qtbase_ru", "qt_ru"}) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QString::fromLatin1(name), dir))
      QCoreApplication::installTranslator(translator);
    else
      delete translator;
  }
}

}  // namespace balvix::shell
