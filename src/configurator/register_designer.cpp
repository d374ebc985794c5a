#include "configurator/register_designer.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "documents/object_save.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

frmRegister::frmRegister(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Register, parent) {
  m_text1 = named<QLineEdit>(QStringLiteral("Text1"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"));
  m_list1 = named<QListWidget>(QStringLiteral("List1"));

  auto* fields = new QFormLayout;
  fields->addRow(buddyLabel(QStringLiteral("Шифр:"), m_text1), m_text1);
  fields->addRow(buddyLabel(QStringLiteral("Описание:"), m_text2), m_text2);

  m_addButton = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_changeButton = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_deleteButton = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  QGroupBox* frame = requisiteFrame(QStringLiteral("Реквизиты регистра:"), m_list1, m_addButton,
                                    m_changeButton, m_deleteButton);

  m_saveButton = button(QStringLiteral("Command2"), QStringLiteral("&Сохранить"));
  m_closeButton = button(QStringLiteral("Command1"), QStringLiteral("&Закрыть"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_saveButton);
  buttons->addStretch();
  buttons->addWidget(m_closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  // Register requisites have no type: the editor's type box stays disabled.
  auto change = [this] {
    if (QListWidgetItem* item = editableRow(m_list1, false))
      openRequisiteEditor(QStringLiteral("Регистр Изменить"), item->text(), QString(), false);
  };
  connect(m_addButton, &QPushButton::clicked, this,
          [this] { openRequisiteEditor(QStringLiteral("Регистр Новый"), kNew, QString(), false); });
  connect(m_changeButton, &QPushButton::clicked, this, change);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, change);
  connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteRequisite(m_list1, false); });
  connect(m_saveButton, &QPushButton::clicked, this, &frmRegister::save);
  connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmRegister::load() {
  m_list1->clear();
  m_text2->clear();
  captureObject();

  if (m_existing && m_state.db) {
    try {
      if (const auto row = config::readFormItemRow(*m_state.db, m_kind, m_name)) {
        m_text1->setText(row->name.value_or(QString()));
        m_text2->setText(row->descript.value_or(QString()));
      }
      storage::Recordset table =
          m_state.db->openColumns(QStringLiteral("SELECT * FROM ") + config::registerTable(m_name));
      QStringList columns;
      for (int i = 0; i < table.fieldCount(); ++i) columns << table.fieldName(i);
      table.close();
      m_list1->addItems(config::requisiteColumns(config::TableRole::Movements, columns));
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
  return requisiteNamesProblem(requisiteNames(m_list1),
                               config::systemColumns(config::TableRole::Movements), *m_state.db,
                               {config::registerTable(name)});
}

void frmRegister::write(const QString& name) {
  storage::Session& db = *m_state.db;
  config::ObjectDefinition movements;
  movements.kind = m_kind;
  movements.name = name;
  // The description is stored too: the designer shows it and lets the user change it.
  movements.description = m_text2->text();
  movements.requisites = requisitesOf(m_list1);
  DialogRebuildProgress progress(this);
  documents::saveDefinition(db, movements, m_existing ? std::optional(m_name) : std::nullopt,
                            &progress);
}

void frmRegister::afterSave() {
  rebuildMainWindow(false);
  shell::MessageBoxes::show(QStringLiteral("Регистр создан успешно."));
  close();
}

}  // namespace balvix::configurator
