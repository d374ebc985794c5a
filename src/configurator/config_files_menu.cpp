#include "configurator/config_files_menu.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "configurator/table_rebuild.h"
#include "documents/sole_user.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"

namespace balvix::configurator {

frmConfigChanges::frmConfigChanges(const QString& title, const documents::ImportPlan& plan,
                                   bool offerLoad, QWidget* parent)
    : QDialog(parent) {
  setObjectName(kWindowName);
  setWindowTitle(title);
  m_text = new QPlainTextEdit(plan.lines().join(u'\n'));
  m_text->setObjectName(QStringLiteral("txtChanges"));
  m_text->setAccessibleName(QStringLiteral("Изменения конфигурации"));
  m_text->setReadOnly(true);
  m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_allowLoss = new QCheckBox(QStringLiteral("Разрешить удаление данных"));
  m_allowLoss->setObjectName(QStringLiteral("chkAllowDataLoss"));
  m_allowLoss->setAccessibleName(m_allowLoss->text());
  auto* buttons = new QDialogButtonBox;
  m_load = buttons->addButton(QStringLiteral("&Загрузить"), QDialogButtonBox::AcceptRole);
  m_load->setObjectName(QStringLiteral("cmdLoad"));
  m_load->setAccessibleName(QStringLiteral("Загрузить"));
  QPushButton* close =
      buttons->addButton(offerLoad ? QStringLiteral("&Отмена") : QStringLiteral("&Закрыть"),
                         QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("cmdClose"));
  close->setAccessibleName(close->text().remove(u'&'));
  const bool loadable = offerLoad && plan.problems.isEmpty() && !plan.isEmpty();
  m_load->setVisible(loadable);
  m_allowLoss->setVisible(loadable && plan.losesData);
  m_load->setEnabled(!plan.losesData);
  connect(m_allowLoss, &QCheckBox::toggled, m_load, &QPushButton::setEnabled);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_text);
  layout->addWidget(m_allowLoss);
  layout->addWidget(buttons);
  resize(760, 520);
}

bool frmConfigChanges::allowsDataLoss() const {
  return m_allowLoss->isChecked();
}

ConfigFilesMenu::ConfigFilesMenu(shell::AppState& state, QMainWindow* window)
    : QObject(window), m_state(state), m_window(window) {
  chooseFolder = [this](const QString& title) {
    return QFileDialog::getExistingDirectory(m_window, title);
  };
  m_menu = new QMenu(QStringLiteral("&Конфигурация"), window);
  m_menu->setObjectName(QStringLiteral("mnuConfiguration"));
  m_menu->setAccessibleName(QStringLiteral("Конфигурация"));
  auto add = [this](const QString& text, const QString& name, auto slot) {
    QAction* action = m_menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
  };
  add(QStringLiteral("Выгрузить в файлы…"), QStringLiteral("mnuExportConfig"),
      &ConfigFilesMenu::exportFiles);
  add(QStringLiteral("Загрузить из файлов…"), QStringLiteral("mnuImportConfig"),
      &ConfigFilesMenu::loadFiles);
  add(QStringLiteral("Сравнить с файлами…"), QStringLiteral("mnuCompareConfig"),
      &ConfigFilesMenu::compareFiles);
  // Beside the menus of the configuration's objects, before «Сервис».
  QAction* before = nullptr;
  for (QAction* action : window->menuBar()->actions())
    if (action->menu() && action->menu()->objectName() == QStringLiteral("mnuServices"))
      before = action;
  window->menuBar()->insertMenu(before, m_menu);
}

void ConfigFilesMenu::exportFiles() {
  if (!m_state.db) return;
  const QString dir = chooseFolder(QStringLiteral("Папка для файлов конфигурации"));
  if (dir.isEmpty()) return;
  try {
    const int files = documents::exportConfiguration(*m_state.db, dir);
    shell::MessageBoxes::show(QStringLiteral("Конфигурация выгружена в папку «%1», файлов: %2.")
                                  .arg(QDir::toNativeSeparators(dir))
                                  .arg(files));
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
  }
}

frmConfigChanges* ConfigFilesMenu::loadFiles() {
  return review(true);
}

frmConfigChanges* ConfigFilesMenu::compareFiles() {
  return review(false);
}

frmConfigChanges* ConfigFilesMenu::review(bool load) {
  if (!m_state.db) return nullptr;
  const QString dir = chooseFolder(QStringLiteral("Папка с файлами конфигурации"));
  if (dir.isEmpty()) return nullptr;
  documents::ConfigTree files;
  documents::ImportPlan plan;
  try {
    files = documents::readConfigurationFiles(dir);
    plan = documents::planImport(*m_state.db, files);
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
    return nullptr;
  }
  auto* window = new frmConfigChanges(load ? QStringLiteral("Загрузка конфигурации из файлов")
                                           : QStringLiteral("Сравнение конфигурации с файлами"),
                                      plan, load, m_window);
  connect(window, &QDialog::finished, this, [this, window, files, plan, dir](int result) {
    window->deleteLater();
    if (result != QDialog::Accepted) return;
    // The window is closed by now: nothing waits on the user while the transaction is open.
    DialogRebuildProgress progress(m_window);
    try {
      documents::requireSoleUser(m_state.objectLocks());
      documents::applyImport(*m_state.db, files, plan, window->allowsDataLoss(), &progress);
    } catch (const storage::DbError& e) {
      shell::MessageBoxes::show(e.description());
      return;
    }
    if (auto* main = qobject_cast<shell::frmMain*>(m_window)) {
      main->BuildMenus();
      main->BuildConfigTree();
    }
    emit configurationLoaded();
    shell::MessageBoxes::show(
        QStringLiteral("Конфигурация загружена из папки «%1».").arg(QDir::toNativeSeparators(dir)));
  });
  window->open();
  return window;
}

}  // namespace balvix::configurator
