#include "configurator/requisite_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "config/requisite_type.h"
#include "configurator/designer_window.h"
#include "shell/layout_design.h"
#include "shell/message_box.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

frmItem::frmItem(shell::AppState& state, QWidget* parent)
    : ConfiguratorWindow(state, kWindowName, parent) {
  m_text1 = named<QLineEdit>(QStringLiteral("Text1"));
  m_combo1 = named<QComboBox>(QStringLiteral("Combo1"));
  m_combo1->setEditable(true);
  m_combo1->setInsertPolicy(QComboBox::NoInsert);
  m_text3 = named<QLineEdit>(QStringLiteral("Text3"));
  m_required = named<QCheckBox>(QStringLiteral("Check1"));
  m_required->setText(QStringLiteral("Обязательный"));
  m_required->setAccessibleName(QStringLiteral("Обязательный"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"));

  auto* parameters = new QWidget;
  auto* parametersLayout = new QVBoxLayout(parameters);
  auto* nameRow = new QFormLayout;
  nameRow->addRow(buddyLabel(QStringLiteral("Наименование:"), m_text1), m_text1);
  parametersLayout->addLayout(nameRow);
  auto* frame = new QGroupBox(QStringLiteral("Параметры:"));
  auto* frameLayout = new QFormLayout(frame);
  frameLayout->addRow(buddyLabel(QStringLiteral("Тип:"), m_combo1), m_combo1);
  frameLayout->addRow(buddyLabel(QStringLiteral("Длина:"), m_text3), m_text3);
  frameLayout->addRow(m_required);
  parametersLayout->addWidget(frame);
  parametersLayout->addStretch();

  auto* extra = new QWidget;
  auto* extraLayout = new QFormLayout(extra);
  extraLayout->addRow(buddyLabel(QStringLiteral("Описание элемента:"), m_text2), m_text2);

  m_tabs = named<QTabWidget>(QStringLiteral("SSTab1"));
  m_tabs->addTab(parameters, QStringLiteral("Параметры"));
  m_tabs->addTab(extra, QStringLiteral("Дополнительно"));

  m_applyButton = button(QStringLiteral("Command2"), QStringLiteral("&Применить"));
  m_cancelButton = button(QStringLiteral("Command1"), QStringLiteral("&Отмена"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_applyButton);
  buttons->addWidget(m_cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addLayout(buttons);

  connect(m_applyButton, &QPushButton::clicked, this, &frmItem::apply);
  connect(m_cancelButton, &QPushButton::clicked, this, &frmItem::cancel);
  connect(m_combo1, &QComboBox::activated, this, &frmItem::typeChosen);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &frmItem::cancel);
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), this);
    connect(enter, &QShortcut::activated, this, &frmItem::apply);
  }

  resetToDesignState();
}

void frmItem::resetToDesignState() {
  setWindowTitle(kElementMode);
  m_text1->setText(QStringLiteral("Новый"));
  m_combo1->clear();
  m_combo1->setEnabled(true);
  m_required->setChecked(false);
  m_required->setEnabled(true);
  m_text3->setText(QStringLiteral("50"));
  m_text3->setEnabled(true);
  m_text2->clear();
  m_tabs->setCurrentIndex(0);
}

void frmItem::open(const QString& mode, const QString& name, const QString& type, bool typeEnabled,
                   DesignerWindow* target, bool required) {
  ensureLoaded();
  m_target = target;
  setWindowTitle(mode);
  m_text1->setText(name);
  if (!type.isNull()) m_combo1->setCurrentText(type);
  m_combo1->setEnabled(typeEnabled);
  m_required->setChecked(typeEnabled && required);
  m_required->setEnabled(typeEnabled);
  show();
  raise();
  activateWindow();
  m_text1->setFocus();
  m_text1->selectAll();
}

void frmItem::openForElement() {
  open(kElementMode, QStringLiteral("Новый"), QString(), false);
}

void frmItem::load() {
  m_combo1->clear();
  m_combo1->addItems(config::fixedTypeTexts());
  if (m_state.db) {
    // The type list follows the configuration as it is now: catalogs and enumerations
    // saved since the last opening are offered too.
    for (const config::ObjectKind kind :
         {config::ObjectKind::Catalog, config::ObjectKind::Enumeration}) {
      try {
        // Like every window's query, the list's reading leaves the shared selection closed.
        m_state.sharedRecordset.close();
        for (const QString& name : config::objectNames(*m_state.db, kind)) {
          m_combo1->addItem(kind == config::ObjectKind::Catalog
                                ? config::RequisiteType::catalog(name).text()
                                : config::RequisiteType::enumeration(name).text());
        }
      } catch (const storage::DbError& e) {
        shell::MessageBoxes::show(e.description());
      }
    }
  }
  m_combo1->setCurrentText(config::RequisiteType::ofKind(config::RequisiteType::Kind::Text).text());
  // Shown as designed (the main window's "Новое имя"), the dialog renames a form element,
  // which has no type.
  if (windowTitle() == kElementMode) {
    m_combo1->setEnabled(false);
    m_required->setEnabled(false);
  }
  shell::CenterForm(m_state, this);
}

