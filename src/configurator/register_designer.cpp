#include "configurator/register_designer.h"

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

const QString kType = QStringLiteral("Регистр");
const QStringList kSystemColumns = {QStringLiteral("cDATE"), QStringLiteral("cTIME"),
                                    QStringLiteral("Документ"), QStringLiteral("Флаг")};

QPushButton* button(const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  return b;
}

QLabel* buddyLabel(const QString& text, QWidget* field) {
  auto* label = new QLabel(text);
  label->setBuddy(field);
  field->setAccessibleName(text);
  return label;
}

}  // namespace

frmRegister::frmRegister(shell::AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state) {
  setObjectName(QStringLiteral("frmRegister"));
  if (parent) setWindowFlags(windowFlags() | Qt::Window);

  m_text1 = new QLineEdit;
  m_text1->setObjectName(QStringLiteral("Text1"));
  m_text2 = new QLineEdit;
  m_text2->setObjectName(QStringLiteral("Text2"));
  m_list1 = new QListWidget;
  m_list1->setObjectName(QStringLiteral("List1"));
  m_list1->setAccessibleName(QStringLiteral("Реквизиты регистра:"));

  auto* fields = new QFormLayout;
  fields->addRow(buddyLabel(QStringLiteral("Шифр:"), m_text1), m_text1);
  fields->addRow(buddyLabel(QStringLiteral("Описание:"), m_text2), m_text2);

  m_command5 = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_command4 = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_command3 = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  auto* frame = new QGroupBox(QStringLiteral("Реквизиты регистра:"));
  auto* frameLayout = new QHBoxLayout(frame);
  frameLayout->addWidget(m_list1);
  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(m_command5);
  listButtons->addWidget(m_command4);
  listButtons->addWidget(m_command3);
  listButtons->addStretch();
  frameLayout->addLayout(listButtons);

  m_command2 = button(QStringLiteral("Command2"), QStringLiteral("&Сохранить"));
  m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Закрыть"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_command2);
  buttons->addStretch();
  buttons->addWidget(m_command1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  connect(m_command5, &QPushButton::clicked, this, &frmRegister::addRequisite);
  connect(m_command4, &QPushButton::clicked, this, &frmRegister::changeRequisite);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, &frmRegister::changeRequisite);
  connect(m_command3, &QPushButton::clicked, this, &frmRegister::deleteRequisite);
  connect(m_command2, &QPushButton::clicked, this, &frmRegister::save);
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
}

void frmRegister::showEvent(QShowEvent* event) {
  if (!m_loaded) {
    m_loaded = true;
    load();
  }
  QWidget::showEvent(event);
}

void frmRegister::closeEvent(QCloseEvent* event) {
  m_loaded = false;
  QWidget::closeEvent(event);
}

void frmRegister::load() {
  m_list1->clear();
  m_text2->clear();
  m_name = m_state.currentObjectName;
  m_existing = m_name != QStringLiteral("Новый");
  setWindowTitle(m_state.currentObjectType + QStringLiteral(": ") + m_name);

  if (m_existing) {
    m_text1->setEnabled(false);
    m_text1->setText(m_name);
    if (m_state.db) {
      try {
        m_state.sharedRecordset = m_state.db->openRecordset(
            QStringLiteral("SELECT * FROM form_items WHERE type='Регистр' AND name=") +
            storage::quote(m_name));
        if (!m_state.sharedRecordset.eof()) {
          m_text1->setText(m_state.sharedRecordset.text("name"));
          m_text2->setText(m_state.sharedRecordset.text("descript"));
        }
        m_state.sharedRecordset.close();
        storage::Recordset table =
            m_state.db->openRecordset(QStringLiteral("SELECT * FROM items_Регистр_") + m_name);
        for (int i = 0; i < table.fieldCount() - kSystemColumns.size(); ++i)
          m_list1->addItem(table.fieldName(i));
        table.close();
      } catch (const storage::DbError& e) {
        shell::MessageBoxes::show(e.description());
      }
    }
  } else {
    m_text1->setEnabled(true);
    m_text1->setText(QStringLiteral("Новый"));
  }
  shell::CenterForm(m_state, this);
}

frmItem* frmRegister::requisiteEditor() const {
  return m_state.windows
             ? qobject_cast<frmItem*>(m_state.windows->sharedWindow(QStringLiteral("frmItem")))
             : nullptr;
}

void frmRegister::addRequisite() {
  if (frmItem* editor = requisiteEditor())
    editor->open(QStringLiteral("Регистр Новый"), QStringLiteral("Новый"), QString(), false);
}

void frmRegister::changeRequisite() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item) return;
  if (frmItem* editor = requisiteEditor())
    editor->open(QStringLiteral("Регистр Изменить"), item->text(), QString(), false);
}

void frmRegister::deleteRequisite() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item) return;
  if (shell::MessageBoxes::ask(QStringLiteral("Удалить выбранный элемент - ") + item->text() +
                               QLatin1Char('?')) == shell::MsgAnswer::Yes)
    delete item;
}

QString frmRegister::validate(const QString& name) {
  if (name.isEmpty() || name == QStringLiteral("Новый"))
    return QStringLiteral("Необходимо ввести название.");
  QString problem = storage::identifierProblem(name, QStringLiteral("Имя регистра"));
  if (!problem.isEmpty()) return problem;
  if (!m_existing && objectNameTaken(*m_state.db, kType, name))
    return QStringLiteral("Регистр «%1» уже существует.").arg(name);
  if (m_list1->count() == 0) return QStringLiteral("Регистр должен иметь реквизиты");
  QStringList names;
  for (int i = 0; i < m_list1->count(); ++i) names << m_list1->item(i)->text();
  return requisiteNamesProblem(names, kSystemColumns);
}

void frmRegister::write(const QString& name) {
  storage::Session& db = *m_state.db;
  storage::Transaction transaction(db);
  if (m_existing) {
    // The description is stored too: the designer shows it and lets the user change it.
    db.execute(QStringLiteral("UPDATE form_items SET name=") + storage::quote(name) +
               QStringLiteral(", descript=") + storage::quote(m_text2->text()) +
               QStringLiteral(" WHERE type='Регистр' AND name=") + storage::quote(m_name));
  } else {
    db.execute(QStringLiteral("INSERT INTO form_items (name,type,descript) VALUES (") +
               storage::quote(name) + QStringLiteral(",'Регистр',") +
               storage::quote(m_text2->text()) + QLatin1Char(')'));
  }
  QStringList names;
  for (int i = 0; i < m_list1->count(); ++i) names << m_list1->item(i)->text();
  DialogRebuildProgress progress(this);
  rebuildTable(db, QStringLiteral("items_Регистр_") + name,
               QStringLiteral("CREATE TABLE items_Регистр_") + name + QLatin1Char('(') +
                   requisiteColumns(names) +
                   QStringLiteral("cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5)") +
                   QLatin1Char(')'),
               &progress);
  transaction.commit();
}

bool frmRegister::save() {
  if (m_saving || !m_state.db) return false;
  const QString name = m_text1->text();
  m_state.currentObjectName = name;
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
  m_existing = true;
  m_name = name;
  m_text1->setEnabled(false);

  if (m_state.mainWindow) m_state.mainWindow->BuildConfigTree();
  shell::MessageBoxes::show(QStringLiteral("Регистр создан успешно."));
  close();
  return true;
}

}  // namespace balvix::configurator
