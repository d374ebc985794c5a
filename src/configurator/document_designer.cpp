#include "configurator/document_designer.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "configurator/print_forms_designer.h"
#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "documents/object_save.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

namespace {

QStringList columnsWithout(storage::Session& db, config::TableRole role, const QString& name) {
  storage::Recordset rs =
      db.openColumns(QStringLiteral("SELECT * FROM ") + config::tableName(role, name));
  QStringList columns;
  for (int i = 0; i < rs.fieldCount(); ++i) columns << rs.fieldName(i);
  rs.close();
  return config::requisiteColumns(role, columns);
}

}  // namespace

frmDocs::frmDocs(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Document, parent) {
  m_endsFormDesign = true;
  m_text1 = named<QLineEdit>(QStringLiteral("Text1"));
  m_text1->installEventFilter(this);
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"));
  m_combo1 = named<QComboBox>(QStringLiteral("Combo1"));
  m_combo1->setEditable(true);
  m_combo1->setInsertPolicy(QComboBox::NoInsert);
  m_list1 = named<QListWidget>(QStringLiteral("List1"));
  m_list2 = named<QListWidget>(QStringLiteral("List2"));

  auto* fields = new QFormLayout;
  fields->addRow(buddyLabel(QStringLiteral("Шифр:"), m_text1), m_text1);
  fields->addRow(buddyLabel(QStringLiteral("Меню:"), m_text2), m_text2);
  fields->addRow(buddyLabel(QStringLiteral("Журнал:"), m_combo1), m_combo1);

  m_addHeaderButton = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_changeHeaderButton = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_deleteHeaderButton = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  m_addColumnButton = button(QStringLiteral("Command6"), QStringLiteral("Д&обавить"));
  m_changeColumnButton = button(QStringLiteral("Command7"), QStringLiteral("И&зменить"));
  m_deleteColumnButton = button(QStringLiteral("Command8"), QStringLiteral("Уд&алить"));
  auto* lists = new QHBoxLayout;
  lists->addWidget(requisiteFrame(QStringLiteral("Элементы формы:"), m_list1, m_addHeaderButton,
                                  m_changeHeaderButton, m_deleteHeaderButton));
  lists->addWidget(requisiteFrame(QStringLiteral("Элементы списка:"), m_list2, m_addColumnButton,
                                  m_changeColumnButton, m_deleteColumnButton));

  m_saveButton = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"));
  m_formButton = button(QStringLiteral("Command2"), QStringLiteral("Ф&орма"));
  m_moduleButton = button(QStringLiteral("Command9"), QStringLiteral("&Модуль"));
  m_closeButton = button(QStringLiteral("Command10"), QStringLiteral("&Закрыть"));
  m_printFormsButton = button(QStringLiteral("Command11"), QStringLiteral("Пе&чатные формы…"));
  // The document form, in layout design, once the runtime windows are registered.
  bindWorkingModeButton(m_formButton, shell::window_names::kDocumentForm, true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_saveButton);
  buttons->addWidget(m_formButton);
  buttons->addWidget(m_moduleButton);
  buttons->addWidget(m_printFormsButton);
  buttons->addStretch();
  buttons->addWidget(m_closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(lists);
  layout->addLayout(buttons);

  connect(m_addHeaderButton, &QPushButton::clicked, this, [this] { addRow(true); });
  connect(m_addColumnButton, &QPushButton::clicked, this, [this] { addRow(false); });
  connect(m_changeHeaderButton, &QPushButton::clicked, this, &frmDocs::changeHeaderRow);
  connect(m_list1, &QListWidget::itemDoubleClicked, this, &frmDocs::changeHeaderRow);
  // A table-part row opens with its own type, as a header row does; otherwise renaming a
  // column would silently turn its type into whatever the editor happened to show.
  auto changeTableRow = [this] {
    if (QListWidgetItem* item = editableRow(m_list2, false))
      openRequisiteEditor(QStringLiteral("Список Изменить"), item->text(), requisiteType(item),
                          true, isRequired(item));
  };
  connect(m_changeColumnButton, &QPushButton::clicked, this, changeTableRow);
  connect(m_list2, &QListWidget::itemDoubleClicked, this, changeTableRow);
  connect(m_deleteHeaderButton, &QPushButton::clicked, this,
          [this] { deleteRequisite(m_list1, true); });
  connect(m_deleteColumnButton, &QPushButton::clicked, this,
          [this] { deleteRequisite(m_list2, false); });
  connect(m_saveButton, &QPushButton::clicked, this, &frmDocs::save);
  connect(m_moduleButton, &QPushButton::clicked, this,
          [this] { openModuleEditor(m_text1->text()); });
  connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(m_printFormsButton, &QPushButton::clicked, this, &frmDocs::openPrintForms);
}

frmPrintForms* frmDocs::openPrintForms() {
  // A kind is saved before it has forms: they are kept under its name.
  if (!m_existing) return nullptr;
  if (m_printForms && m_printForms->kind() != m_text1->text()) m_printForms->close();
  if (!m_printForms) m_printForms = new frmPrintForms(m_state, m_text1->text(), this);
  m_printForms->show();
  m_printForms->raise();
  return m_printForms;
}

QString frmDocs::moduleTemplate() {
  return QStringLiteral(
      "Главная Процедура ПриОткрытии\r\n\r\nКонецПроцедуры\r\n\r\n"
      "Процедура ПриСохранении\r\n\r\nКонецПроцедуры\r\n");
}

bool frmDocs::eventFilter(QObject* watched, QEvent* event) {
  // Only leaving the field for another control of this window counts, not switching to
  // another window (the requisite editor, a message box).
  if (watched == m_text1 && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) checkName();
  }
  return QWidget::eventFilter(watched, event);
}

