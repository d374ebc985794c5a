#include "runtime/catalog_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "config/audit_trail.h"
#include "config/form_layout.h"
#include "config/object_definition.h"
#include "config/references.h"
#include "config/row_versions.h"
#include "config/table_names.h"
#include "documents/document_checks.h"
#include "documents/document_service.h"
#include "documents/element_save.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/edit_conflict.h"
#include "runtime/form_control.h"
#include "runtime/runtime_windows.h"
#include "runtime/value_choice.h"
#include "script/objects/object_factory.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

using shell::MessageBoxes;
using storage::quote;

namespace {

const QString kNameColumn = QStringLiteral("Наименование");

}  // namespace

frmUniSpr::frmUniSpr(shell::AppState& state, bool designMode, QWidget* parent)
    : RuntimeWindow(state, parent), m_designMode(designMode) {
  setMinimumTwips(kMinWidth, kMinHeight);
  setObjectName(QStringLiteral("frmUniSpr"));
  setWindowTitle(QStringLiteral("UNI-SPR"));
  m_frm = new FormControl(this);
  m_frm->setHost(moduleHost());
  m_cmdSave = commandButton(QStringLiteral("cmdSave"), QStringLiteral("&Записать"), this);
  m_cmdClose = commandButton(QStringLiteral("cmdClose"), QStringLiteral("&Закрыть"), this);
  setClosesOnEscape(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_cmdSave);
  buttons->addWidget(m_cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_frm, 1);
  layout->addLayout(buttons);

  connect(m_cmdSave, &QPushButton::clicked, this, &frmUniSpr::save);
  connect(m_cmdClose, &QPushButton::clicked, this, [this] {
    if (!m_designMode) close();
  });
  connect(m_frm, &FormControl::chooseValue, this, &frmUniSpr::chooseValue);
  connect(m_frm, &FormControl::placeRequest, this, [this] {
    m_frm->PlaceControl(m_state.pendingControlType);
    m_state.pendingControlType.clear();
  });
  connect(m_frm, &FormControl::elementMenu, this, &frmUniSpr::showElementMenu);
  // A load from a file changes what the reference fields complete and check against.
  connect(&m_state.catalogEvents, &shell::CatalogEvents::elementsChanged, this, [this] {
    if (!m_designMode && m_state.db)
      m_frm->setReferenceValues(std::make_shared<documents::ReferenceValues>(*m_state.db));
  });
  // Written by another program meanwhile: shown anew unless the user has changed something,
  // whose save then meets the other version.
  connect(&m_state.events, &shell::DocumentEvents::changedElsewhere, this, [this] {
    if (m_designMode || !m_loaded || !m_state.db || m_elementName.isEmpty() || hasUnsavedChanges())
      return;
    try {
      if (documents::elementVersion(*m_state.db, m_catalog, m_elementName) != m_version)
        readStored();
    } catch (const storage::DbError&) {
      // Read again at the next change.
    }
  });
  load();
}

frmUniSpr::~frmUniSpr() {
  if (!m_lockKey.isEmpty())
    if (storage::ObjectLocks* locks = m_state.objectLocks()) locks->unlock(m_lockKey);
  if (m_frm) m_frm->endModule();
  if (m_state.choiceWindow == this) m_state.choiceWindow = nullptr;
}

QString frmUniSpr::table() const {
  return config::catalogTable(m_catalog);
}

void frmUniSpr::setOpener(frmSprList* list) {
  m_list = list;
}

QString frmUniSpr::composeLayout(const QStringList& names, const QStringList& types) {
  QList<config::Requisite> requisites;
  for (int i = 0; i < names.size(); ++i)
    requisites.append({names[i], config::RequisiteType::parse(types.value(i))});
  return config::composeDefaultLayout(requisites).text();
}

