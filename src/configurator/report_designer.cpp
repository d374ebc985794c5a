#include "configurator/report_designer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;
using shell::MsgAnswer;
using storage::quote;

namespace {
const QString kType = QStringLiteral("Отчет");
const QString kNew = QStringLiteral("Новый");
const QString kNotYet = QStringLiteral("Будет доступно в рабочем режиме");
}  // namespace

QString frmRepFrm::moduleTemplate() {
  return QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры");
}

frmRepFrm::frmRepFrm(shell::AppState& state, QWidget* parent) : QWidget(parent), m_state(state) {
  setWindowFlag(Qt::Window);
  setObjectName(QStringLiteral("frmRepFrm"));
  setWindowTitle(QStringLiteral("Отчет..."));
  resize(480, 360);

  auto* label1 = new QLabel(QStringLiteral("Шифр:"), this);
  m_text1 = new QLineEdit(this);
  m_text1->setObjectName(QStringLiteral("Text1"));
  label1->setBuddy(m_text1);
  m_text1->setAccessibleName(QStringLiteral("Шифр"));

  auto* label2 = new QLabel(QStringLiteral("Меню:"), this);
  m_text2 = new QLineEdit(this);
  m_text2->setObjectName(QStringLiteral("Text2"));
  label2->setBuddy(m_text2);
  m_text2->setAccessibleName(QStringLiteral("Меню"));

  auto* label3 = new QLabel(QStringLiteral("Описание:"), this);
  m_text3 = new QPlainTextEdit(this);
  m_text3->setObjectName(QStringLiteral("Text3"));
  m_text3->setPlainText(QStringLiteral("Перед построением отчета постройте диалоговую форму!"));
  m_text3->setTabChangesFocus(true);
  label3->setBuddy(m_text3);
  m_text3->setAccessibleName(QStringLiteral("Описание"));

  auto* frame2 = new QGroupBox(QStringLiteral("Предупреждение:"), this);
  frame2->setObjectName(QStringLiteral("Frame2"));
  auto* label3Warning = new QLabel(
      QStringLiteral("Внимание: щелчок на кнопке \"Сохранить\" используется при создании "
                     "отчета, при последующем нажатии отчет будет перезаписан и все данные "
                     "будут безвозвратно утрачены."),
      frame2);
  label3Warning->setObjectName(QStringLiteral("Label3"));
  label3Warning->setWordWrap(true);
  auto* frameLayout = new QVBoxLayout(frame2);
  frameLayout->addWidget(label3Warning);

  auto makeButton = [this](const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    return button;
  };
  m_command1 = makeButton("Command1", QStringLiteral("&Сохранить"));
  m_command4 = makeButton("Command4", QStringLiteral("Д&иалог"));
  m_command2 = makeButton("Command2", QStringLiteral("&Отчет"));
  m_command3 = makeButton("Command3", QStringLiteral("&Модуль"));
  // The report's dialog and layout windows belong to working mode, which this build
  // does not have yet.
  for (QPushButton* button : {m_command4, m_command2}) {
    button->setEnabled(false);
    button->setToolTip(kNotYet);
  }

  auto* fields = new QGridLayout;
  fields->addWidget(label1, 0, 0);
  fields->addWidget(m_text1, 0, 1);
  fields->addWidget(label2, 1, 0);
  fields->addWidget(m_text2, 1, 1);
  fields->addWidget(label3, 2, 0, Qt::AlignTop);
  fields->addWidget(m_text3, 2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_command1);
  buttons->addWidget(m_command4);
  buttons->addWidget(m_command2);
  buttons->addWidget(m_command3);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addWidget(frame2);
  layout->addLayout(buttons);

  connect(m_command1, &QPushButton::clicked, this, [this] { save(); });
  connect(m_command3, &QPushButton::clicked, this, &frmRepFrm::openModule);
}

void frmRepFrm::showEvent(QShowEvent* event) {
  if (!m_loaded) load();
  QWidget::showEvent(event);
}

void frmRepFrm::closeEvent(QCloseEvent* event) {
  m_state.formDesignMode = false;
  m_loaded = false;
  QWidget::closeEvent(event);
}