bool frmItem::unload() {
  resetToDesignState();
  return true;
}

void frmItem::typeChosen(int index) {
  const QString type = m_combo1->itemText(index);
  if (type == QStringLiteral("Текст")) {
    m_text3->setEnabled(true);
    m_text3->setText(QStringLiteral("10"));
  } else if (config::RequisiteType::parse(type).isNumber()) {
    m_text3->setText(QStringLiteral("6"));
  } else {
    m_text3->setText(QStringLiteral("10"));
    m_text3->setEnabled(false);
  }
}

void frmItem::apply() {
  const QString mode = windowTitle();
  struct Target {
    const char* mode;
    config::ObjectKind kind;
    RequisiteList list;
    bool change;
    bool typed;
  };
  using config::ObjectKind;
  static const Target targets[] = {
      {"Шапка Изменить", ObjectKind::Document, RequisiteList::Main, true, true},
      {"Шапка Новый", ObjectKind::Document, RequisiteList::Main, false, true},
      {"Список Изменить", ObjectKind::Document, RequisiteList::TablePart, true, true},
      {"Список Новый", ObjectKind::Document, RequisiteList::TablePart, false, true},
      {"Регистр Изменить", ObjectKind::Register, RequisiteList::Main, true, false},
      {"Регистр Новый", ObjectKind::Register, RequisiteList::Main, false, false},
      {"Справочник Изменить", ObjectKind::Catalog, RequisiteList::Main, true, true},
      {"Справочник Новый", ObjectKind::Catalog, RequisiteList::Main, false, true},
      {"Перечисление Изменить", ObjectKind::Enumeration, RequisiteList::Main, true, false},
      {"Перечисление Новый", ObjectKind::Enumeration, RequisiteList::Main, false, false},
  };
  bool matched = false;
  for (const Target& target : targets) {
    if (mode != QString::fromUtf8(target.mode)) continue;
    // A type list ends every type with ";": one inside a type would shift the types of
    // all the requisites after it when the list is read back.
    if (target.typed && m_combo1->currentText().contains(QLatin1Char(';'))) {
      shell::MessageBoxes::show(
          QStringLiteral("Тип «%1» недопустим: тип реквизита не может содержать символ \";\".")
              .arg(m_combo1->currentText()));
      return;
    }
    DesignerWindow* designer = m_target;
    if (!designer || designer->kind() != target.kind)
      designer = m_state.windows
                     ? qobject_cast<DesignerWindow*>(m_state.windows->designer(target.kind))
                     : nullptr;
    if (designer) {
      designer->applyRequisite(
          target.list, target.change, m_text1->text(),
          target.typed ? std::optional<QString>(m_combo1->currentText()) : std::nullopt,
          target.typed ? std::optional<bool>(m_required->isChecked()) : std::nullopt);
    }
    matched = true;
    break;
  }
  if (!matched && mode == kElementMode) renameElement();
  close();
}

void frmItem::cancel() {
  close();
}

void frmItem::renameElement() {
  // The element belongs to the runtime form that the designers open for layout design;
  // it takes the right-clicked element's name and the new one.
  QString formName;
  if (m_state.contextFormKind == QLatin1String("spr"))
    formName = shell::window_names::kCatalogElementForm;
  else if (m_state.contextFormKind == QLatin1String("doc"))
    formName = shell::window_names::kDocumentForm;
  if (formName.isEmpty() || !m_state.windows) return;
  auto* form =
      dynamic_cast<shell::LayoutDesignTarget*>(m_state.windows->existingSharedWindow(formName));
  if (form) form->renameElement(m_state.contextItemName, m_text1->text());
}

void addRequisiteRow(QListWidget* list, const QString& name, const QString& type) {
  auto* item = new QListWidgetItem(name, list);
  if (!type.isNull()) item->setData(Qt::UserRole, type);
}

QStringList requisiteNames(const QListWidget* list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}

QList<config::Requisite> requisitesOf(const QListWidget* list) {
  QList<config::Requisite> requisites;
  for (int i = 0; i < list->count(); ++i)
    requisites << config::Requisite{
        list->item(i)->text(),
        config::RequisiteType::parse(list->item(i)->data(Qt::UserRole).toString()),
        list->item(i)->data(kRequiredRole).toBool()};
  return requisites;
}

void fillRequisiteList(QListWidget* list, const QStringList& columns, QString typeList) {
  for (const QString& column : columns) {
    auto* item = new QListWidgetItem(column, list);
    const qsizetype end = typeList.indexOf(QLatin1Char(';'));
    if (end < 0) break;
    bool required = false;
    item->setData(Qt::UserRole, config::bareTypeText(typeList.left(end), &required));
    if (required) item->setData(kRequiredRole, true);
    typeList.remove(0, end + 1);
  }
}

}  // namespace balvix::configurator
