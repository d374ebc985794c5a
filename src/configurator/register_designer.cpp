#include "configurator/register_designer.h"

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
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

namespace {

const QStringList kSystemColumns = {QStringLiteral("cDATE"), QStringLiteral("cTIME"),
                                    QStringLiteral("Документ"), QStringLiteral("Флаг")};

}  // namespace

frmRegister::frmRegister(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Register, parent) {
  m_text1 = named<QLineEdit>(QStringLiteral("Text1"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"));
  m_list1 = named<QListWidget>(QStringLiteral("List1"));

  auto* fields = new QFormLayout;
  fields->addRow(buddyLabel(QStringLiteral("Шифр:"), m_text1), m_text1);
  fields->addRow(buddyLabel(QStringLiteral("Описание:"), m_text2), m_text2);

  m_command5 = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_command4 = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_command3 = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  QGroupBox* frame = requisiteFrame(QStringLiteral("Реквизиты регистра:"), m_list1, m_command5,
                                    m_command4, m_command3);

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

  // Register requisites have no type: the editor's type box stays disabled.
  auto change = [this] {
    if (QListWidgetItem* item = editableRow(m_list1, false))
      openRequisiteEditor(QStringLiteral("Регистр Изменить"), item->text(), QString(), false);
  };
  connect(m_command5, &QPushButton::clicked, this,
          [this] { openRequisiteEditor(QStringLiteral("Регистр Новый"), kNew, QString(), false); });
  connect(m_command4, &QPushButton::clicked, this, change);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, change);
  connect(m_command3, &QPushButton::clicked, this, [this] { deleteRequisite(m_list1, false); });
  connect(m_command2, &QPushButton::clicked, this, &frmRegister::save);
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
}

void frmRegister::load() {
  m_list1->clear();
  m_text2->clear();
  captureObject();

  if (m_existing && m_state.db) {
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
  shell::CenterForm(m_state, this);
}

QString frmRegister::validate(const QString& name) {
  // The shared state names the register being saved, whether or not the save succeeds.
  m_state.currentObjectName = name;
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  const QString problem = nameProblem(name, QStringLiteral("Имя регистра"),
                                      QStringLiteral("Регистр «%1» уже существует."));
  if (!problem.isEmpty()) return problem;
  if (m_list1->count() == 0) return QStringLiteral("Регистр должен иметь реквизиты");
  return requisiteNamesProblem(requisiteNames(m_list1), kSystemColumns);
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
  DialogRebuildProgress progress(this);
  rebuildTable(db, QStringLiteral("items_Регистр_") + name,
               QStringLiteral("CREATE TABLE items_Регистр_") + name + QLatin1Char('(') +
                   requisiteColumns(requisiteNames(m_list1)) +
                   QStringLiteral("cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5)") +
                   QLatin1Char(')'),
               &progress);
  transaction.commit();
}

void frmRegister::afterSave() {
  rebuildMainWindow(false);
  shell::MessageBoxes::show(QStringLiteral("Регистр создан успешно."));
  close();
}

}  // namespace balvix::configurator