void frmUniSpr::load() {
  m_frm->setDesignMode(m_designMode);
  QString name = m_state.currentObjectName;
  const qsizetype point = name.indexOf(QLatin1Char('.'));
  if (point >= 0) name = name.mid(point + 1);
  m_state.currentObjectName = name;
  m_catalog = name;
  storage::Session* db = m_state.db;
  if (!db) return;
  try {
    const std::optional<config::FormItemRow> definition =
        config::readFormItemRow(*db, config::ObjectKind::Catalog, name);
    if (!definition) {
      MessageBoxes::show(QStringLiteral("Справочник «%1» не найден в конфигурации.").arg(name));
      QTimer::singleShot(0, this, &QWidget::close);
      return;
    }
    setWindowTitle(
        config::objectPath(config::ObjectKind::Catalog, definition->name.value_or(QString())));
    m_frm->setModuleName(windowTitle());
    const QStringList columns = db->columns(table());
    QStringList types;
    for (const config::RequisiteType& type :
         config::parseTypeList(definition->itemsType.value_or(QString())))
      types << type.text();
    if (!definition->item) {
      setSizeTwips(kDefaultWidth, kDefaultHeight);
      m_frm->LoadLayout(composeLayout(columns, types));
    } else {
      const std::optional<config::FormSize> size =
          config::FormSize::parse(definition->size.value_or(QString()));
      if (size && size->width > 0 && size->height > 0)
        setSizeTwips(size->width, size->height);
      else
        setSizeTwips(kDefaultWidth, kDefaultHeight);
      QList<config::Requisite> requisites;
      for (int i = 0; i < columns.size(); ++i)
        requisites.append({columns[i], config::RequisiteType::parse(types.value(i))});
      m_frm->LoadLayout(*definition->item, requisites);
      QCoreApplication::processEvents();
    }

    if (!m_designMode) {
      m_frm->setReferenceValues(std::make_shared<documents::ReferenceValues>(*db));
      if (!m_state.currentElementName.isEmpty()) {
        m_elementName = m_state.currentElementName;
        // Read before the row: a write in between shows as a change, never goes unnoticed.
        m_version = documents::elementVersion(*db, m_catalog, m_elementName);
        storage::Recordset element =
            db->openRecordset(QStringLiteral("SELECT * FROM ") + table() +
                              QStringLiteral(" WHERE Наименование=") + quote(m_elementName));
        if (element.eof()) {
          // Deleted meanwhile: an empty form here would save a duplicate.
          MessageBoxes::show(
              QStringLiteral("Элемент «%1» справочника «%2» не найден: возможно, он удален.")
                  .arg(m_elementName, name));
          QTimer::singleShot(0, this, &QWidget::close);
          return;
        }
        setWindowTitle(windowTitle() + QLatin1Char('.') + element.text(kNameColumn));
        for (int i = 0; i < element.fieldCount(); ++i) {
          m_values.insert(element.fieldName(i), element.text(i));
          m_frm->setValue(element.fieldName(i), element.text(i));
        }
      } else {
        setWindowTitle(config::objectPath(config::ObjectKind::Catalog, name) +
                       QStringLiteral(".Новый"));
      }
      // The catalog's module runs in the form when one was written.
      const std::vector<script::ModuleSource> sources =
          documents::moduleSources(*db, config::objectPath(config::ObjectKind::Catalog, name),
                                   definition->code.value_or(QString()));
      if (!sources.empty())
        m_frm->LoadModule(sources, script::createGlobalFunctions(m_frm->host(), m_state));
    }
    m_loaded = true;
    m_clean = fieldValues();
    if (!m_designMode && !m_elementName.isEmpty()) lockForEditing();
    m_state.sharedRecordset.close();
    registerLoad();
    if (!m_designMode) rememberPlaceAs(m_catalog);
    centre();
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

bool frmUniSpr::save() {
  return write(true);
}

void frmUniSpr::lockForEditing() {
  storage::ObjectLocks* locks = m_state.objectLocks();
  if (!locks) return;
  const QString key = config::editingLockKey(
      config::objectPath(config::ObjectKind::Catalog, m_catalog), m_elementName);
  m_editedBy = locks->tryLock(key, m_state.userName);
  if (m_editedBy.isEmpty()) {
    m_lockKey = key;
    return;
  }
  m_frm->setReadOnly(true);
  m_cmdSave->setEnabled(false);
  setWindowTitle(windowTitle() + QStringLiteral(" (только просмотр)"));
  MessageBoxes::show(QStringLiteral("Открыт для изменения пользователем %1. Элемент открыт только "
                                    "для просмотра.")
                         .arg(m_editedBy),
                     shell::MsgButtons::Ok, QString(), shell::MsgIcon::Information);
}

bool frmUniSpr::readStored() {
  storage::Session& db = *m_state.db;
  m_version = documents::elementVersion(db, m_catalog, m_elementName);
  storage::Recordset element =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + table() +
                       QStringLiteral(" WHERE Наименование=") + quote(m_elementName));
  if (element.eof()) return false;
  m_values.clear();
  for (int i = 0; i < element.fieldCount(); ++i) {
    m_values.insert(element.fieldName(i), element.text(i));
    m_frm->setValue(element.fieldName(i), element.text(i));
  }
  m_clean = fieldValues();
  return true;
}

bool frmUniSpr::resolveConflict() {
  const ConflictChoice choice =
      askConflict(QStringLiteral("Элемент изменен другим пользователем после того, как это окно "
                                 "его открыло."));
  if (choice == ConflictChoice::WriteMine) return write(false);
  storage::Session& db = *m_state.db;
  if (choice == ConflictChoice::TakeTheirs) {
    if (!readStored())
      MessageBoxes::show(QStringLiteral("Элемент «%1» справочника «%2» не найден: возможно, он "
                                        "удален.")
                             .arg(m_elementName, m_catalog));
    return false;
  }
  FieldValues mine, theirs;
  storage::Recordset element =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + table() +
                       QStringLiteral(" WHERE Наименование=") + quote(m_elementName));
  for (int i = 0; i < element.fieldCount(); ++i) {
    const QString column = element.fieldName(i);
    mine.append({column, m_frm->hasField(column) ? m_frm->value(column) : m_values.value(column)});
    if (!element.eof()) theirs.append({column, element.text(i)});
  }
  auto* versions = new frmVersions(windowTitle(), mine, theirs, this);
  versions->setWindowFlag(Qt::Window);
  QPointer<frmUniSpr> self(this);
  connect(versions, &frmVersions::takeTheirs, this, [self] {
    if (self && self->m_state.db) self->readStored();
  });
  connect(versions, &frmVersions::writeMine, this, [self] {
    if (self) self->write(false);
  });
  versions->show();
  return false;
}

