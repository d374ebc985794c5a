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

#include "config/object_definition.h"
#include "configurator/table_rebuild.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;

QString frmRepFrm::moduleTemplate() {
  return QStringLiteral("Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры");
}

frmRepFrm::frmRepFrm(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Report, parent) {
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

  m_saveButton = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"), this);
  m_dialogButton = button(QStringLiteral("Command4"), QStringLiteral("Д&иалог"), this);
  m_layoutButton = button(QStringLiteral("Command2"), QStringLiteral("&Отчет"), this);
  m_moduleButton = button(QStringLiteral("Command3"), QStringLiteral("&Модуль"), this);
  // The report's parameter dialog and its layout, once the runtime windows are registered.
  bindWorkingModeButton(m_dialogButton, shell::window_names::kReportDialog, false);
  bindWorkingModeButton(m_layoutButton, shell::window_names::kReport, true);

  auto* fields = new QGridLayout;
  fields->addWidget(label1, 0, 0);
  fields->addWidget(m_text1, 0, 1);
  fields->addWidget(label2, 1, 0);
  fields->addWidget(m_text2, 1, 1);
  fields->addWidget(label3, 2, 0, Qt::AlignTop);
  fields->addWidget(m_text3, 2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_saveButton);
  buttons->addWidget(m_dialogButton);
  buttons->addWidget(m_layoutButton);
  buttons->addWidget(m_moduleButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addWidget(frame2);
  layout->addLayout(buttons);

  connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
  connect(m_moduleButton, &QPushButton::clicked, this, &frmRepFrm::openModule);
}

void frmRepFrm::load() {
  m_state.formDesignMode = true;
  captureObject();
  m_text2->clear();
  m_moduleButton->setEnabled(m_existing);
  if (m_existing) {
    try {
      // Like every window's query, the designer's reading replaces the shared selection.
      m_state.sharedRecordset.close();
      if (const auto row = config::readFormItemRow(*m_state.db, m_kind, m_name)) {
        m_text1->setText(row->name.value_or(QString()));
        m_text2->setText(row->descript.value_or(QString()));
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
  if (objectNameTaken(*m_state.db, m_kind, name))
    return QStringLiteral("Отчет \"%1\" уже существует.").arg(name);
  return QString();
}

void frmRepFrm::write(const QString& name) {
  const QString menu = m_text2->text();
  storage::Transaction transaction(*m_state.db);
  config::ObjectDefinition report;
  report.kind = m_kind;
  report.name = name;
  report.description = menu;
  report.module = moduleTemplate();  // stored for a new report only
  if (!m_existing) {
    config::insertDefinition(*m_state.db, report);
  } else {
    config::updateDesignedColumns(*m_state.db, m_name, report);
    requireRowUpdated(
        QStringLiteral("Отчет \"%1\" не найден в базе данных: изменения не сохранены.")
            .arg(m_name));
  }
  transaction.commit();
}

void frmRepFrm::afterSave() {
  m_state.currentObjectName = m_name;
  m_moduleButton->setEnabled(true);
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
