#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/config_commands.h"
#include "app/database_commands.h"
#include "app/period_commands.h"
#include "app/run_document.h"
#include "app/run_module.h"
#include "app/run_print.h"
#include "app/run_report.h"
#include "app/run_transfer.h"
#include "config/control_tables.h"
#include "configurator/config_files_menu.h"
#include "configurator/designer_set.h"
#include "demo/demo_database.h"
#include "runtime/runtime_host.h"
#include "runtime/runtime_windows.h"
#include "script/script_error.h"
#include "shell/app_state.h"
#include "shell/database_files.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/gui_host.h"
#include "shell/startup.h"
#include "storage/database_file.h"
#include "storage/session.h"

namespace {

void printUsage() {
  std::fputs(
      "Использование:\n"
      "  balvix [--db ФАЙЛ]                          запуск программы (по умолчанию basa.mdb рядом "
      "с программой)\n"
      "        [--quit-when-shown]                   закрыться, как только откроется главное "
      "окно\n"
      "  balvix --new-database ФАЙЛ [--demo]         создать новую базу данных (с примером "
      "торговой фирмы)\n"
      "  balvix --backup БАЗА ФАЙЛ [--force]         записать резервную копию базы в файл\n"
      "  balvix --copy-database ОТКУДА КУДА          скопировать базу целиком: из файла в пустую\n"
      "                                              базу на сервере или обратно\n"
      "  ФАЙЛ базы может быть и адресом сервера: postgresql://пользователь@сервер:порт/база\n"
      "  или postgresql:///база?host=/папка/сокета (пароль: PGPASSWORD или ~/.pgpass)\n"
      "                                              (--force: заменить прежнюю копию)\n"
      "  balvix --run МОДУЛЬ [--db ФАЙЛ] [--call ПРОЦЕДУРА]  выполнить модуль без окон\n"
      "        [--post ВИД [--date ДД.ММ.ГГГГ]]      как проведение документа этого вида "
      "(пробное:\n"
      "        [--commit]                            откатывается, если не указан --commit)\n"
      "        [--trace]                             печатать каждую выполняемую строку\n"
      "  balvix --document ФАЙЛ.json... --db ФАЙЛ [--post]  записать (и провести) документы из\n"
      "                                              файлов, каждый в своей транзакции\n"
      "  balvix --report ИМЯ --db ФАЙЛ [--from ДД.ММ.ГГГГ --to ДД.ММ.ГГГГ]\n"
      "        (--pdf ФАЙЛ | --csv ФАЙЛ | --xlsx ФАЙЛ)  построить отчет без окон\n"
      "  balvix --check --db ФАЙЛ                    проверить базу: повреждения файла и итоги\n"
      "                                              регистров (код выхода 0 — порядок, 1 — нет)\n"
      "  balvix --rebuild-totals --db ФАЙЛ           пересчитать итоги регистров по движениям\n"
      "  balvix --import СПРАВОЧНИК ФАЙЛ --db БАЗА    загрузить элементы справочника из CSV или "
      "XLSX\n"
      "        [--dry-run] [--skip-bad]              (только проверить; загрузить годные строки,\n"
      "        [--create-missing]                    отказы в ФАЙЛ.отказы.csv; создавать\n"
      "                                              отсутствующие элементы справочников)\n"
      "  balvix --export (Справочник|Журнал) ИМЯ --db БАЗА [--from ДД.ММ.ГГГГ --to ДД.ММ.ГГГГ]\n"
      "        (--csv ФАЙЛ | --xlsx ФАЙЛ)            выгрузить список справочника или журнала\n"
      "  balvix --print ВИД НОМЕР --db ФАЙЛ [--form ИМЯ] [--date ДД.ММ.ГГГГ]\n"
      "        (--pdf ФАЙЛ | --xlsx ФАЙЛ)           напечатать документ по его печатной форме\n"
      "                                              (номер текущего года, если не указана "
      "дата)\n"
      "  balvix --close-period ДД.ММ.ГГГГ --db ФАЙЛ  закрыть период по дату включительно\n"
      "  balvix --reopen-period [ДД.ММ.ГГГГ] --reason ТЕКСТ --db ФАЙЛ  открыть период: оставить\n"
      "                                              закрытым по дату (без даты — открыть все)\n"
      "  balvix --lock-period [ДД.ММ.ГГГГ] --db ФАЙЛ  запретить изменение закрытого периода\n"
      "                                              (навсегда; без даты — по дату закрытия)\n"
      "  balvix --verify-audit --db ФАЙЛ             проверить цепочку журнала регистрации\n"
      "                                              (код выхода 0 — не нарушена, 1 — нарушена)\n"
      "  balvix --archive-audit --db ФАЙЛ [--archive АРХИВ]  перенести старые записи журнала\n"
      "        [--older-than ЛЕТ | --before ДД.ММ.ГГГГ]  регистрации в архив (без срока —\n"
      "                                              по сроку хранения базы)\n"
      "  balvix --audit-retention ЛЕТ --db ФАЙЛ      срок хранения записей журнала (0 — без "
      "срока)\n"
      "  balvix --export-config БАЗА ПАПКА           выгрузить конфигурацию в текстовые файлы\n"
      "  balvix --import-config ПАПКА БАЗА           загрузить конфигурацию из файлов, сначала\n"
      "        [--dry-run]                           показав изменения (только показать);\n"
      "        [--allow-data-loss]                   разрешить удаление данных;\n"
      "        [--new-database]                      создать базу для загрузки\n",
      stdout);
}

// Every option the program knows; anything else is refused rather than ignored, so a script
// that misspells one is told so instead of waiting on a window.
bool knownOption(const QString& arg) {
  static const QStringList options = {QStringLiteral("--db"),
                                      QStringLiteral("--quit-when-shown"),
                                      QStringLiteral("--new-database"),
                                      QStringLiteral("--demo"),
                                      QStringLiteral("--backup"),
                                      QStringLiteral("--copy-database"),
                                      QStringLiteral("--force"),
                                      QStringLiteral("--run"),
                                      QStringLiteral("--call"),
                                      QStringLiteral("--post"),
                                      QStringLiteral("--date"),
                                      QStringLiteral("--commit"),
                                      QStringLiteral("--document"),
                                      QStringLiteral("--trace"),
                                      QStringLiteral("--report"),
                                      QStringLiteral("--from"),
                                      QStringLiteral("--to"),
                                      QStringLiteral("--pdf"),
                                      QStringLiteral("--csv"),
                                      QStringLiteral("--xlsx"),
                                      QStringLiteral("--help"),
                                      QStringLiteral("-h"),
                                      QStringLiteral("--check"),
                                      QStringLiteral("--rebuild-totals"),
                                      QStringLiteral("--import"),
                                      QStringLiteral("--dry-run"),
                                      QStringLiteral("--skip-bad"),
                                      QStringLiteral("--create-missing"),
                                      QStringLiteral("--export"),
                                      QStringLiteral("--print"),
                                      QStringLiteral("--form"),
                                      QStringLiteral("--close-period"),
                                      QStringLiteral("--reopen-period"),
                                      QStringLiteral("--reason"),
                                      QStringLiteral("--lock-period"),
                                      QStringLiteral("--verify-audit"),
                                      QStringLiteral("--export-config"),
                                      QStringLiteral("--import-config"),
                                      QStringLiteral("--allow-data-loss"),
                                      QStringLiteral("--archive-audit"),
                                      QStringLiteral("--archive"),
                                      QStringLiteral("--older-than"),
                                      QStringLiteral("--before"),
                                      QStringLiteral("--audit-retention")};
  return options.contains(arg);
}

QString optionValue(const QStringList& args, const QString& name) {
  const int i = args.indexOf(name);
  return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

// An option given without its value ("--call" last, or followed by another option) is a
// mistake of the command line, not something to ignore.
bool missingValue(const QStringList& args, const QString& name) {
  const int i = args.indexOf(name);
  if (i < 0) return false;
  return i + 1 >= args.size() || args.at(i + 1).isEmpty() || args.at(i + 1).startsWith(u"--");
}

int createDatabase(const QString& path, bool demo) {
  try {
    if (demo) {
      // Posting the history takes a few seconds: say so, then say how far it is.
      std::printf("Создание демонстрационной базы %s...\n", path.toUtf8().constData());
      std::fflush(stdout);
      int lastShown = -1;
      const balvix::demo::DemoSummary summary =
          balvix::demo::createDemoDatabase(path, QDate::currentDate(), [&](int done, int total) {
            const int percent = done * 100 / total;
            if (percent / 25 != lastShown) {
              lastShown = percent / 25;
              std::fprintf(stderr, "Проведено документов: %d из %d\n", done, total);
            }
          });
      std::printf(
          "Проведено приходных накладных: %d, возвратов поставщикам: %d, расходных накладных: "
          "%d, банковских и кассовых документов: %d, закрытий месяца: %d\n",
          summary.receipts, summary.returns, summary.sales, summary.payments, summary.closings);
    } else {
      balvix::config::ensureControlTables(*balvix::storage::Session::createNew(path));
    }
  } catch (const balvix::storage::DbError& e) {
    std::fprintf(stderr, "balvix: %s\n", e.description().toUtf8().constData());
    return 1;
  } catch (const balvix::script::ScriptError& e) {
    std::fprintf(stderr, "balvix: модуль демонстрационной базы, строка %d: %s\n", e.line(),
                 e.description().toUtf8().constData());
    return 1;
  }
  std::printf("Создана база данных %s\n", path.toUtf8().constData());
  return 0;
}

int runProgram(QApplication& app, const QString& dbPath, bool quitWhenShown) {
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
  // «Создать базу данных…» makes it as --new-database does, with the demo when asked.
  mainWindow.databaseFiles()->setCreator(
      [](const QString& path, bool demo, const shell::DatabaseFiles::Progress& progress) {
        if (demo)
          demo::createDemoDatabase(path, QDate::currentDate(), progress);
        else
          config::ensureControlTables(*storage::Session::createNew(path));
      });
  const QString openedPath = db->path();
  mainWindow.databaseFiles()->adopt(std::move(db));
  mainWindow.setSplash(splash);
  new configurator::ConfigFilesMenu(state, &mainWindow);
  mainWindow.BuildMenus();
  mainWindow.load();
  if (quitWhenShown) {
    // A check that an installation starts: say which database it opened, then close as the
    // user would, so that the window's settings are stored the same way.
    QTimer::singleShot(0, &mainWindow, [&mainWindow, path = openedPath] {
      std::printf("Главное окно открыто, база данных %s\n", path.toUtf8().constData());
      std::fflush(stdout);
      mainWindow.close();
    });
  }
  const int rc = app.exec();
  state.sharedRecordset.close();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
  // A file that reaches the size limit of the system is refused write by write, as a full
  // disk is, so that the transaction is rolled back and the user told, instead of the
  // program being killed in the middle of its work.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
    printUsage();
    return 0;
  }
  for (const QString& arg : std::as_const(args)) {
    if (arg.startsWith(u'-') && arg.size() > 1 && !knownOption(arg)) {
      std::fprintf(stderr, "balvix: %s\n",
                   QStringLiteral("Неизвестный параметр: %1").arg(arg).toUtf8().constData());
      printUsage();
      return 2;
    }
  }
  if (args.contains(QStringLiteral("--document"))) {
    QCoreApplication app(argc, argv);
    QStringList files;
    bool post = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
      if (args[i] == QLatin1String("--db")) {
        ++i;
      } else if (args[i] == QLatin1String("--post")) {
        post = true;
      } else if (args[i] != QLatin1String("--document")) {
        files << args[i];
      }
    }
    if (files.isEmpty() || !args.contains(QStringLiteral("--db")) ||
        missingValue(args, QStringLiteral("--db"))) {
      std::fputs("balvix: --document: укажите файлы документов и базу данных (--db ФАЙЛ)\n",
                 stderr);
      printUsage();
      return 2;
    }
    return balvix::app::runDocumentCommand(files, optionValue(args, QStringLiteral("--db")), post);
  }
  if (args.contains(QStringLiteral("--export-config")) ||
      args.contains(QStringLiteral("--import-config"))) {
    QCoreApplication app(argc, argv);
    const bool importing = args.contains(QStringLiteral("--import-config"));
    const QString option =
        importing ? QStringLiteral("--import-config") : QStringLiteral("--export-config");
    const qsizetype at = args.indexOf(option);
    const QString first = args.value(at + 1), second = args.value(at + 2);
    if (first.isEmpty() || first.startsWith(u"--") || second.isEmpty() ||
        second.startsWith(u"--")) {
      std::fprintf(stderr, "balvix: %s: укажите %s\n", option.toUtf8().constData(),
                   importing ? "папку и базу данных" : "базу данных и папку");
      printUsage();
      return 2;
    }
    if (!importing) return balvix::app::exportConfigCommand(first, second);
    balvix::app::ImportConfigCommand command;
    command.dir = first;
    command.dbPath = second;
    command.dryRun = args.contains(QStringLiteral("--dry-run"));
    command.allowDataLoss = args.contains(QStringLiteral("--allow-data-loss"));
    command.newDatabase = args.contains(QStringLiteral("--new-database"));
    return balvix::app::importConfigCommand(command);
  }
  if (args.contains(QStringLiteral("--new-database"))) {
    QCoreApplication app(argc, argv);
    const QString path = optionValue(args, QStringLiteral("--new-database"));
    if (path.isEmpty()) {
      printUsage();
      return 1;
    }
    return createDatabase(path, args.contains(QStringLiteral("--demo")));
  }
  if (args.contains(QStringLiteral("--copy-database"))) {
    QCoreApplication app(argc, argv);
    const qsizetype i = args.indexOf(QStringLiteral("--copy-database"));
    if (i + 2 >= args.size()) {
      printUsage();
      return 1;
    }
    return balvix::app::copyDatabaseCommand(args.at(i + 1), args.at(i + 2));
  }
  if (args.contains(QStringLiteral("--backup"))) {
    QCoreApplication app(argc, argv);
    QStringList operands = args;
    const bool force = operands.removeAll(QStringLiteral("--force")) > 0;
    const qsizetype i = operands.indexOf(QStringLiteral("--backup"));
    if (i + 2 >= operands.size()) {
      printUsage();
      return 1;
    }
    return balvix::app::backupCommand(operands.at(i + 1), operands.at(i + 2), force);
  }
  for (const QString& command : {QStringLiteral("--check"), QStringLiteral("--rebuild-totals")}) {
    if (!args.contains(command)) continue;
    QCoreApplication app(argc, argv);
    if (!args.contains(QStringLiteral("--db")) || missingValue(args, QStringLiteral("--db"))) {
      printUsage();
      return 2;
    }
    const QString db = optionValue(args, QStringLiteral("--db"));
    return command == QStringLiteral("--check") ? balvix::app::checkCommand(db)
                                                : balvix::app::rebuildTotalsCommand(db);
  }
  if (const int code = balvix::app::periodCommand(argc, argv, args); code >= 0) return code;
  if (args.contains(QStringLiteral("--run"))) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Balvix"));
    QCoreApplication::setApplicationName(QStringLiteral("Balvix"));
    const QString file = optionValue(args, QStringLiteral("--run"));
    for (const QString& option :
         {QStringLiteral("--run"), QStringLiteral("--db"), QStringLiteral("--call")}) {
      if (missingValue(args, option)) {
        std::fprintf(stderr, "balvix: не указано значение параметра %s\n",
                     option.toUtf8().constData());
        printUsage();
        return 1;
      }
    }
    return balvix::app::runModuleCommand(
        file, optionValue(args, QStringLiteral("--db")),
        optionValue(args, QStringLiteral("--call")), optionValue(args, QStringLiteral("--post")),
        optionValue(args, QStringLiteral("--date")), args.contains(QStringLiteral("--commit")),
        args.contains(QStringLiteral("--trace")));
  }

  if (args.contains(QStringLiteral("--import")) || args.contains(QStringLiteral("--export"))) {
    QCoreApplication app(argc, argv);
    const bool importing = args.contains(QStringLiteral("--import"));
    const QString option = importing ? QStringLiteral("--import") : QStringLiteral("--export");
    // Both take two operands after the option: the catalog and the file, the kind and the name.
    const qsizetype at = args.indexOf(option);
    const QString first = args.value(at + 1), second = args.value(at + 2);
    bool wrong = first.isEmpty() || first.startsWith(u"--") || second.isEmpty() ||
                 second.startsWith(u"--") || !args.contains(QStringLiteral("--db"));
    for (const QString& valued :
         {QStringLiteral("--db"), QStringLiteral("--csv"), QStringLiteral("--xlsx"),
          QStringLiteral("--from"), QStringLiteral("--to")})
      wrong = wrong || missingValue(args, valued);
    if (wrong) {
      std::fprintf(stderr, "balvix: %s: укажите %s и базу данных (--db ФАЙЛ)\n",
                   option.toUtf8().constData(),
                   importing ? "справочник и файл" : "«Справочник ИМЯ» или «Журнал ИМЯ»");
      printUsage();
      return 2;
    }
    if (importing) {
      balvix::app::ImportCommand command;
      command.catalog = first;
      command.file = second;
      command.dbPath = optionValue(args, QStringLiteral("--db"));
      command.dryRun = args.contains(QStringLiteral("--dry-run"));
      command.skipBad = args.contains(QStringLiteral("--skip-bad"));
      command.createMissing = args.contains(QStringLiteral("--create-missing"));
      return balvix::app::runImportCommand(command);
    }
    balvix::app::ExportCommand command;
    command.kind = first;
    command.name = second;
    command.dbPath = optionValue(args, QStringLiteral("--db"));
    command.from = optionValue(args, QStringLiteral("--from"));
    command.to = optionValue(args, QStringLiteral("--to"));
    command.csv = optionValue(args, QStringLiteral("--csv"));
    command.xlsx = optionValue(args, QStringLiteral("--xlsx"));
    return balvix::app::runExportCommand(command);
  }

  if (args.contains(QStringLiteral("--report"))) {
    for (const QString& option :
         {QStringLiteral("--report"), QStringLiteral("--db"), QStringLiteral("--from"),
          QStringLiteral("--to"), QStringLiteral("--pdf"), QStringLiteral("--csv"),
          QStringLiteral("--xlsx")}) {
      if (missingValue(args, option)) {
        std::fprintf(stderr, "balvix: не указано значение параметра %s\n",
                     option.toUtf8().constData());
        printUsage();
        return 2;
      }
    }
    if (!args.contains(QStringLiteral("--db"))) {
      std::fputs("balvix: --report: укажите базу данных (--db ФАЙЛ)\n", stderr);
      return 2;
    }
    // No screen is needed: only a PDF's fonts need Qt Gui's application, and that one is
    // given the offscreen platform whatever the environment names.
    std::unique_ptr<QCoreApplication> app;
    if (args.contains(QStringLiteral("--pdf"))) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
      app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Balvix"));
    QCoreApplication::setApplicationName(QStringLiteral("Balvix"));
    balvix::app::ReportCommand command;
    command.name = optionValue(args, QStringLiteral("--report"));
    command.dbPath = optionValue(args, QStringLiteral("--db"));
    command.from = optionValue(args, QStringLiteral("--from"));
    command.to = optionValue(args, QStringLiteral("--to"));
    command.pdf = optionValue(args, QStringLiteral("--pdf"));
    command.csv = optionValue(args, QStringLiteral("--csv"));
    command.xlsx = optionValue(args, QStringLiteral("--xlsx"));
    return balvix::app::runReportCommand(command);
  }

  if (args.contains(QStringLiteral("--print"))) {
    for (const QString& option :
         {QStringLiteral("--print"), QStringLiteral("--db"), QStringLiteral("--form"),
          QStringLiteral("--date"), QStringLiteral("--pdf"), QStringLiteral("--xlsx")}) {
      if (missingValue(args, option)) {
        std::fprintf(stderr, "balvix: не указано значение параметра %s\n",
                     option.toUtf8().constData());
        printUsage();
        return 2;
      }
    }
    const int at = static_cast<int>(args.indexOf(QStringLiteral("--print")));
    const QString number = at + 2 < args.size() ? args.at(at + 2) : QString();
    if (number.isEmpty() || number.startsWith(u"--")) {
      std::fputs("balvix: --print: укажите вид и номер документа (--print ВИД НОМЕР)\n", stderr);
      return 2;
    }
    if (!args.contains(QStringLiteral("--db"))) {
      std::fputs("balvix: --print: укажите базу данных (--db ФАЙЛ)\n", stderr);
      return 2;
    }
    // A PDF's fonts need Qt Gui's application, on the offscreen platform: no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Balvix"));
    QCoreApplication::setApplicationName(QStringLiteral("Balvix"));
    balvix::app::PrintCommandLine command;
    command.kind = optionValue(args, QStringLiteral("--print"));
    command.number = number;
    command.dbPath = optionValue(args, QStringLiteral("--db"));
    command.form = optionValue(args, QStringLiteral("--form"));
    command.date = optionValue(args, QStringLiteral("--date"));
    command.pdf = optionValue(args, QStringLiteral("--pdf"));
    command.xlsx = optionValue(args, QStringLiteral("--xlsx"));
    return balvix::app::runPrintCommand(command);
  }

  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Balvix"));
  QApplication::setApplicationName(QStringLiteral("Balvix"));
  QString dbPath = optionValue(args, QStringLiteral("--db"));
  if (dbPath.isEmpty()) {
    const balvix::shell::DefaultDatabase choice = balvix::shell::chooseDefaultDatabase(
        QCoreApplication::applicationDirPath(), balvix::shell::userDataFolder());
    dbPath = choice.path;
    if (choice.createWithDemo) {
      // First start of an installed program: the user's own database, with the demo.
      QDir().mkpath(QFileInfo(dbPath).absolutePath());
      try {
        balvix::demo::createDemoDatabase(dbPath);
      } catch (const std::exception& e) {
        balvix::shell::reportStartupFailure(
            QStringLiteral("Не удалось создать базу данных «%1»: %2")
                .arg(dbPath, QString::fromUtf8(e.what())));
        return 2;
      }
    }
  }
  return runProgram(app,
                    balvix::storage::Session::isServerAddress(dbPath)
                        ? dbPath
                        : QFileInfo(dbPath).absoluteFilePath(),
                    args.contains(QStringLiteral("--quit-when-shown")));
}