bool frmUniSpr::write(bool checkVersion) {
  if (m_designMode || !m_loaded || !m_state.db) return false;
  if (!m_editedBy.isEmpty()) {
    MessageBoxes::show(QStringLiteral("Открыт для изменения пользователем %1: записать элемент "
                                      "нельзя.")
                           .arg(m_editedBy));
    return false;
  }
  storage::Session& db = *m_state.db;
  m_state.currentObjectName = m_catalog;
  const bool isNew = m_elementName.isEmpty();
  try {
    documents::ElementWrite element;
    element.catalog = m_catalog;
    if (!isNew) element.storedName = m_elementName;
    element.columns = db.columns(table());
    for (const QString& column : std::as_const(element.columns))
      element.values << (m_frm->hasField(column) ? m_frm->value(column) : m_values.value(column));
    element.before = m_values;
    if (checkVersion) element.expectedVersion = m_version;
    const qsizetype nameAt = element.columns.indexOf(kNameColumn);
    const QString newName = nameAt >= 0 ? element.values[nameAt] : QString();
    // Elements are found by their name: it must be there and be the only one.
    if (newName.trimmed().isEmpty()) {
      MessageBoxes::show(QStringLiteral("Необходимо ввести наименование элемента."));
      return false;
    }
    if (const std::optional<documents::FieldProblem> problem =
            checkFields(element.columns, element.values)) {
      MessageBoxes::show(problem->message);
      m_frm->focusField(problem->field);
      return false;
    }
    documents::ElementOutcome outcome;
    {
      // Thousands of movements take a while: the user sees how far the rename is and may stop
      // it, which takes the whole write back.
      std::unique_ptr<QProgressDialog> progress;
      if (!isNew && newName != m_elementName) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Перенос ссылок на новое наименование..."), QStringLiteral("Отмена"), 0,
            0, this);
        progress->setObjectName(QStringLiteral("RenameProgress"));
        progress->setWindowTitle(QStringLiteral("Переименование"));
        progress->setAccessibleName(QStringLiteral("Перенос ссылок на новое наименование"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(500);
      }
      outcome = documents::saveElement(db, element, [&progress](qint64 done, qint64 total) {
        if (!progress) return true;
        progress->setMaximum(static_cast<int>(total));
        progress->setValue(static_cast<int>(done));
        return !progress->wasCanceled();
      });
    }
    switch (outcome.status) {
      case documents::ElementStatus::Duplicate:
        MessageBoxes::show(
            QStringLiteral("Элемент «%1» уже есть в справочнике «%2». Введите другое наименование.")
                .arg(newName, m_catalog));
        return false;
      case documents::ElementStatus::Removed:
        MessageBoxes::show(
            QStringLiteral("Элемент «%1» справочника «%2» не найден: возможно, он удален.")
                .arg(m_elementName, m_catalog));
        return false;
      case documents::ElementStatus::ChangedElsewhere:
        return resolveConflict();
      case documents::ElementStatus::Saved:
        break;
    }
    m_version = outcome.version;
    // The list is brought up to date only once the element is written.
    if (m_list) {
      m_list->elementSaved(isNew ? QString() : m_elementName, newName);
      QCoreApplication::processEvents();
    }
    MessageBoxes::show(outcome.moved > 0
                           ? QStringLiteral("Элемент записан успешно. Перенесено ссылок на "
                                            "новое наименование: %1.")
                                 .arg(outcome.moved)
                           : QStringLiteral("Элемент записан успешно."));
    m_loaded = false;
    close();
    return true;
  } catch (const storage::DbError& e) {
    // The window stays open with what the user typed.
    MessageBoxes::show(QStringLiteral("Элемент не записан: ") + e.description());
    return false;
  }
}

