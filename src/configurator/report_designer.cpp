#include "configurator/report_designer.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "configurator/table_rebuild.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;
using storage::quote;

QString frmRepFrm::moduleTemplate() {
  return QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры");
}

frmRepFrm::frmRepFrm(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, QStringLiteral("frmRepFrm"), QStringLiteral("Отчет"), parent) {
  m_endsFormDesign = true;
  setWindowTitle(QStringLiteral("Отчет..."));
  resize(480, 360);

  m_text1 = named<QLineEdit>(QStringLiteral("Text1"), this);
  QLabel* label1 = buddyLabel(QStringLiteral("Шифр:"), m_text1, this, QStringLiteral("Шифр"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"), this);
  QLabel* label2 = buddyLabel(QStringLiteral("Меню:"), m_text2, this, QStringLiteral("Меню"));
  m_text3 = named<QPlainTextEdit>(QStringLiteral("Text3"), this);
  m_text3->setPlainText(QStringLiteral("Перед построением отчета постройте диалоговую форму!"));
  m_text3->setTabChangesFocus(true);
  QLabel* label3 =
      buddyLabel(QStringLiteral("Описание:"), m_text3, this, QStringLiteral("Описание"));

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

  m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"), this);
  m_command4 = button(QStringLiteral("Command4"), QStringLiteral("Д&иалог"), this);
  m_command2 = button(QStringLiteral("Command2"), QStringLiteral("&Отчет"), this);
  m_command3 = button(QStringLiteral("Command3"), QStringLiteral("&Модуль"), this);
  // The report's dialog and layout windows belong to working mode, which this build
  // does not have yet.
  disableUntilWorkingMode(m_command4);
  disableUntilWorkingMode(m_command2);

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

void frmRepFrm::load() {
  m_state.formDesignMode = true;
  captureObject();
  m_text2->clear();
  m_command3->setEnabled(m_existing);
  if (m_existing) {
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
  }
  shell::CenterForm(m_state, this);
}

QString frmRepFrm::validate(const QString& name) {
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (m_existing) return QString();
  const QString problem = storage::identifierProblem(name, QStringLiteral("Имя отчета"));
  if (!problem.isEmpty()) return problem;
  if (objectNameTaken(*m_state.db, QStringLiteral("Отчет"), name))
    return QStringLiteral("Отчет \"%1\" уже существует.").arg(name);
  return QString();
}

void frmRepFrm::write(const QString& name) {
  const QString menu = m_text2->text();
  storage::Transaction transaction(*m_state.db);
  if (!m_existing) {
    m_state.db->execute(
        QStringLiteral("INSERT INTO form_items (type,name,descript,code) VALUES ('Отчет',") +
        quote(name) + QLatin1Char(',') + quote(menu) + QLatin1Char(',') + quote(moduleTemplate()) +
        QLatin1Char(')'));
  } else {
    m_state.db->execute(QStringLiteral("UPDATE form_items SET name=") + quote(name) +
                        QStringLiteral(",descript=") + quote(menu) +
                        QStringLiteral(" WHERE type='Отчет' AND name=") + quote(m_name));
    requireRowUpdated(
        QStringLiteral("Отчет \"%1\" не найден в базе данных: изменения не сохранены.")
            .arg(m_name));
  }
  transaction.commit();
}

void frmRepFrm::afterSave() {
  m_state.currentObjectName = m_name;
  m_command3->setEnabled(true);
  QCoreApplication::processEvents();
  rebuildMainWindow(true);
  askClose();
}

void frmRepFrm::openModule() {
  // The tree may have moved on to another object since this designer was opened: the
  // module is that of the report shown here.
  if (m_existing) openModuleEditor(m_name);
}

}  // namespace balvix::configurator