void frmRepFrm::load() {
  m_loaded = true;
  m_state.formDesignMode = true;
  setWindowTitle(m_state.currentObjectType + QStringLiteral(": ") + m_state.currentObjectName);
  m_isNew = m_state.currentObjectName == kNew;
  m_name = m_isNew ? QString() : m_state.currentObjectName;
  m_text2->clear();
  if (!m_isNew) {
    m_text1->setEnabled(false);
    m_text1->setText(m_name);
    m_command3->setEnabled(true);
    try {
      m_state.sharedRecordset = m_state.db->openRecordset(
          QStringLiteral("SELECT * FROM form_items WHERE type=") +
          quote(m_state.currentObjectType) + QStringLiteral(" AND name=") + quote(m_name));
      if (!m_state.sharedRecordset.eof()) {
        m_text1->setText(m_state.sharedRecordset.text(QStringLiteral("name")));
        m_text2->setText(m_state.sharedRecordset.text(QStringLiteral("descript")));
      }
    } catch (const storage::DbError& error) {
      MessageBoxes::show(error.description());
    }
  } else {
    m_command3->setEnabled(false);
    m_text1->setEnabled(true);
    m_text1->setText(kNew);
  }
  shell::CenterForm(m_state, this);
}

QString frmRepFrm::validate() {
  const QString name = m_text1->text();
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (!m_isNew) return QString();
  const QString problem = storage::identifierProblem(name, QStringLiteral("Имя отчета"));
  if (!problem.isEmpty()) return problem;
  storage::Recordset existing = m_state.db->openRecordset(
      QStringLiteral("SELECT name FROM form_items WHERE type='Отчет' AND name=") + quote(name));
  if (!existing.eof()) return QStringLiteral("Отчет \"%1\" уже существует.").arg(name);
  return QString();
}

bool frmRepFrm::save() {
  try {
    const QString problem = validate();
    if (!problem.isEmpty()) {
      MessageBoxes::show(problem);
      return false;
    }
    const QString name = m_text1->text();
    const QString menu = m_text2->text();
    storage::Transaction transaction(*m_state.db);
    if (m_isNew) {
      m_state.db->execute(
          QStringLiteral("INSERT INTO form_items (type,name,descript,code) VALUES ('Отчет',") +
          quote(name) + QLatin1Char(',') + quote(menu) + QLatin1Char(',') +
          quote(moduleTemplate()) + QLatin1Char(')'));
    } else {
      m_state.db->execute(QStringLiteral("UPDATE form_items SET name=") + quote(name) +
                          QStringLiteral(",descript=") + quote(menu) +
                          QStringLiteral(" WHERE type='Отчет' AND name=") + quote(m_name));
      if (m_state.db->changes() == 0) {
        MessageBoxes::show(
            QStringLiteral("Отчет \"%1\" не найден в базе данных: изменения не сохранены.")
                .arg(m_name));
        return false;
      }
    }
    transaction.commit();
    // From now on the report has its row: a second save updates it.
    m_isNew = false;
    m_name = name;
    m_state.currentObjectName = name;
  } catch (const storage::DbError& error) {
    MessageBoxes::show(error.description());
    return false;
  }

  m_text1->setEnabled(false);
  m_command3->setEnabled(true);
  QCoreApplication::processEvents();
  if (m_state.mainWindow) {
    m_state.mainWindow->BuildConfigTree();
    m_state.mainWindow->BuildMenus();
  }
  if (MessageBoxes::ask(QStringLiteral("Закрыть форму?")) == MsgAnswer::Yes) close();
  return true;
}

void frmRepFrm::openModule() {
  if (m_isNew || !m_state.windows) return;
  QWidget* editor = m_state.windows->sharedWindow(QStringLiteral("frmEdit"));
  if (!editor) return;
  // The tree may have moved on to another object since this designer was opened; the
  // editor reads which module to load from the shared state.
  m_state.currentObjectType = kType;
  m_state.currentObjectName = m_name;
  editor->setWindowTitle(QStringLiteral("Модуль: (") + kType + QLatin1Char('.') + m_name +
                         QLatin1Char(')'));
  editor->show();
  editor->raise();
  editor->activateWindow();
}

}  // namespace balvix::configurator