void frmDocs::checkName() {
  const QString text = m_text1->text();
  if (!text.contains(QLatin1Char(' '))) return;
  m_text1->setText(QString(text).remove(QLatin1Char(' ')));
  QApplication::processEvents();
  shell::MessageBoxes::show(QStringLiteral("Неправильный идентификатор, запись исправлена."));
}

void frmDocs::load() {
  m_state.formDesignMode = true;
  captureObject();
  m_list1->clear();
  m_list2->clear();
  m_text2->clear();
  m_combo1->clear();

  // A designer that cannot read part of the configuration still opens with the rest.
  if (m_state.db) {
    try {
      // Like every window's query, the designer's reading leaves the shared selection closed.
      m_state.sharedRecordset.close();
      m_combo1->addItems(config::objectNames(*m_state.db, config::ObjectKind::Journal));
    } catch (const storage::DbError&) {
    }
  }

  m_moduleButton->setEnabled(m_existing);
  m_printFormsButton->setEnabled(m_existing);
  if (m_existing) {
    loadExisting();
  } else {
    addRequisiteRow(m_list1, kNameRequisite, QStringLiteral("Текст"));
    m_combo1->setCurrentText(config::kFullJournalName);
  }
  shell::CenterForm(m_state, this);
}

void frmDocs::loadExisting() {
  if (!m_state.db) return;
  storage::Session& db = *m_state.db;
  QString headerTypes;
  QString tableFlag;
  QString tableTypes;
  try {
    if (const auto row = config::readFormItemRow(db, m_kind, m_name)) {
      m_text1->setText(row->name.value_or(QString()));
      m_text2->setText(row->descript.value_or(QString()));
      m_combo1->setCurrentText(row->zurnal.value_or(QString()));
      headerTypes = row->itemsType.value_or(QString());
      tableFlag = row->tablePart.value_or(QString());
      tableTypes = row->tableItemsType.value_or(QString());
    }
  } catch (const storage::DbError&) {
  }
  if (tableFlag == QLatin1String("1")) {
    try {
      fillRequisiteList(m_list2, columnsWithout(db, config::TableRole::TablePart, m_name),
                        tableTypes);
    } catch (const storage::DbError&) {
    }
  }
  try {
    fillRequisiteList(m_list1, columnsWithout(db, config::TableRole::Header, m_name), headerTypes);
  } catch (const storage::DbError&) {
  }
}

void frmDocs::addRow(bool header) {
  if (m_text1->text().isEmpty()) {
    shell::MessageBoxes::show(QStringLiteral("Необходимо ввести название."));
    return;
  }
  openRequisiteEditor(header ? QStringLiteral("Шапка Новый") : QStringLiteral("Список Новый"),
                      kNew);
}

void frmDocs::changeHeaderRow() {
  if (QListWidgetItem* item = editableRow(m_list1, true))
    openRequisiteEditor(QStringLiteral("Шапка Изменить"), item->text(), requisiteType(item), true,
                        isRequired(item));
}

QString frmDocs::validate(const QString& name) {
  // The shared state names the document being saved, whether or not the save succeeds.
  m_state.currentObjectName = name;
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название диалога.");
  QString problem = nameProblem(name, QStringLiteral("Имя документа"),
                                QStringLiteral("Документ «%1» уже существует."));
  if (!problem.isEmpty()) return problem;
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (m_list1->count() == 0) return QStringLiteral("Документ должен иметь элементы диалога");
  const QStringList own = {config::tableName(config::TableRole::Header, name),
                           config::tableName(config::TableRole::TablePart, name)};
  problem = requisiteNamesProblem(
      requisiteNames(m_list1), config::systemColumns(config::TableRole::Header), *m_state.db, own);
  if (!problem.isEmpty()) return problem;
  return requisiteNamesProblem(requisiteNames(m_list2),
                               config::systemColumns(config::TableRole::TablePart), *m_state.db,
                               own);
}

void frmDocs::write(const QString& name) {
  storage::Session& db = *m_state.db;
  config::ObjectDefinition document;
  document.kind = m_kind;
  document.name = name;
  document.description = m_text2->text();
  document.module = moduleTemplate();  // stored for a new document only
  document.journal = m_combo1->currentText();
  document.requisites = requisitesOf(m_list1);
  document.hasTablePart = m_list2->count() > 0;
  document.tableRequisites = requisitesOf(m_list2);
  DialogRebuildProgress progress(this);
  documents::saveDefinition(db, document, m_existing ? std::optional(m_name) : std::nullopt,
                            &progress);
}

void frmDocs::afterSave() {
  QApplication::processEvents();
  rebuildMainWindow(true);
  m_moduleButton->setEnabled(true);
  m_printFormsButton->setEnabled(true);
  askClose();
}

}  // namespace balvix::configurator
