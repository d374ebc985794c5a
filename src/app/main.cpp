#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "app/run_module.h"
#include "configurator/designer_set.h"
#include "runtime/runtime_host.h"
#include "runtime/runtime_windows.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/gui_host.h"
#include "shell/startup.h"
#include "storage/session.h"

namespace {

void printUsage() {
  std::fputs(
      "Использование:\n"
      "  balvix [--db ФАЙЛ]                          запуск программы (по умолчанию basa.mdb рядом с программой)\n"
      "  balvix --new-database ФАЙЛ                  создать новую базу данных\n"
      "  balvix --run МОДУЛЬ [--db ФАЙЛ] [--call ПРОЦЕДУРА]  выполнить модуль без окон\n"
      "        [--post ВИД [--date ДД.ММ.ГГГГ]]      как проведение документа этого вида\n",
      stdout);
}

QString optionValue(const QStringList& args, const QString& name) {
  const int i = args.indexOf(name);
  return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

int createDatabase(const QString& path) {
  try {
    balvix::storage::Session::createNew(path);
  } catch (const balvix::storage::DbError& e) {
    std::fprintf(stderr, "balvix: %s\n", e.description().toUtf8().constData());
    return 1;
  }
  std::printf("Создана база данных %s\n", path.toUtf8().constData());
  return 0;
}

int runProgram(QApplication& app, const QString& dbPath) {
  using namespace balvix;
  shell::installRussianTranslations();
  auto* splash = new shell::frmSplash;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  splash->show();
  QCoreApplication::processEvents();

  QString error;
  std::unique_ptr<storage::Session> db = shell::openDatabaseAtStartup(splash, dbPath, &error);
  if (!db) {
    splash->close();
    shell::reportStartupFailure(error);
    return 2;
  }

  shell::AppState state;
  state.db = db.get();
  shell::frmMain mainWindow(state);
  runtime::RuntimeHost host(state);
  state.host = &host;
  configurator::DesignerSet designers(state, &mainWindow);
  state.windows = &designers;
  runtime::registerRuntimeWindows(designers, state);
  mainWindow.setSplash(splash);
  mainWindow.BuildMenus();
  mainWindow.load();
  const int rc = app.exec();
  state.sharedRecordset.close();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
    printUsage();
    return 0;
  }
  if (args.contains(QStringLiteral("--new-database"))) {
    QCoreApplication app(argc, argv);
    const QString path = optionValue(args, QStringLiteral("--new-database"));
    if (path.isEmpty()) {
      printUsage();
      return 1;
    }
    return createDatabase(path);
  }
  if (args.contains(QStringLiteral("--run"))) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Balvix"));
    QCoreApplication::setApplicationName(QStringLiteral("Balvix"));
    const QString file = optionValue(args, QStringLiteral("--run"));
    if (file.isEmpty()) {
      printUsage();
      return 1;
    }
    return balvix::app::runModuleCommand(file, optionValue(args, QStringLiteral("--db")),
                                         optionValue(args, QStringLiteral("--call")),
                                         optionValue(args, QStringLiteral("--post")),
                                         optionValue(args, QStringLiteral("--date")));
  }

  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Balvix"));
  QApplication::setApplicationName(QStringLiteral("Balvix"));
  QString dbPath = optionValue(args, QStringLiteral("--db"));
  if (dbPath.isEmpty()) dbPath = balvix::shell::defaultDatabasePath();
  return runProgram(app, QFileInfo(dbPath).absoluteFilePath());
}
