#include "runtime/document_form.h"

#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "config/form_layout.h"
#include "config/object_definition.h"
#include "config/row_versions.h"
#include "config/table_names.h"
#include "documents/document_checks.h"
#include "documents/document_service.h"
#include "documents/document_title.h"
#include "runtime/document_commands.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/module_error.h"
#include "runtime/print_window.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_choice.h"
#include "script/objects/object_factory.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "shell/working_date.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

using shell::MessageBoxes;

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

}  // namespace

frmUniDoc::frmUniDoc(shell::AppState& state, bool designMode, QWidget* parent)
    : RuntimeWindow(state, parent), m_designMode(designMode) {
  setMinimumTwips(kMinWidth, kMinHeight);
  setObjectName(QStringLiteral("frmUniDoc"));
  setWindowTitle(QStringLiteral("UNI-DOC"));
  m_toolbar = new ToolBarControl(this);
  m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
  const QStyle* s = style();
  m_toolbar->addButton(2, QStringLiteral("Добавить строку"), s->standardIcon(QStyle::SP_FileIcon),
                       QStringLiteral("Добавить строку в табличную часть"));
  m_toolbar->addButton(3, QStringLiteral("Очистить таблицу"),
                       s->standardIcon(QStyle::SP_DialogResetButton),
                       QStringLiteral("Удалить все строки табличной части"));
  m_frm = new FormControl(this);
  m_frm->setHost(moduleHost());

  auto* frame = new QWidget(this);
  frame->setObjectName(QStringLiteral("frame"));
  m_ndoc = new QLabel(QStringLiteral("Дата документа:"), frame);
  m_ndoc->setObjectName(QStringLiteral("ndoc"));
  m_dt = new QDateEdit(shell::workingDate(), frame);
  m_dt->setObjectName(QStringLiteral("DT"));
  m_dt->setCalendarPopup(true);
  m_dt->setDisplayFormat(kDateFormat);
  m_dt->setAccessibleName(QStringLiteral("Дата документа:"));
  m_ndoc->setBuddy(m_dt);
  auto* frameLayout = new QHBoxLayout(frame);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  frameLayout->addWidget(m_ndoc);
  frameLayout->addWidget(m_dt);

  m_toolbar->addButton(4, QStringLiteral("Новый"), s->standardIcon(QStyle::SP_FileDialogNewFolder),
                       QStringLiteral("Новый документ этого вида"));
  m_toolbar->addButton(5, QStringLiteral("Копировать"),
                       s->standardIcon(QStyle::SP_FileDialogDetailedView),
                       QStringLiteral("Новый документ с теми же реквизитами и строками"));

  // A posted document says so above its fields and offers the way to change it.
  m_postedBar = new QWidget(this);
  m_postedBar->setObjectName(QStringLiteral("postedBar"));
  auto* postedText = new QLabel(
      QStringLiteral("Документ проведен: изменить его можно, только отменив проведение."),
      m_postedBar);
  postedText->setObjectName(QStringLiteral("postedText"));
  m_cmdUnpost = commandButton(QStringLiteral("cmdUnpost"), QStringLiteral("&Отменить проведение"),
                              m_postedBar);
  auto* barLayout = new QHBoxLayout(m_postedBar);
  barLayout->setContentsMargins(4, 2, 4, 2);
  barLayout->addWidget(postedText, 1);
  barLayout->addWidget(m_cmdUnpost);
  m_postedBar->hide();

  m_cmdSave = commandButton(QStringLiteral("cmdSave"), QStringLiteral("З&аписать"), this);
  m_cmdSave->setToolTip(QStringLiteral("Записать документ без проведения (Ctrl+S)"));
  m_cmdOK = commandButton(QStringLiteral("cmdOK"), QStringLiteral("&Провести"), this);
  m_cmdOK->setToolTip(QStringLiteral("Записать и провести документ (Ctrl+Enter)"));
  m_cmdClose = commandButton(QStringLiteral("cmdClose"), QStringLiteral("&Закрыть"), this);
  m_cmdPrint = commandButton(QStringLiteral("cmdPrint"), QStringLiteral("Пе&чать"), this);
  m_cmdPrint->setToolTip(QStringLiteral("Напечатать документ по его печатной форме"));

  // The date sits beside the buttons, so the table part's toolbar has the top row to itself.
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(frame);
  buttons->addStretch();
  buttons->addWidget(m_cmdPrint);
  buttons->addWidget(m_cmdSave);
  buttons->addWidget(m_cmdOK);
  buttons->addWidget(m_cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_toolbar);
  layout->addWidget(m_postedBar);
  layout->addWidget(m_frm, 1);
  layout->addLayout(buttons);

  connect(m_cmdOK, &QPushButton::clicked, this, &frmUniDoc::post);
  connect(m_cmdSave, &QPushButton::clicked, this, &frmUniDoc::write);
  connect(m_cmdUnpost, &QPushButton::clicked, this, &frmUniDoc::unpost);
  connect(m_cmdPrint, &QPushButton::clicked, this, &frmUniDoc::print);
  auto* saveKey = new QShortcut(QKeySequence::Save, this);
  saveKey->setContext(Qt::WidgetWithChildrenShortcut);
  connect(saveKey, &QShortcut::activated, this, &frmUniDoc::write);
  for (const QKeySequence& keys :
       {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* postKey = new QShortcut(keys, this);
    postKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(postKey, &QShortcut::activated, this, &frmUniDoc::post);
  }
  setClosesOnEscape(true);
  connect(m_cmdClose, &QPushButton::clicked, this, [this] {
    if (!m_designMode) close();
  });
  connect(m_toolbar, &ToolBarControl::ButtonClick, this, &frmUniDoc::toolbarClicked);
  connect(m_frm, &FormControl::chooseValue, this,
          [this](const QString& type, const QString& field) {
            runtime::chooseValue(m_state, m_frm, windowTitle(), type, field);
          });
  connect(m_frm, &FormControl::placeRequest, this, [this] {
    m_frm->PlaceControl(m_state.pendingControlType);
    m_state.pendingControlType.clear();
  });
  connect(m_frm, &FormControl::elementMenu, this, [this](const QString& name) {
    m_state.contextItemName = name;
    m_state.contextFormKind = QStringLiteral("doc");
    if (m_state.mainWindow && m_state.mainWindow->elementMenu())
      m_state.mainWindow->elementMenu()->popup(QCursor::pos());
  });
  connect(m_frm, &FormControl::openObject, this, [this](const QString& text) {
    if (text == QStringLiteral("Текст") || !m_frm->engine()) return;
    // The module's own ОткрытьФорму, as a module would call it.
    m_state.documentWindow = this;
    auto ext = script::createGlobalFunctions(m_frm->host(), m_state);
    try {
      script::Value path(text);
      script::Args args(&path, 1);
      ext->invoke(script::clsExt::kOpenForm, args);
    } catch (const script::ScriptError& e) {
      MessageBoxes::show(e.description());
    }
  });
  // A load from a file changes what the reference fields complete and check against.
  connect(&m_state.catalogEvents, &shell::CatalogEvents::elementsChanged, this, [this] {
    if (!m_designMode && m_state.db)
      m_frm->setReferenceValues(std::make_shared<documents::ReferenceValues>(*m_state.db));
  });
  load();
  listenToDocumentEvents();
}

frmUniDoc::~frmUniDoc() {
  unlockEditing();
  if (m_frm) m_frm->endModule();
  if (m_state.documentWindow == this) m_state.documentWindow = nullptr;
}

void frmUniDoc::closeLater() {
  QTimer::singleShot(0, this, &QWidget::close);
}

void frmUniDoc::load() {
  m_frm->setDesignMode(m_designMode);
  m_kind = m_state.currentObjectName;
  storage::Session* db = m_state.db;
  if (!db) return;
  try {
    const std::optional<config::ObjectDefinition> definition =
        config::readDefinition(*db, config::ObjectKind::Document, m_kind);
    if (!definition) {
      MessageBoxes::show(QStringLiteral("Документ «%1» не найден в конфигурации.").arg(m_kind));
      closeLater();
      return;
    }
    setWindowTitle(definition->path());
    if (!definition->layout) {
      // A kind whose form was never arranged shows one field per header requisite, and
      // room for the table part below them.
      setSizeTwips(kDefaultWidth,
                   kDefaultHeight + (definition->hasTablePart ? kTablePartHeight : 0));
      m_frm->LoadLayout(config::composeDefaultLayout(definition->requisites).text());
    } else {
      const std::optional<config::FormSize> size =
          config::FormSize::parse(definition->size.value_or(QString()));
      if (size && size->width > 0 && size->height > 0)
        setSizeTwips(size->width, size->height);
      else
        setSizeTwips(kDefaultWidth, kDefaultHeight);
      m_frm->LoadLayout(*definition->layout, definition->requisites);
      QCoreApplication::processEvents();
    }
    if (definition->hasTablePart) {
      for (const config::Requisite& column : definition->tableRequisites) {
        m_frm->table()->addColumn(column.name);
        m_frm->table()->setStatus(column.type.text());
      }
      m_frm->setTablePart(true);
      m_hasTable = true;
    }
    m_state.sharedRecordset.close();
    if (!m_designMode) {
      m_frm->setReferenceValues(std::make_shared<documents::ReferenceValues>(*db));
      if (m_state.pickedDocumentDate.isEmpty() && m_state.pickedDocumentTime.isEmpty()) {
        m_dt->setDate(shell::workingDate());
      } else if (!loadStored(*db)) {
        closeLater();
        return;
      }
      // The module may read the caption as it opens.
      updateTitle();
      m_modulePath = definition->path();
      m_frm->setModuleName(m_modulePath);
      const std::vector<script::ModuleSource> sources =
          documents::moduleSources(*db, definition->path(), definition->module);
      if (!sources.empty()) {
        m_state.documentWindow = this;
        m_frm->LoadModule(sources, script::createGlobalFunctions(m_frm->host(), m_state));
      }
    }
    m_loaded = true;
    if (!m_designMode) {
      updateTitle();
      applyPostedState();
      m_clean = content();
    }
    // Tab goes through the fields, then the table part, then the date and the buttons of
    // the bottom row; the fields are made after the buttons, so the order is set here.
    QWidget* previous = m_frm->lastInTabOrder();
    for (QWidget* next : std::initializer_list<QWidget*>{m_dt, m_cmdUnpost, m_cmdPrint, m_cmdSave,
                                                         m_cmdOK, m_cmdClose}) {
      if (previous) QWidget::setTabOrder(previous, next);
      previous = next;
    }
    registerLoad();
    // In layout design the window's size is the form's own, being designed.
    if (!m_designMode) rememberPlaceAs(m_kind);
    centre();
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    closeLater();
  }
}

bool frmUniDoc::loadStored(storage::Session& db) {
  const script::DocumentKey key{m_state.pickedDocumentDate, m_state.pickedDocumentTime};
  bool posted = false;
  // Read before the rows: a write in between shows as a change, never goes unnoticed.
  m_version = config::rowVersion(db, config::objectPath(config::ObjectKind::Document, m_kind),
                                 config::documentVersionKey(key.date, key.time));
  if (!readDocument(db, key, &posted)) {
    MessageBoxes::show(QStringLiteral("Документ «%1» от %2 %3 не найден: возможно, он удален.")
                           .arg(m_kind, key.date, key.time));
    return false;
  }
  m_stored = key;
  m_storedPosted = posted;
  const QDate date = QDate::fromString(key.date, kDateFormat);
  if (date.isValid()) m_dt->setDate(date);
  return true;
}

bool frmUniDoc::readDocument(storage::Session& db, const script::DocumentKey& key, bool* posted) {
  storage::Recordset header =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + config::documentHeaderTable(m_kind) +
                       QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
                       QStringLiteral(" AND cTIME=") + storage::quote(key.time));
  if (header.eof()) return false;
  if (posted) *posted = header.text(QStringLiteral("Проводка")).trimmed() == QLatin1String("1");
  for (int i = 0; i < header.fieldCount(); ++i)
    m_frm->setValue(header.fieldName(i), header.text(i));
  if (m_hasTable) {
    m_frm->table()->clearRows();
    storage::Recordset rows =
        db.openRecordset(QStringLiteral("SELECT * FROM ") + config::documentTablePartTable(m_kind) +
                         QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
                         QStringLiteral(" AND cTIME=") + storage::quote(key.time));
    const QStringList columns = config::requisiteColumns(config::TableRole::TablePart, [&] {
      QStringList names;
      for (int i = 0; i < rows.fieldCount(); ++i) names << rows.fieldName(i);
      return names;
    }());
    for (; !rows.eof(); rows.moveNext()) {
      m_frm->table()->newRow();
      for (const QString& column : columns) m_frm->table()->addValue(rows.text(column), column);
    }
  }
  return true;
}

