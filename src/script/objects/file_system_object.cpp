#include "script/objects/file_system_object.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "script/script_error.h"

namespace balvix::script {

namespace {

constexpr int kPathFileAccessError = 75;
constexpr int kInputPastEnd = 62;

QString shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

}  // namespace

clsФС::clsФС(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kMakeFolder, QStringLiteral("СоздатьКаталог"));
  addMember(kCreateFile, QStringLiteral("СоздатьФайл"));
  addMember(kOpenFile, QStringLiteral("ОткрытьФайл"));
  addMember(kRemoveFolder, QStringLiteral("УдалитьКаталог"));
  addMember(kDeleteFile, QStringLiteral("УдалитьФайл"));
  addMember(kCurrentFolder, QStringLiteral("ТекущийКаталог"));
}

Value clsФС::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kMakeFolder:
      object_args::expectCount(args, 1);
      makeFolder(object_args::text(args, 0));
      return Value();
    case kCreateFile:
      object_args::expectCount(args, 2);
      createFile(object_args::text(args, 0), object_args::text(args, 1));
      return Value();
    case kOpenFile:
      object_args::expectCount(args, 1);
      return Value(openFile(object_args::text(args, 0)));
    case kRemoveFolder:
      object_args::expectCount(args, 1);
      removeFolder(object_args::text(args, 0));
      return Value();
    case kDeleteFile:
      object_args::expectCount(args, 1);
      deleteFiles(object_args::text(args, 0));
      return Value();
    case kCurrentFolder:
      object_args::expectCount(args, 0);
      return Value(shown(QDir::currentPath()));
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void clsФС::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId != kCurrentFolder || args.size() != 0 || isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  setCurrentFolder(object_args::text(value));
}

QString clsФС::programFile(const QString& name) const {
  // A database on a server has no folder: the program's working folder stands for it.
  const QString folder = context().db && !context().db->folder().isEmpty() ? context().db->folder()
                                                                           : QDir::currentPath();
  return QDir(folder).filePath(name);
}

void clsФС::makeFolder(const QString& path) {
  const QFileInfo info(path);
  if (info.exists())
    throw ScriptError::custom(
        kPathFileAccessError,
        QStringLiteral("Папка или файл «%1» уже существует.").arg(shown(path)));
  if (!info.absoluteDir().exists())
    throw ScriptError::custom(
        ErrorCode::PathNotFound,
        QStringLiteral("Путь не найден: «%1».").arg(shown(info.absolutePath())));
  if (!QDir().mkdir(path))
    throw ScriptError::custom(ErrorCode::PermissionDenied,
                              QStringLiteral("Не удается создать папку «%1».").arg(shown(path)));
}

void clsФС::createFile(const QString& name, const QString& text) {
  const QString path = programFile(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
    throw ScriptError::custom(
        QFileInfo(path).absoluteDir().exists() ? ErrorCode::PermissionDenied
                                               : ErrorCode::PathNotFound,
        QStringLiteral("Не удается записать файл «%1»: %2").arg(shown(path), file.errorString()));
  const QByteArray bytes = (text + u'\n').toUtf8();
  if (file.write(bytes) != bytes.size() || !file.flush())
    throw ScriptError::custom(
        ErrorCode::PermissionDenied,
        QStringLiteral("Не удается записать файл «%1»: %2").arg(shown(path), file.errorString()));
}

QString clsФС::openFile(const QString& name) {
  const QString path = programFile(name);
  QFile file(path);
  if (!QFileInfo(path).isFile())
    throw ScriptError::custom(ErrorCode::FileNotFound,
                              QStringLiteral("Файл не найден: «%1».").arg(shown(path)));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    throw ScriptError::custom(
        ErrorCode::PermissionDenied,
        QStringLiteral("Не удается прочитать файл «%1»: %2").arg(shown(path), file.errorString()));
  const QString text = QString::fromUtf8(file.readAll());
  if (text.isEmpty())
    throw ScriptError::custom(kInputPastEnd,
                              QStringLiteral("Файл «%1» пуст: читать нечего.").arg(shown(path)));
  return firstItem(text);
}

QString clsФС::firstItem(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i < n && text[i] == u'"') {
    const qsizetype close = text.indexOf(u'"', i + 1);
    return close < 0 ? text.mid(i + 1).section(u'\n', 0, 0).remove(u'\r')
                     : text.mid(i + 1, close - i - 1);
  }
  qsizetype end = i;
  while (end < n && text[end] != u',' && text[end] != u'\n' && text[end] != u'\r') ++end;
  QString item = text.mid(i, end - i);
  while (!item.isEmpty() && (item.back() == u' ' || item.back() == u'\t')) item.chop(1);
  return item;
}

void clsФС::removeFolder(const QString& path) {
  const QFileInfo info(path);
  if (!info.isDir())
    throw ScriptError::custom(ErrorCode::PathNotFound,
                              QStringLiteral("Путь не найден: «%1».").arg(shown(path)));
  if (!QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
    throw ScriptError::custom(
        kPathFileAccessError,
        QStringLiteral("Папка «%1» не пуста; удаляется только пустая папка.").arg(shown(path)));
  if (!QDir().rmdir(path))
    throw ScriptError::custom(ErrorCode::PermissionDenied,
                              QStringLiteral("Не удается удалить папку «%1».").arg(shown(path)));
}

// A name with "*" or "?" deletes every matching file of its folder; folders are never
// deleted here.
void clsФС::deleteFiles(const QString& path) {
  const QFileInfo info(path);
  const QString pattern = info.fileName();
  QStringList targets;
  if (pattern.contains(u'*') || pattern.contains(u'?')) {
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
      throw ScriptError::custom(ErrorCode::PathNotFound,
                                QStringLiteral("Путь не найден: «%1».").arg(shown(folder.path())));
    for (const QString& name :
         folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
      targets << folder.filePath(name);
  } else if (info.isFile()) {
    targets << info.absoluteFilePath();
  }
  if (targets.isEmpty())
    throw ScriptError::custom(ErrorCode::FileNotFound,
                              QStringLiteral("Файл не найден: «%1».").arg(shown(path)));
  for (const QString& target : targets) {
    QFile file(target);
    if (!file.remove())
      throw ScriptError::custom(ErrorCode::PermissionDenied,
                                QStringLiteral("Не удается удалить файл «%1»: %2")
                                    .arg(shown(target), file.errorString()));
  }
}

void clsФС::setCurrentFolder(const QString& path) {
  if (!QFileInfo(path).isDir() || !QDir::setCurrent(path))
    throw ScriptError::custom(ErrorCode::PathNotFound,
                              QStringLiteral("Путь не найден: «%1».").arg(shown(path)));
}

}  // namespace balvix::script
