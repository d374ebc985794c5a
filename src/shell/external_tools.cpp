#include "shell/external_tools.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace balvix::shell {

namespace {

QString settingOrFirstFound(const QString& key, const QStringList& candidates) {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  const QString configured = settings.value(key).toString().trimmed();
  if (!configured.isEmpty()) return configured;
  for (const QString& name : candidates) {
    if (!QStandardPaths::findExecutable(name).isEmpty()) return name;
  }
  return QString();
}

}  // namespace

QString editorCommand() {
  return settingOrFirstFound(
      QStringLiteral("EditorCommand"),
      {QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"), QStringLiteral("kate"),
       QStringLiteral("kwrite"), QStringLiteral("mousepad"), QStringLiteral("pluma"),
       QStringLiteral("xed"), QStringLiteral("featherpad"), QStringLiteral("leafpad")});
}

QString calculatorCommand() {
  return settingOrFirstFound(
      QStringLiteral("CalculatorCommand"),
      {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"),
       QStringLiteral("mate-calc"), QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")});
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

}  // namespace balvix::shell
