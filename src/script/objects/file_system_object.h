#pragma once

#include "script/objects/object_support.h"

namespace balvix::script {

// A few file and folder operations for modules. Files that СоздатьФайл writes and
// ОткрытьФайл reads are named relative to the folder of the open database (the current
// folder when none is open); the other operations take paths as the process sees them.
class clsФС : public ScriptObject {
 public:
  clsФС(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsФС"); }

  // The first item of a text as the language's sequential input reads it: up to the
  // first comma or the end of the first line, blanks around and enclosing quotes removed.
  static QString firstItem(const QString& text);

 private:
  enum Member {
    kMakeFolder = 1,
    kCreateFile,
    kOpenFile,
    kRemoveFolder,
    kDeleteFile,
    kCurrentFolder,
  };
  QString programFile(const QString& name) const;
  void makeFolder(const QString& path);
  void createFile(const QString& name, const QString& text);
  QString openFile(const QString& name);
  void removeFolder(const QString& path);
  void deleteFiles(const QString& path);
  void setCurrentFolder(const QString& path);
};

}  // namespace balvix::script
