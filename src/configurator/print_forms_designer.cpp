#include "configurator/print_forms_designer.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/print_forms.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_geometry.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/db_error.h"
#include "storage/session.h"

namespace balvix::configurator {

using shell::MessageBoxes;

namespace {

QPushButton* commandButton(const QString& objectName, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
  return b;
}

}  // namespace

frmPrintForms::frmPrintForms(shell::AppState& state, const QString& kind, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_kind(kind) {
  setObjectName(QStringLiteral("frmPrintForms"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Печатные формы: Документ.") + kind);
  shell::keepPlacement(this, shell::placementKey(objectName()));
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("lstForms"));
  m_list->setAccessibleName(QStringLiteral("Печатные формы"));
  auto* listLabel = new QLabel(QStringLiteral("Печатные формы:"), this);
  listLabel->setBuddy(m_list);
  m_name = new QLineEdit(this);
  m_name->setObjectName(QStringLiteral("txtName"));
  m_name->setAccessibleName(QStringLiteral("Имя формы"));
  auto* nameLabel = new QLabel(QStringLiteral("Имя формы:"), this);
  nameLabel->setBuddy(m_name);
  m_add = commandButton(QStringLiteral("cmdAdd"), QStringLiteral("До&бавить"), this);
  m_rename = commandButton(QStringLiteral("cmdRename"), QStringLiteral("&Переименовать"), this);
  m_delete = commandButton(QStringLiteral("cmdDelete"), QStringLiteral("&Удалить"), this);
  m_layout = commandButton(QStringLiteral("cmdLayout"), QStringLiteral("Ма&кет"), this);
  m_module = commandButton(QStringLiteral("cmdModule"), QStringLiteral("&Модуль"), this);
  m_close = commandButton(QStringLiteral("cmdClose"), QStringLiteral("&Закрыть"), this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(listLabel, 0, 0);
  grid->addWidget(m_list, 1, 0, 6, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {m_add, m_rename, m_delete, m_layout, m_module}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(m_close);
  grid->addLayout(buttons, 1, 1, 6, 1);
  grid->addWidget(nameLabel, 7, 0, 1, 2);
  grid->addWidget(m_name, 8, 0, 1, 2);

  connect(m_add, &QPushButton::clicked, this, &frmPrintForms::addForm);
  connect(m_rename, &QPushButton::clicked, this, &frmPrintForms::renameForm);
  connect(m_delete, &QPushButton::clicked, this, &frmPrintForms::deleteForm);
  connect(m_layout, &QPushButton::clicked, this, &frmPrintForms::openLayout);
  connect(m_module, &QPushButton::clicked, this, &frmPrintForms::openModule);
  connect(m_list, &QListWidget::itemDoubleClicked, this, &frmPrintForms::openLayout);
  connect(m_close, &QPushButton::clicked, this, &QWidget::close);
  connect(m_list, &QListWidget::currentTextChanged, m_name, &QLineEdit::setText);
  resize(460, 320);
  reload();
}

void frmPrintForms::reload(const QString& select) {
  QStringList names;
  try {
    if (m_state.db) names = config::printFormNames(*m_state.db, m_kind);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
  m_list->clear();
  m_list->addItems(names);
  const qsizetype at = names.indexOf(select);
  if (at >= 0) m_list->setCurrentRow(static_cast<int>(at));
}

QString frmPrintForms::selectedName() const {
  const QListWidgetItem* item = m_list->currentItem();
  return item ? item->text() : QString();
}

QString frmPrintForms::checkedName(const QString& except) const {
  const QString name = m_name->text().trimmed();
  if (name.isEmpty()) {
    MessageBoxes::show(QStringLiteral("Необходимо ввести название."));
    return QString();
  }
  for (int i = 0; i < m_list->count(); ++i)
    if (m_list->item(i)->text() == name && name != except) {
      MessageBoxes::show(QStringLiteral("Печатная форма «%1» уже есть.").arg(name));
      return QString();
    }
  return name;
}

bool frmPrintForms::addForm() {
  const QString name = checkedName();
  if (name.isEmpty() || !m_state.db) return false;
  try {
    storage::Transaction transaction(*m_state.db);
    if (!config::addPrintForm(*m_state.db, m_kind,
                              {name, QString(), config::printFormModuleTemplate()}))
      return false;
    transaction.commit();
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  reload(name);
  return true;
}

bool frmPrintForms::renameForm() {
  const QString old = selectedName();
  if (old.isEmpty()) return false;
  const QString name = checkedName(old);
  if (name.isEmpty() || name == old || !m_state.db) return false;
  try {
    config::renamePrintForm(*m_state.db, m_kind, old, name);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  reload(name);
  return true;
}

bool frmPrintForms::deleteForm() {
  const QString name = selectedName();
  if (name.isEmpty() || !m_state.db) return false;
  if (MessageBoxes::ask(QStringLiteral("Удалить печатную форму «%1»?").arg(name)) !=
      shell::MsgAnswer::Yes)
    return false;
  try {
    config::deletePrintForm(*m_state.db, m_kind, name);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  reload();
  return true;
}

QWidget* frmPrintForms::openLayout() {
  const QString name = selectedName();
  if (name.isEmpty() || !m_state.windows) return nullptr;
  shell::WindowArguments arguments;
  arguments.kind = config::ObjectKind::Document;
  arguments.objectName = m_kind;
  arguments.elementName = name;
  arguments.designMode = true;
  QWidget* window = m_state.windows->newWindowWith(shell::window_names::kPrintForm, arguments);
  if (!window) return nullptr;
  if (m_state.mainWindow)
    m_state.mainWindow->showRuntimeWindow(window);
  else
    window->show();
  return window;
}

QWidget* frmPrintForms::openModule() {
  const QString name = selectedName();
  QWidget* editor = m_state.windows && !name.isEmpty()
                        ? m_state.windows->sharedWindow(shell::window_names::kModuleEditor)
                        : nullptr;
  if (!editor) return nullptr;
  // The editor reads what it edits from the shared state when it loads.
  m_state.currentObjectType = config::kPrintFormType;
  m_state.currentObjectName = m_kind + QLatin1Char('.') + name;
  editor->show();
  editor->raise();
  editor->activateWindow();
  return editor;
}

}  // namespace balvix::configurator
