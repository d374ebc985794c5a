#include "shell/external_tools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace balvix::shell {

namespace {

QString setting(const QString& key) {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  return settings.value(key).toString().trimmed();
}

QString firstFound(const QStringList& candidates) {
  for (const QString& name : candidates)
    if (!QStandardPaths::findExecutable(name).isEmpty()) return name;
  return QString();
}

const QString kWhereToSet =
    QStringLiteral("Укажите команду в «Сервис → Настройка программы...», поле «%1»");

QString listed(const QStringList& commands) {
  QStringList quoted;
  for (const QString& c : commands) quoted << QStringLiteral("«%1»").arg(c);
  return quoted.join(QStringLiteral(", "));
}

}  // namespace

QStringList knownCalculators() {
  return {
      QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"),
      QStringLiteral("mate-calc"),        QStringLiteral("xcalc"), QStringLiteral("qalculate-gtk")};
}

QStringList knownEditors() {
  return {QStringLiteral("gnome-text-editor"),
          QStringLiteral("gedit"),
          QStringLiteral("kate"),
          QStringLiteral("kwrite"),
          QStringLiteral("mousepad"),
          QStringLiteral("pluma"),
          QStringLiteral("xed"),
          QStringLiteral("featherpad"),
          QStringLiteral("leafpad")};
}

QString editorCommand() {
  const QString configured = setting(QStringLiteral("EditorCommand"));
  if (!configured.isEmpty()) return configured;
  // The desktop knows which editor the user prefers for a text file.
  const QString desktop = firstFound({QStringLiteral("xdg-open")});
  return desktop.isEmpty() ? firstFound(knownEditors()) : desktop;
}

QString calculatorCommand() {
  const QString configured = setting(QStringLiteral("CalculatorCommand"));
  return configured.isEmpty() ? firstFound(knownCalculators()) : configured;
}

bool startDetached(const QString& commandLine, const QStringList& extraArguments) {
  QStringList parts = QProcess::splitCommand(commandLine);
  if (parts.isEmpty()) return false;
  const QString program = parts.takeFirst();
  if (QStandardPaths::findExecutable(program).isEmpty() && !program.contains(QLatin1Char('/')))
    return false;
  qint64 pid = 0;
  return QProcess::startDetached(program, parts + extraArguments, QString(), &pid) && pid != 0;
}

QString startCalculatorTool() {
  const QString configured = setting(QStringLiteral("CalculatorCommand"));
  if (!configured.isEmpty()) {
    if (startDetached(configured)) return QString();
    return QStringLiteral(
               "Не удалось запустить калькулятор командой «%1» из настроек "
               "программы: такой программы нет или она не запускается.\n")
               .arg(configured) +
           kWhereToSet.arg(QStringLiteral("Калькулятор:")) + QLatin1Char('.');
  }
  const QString found = firstFound(knownCalculators());
  if (!found.isEmpty() && startDetached(found)) return QString();
  if (!found.isEmpty())
    return QStringLiteral("Не удалось запустить калькулятор «%1».\n").arg(found) +
           kWhereToSet.arg(QStringLiteral("Калькулятор:")) + QStringLiteral(" — другую программу.");
  return QStringLiteral("Калькулятор не найден: на компьютере нет ни одной из программ %1.\n")
             .arg(listed(knownCalculators())) +
         kWhereToSet.arg(QStringLiteral("Калькулятор:")) +
         QStringLiteral(" (например, «gnome-calculator»), или установите один из калькуляторов.");
}

QString startTextEditorTool(const QString& file) {
  const QStringList arguments = file.isEmpty() ? QStringList() : QStringList{file};
  const QString configured = setting(QStringLiteral("EditorCommand"));
  if (!configured.isEmpty()) {
    if (startDetached(configured, arguments)) return QString();
    return QStringLiteral(
               "Не удалось запустить текстовый редактор командой «%1» из настроек "
               "программы: такой программы нет или она не запускается.\n")
               .arg(configured) +
           kWhereToSet.arg(QStringLiteral("Текстовый редактор:")) + QLatin1Char('.');
  }
  QStringList tried;
  // xdg-open needs a file to open; without one only an editor itself can start.
  QStringList candidates = knownEditors();
  if (!file.isEmpty()) candidates.prepend(QStringLiteral("xdg-open"));
  for (const QString& command : candidates) {
    if (QStandardPaths::findExecutable(command).isEmpty()) continue;
    if (startDetached(command, arguments)) return QString();
    tried << command;
  }
  if (!tried.isEmpty())
    return QStringLiteral("Не удалось запустить текстовый редактор: не запустились %1.\n")
               .arg(listed(tried)) +
           kWhereToSet.arg(QStringLiteral("Текстовый редактор:")) + QLatin1Char('.');
  return QStringLiteral(
             "Текстовый редактор не найден: на компьютере нет ни одной из программ "
             "%1.\n")
             .arg(listed(candidates)) +
         kWhereToSet.arg(QStringLiteral("Текстовый редактор:")) +
         QStringLiteral(" (например, «gedit»), или установите один из редакторов.");
}

QString newTextFilesFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/Balvix/Документы");
}

QString createNewTextFile(const QString& folder, QString* error) {
  QDir dir(folder);
  if (!dir.mkpath(QStringLiteral("."))) {
    if (error)
      *error = QStringLiteral("Не удалось создать папку «%1» для нового документа.")
                   .arg(QDir::toNativeSeparators(folder));
    return QString();
  }
  for (int n = 1; n < 10000; ++n) {
    const QString path = dir.filePath(QStringLiteral("Новый документ %1.txt").arg(n));
    QFile file(path);
    // NewOnly: a file another program made meanwhile is never emptied.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
    if (!QFile::exists(path)) {
      if (error)
        *error = QStringLiteral("Не удалось записать новый документ «%1»: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
      return QString();
    }
  }
  if (error)
    *error = QStringLiteral("В папке «%1» слишком много новых документов.")
                 .arg(QDir::toNativeSeparators(folder));
  return QString();
}

}  // namespace balvix::shell
