#include "configurator/catalog_designer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

namespace {

const QString kType = QStringLiteral("Справочник");
const QString kNameColumn = QStringLiteral("Наименование");

QPushButton* button(const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  return b;
}

}  // namespace

frmSprFrm::frmSprFrm(shell::AppState& state, QWidget* parent) : QWidget(parent), m_state(state) {
  setObjectName(QStringLiteral("frmSprFrm"));
  if (parent) setWindowFlags(windowFlags() | Qt::Window);

  m_text1 = new QLineEdit;
  m_text1->setObjectName(QStringLiteral("Text1"));
  m_text2 = new QLineEdit;
  m_text2->setObjectName(QStringLiteral("Text2"));
  m_list1 = new QListWidget;
  m_list1->setObjectName(QStringLiteral("List1"));
  m_list1->setAccessibleName(QStringLiteral("Элементы формы:"));

  auto* fields = new QFormLayout;
  auto* label1 = new QLabel(QStringLiteral("Шифр:"));
  label1->setBuddy(m_text1);
  m_text1->setAccessibleName(label1->text());
  auto* label2 = new QLabel(QStringLiteral("Меню:"));
  label2->setBuddy(m_text2);
  m_text2->setAccessibleName(label2->text());
  fields->addRow(label1, m_text1);
  fields->addRow(label2, m_text2);

  m_command5 = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_command4 = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_command3 = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  auto* frame = new QGroupBox(QStringLiteral("Элементы формы:"));
  auto* frameLayout = new QHBoxLayout(frame);
  frameLayout->addWidget(m_list1);
  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(m_command5);
  listButtons->addWidget(m_command4);
  listButtons->addWidget(m_command3);
  listButtons->addStretch();
  frameLayout->addLayout(listButtons);

  m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"));
  m_command2 = button(QStringLiteral("Command2"), QStringLiteral("Ф&орма"));
  m_command6 = button(QStringLiteral("Command6"), QStringLiteral("&Закрыть"));
  // The catalog element form in layout design arrives with the runtime windows.
  m_command2->setEnabled(false);
  m_command2->setToolTip(QStringLiteral("Будет доступно в рабочем режиме"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_command1);
  buttons->addWidget(m_command2);
  buttons->addStretch();
  buttons->addWidget(m_command6);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  connect(m_command5, &QPushButton::clicked, this, &frmSprFrm::addRequisite);
  connect(m_command4, &QPushButton::clicked, this, &frmSprFrm::changeRequisite);
  connect(m_command3, &QPushButton::clicked, this, &frmSprFrm::deleteRequisite);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, &frmSprFrm::changeRequisite);
  connect(m_command1, &QPushButton::clicked, this, &frmSprFrm::save);
  connect(m_command6, &QPushButton::clicked, this, &QWidget::close);
}

void frmSprFrm::showEvent(QShowEvent* event) {
  if (!m_loaded) {
    m_loaded = true;
    load();
  }
  QWidget::showEvent(event);
}

void frmSprFrm::closeEvent(QCloseEvent* event) {
  m_state.formDesignMode = false;
  m_loaded = false;
  QWidget::closeEvent(event);
}

void frmSprFrm::load() {
  m_list1->clear();
  m_text2->clear();
  m_name = m_state.currentObjectName;
  m_existing = m_name != QStringLiteral("Новый");
  setWindowTitle(m_state.currentObjectType + QStringLiteral(": ") + m_name);

  if (!m_existing) {
    addRequisiteRow(m_list1, kNameColumn, QStringLiteral("Текст"));
    m_text1->setEnabled(true);
    m_text1->setText(QStringLiteral("Новый"));
    return;
  }
  m_text1->setEnabled(false);
  m_text1->setText(m_name);
  if (!m_state.db) return;
  try {
    m_state.sharedRecordset = m_state.db->openRecordset(
        QStringLiteral("SELECT * FROM form_items WHERE type=") + storage::quote(kType) +
        QStringLiteral(" AND name=") + storage::quote(m_name));
    QString types;
    if (!m_state.sharedRecordset.eof()) {
      m_text1->setText(m_state.sharedRecordset.text("name"));
      m_text2->setText(m_state.sharedRecordset.text("descript"));
      types = m_state.sharedRecordset.text("items_type");
    }
    m_state.sharedRecordset.close();
    storage::Recordset table =
        m_state.db->openRecordset(QStringLiteral("SELECT * FROM items_Справочник_") + m_name);
    QStringList columns;
    for (int i = 0; i < table.fieldCount(); ++i) columns << table.fieldName(i);
    table.close();
    fillRequisiteList(m_list1, columns, types);
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
  }
}

