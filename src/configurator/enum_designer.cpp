#include "configurator/enum_designer.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "config/references.h"
#include "configurator/table_rebuild.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;

QStringList splitValueList(const QString& code) {
  return config::parseValueList(code);
}

frmEnum::frmEnum(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Enumeration, parent) {
  setWindowTitle(config::typeWord(config::ObjectKind::Enumeration));
  resize(420, 330);

  m_text1 = named<QLineEdit>(QStringLiteral("Text1"), this);
  QLabel* label1 = buddyLabel(QStringLiteral("Шифр:"), m_text1, this, QStringLiteral("Шифр"));

  auto* frame = new QGroupBox(QStringLiteral("Элементы:"), this);
  m_list1 = named<QListWidget>(QStringLiteral("List1"), frame);
  m_list1->setAccessibleName(QStringLiteral("Элементы"));
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(m_list1);

  m_addButton = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"), this);
  m_changeButton = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"), this);
  m_deleteButton = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"), this);
  m_saveButton = button(QStringLiteral("Command2"), QStringLiteral("&Сохранить"), this);
  m_closeButton = button(QStringLiteral("Command1"), QStringLiteral("&Закрыть"), this);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(label1);
  nameRow->addWidget(m_text1, 1);

  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(m_addButton);
  listButtons->addWidget(m_changeButton);
  listButtons->addWidget(m_deleteButton);
  listButtons->addStretch(1);

  auto* middle = new QHBoxLayout;
  middle->addWidget(frame, 1);
  middle->addLayout(listButtons);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(m_saveButton);
  bottom->addWidget(m_closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  // Values have no type: the editor's type box stays disabled.
  connect(m_addButton, &QPushButton::clicked, this, [this] {
    openRequisiteEditor(QStringLiteral("Перечисление Новый"), kNew, QString(), false);
  });
  connect(m_changeButton, &QPushButton::clicked, this, &frmEnum::changeValue);
  connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteRequisite(m_list1, false); });
  connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
  connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { changeValue(); });
}

void frmEnum::load() {
  m_list1->clear();
  captureObject();
  if (m_existing) {
    try {
      if (const auto row = config::readFormItemRow(*m_state.db, m_kind, m_name)) {
        m_text1->setText(row->name.value_or(QString()));
        m_list1->addItems(config::parseValueList(row->code.value_or(QString())));
      }
    } catch (const storage::DbError& error) {
      MessageBoxes::show(error.description());
    }
  }
  shell::CenterForm(m_state, this);
}

void frmEnum::changeValue() {
  if (QListWidgetItem* item = editableRow(m_list1, false))
    openRequisiteEditor(QStringLiteral("Перечисление Изменить"), item->text(), QString(), false);
}

// Names become part of type texts ("Перечисление." + name) that other lists split on
// ";" and "."; values are kept in a ";"-separated list.
QString frmEnum::validate(const QString& name) {
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  if (!m_existing) {
    const QString problem = storage::identifierProblem(name, QStringLiteral("Имя перечисления"));
    if (!problem.isEmpty()) return problem;
  }
  if (m_list1->count() == 0) return QStringLiteral("Перечисление должно иметь элементы");
  for (int i = 0; i < m_list1->count(); ++i) {
    const QString value = m_list1->item(i)->text();
    if (value.isEmpty())
      return QStringLiteral("Значение перечисления не может быть пустым (строка %1).").arg(i + 1);
    if (value.contains(QLatin1Char(';')))
      return QStringLiteral(
                 "Значение \"%1\" недопустимо: значение перечисления не может "
                 "содержать символ \";\".")
          .arg(value);
  }
  if (!m_existing) {
    if (objectNameTaken(*m_state.db, m_kind, name))
      return QStringLiteral("Перечисление \"%1\" уже существует.").arg(name);
  }
  return QString();
}

// A value taken out of the list stays in the documents and elements that hold it: the
// user is told where before the list is stored without it.
bool frmEnum::confirmSave(const QString&) {
  if (!m_existing) return true;
  QStringList current;
  for (int i = 0; i < m_list1->count(); ++i) current << m_list1->item(i)->text();
  QStringList used;
  for (const QString& value : config::readEnumerationValues(*m_state.db, m_name)) {
    if (current.contains(value)) continue;
    const config::ElementReferences references =
        config::findReferences(*m_state.db, config::RequisiteType::enumeration(m_name), value);
    if (!references.isEmpty())
      used << QStringLiteral("Значение «%1» используется: %2.")
                  .arg(value, config::referenceList(references));
  }
  if (used.isEmpty()) return true;
  return shell::MessageBoxes::ask(
             used.join(u'\n') +
             QStringLiteral("\nУдалить из перечисления «%1» всё равно?").arg(m_name)) ==
         shell::MsgAnswer::Yes;
}

// Whether the row is new follows the designer's own record, not the tree selection:
// after its first save an enumeration counts as existing even though the tree may
// still have "Перечисление.Новый" selected.
void frmEnum::write(const QString& name) {
  config::ObjectDefinition enumeration;
  enumeration.kind = m_kind;
  enumeration.name = name;
  QStringList values;
  for (int i = 0; i < m_list1->count(); ++i) values << m_list1->item(i)->text();
  enumeration.setEnumerationValues(values);
  storage::Transaction transaction(*m_state.db);
  if (!m_existing) {
    config::insertDefinition(*m_state.db, enumeration);
  } else {
    config::updateDesignedColumns(*m_state.db, m_name, enumeration);
    requireRowUpdated(
        QStringLiteral("Перечисление \"%1\" не найдено в базе данных: изменения не сохранены.")
            .arg(m_name));
  }
  transaction.commit();
}

void frmEnum::afterSave() {
  setWindowTitle(m_type + QStringLiteral(": ") + m_name);
  rebuildMainWindow(false);
  askClose();
}

}  // namespace balvix::configurator