std::optional<documents::FieldProblem> frmUniSpr::checkFields(const QStringList& columns,
                                                              const QStringList& values) {
  const std::optional<config::ObjectDefinition> catalog =
      config::readDefinition(*m_state.db, config::ObjectKind::Catalog, m_catalog);
  if (!catalog) return std::nullopt;
  // Only what the form shows: a requisite without a field cannot be put right here.
  QList<QPair<QString, QString>> shown;
  for (int i = 0; i < columns.size(); ++i)
    if (m_frm->hasField(columns[i])) shown.append({columns[i], values[i]});
  documents::ReferenceValues references(*m_state.db);
  return documents::checkElement(references, *catalog, shown);
}

void frmUniSpr::chooseValue(const QString& type, const QString& field) {
  runtime::chooseValue(m_state, m_frm, windowTitle(), type, field);
}

bool frmUniSpr::renameElement(const QString& element, const QString& newName) {
  return m_frm->RenameElement(element, newName);
}

bool frmUniSpr::removeElement(const QString& element) {
  return m_frm->RemoveElement(element);
}

void frmUniSpr::showElementMenu(const QString& name) {
  m_state.contextItemName = name;
  m_state.contextFormKind = QStringLiteral("spr");
  if (m_state.mainWindow && m_state.mainWindow->elementMenu())
    m_state.mainWindow->elementMenu()->popup(QCursor::pos());
}

void frmUniSpr::activated(bool on) {
  RuntimeWindow::activated(on);
  if (m_state.mainWindow) m_state.mainWindow->setConfigurationMode(on);
}

QStringList frmUniSpr::fieldValues() const {
  QStringList values;
  for (const QString& name : m_frm->elementNames())
    if (m_frm->hasField(name)) values << m_frm->value(name);
  return values;
}

bool frmUniSpr::hasUnsavedChanges() const {
  return !m_designMode && m_loaded && fieldValues() != m_clean;
}

bool frmUniSpr::unload() {
  if (m_designMode && m_state.db &&
      MessageBoxes::ask(QStringLiteral("Сохранить элементы на форме?")) == shell::MsgAnswer::Yes) {
    const QSize size = sizeTwips();
    try {
      config::writeFormLayout(
          *m_state.db, config::ObjectKind::Catalog, m_catalog, m_frm->GetLayout(),
          config::FormSize{static_cast<double>(size.width()), static_cast<double>(size.height())}
              .text());
    } catch (const storage::DbError& e) {
      MessageBoxes::show(QStringLiteral("Макет формы не сохранен: ") + e.description());
      return false;
    }
  }
  if (m_state.mainWindow) m_state.mainWindow->setConfigurationMode(false);
  m_state.sharedRecordset.close();
  if (m_state.choiceWindow == this) m_state.choiceWindow = nullptr;
  return true;
}

}  // namespace balvix::runtime