frmItem* frmSprFrm::requisiteEditor() const {
  return m_state.windows
             ? qobject_cast<frmItem*>(m_state.windows->sharedWindow(QStringLiteral("frmItem")))
             : nullptr;
}

void frmSprFrm::addRequisite() {
  if (frmItem* editor = requisiteEditor())
    editor->open(QStringLiteral("Справочник Новый"), QStringLiteral("Новый"));
}

void frmSprFrm::changeRequisite() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item || item->text() == kNameColumn) return;
  QString type = item->data(Qt::UserRole).toString();
  if (type.isEmpty()) type = QStringLiteral("Текст");
  if (frmItem* editor = requisiteEditor())
    editor->open(QStringLiteral("Справочник Изменить"), item->text(), type);
}

void frmSprFrm::deleteRequisite() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item || item->text() == kNameColumn) return;
  if (shell::MessageBoxes::ask(QStringLiteral("Удалить выбранный элемент - ") + item->text() +
                               QLatin1Char('?')) == shell::MsgAnswer::Yes)
    delete item;
}

QString frmSprFrm::validate(const QString& name) {
  if (name.isEmpty() || name == QStringLiteral("Новый"))
    return QStringLiteral("Необходимо ввести название.");
  QString problem = storage::identifierProblem(name, QStringLiteral("Имя справочника"));
  if (!problem.isEmpty()) return problem;
  if (!m_existing && objectNameTaken(*m_state.db, kType, name))
    return QStringLiteral("Справочник «%1» уже существует.").arg(name);
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (m_list1->count() == 0) return QStringLiteral("Справочник должен иметь элементы диалога");
  return requisiteNamesProblem(requisiteNames(m_list1));
}

void frmSprFrm::write(const QString& name) {
  storage::Session& db = *m_state.db;
  const QString types = requisiteTypeList(m_list1);
  storage::Transaction transaction(db);
  if (m_existing) {
    db.execute(QStringLiteral("UPDATE form_items SET name=") + storage::quote(name) +
               QStringLiteral(", descript=") + storage::quote(m_text2->text()) +
               QStringLiteral(", items_type=") + storage::quote(types) +
               QStringLiteral(" WHERE type=") + storage::quote(kType) +
               QStringLiteral(" AND name=") + storage::quote(m_name));
  } else {
    db.execute(
        QStringLiteral("INSERT INTO form_items (name,descript,code,type,items_type) VALUES (") +
        storage::quote(name) + QLatin1Char(',') + storage::quote(m_text2->text()) +
        QStringLiteral(",'_','Справочник',") + storage::quote(types) + QLatin1Char(')'));
  }
  QString columns = requisiteColumns(requisiteNames(m_list1));
  columns.chop(1);
  DialogRebuildProgress progress(this);
  rebuildTable(db, QStringLiteral("items_Справочник_") + name,
               QStringLiteral("CREATE TABLE items_Справочник_") + name + QLatin1Char('(') +
                   columns + QLatin1Char(')'),
               &progress);
  transaction.commit();
}

bool frmSprFrm::save() {
  if (m_saving || !m_state.db) return false;
  const QString name = m_text1->text();
  QString problem;
  try {
    problem = validate(name);
  } catch (const storage::DbError& e) {
    problem = e.description();
  }
  if (!problem.isEmpty()) {
    shell::MessageBoxes::show(problem);
    return false;
  }

  m_saving = true;
  try {
    write(name);
  } catch (const storage::DbError& e) {
    m_saving = false;
    shell::MessageBoxes::show(e.description());
    return false;
  }
  m_saving = false;
  // From now on the catalog exists: a second save updates its row instead of adding one.
  m_existing = true;
  m_name = name;
  m_text1->setEnabled(false);

  QApplication::processEvents();
  if (m_state.mainWindow) {
    m_state.mainWindow->BuildConfigTree();
    m_state.mainWindow->BuildMenus();
  }
  if (shell::MessageBoxes::ask(QStringLiteral("Закрыть форму?")) == shell::MsgAnswer::Yes) close();
  return true;
}

}  // namespace balvix::configurator
