#include "configurator/requisite_editor.h"

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
  parametersLayout->addWidget(frame);
  parametersLayout->addStretch();

  auto* extra = new QWidget;
  auto* extraLayout = new QFormLayout(extra);
  extraLayout->addRow(buddyLabel(QStringLiteral("Описание элемента:"), m_text2), m_text2);

  m_tabs = named<QTabWidget>(QStringLiteral("SSTab1"));
  m_tabs->addTab(parameters, QStringLiteral("Параметры"));
  m_tabs->addTab(extra, QStringLiteral("Дополнительно"));

  m_command2 = button(QStringLiteral("Command2"), QStringLiteral("&Применить"));
  m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Отмена"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_command2);
  buttons->addWidget(m_command1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addLayout(buttons);

  connect(m_command2, &QPushButton::clicked, this, &frmItem::apply);
  connect(m_command1, &QPushButton::clicked, this, &frmItem::cancel);
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
  m_text3->setText(QStringLiteral("50"));
  m_text3->setEnabled(true);
  m_text2->clear();
  m_tabs->setCurrentIndex(0);
}

void frmItem::open(const QString& mode, const QString& name, const QString& type,
                   bool typeEnabled) {
  ensureLoaded();
  setWindowTitle(mode);
  m_text1->setText(name);
  if (!type.isNull()) m_combo1->setCurrentText(type);
  m_combo1->setEnabled(typeEnabled);
  show();
  raise();
  activateWindow();
  m_text1->setFocus();
  m_text1->selectAll();
}

void frmItem::load() {
  m_combo1->clear();
  m_combo1->addItems({QStringLiteral("Текст"), QStringLiteral("Число"), QStringLiteral("Дата"),
                      QStringLiteral("Счет.ПланСчетов")});
  if (m_state.db) {
    // The type list follows the configuration as it is now: catalogs and enumerations
    // saved since the last opening are offered too.
    const std::pair<const char*, const char*> kinds[] = {{"Справочник", "Справочник."},
                                                         {"Перечисление", "Перечисление."}};
    for (const auto& [type, prefix] : kinds) {
      try {
        m_state.sharedRecordset =
            m_state.db->openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type=") +
                                      storage::quote(QString::fromUtf8(type)));
        for (; !m_state.sharedRecordset.eof(); m_state.sharedRecordset.moveNext())
          m_combo1->addItem(QString::fromUtf8(prefix) + m_state.sharedRecordset.text("name"));
        m_state.sharedRecordset.close();
      } catch (const storage::DbError& e) {
        shell::MessageBoxes::show(e.description());
      }
    }
  }
  m_combo1->setCurrentText(QStringLiteral("Текст"));
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
  } else if (type == QStringLiteral("Число")) {
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
    const char* designer;
    const char* list;
    bool change;
    bool typed;
  };
  static const Target targets[] = {
      {"Шапка Изменить", "frmDocs", "List1", true, true},
      {"Шапка Новый", "frmDocs", "List1", false, true},
      {"Список Изменить", "frmDocs", "List2", true, true},
      {"Список Новый", "frmDocs", "List2", false, true},
      {"Регистр Изменить", "frmRegister", "List1", true, false},
      {"Регистр Новый", "frmRegister", "List1", false, false},
      {"Справочник Изменить", "frmSprFrm", "List1", true, true},
      {"Справочник Новый", "frmSprFrm", "List1", false, true},
      {"Перечисление Изменить", "frmEnum", "List1", true, false},
      {"Перечисление Новый", "frmEnum", "List1", false, false},
  };
  bool matched = false;
  for (const Target& target : targets) {
    if (mode == QString::fromUtf8(target.mode)) {
      applyToList(QString::fromUtf8(target.designer), QString::fromUtf8(target.list), target.change,
                  target.typed);
      matched = true;
      break;
    }
  }
  if (!matched && mode == kElementMode) renameElement();
  close();
}

void frmItem::cancel() {
  close();
}

void frmItem::applyToList(const QString& designer, const QString& listName, bool change,
                          bool typed) {
  // A designer closed while this dialog was open gets nothing: writing into a hidden
  // window would only show up as a stray row the next time it is loaded.
  QWidget* window = m_state.windows ? m_state.windows->sharedWindow(designer) : nullptr;
  if (!window || !window->isVisible()) return;
  auto* list = window->findChild<QListWidget*>(listName);
  if (!list) return;
  if (change) {
    QListWidgetItem* item = list->currentItem();
    if (!item) return;
    item->setText(m_text1->text());
    if (typed) item->setData(Qt::UserRole, m_combo1->currentText());
  } else {
    list->addItem(m_text1->text());
    if (typed) list->item(list->count() - 1)->setData(Qt::UserRole, m_combo1->currentText());
  }
}

void frmItem::renameElement() {
  // The element belongs to the runtime form that the designers open for layout design;
  // its form control takes the right-clicked element's name and the new one.
  QString formClass;
  if (m_state.contextFormKind == QLatin1String("spr"))
    formClass = QStringLiteral("frmUniSpr");
  else if (m_state.contextFormKind == QLatin1String("doc"))
    formClass = QStringLiteral("frmUniDoc");
  if (formClass.isEmpty() || !m_state.windows) return;
  QWidget* form = m_state.windows->sharedWindow(formClass);
  QObject* control = form ? form->findChild<QObject*>(QStringLiteral("frm")) : nullptr;
  if (!control) return;
  if (control->metaObject()->indexOfMethod("RenameElement(QString,QString)") < 0) return;
  QMetaObject::invokeMethod(control, "RenameElement", Q_ARG(QString, m_state.contextItemName),
                            Q_ARG(QString, m_text1->text()));
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

QString requisiteTypeList(const QListWidget* list) {
  QString types;
  for (int i = 0; i < list->count(); ++i)
    types += list->item(i)->data(Qt::UserRole).toString() + QLatin1Char(';');
  return types;
}

void fillRequisiteList(QListWidget* list, const QStringList& columns, QString typeList) {
  for (const QString& column : columns) {
    auto* item = new QListWidgetItem(column, list);
    const qsizetype end = typeList.indexOf(QLatin1Char(';'));
    if (end < 0) break;
    item->setData(Qt::UserRole, typeList.left(end));
    typeList.remove(0, end + 1);
  }
}

}  // namespace balvix::configurator
