#include "configurator/catalog_designer.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "documents/object_save.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

frmSprFrm::frmSprFrm(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Catalog, parent) {
  m_endsFormDesign = true;
  m_text1 = named<QLineEdit>(QStringLiteral("Text1"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"));
  m_list1 = named<QListWidget>(QStringLiteral("List1"));

  auto* fields = new QFormLayout;
  fields->addRow(buddyLabel(QStringLiteral("Шифр:"), m_text1), m_text1);
  fields->addRow(buddyLabel(QStringLiteral("Меню:"), m_text2), m_text2);

  m_addButton = button(QStringLiteral("Command5"), QStringLiteral("До&бавить"));
  m_changeButton = button(QStringLiteral("Command4"), QStringLiteral("Изм&енить"));
  m_deleteButton = button(QStringLiteral("Command3"), QStringLiteral("&Удалить"));
  QGroupBox* frame = requisiteFrame(QStringLiteral("Элементы формы:"), m_list1, m_addButton,
                                    m_changeButton, m_deleteButton);

  m_saveButton = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"));
  m_formButton = button(QStringLiteral("Command2"), QStringLiteral("Ф&орма"));
  m_closeButton = button(QStringLiteral("Command6"), QStringLiteral("&Закрыть"));
  // The catalog element form, in layout design, once the runtime windows are registered.
  bindWorkingModeButton(m_formButton, shell::window_names::kCatalogElementForm, true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_saveButton);
  buttons->addWidget(m_formButton);
  buttons->addStretch();
  buttons->addWidget(m_closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  auto change = [this] {
    if (QListWidgetItem* item = editableRow(m_list1, true))
      openRequisiteEditor(QStringLiteral("Справочник Изменить"), item->text(), requisiteType(item),
                          true, isRequired(item));
  };
  connect(m_addButton, &QPushButton::clicked, this,
          [this] { openRequisiteEditor(QStringLiteral("Справочник Новый"), kNew); });
  connect(m_changeButton, &QPushButton::clicked, this, change);
  connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteRequisite(m_list1, true); });
  connect(m_list1, &QListWidget::itemDoubleClicked, this, change);
  connect(m_saveButton, &QPushButton::clicked, this, &frmSprFrm::save);
  connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmSprFrm::load() {
  m_list1->clear();
  m_text2->clear();
  captureObject();

  if (!m_existing) {
    addRequisiteRow(m_list1, kNameRequisite, QStringLiteral("Текст"));
    return;
  }
  if (!m_state.db) return;
  try {
    QString types;
    if (const auto row = config::readFormItemRow(*m_state.db, m_kind, m_name)) {
      m_text1->setText(row->name.value_or(QString()));
      m_text2->setText(row->descript.value_or(QString()));
      types = row->itemsType.value_or(QString());
    }
    storage::Recordset table =
        m_state.db->openColumns(QStringLiteral("SELECT * FROM ") + config::catalogTable(m_name));
    QStringList columns;
    for (int i = 0; i < table.fieldCount(); ++i) columns << table.fieldName(i);
    table.close();
    fillRequisiteList(m_list1, columns, types);
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
  }
}

QString frmSprFrm::validate(const QString& name) {
  if (name.isEmpty() || name == kNew) return QStringLiteral("Необходимо ввести название.");
  const QString problem = nameProblem(name, QStringLiteral("Имя справочника"),
                                      QStringLiteral("Справочник «%1» уже существует."));
  if (!problem.isEmpty()) return problem;
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (m_list1->count() == 0) return QStringLiteral("Справочник должен иметь элементы диалога");
  return requisiteNamesProblem(requisiteNames(m_list1), {}, *m_state.db,
                               {config::catalogTable(name)});
}

void frmSprFrm::write(const QString& name) {
  storage::Session& db = *m_state.db;
  config::ObjectDefinition catalog;
  catalog.kind = m_kind;
  catalog.name = name;
  catalog.description = m_text2->text();
  catalog.module = QStringLiteral("_");  // the placeholder module of a new catalog
  catalog.requisites = requisitesOf(m_list1);
  DialogRebuildProgress progress(this);
  documents::saveDefinition(db, catalog, m_existing ? std::optional(m_name) : std::nullopt,
                            &progress);
}

void frmSprFrm::afterSave() {
  QApplication::processEvents();
  rebuildMainWindow(true);
  askClose();
}

}  // namespace balvix::configurator
