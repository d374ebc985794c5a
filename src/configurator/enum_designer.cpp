#include "configurator/enum_designer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "configurator/requisite_editor.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;
using shell::MsgAnswer;
using shell::MsgButtons;
using storage::quote;

namespace {
const QString kType = QStringLiteral("Перечисление");
const QString kNew = QStringLiteral("Новый");
}  // namespace

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

frmEnum::frmEnum(shell::AppState& state, QWidget* parent) : QWidget(parent), m_state(state) {
  setWindowFlag(Qt::Window);
  setObjectName(QStringLiteral("frmEnum"));
  setWindowTitle(QStringLiteral("Перечисление"));
  resize(420, 330);

  auto* label1 = new QLabel(QStringLiteral("Шифр:"), this);
  m_text1 = new QLineEdit(this);
  m_text1->setObjectName(QStringLiteral("Text1"));
  label1->setBuddy(m_text1);
  m_text1->setAccessibleName(QStringLiteral("Шифр"));

  auto* frame = new QGroupBox(QStringLiteral("Элементы:"), this);
  m_list1 = new QListWidget(frame);
  m_list1->setObjectName(QStringLiteral("List1"));
  m_list1->setAccessibleName(QStringLiteral("Элементы"));
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(m_list1);

  auto makeButton = [this](const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    return button;
  };
  m_command5 = makeButton("Command5", QStringLiteral("До&бавить"));
  m_command4 = makeButton("Command4", QStringLiteral("Изм&енить"));
  m_command3 = makeButton("Command3", QStringLiteral("&Удалить"));
  m_command2 = makeButton("Command2", QStringLiteral("&Сохранить"));
  m_command1 = makeButton("Command1", QStringLiteral("&Закрыть"));

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

  connect(m_command5, &QPushButton::clicked, this, &frmEnum::addValue);
  connect(m_command4, &QPushButton::clicked, this, &frmEnum::changeValue);
  connect(m_command3, &QPushButton::clicked, this, &frmEnum::deleteValue);
  connect(m_command2, &QPushButton::clicked, this, [this] { save(); });
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, [this] { changeValue(); });
}

void frmEnum::showEvent(QShowEvent* event) {
  if (!m_loaded) load();
  QWidget::showEvent(event);
}

void frmEnum::closeEvent(QCloseEvent* event) {
  m_loaded = false;
  QWidget::closeEvent(event);
}

void frmEnum::load() {
  m_loaded = true;
  m_list1->clear();
  setWindowTitle(m_state.currentObjectType + QStringLiteral(": ") + m_state.currentObjectName);
  m_isNew = m_state.currentObjectName == kNew;
  m_name = m_isNew ? QString() : m_state.currentObjectName;
  if (!m_isNew) {
    m_text1->setEnabled(false);
    m_text1->setText(m_name);
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
  } else {
    m_text1->setEnabled(true);
    m_text1->setText(kNew);
  }
  shell::CenterForm(m_state, this);
}

void frmEnum::openRequisiteEditor(const QString& mode, const QString& text) {
  if (!m_state.windows) return;
  auto* editor = qobject_cast<frmItem*>(m_state.windows->sharedWindow(QStringLiteral("frmItem")));
  if (editor) editor->open(mode, text, QString(), false);
}

void frmEnum::addValue() {
  openRequisiteEditor(QStringLiteral("Перечисление Новый"), kNew);
}

void frmEnum::changeValue() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item) return;
  openRequisiteEditor(QStringLiteral("Перечисление Изменить"), item->text());
}

void frmEnum::deleteValue() {
  QListWidgetItem* item = m_list1->currentItem();
  if (!item) return;
  if (MessageBoxes::ask(QStringLiteral("Удалить выбранный элемент - ") + item->text() +
                        QStringLiteral("?")) == MsgAnswer::Yes)
    delete item;
}

// Names become part of type texts ("Перечисление." + name) that other lists split on
// ";" and "."; values are kept in a ";"-separated list.
QString frmEnum::validate() const {
  const QString name = m_text1->text();
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  if (m_isNew) {
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
  return QString();
}

bool frmEnum::save() {
  const QString problem = validate();
  if (!problem.isEmpty()) {
    MessageBoxes::show(problem);
    return false;
  }
  const QString name = m_text1->text();
  QString values;
  for (int i = 0; i < m_list1->count(); ++i) values += m_list1->item(i)->text() + QLatin1Char(';');

  // Whether the row is new follows the designer's own record, not the tree selection:
  // after its first save an enumeration counts as existing even though the tree may
  // still have "Перечисление.Новый" selected.
  const bool insertRow = m_isNew;
  try {
    storage::Transaction transaction(*m_state.db);
    if (insertRow) {
      storage::Recordset existing =
          m_state.db->openRecordset(QStringLiteral("SELECT name FROM form_items WHERE type=") +
                                    quote(kType) + QStringLiteral(" AND name=") + quote(name));
      if (!existing.eof()) {
        MessageBoxes::show(QStringLiteral("Перечисление \"%1\" уже существует.").arg(name));
        return false;
      }
      m_state.db->execute(QStringLiteral("INSERT INTO form_items (type,name,code) VALUES (") +
                          quote(kType) + QLatin1Char(',') + quote(name) + QLatin1Char(',') +
                          quote(values) + QLatin1Char(')'));
    } else {
      m_state.db->execute(QStringLiteral("UPDATE form_items SET code=") + quote(values) +
                          QStringLiteral(" WHERE type=") + quote(kType) +
                          QStringLiteral(" AND name=") + quote(m_name));
      if (m_state.db->changes() == 0) {
        MessageBoxes::show(
            QStringLiteral("Перечисление \"%1\" не найдено в базе данных: изменения не сохранены.")
                .arg(m_name));
        return false;
      }
    }
    transaction.commit();
  } catch (const storage::DbError& error) {
    MessageBoxes::show(error.description());
    return false;
  }

  if (insertRow) {
    m_isNew = false;
    m_name = name;
    m_text1->setEnabled(false);
    setWindowTitle(kType + QStringLiteral(": ") + name);
  }
  if (m_state.mainWindow) m_state.mainWindow->BuildConfigTree();
  if (MessageBoxes::ask(QStringLiteral("Закрыть форму?")) == MsgAnswer::Yes) close();
  return true;
}

}  // namespace balvix::configurator
