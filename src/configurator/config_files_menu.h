#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>

#include "documents/config_import.h"
#include "shell/app_state.h"

class QCheckBox;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace balvix::configurator {

// The changes a tree of files would make, shown before anything is loaded: the text of the
// dry run, and «Загрузить» where loading is possible (after «Разрешить удаление данных»
// when it would lose data) or only «Закрыть» for a comparison.
class frmConfigChanges : public QDialog {
  Q_OBJECT

 public:
  static inline const QString kWindowName = QStringLiteral("frmConfigChanges");
  frmConfigChanges(const QString& title, const documents::ImportPlan& plan, bool offerLoad,
                   QWidget* parent);
  bool allowsDataLoss() const;

 private:
  QPlainTextEdit* m_text;
  QCheckBox* m_allowLoss;
  QPushButton* m_load;
};

// «Конфигурация → Выгрузить в файлы…, Загрузить из файлов…, Сравнить с файлами…» of the main
// window. The folder is asked for by `chooseFolder` (a folder dialog unless replaced).
class ConfigFilesMenu : public QObject {
  Q_OBJECT

 public:
  ConfigFilesMenu(shell::AppState& state, QMainWindow* window);
  QMenu* menu() const { return m_menu; }

  std::function<QString(const QString& title)> chooseFolder;

  void exportFiles();
  // Shows the dry run; loading happens when the window is accepted.
  frmConfigChanges* loadFiles();
  frmConfigChanges* compareFiles();

 signals:
  void configurationLoaded();

 private:
  frmConfigChanges* review(bool load);

  shell::AppState& m_state;
  QMainWindow* m_window;
  QMenu* m_menu;
};

}  // namespace balvix::configurator
