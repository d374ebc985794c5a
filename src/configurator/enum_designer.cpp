#include "configurator/enum_designer.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "configurator/table_rebuild.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;
using storage::quote;

QStringList splitValueList(const QString& code) {
  QStringList values;
  qsizetype start = 0;
  for (qsizetype end = code.indexOf(QLatin1Char(';')); end >= 0;
       end = code.indexOf(QLatin1Char(';'), start)) {
    values << code.mid(start, end - start);
    start = end + 1;
  }
  return values;
}

frmEnum::frmEnum(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, QStringLiteral("frmEnum"), QStringLiteral("Перечисление"), parent) {
  setWindowTitle(QStringLiteral("Перечисление"));
  resize(420, 330);

  m_text1 = named<QLineEdit>(QStringLiteral("Text1"), this);
  QLabel* label1 = buddyLabel(QStringLiteral("Шифр:"), m_text1, this, QStringLiteral("Шифр"));

  auto* frame = new QGroupBox(QStringLiteral("Элементы:"), this);
  m_list1 = named<QListWidget>(QStringLiteral("List1"), frame);
  m_list1->setAccessibleName(QStringLiteral("Элементы"));
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(m_list1);

  m_command5 = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"), this);
  m_command4 = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"), this);
  m_command3 = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"), this);
  m_command2 = button(QStringLiteral("Command2"), QStringLiteral("&Сохранить"), this);
  m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Закрыть"), this);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(label1);
  nameRow->addWidget(m_text1, 1);

  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(m_command5);
  listButtons->addWidget(m_command4);
  listButtons->addWidget(m_command3);
  listButtons->addStretch(1);

  auto* middle = new QHBoxLayout;
  middle->addWidget(frame, 1);
  middle->addLayout(listButtons);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(m_command2);
  bottom->addWidget(m_command1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  // Values have no type: the editor's type box stays disabled.
  connect(m_command5, &QPushButton::clicked, this, [this] {
    openRequisiteEditor(QStringLiteral("Перечисление Новый"), kNew, QString(), false);
  });
  connect(m_command4, &QPushButton::clicked, this, &frmEnum::changeValue);
  connect(m_command3, &QPushButton::clicked, this, [this] { deleteRequisite(m_list1, false); });
  connect(m_command2, &QPushButton::clicked, this, [this] { save(); });
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { changeValue(); });
}

void frmEnum::load() {
  m_list1->clear();
  captureObject();
  if (m_existing) {
    try {
      storage::Recordset rs = m_state.db->openRecordset(
          QStringLiteral("SELECT type,name,code FROM form_items WHERE type=") +
          quote(m_state.currentObjectType) + QStringLiteral(" AND name=") +
          quote(m_state.currentObjectName));
      if (!rs.eof()) {
        m_text1->setText(rs.text(QStringLiteral("name")));
        m_list1->addItems(splitValueList(rs.text(QStringLiteral("code"))));
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
    if (objectNameTaken(*m_state.db, m_type, name))
      return QStringLiteral("Перечисление \"%1\" уже существует.").arg(name);
  }
  return QString();
}

// Whether the row is new follows the designer's own record, not the tree selection:
// after its first save an enumeration counts as existing even though the tree may
// still have "Перечисление.Новый" selected.
void frmEnum::write(const QString& name) {
  QString values;
  for (int i = 0; i < m_list1->count(); ++i) values += m_list1->item(i)->text() + QLatin1Char(';');
  storage::Transaction transaction(*m_state.db);
  if (!m_existing) {
    m_state.db->execute(QStringLiteral("INSERT INTO form_items (type,name,code) VALUES (") +
                        quote(m_type) + QLatin1Char(',') + quote(name) + QLatin1Char(',') +
                        quote(values) + QLatin1Char(')'));
  } else {
    m_state.db->execute(QStringLiteral("UPDATE form_items SET code=") + quote(values) +
                        QStringLiteral(" WHERE type=") + quote(m_type) +
                        QStringLiteral(" AND name=") + quote(m_name));
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