bool frmUniDoc::copyFrom(const script::DocumentKey& key) {
  if (m_designMode || !m_loaded || !m_state.db || m_stored) return false;
  try {
    if (readDocument(*m_state.db, key, nullptr)) return true;
    MessageBoxes::show(QStringLiteral("Документ от %1 %2 не найден: возможно, он удален.")
                           .arg(key.date, key.time));
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
  return false;
}

void frmUniDoc::updateTitle() {
  if (!m_state.db) return;
  try {
    setWindowTitle(m_stored
                       ? documents::documentTitle(*m_state.db, m_kind, *m_stored)
                       : documents::newDocumentTitle(documents::kindCaption(*m_state.db, m_kind)));
  } catch (const storage::DbError&) {
    // The caption stays as it was; the document itself is unaffected.
  }
}

bool frmUniDoc::readOnly() const {
  return !m_designMode && m_stored && (m_storedPosted || !m_editedBy.isEmpty());
}

void frmUniDoc::applyPostedState() {
  if (!m_designMode && m_stored && !m_storedPosted && m_lockKey.isEmpty() && m_editedBy.isEmpty())
    lockForEditing();
  const bool locked = readOnly();
  m_frm->setReadOnly(locked);
  m_dt->setReadOnly(locked);
  for (int button : {2, 3}) {
    if (locked)
      m_toolbar->DisableButton(button);
    else
      m_toolbar->EnableButton(button);
  }
  if (m_stored)
    m_toolbar->EnableButton(5);
  else
    m_toolbar->DisableButton(5);
  const bool editable = !locked && m_outdated == Outdated::No;
  m_cmdOK->setEnabled(editable);
  m_cmdSave->setEnabled(editable);
  m_postedBar->setVisible(locked && m_storedPosted);
}

bool frmUniDoc::hasUnsavedChanges() const {
  if (m_designMode || !m_loaded || readOnly() || m_outdated != Outdated::No) return false;
  return !(content() == m_clean);
}

bool frmUniDoc::refuseOutdated() {
  if (m_outdated == Outdated::No) return false;
  MessageBoxes::show(m_outdated == Outdated::Removed
                         ? QStringLiteral("Документ удален после открытия этого окна: "
                                          "провести его нельзя.")
                         : QStringLiteral("Документ изменен после открытия этого окна: "
                                          "закройте окно и откройте документ снова."));
  return true;
}

script::DocumentContent frmUniDoc::content() const {
  script::DocumentContent doc;
  doc.kind = m_kind;
  doc.date = m_dt->date();
  for (const QString& name : m_frm->elementNames())
    if (m_frm->hasField(name)) doc.header.append({name, m_frm->value(name)});
  doc.hasTablePart = m_hasTable;
  if (m_hasTable) {
    FormTable* table = m_frm->table();
    doc.rowColumns = table->columnNames();
    for (int c = 0; c < doc.rowColumns.size(); ++c) doc.rowTypes << table->columnType(c);
    for (int r = 0; r < table->rows(); ++r) {
      QStringList row;
      for (int c = 0; c < doc.rowColumns.size(); ++c) row << table->cell(r, c);
      doc.rows << row;
    }
  }
  return doc;
}

bool frmUniDoc::post() {
  return saveDocument(true, true);
}

bool frmUniDoc::succeeded(const documents::SaveOutcome& result) {
  // Refused before anything was written: the user is taken to what must be put right.
  if (result.problem) {
    MessageBoxes::show(result.problem->message);
    m_frm->focusField(result.problem->field, result.problem->row);
    return false;
  }
  // Shown now that the posting has been rolled back: no box keeps the database locked.
  if (result.error) {
    showModuleError(m_modulePath, *result.error);
    return false;
  }
  if (result.outcome == script::PostOutcome::AlreadyPosted) {
    MessageBoxes::show(QStringLiteral("Проведенный документ изменить нельзя!"));
    return false;
  }
  if (result.outcome != script::PostOutcome::Posted) return false;
  return true;
}

bool frmUniDoc::write() {
  return saveDocument(false, true);
}

void frmUniDoc::print() {
  if (m_designMode) return;
  // What is printed is what is stored: numbered, and the same from the journal.
  if (!m_stored) {
    MessageBoxes::show(QStringLiteral("Документ не записан: запишите его, чтобы напечатать."));
    return;
  }
  if (hasUnsavedChanges()) {
    MessageBoxes::show(
        QStringLiteral("Документ изменен: запишите изменения, чтобы напечатать их."));
    return;
  }
  QPointer<frmUniDoc> self(this);
  printCommand(m_state, m_cmdPrint, m_kind, [self]() -> std::optional<script::DocumentKey> {
    if (!self) return std::nullopt;
    return self->m_stored;
  });
}

bool frmUniDoc::unpost() {
  if (m_designMode || !m_stored || !m_storedPosted || !m_state.db) return false;
  // The announcement makes this window editable again, as any other that shows it.
  if (!unpostDocument(m_state, m_kind, *m_stored)) return false;
  const QStringList names = m_frm->elementNames();
  for (const QString& name : names)
    if (m_frm->hasField(name)) {
      if (QWidget* field = m_frm->elementWidget(name)) field->setFocus();
      break;
    }
  return true;
}

void frmUniDoc::listenToDocumentEvents() {
  // Written by another program meanwhile: shown anew unless the user has changed something,
  // whose save then meets the other version.
  connect(&m_state.events, &shell::DocumentEvents::changedElsewhere, this, [this] {
    if (m_designMode || !m_loaded || !m_state.db || !m_stored || hasUnsavedChanges()) return;
    try {
      if (config::rowVersion(*m_state.db, config::objectPath(config::ObjectKind::Document, m_kind),
                             config::documentVersionKey(m_stored->date, m_stored->time)) !=
          m_version)
        rereadStored();
    } catch (const storage::DbError&) {
      // Read again at the next change.
    }
  });
  shell::DocumentEvents* events = &m_state.events;
  connect(events, &shell::DocumentEvents::posted, this,
          [this](const QString& kind, const std::optional<script::DocumentKey>& previous,
                 const script::DocumentKey& key, const QString&) {
            if (!showsStored(kind, previous.value_or(key))) return;
            // Posted again over what is stored, which this window shows: nothing changed.
            // Posted while unposted: someone else's copy went in.
            if (!(m_storedPosted && previous == key)) markOutdated(false);
            m_stored = key;
            m_storedPosted = true;
          });
  connect(events, &shell::DocumentEvents::saved, this,
          [this](const QString& kind, const std::optional<script::DocumentKey>& previous,
                 const script::DocumentKey& key) {
            if (m_announcing || !showsStored(kind, previous.value_or(key))) return;
            markOutdated(false);
            m_stored = key;
            m_storedPosted = false;
            applyPostedState();
          });
  connect(events, &shell::DocumentEvents::unposted, this,
          [this](const QString& kind, const script::DocumentKey& key) {
            if (!showsStored(kind, key) || !m_storedPosted) return;
            m_storedPosted = false;
            applyPostedState();
            // Nothing was typed into the read-only fields: the window is as stored.
            m_clean = content();
          });
  connect(events, &shell::DocumentEvents::removed, this,
          [this](const QString& kind, const script::DocumentKey& key) {
            if (showsStored(kind, key)) markOutdated(true);
          });
}

bool frmUniDoc::showsStored(const QString& kind, const script::DocumentKey& key) const {
  return !m_designMode && m_stored && kind == m_kind && *m_stored == key;
}

void frmUniDoc::markOutdated(bool removed) {
  if (m_outdated != Outdated::Removed) m_outdated = removed ? Outdated::Removed : Outdated::Changed;
  m_cmdOK->setEnabled(false);
  m_cmdSave->setEnabled(false);
  m_cmdOK->setToolTip(m_outdated == Outdated::Removed
                          ? QStringLiteral("Документ удален")
                          : QStringLiteral("Документ изменен после открытия окна"));
}

void frmUniDoc::toolbarClicked(int number) {
  if (number == 4 || number == 5) {
    if (!m_designMode && m_loaded)
      openNewDocument(m_state, m_kind, number == 5 ? m_stored : std::nullopt);
    return;
  }
  if (!m_frm->tablePart() || readOnly()) return;
  if (number == 2) {
    m_frm->table()->newRow();
    m_frm->tableView()->setCurrentIndex(m_frm->table()->index(m_frm->table()->rows() - 1, 0));
    m_frm->tableView()->setFocus();
  } else if (number == 3) {
    m_frm->table()->clearRows();
  }
}

bool frmUniDoc::renameElement(const QString& element, const QString& newName) {
  return m_frm->RenameElement(element, newName);
}

bool frmUniDoc::removeElement(const QString& element) {
  return m_frm->RemoveElement(element);
}

QDate frmUniDoc::documentDate() const {
  return m_dt->date();
}

void frmUniDoc::activated(bool on) {
  RuntimeWindow::activated(on);
  // The window the user works in is the one modules and choice lists feed.
  if (on && !m_designMode) m_state.documentWindow = this;
  if (m_designMode && m_state.mainWindow) m_state.mainWindow->setConfigurationMode(on);
}

bool frmUniDoc::unload() {
  if (m_designMode && m_state.db &&
      MessageBoxes::ask(QStringLiteral("Сохранить элементы на форме?")) == shell::MsgAnswer::Yes) {
    const QSize size = sizeTwips();
    try {
      config::writeFormLayout(
          *m_state.db, config::ObjectKind::Document, m_kind, m_frm->GetLayout(),
          config::FormSize{static_cast<double>(size.width()), static_cast<double>(size.height())}
              .text());
    } catch (const storage::DbError& e) {
      MessageBoxes::show(QStringLiteral("Макет формы не сохранен: ") + e.description());
      return false;
    }
  }
  m_state.pickedDocumentDate.clear();
  m_state.pickedDocumentTime.clear();
  if (m_state.mainWindow) m_state.mainWindow->setConfigurationMode(false);
  m_state.sharedRecordset.close();
  if (m_state.documentWindow == this) m_state.documentWindow = nullptr;
  return true;
}

}  // namespace balvix::runtime
