#include "shell/audit_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "config/audit_archive.h"
#include "config/audit_trail.h"
#include "config/object_kind.h"
#include "documents/audit_journal.h"
#include "documents/list_export.h"
#include "shell/accessibility.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/session.h"

namespace balvix::shell {

namespace {

const QString kTitle = QStringLiteral("Журнал регистрации");
// The earliest date a period filter shows as «не задана»: no bound on that side.
const QDate kNoDate(2000, 1, 1);

QDateEdit* dateFilter(QWidget* parent, const QString& name, const QString& label) {
  auto* edit = new QDateEdit(parent);
  edit->setObjectName(name);
  edit->setAccessibleName(label);
  edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  edit->setCalendarPopup(true);
  edit->setMinimumDate(kNoDate);
  edit->setSpecialValueText(QStringLiteral("не задана"));
  edit->setDate(kNoDate);
  return edit;
}

QLabel* caption(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

frmAuditJournal::frmAuditJournal(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state) {
  setObjectName(QStringLiteral("frmAuditJournal"));
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);
  auto* layout = new QVBoxLayout(this);
  auto* filters = new QGridLayout;
  m_from = dateFilter(this, QStringLiteral("txtAuditFrom"), QStringLiteral("Период с"));
  m_to = dateFilter(this, QStringLiteral("txtAuditTo"), QStringLiteral("по"));
  m_user = new QLineEdit(this);
  m_user->setObjectName(QStringLiteral("txtAuditUser"));
  m_user->setAccessibleName(QStringLiteral("Пользователь"));
  m_object = new QLineEdit(this);
  m_object->setObjectName(QStringLiteral("txtAuditObject"));
  m_object->setAccessibleName(QStringLiteral("Объект"));
  m_event = new QComboBox(this);
  m_event->setObjectName(QStringLiteral("cboAuditEvent"));
  m_event->setAccessibleName(QStringLiteral("Событие"));
  m_event->addItem(QStringLiteral("(все события)"), QString());
  using namespace config::audit::event;
  for (const QString& kind :
       {kPosting, kUnposting, kDocumentSave, kDeletion, kElementNew, kElementChange, kConfiguration,
        kPeriodClose, kPeriodReopen, kPeriodLock, kBackup, kRestore, kImport, kArchive, kRetention,
        kStart})
    m_event->addItem(kind, kind);
  filters->addWidget(caption(this, QStringLiteral("Период &с:"), m_from), 0, 0);
  filters->addWidget(m_from, 0, 1);
  filters->addWidget(caption(this, QStringLiteral("п&о:"), m_to), 0, 2);
  filters->addWidget(m_to, 0, 3);
  filters->addWidget(caption(this, QStringLiteral("По&льзователь:"), m_user), 0, 4);
  filters->addWidget(m_user, 0, 5);
  filters->addWidget(caption(this, QStringLiteral("О&бъект:"), m_object), 1, 0);
  filters->addWidget(m_object, 1, 1, 1, 3);
  filters->addWidget(caption(this, QStringLiteral("Со&бытие:"), m_event), 1, 4);
  filters->addWidget(m_event, 1, 5);
  auto* apply = new QPushButton(QStringLiteral("&Отобрать"), this);
  apply->setObjectName(QStringLiteral("cmdAuditFilter"));
  apply->setAccessibleName(QStringLiteral("Отобрать"));
  apply->setDefault(true);
  auto* exporting = new QPushButton(QStringLiteral("&Выгрузить…"), this);
  exporting->setObjectName(QStringLiteral("cmdAuditExport"));
  exporting->setAccessibleName(QStringLiteral("Выгрузить"));
  filters->addWidget(apply, 0, 6);
  filters->addWidget(exporting, 1, 6);
  m_retention = new QSpinBox(this);
  m_retention->setObjectName(QStringLiteral("txtAuditRetention"));
  m_retention->setAccessibleName(QStringLiteral("Хранить лет"));
  m_retention->setRange(0, 100);
  m_retention->setSpecialValueText(QStringLiteral("без срока"));
  m_retention->setValue(config::audit::retentionYears(*state.db));
  auto* archiving = new QPushButton(QStringLiteral("В &архив…"), this);
  archiving->setObjectName(QStringLiteral("cmdAuditArchive"));
  archiving->setAccessibleName(QStringLiteral("В архив"));
  filters->addWidget(caption(this, QStringLiteral("&Хранить лет:"), m_retention), 2, 4);
  filters->addWidget(m_retention, 2, 5);
  filters->addWidget(archiving, 2, 6);
  layout->addLayout(filters);

  m_model = new documents::AuditJournalModel(*state.db, this);
  m_list = new QTableView(this);
  m_list->setObjectName(QStringLiteral("lstAudit"));
  m_list->setAccessibleName(kTitle);
  m_list->setModel(m_model);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  // Rows of one height and fixed columns: the view never measures the rows it has not shown.
  m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_list->horizontalHeader()->setStretchLastSection(true);
  for (const auto& [column, width] :
       {std::pair{0, 80}, {1, 64}, {2, 110}, {3, 150}, {4, 170}, {5, 140}})
    m_list->setColumnWidth(column, width);
  describeCells(m_list);
  layout->addWidget(m_list, 1);
  auto* detailsLabel = new QLabel(QStringLiteral("&Подробности:"), this);
  m_details = new QPlainTextEdit(this);
  m_details->setObjectName(QStringLiteral("txtAuditDetails"));
  m_details->setAccessibleName(QStringLiteral("Подробности"));
  m_details->setReadOnly(true);
  m_details->setMaximumHeight(120);
  detailsLabel->setBuddy(m_details);
  layout->addWidget(detailsLabel);
  layout->addWidget(m_details);
  resize(960, 560);

  connect(apply, &QPushButton::clicked, this, &frmAuditJournal::applyFilter);
  connect(archiving, &QPushButton::clicked, this, [this] { moveOldToArchive(); });
  connect(m_retention, &QSpinBox::editingFinished, this, &frmAuditJournal::retentionEdited);
  connect(m_list, &QTableView::doubleClicked, this, [this] { openNamed(); });
  m_list->installEventFilter(this);
  connect(exporting, &QPushButton::clicked, this, [this] { exportTo(); });
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &frmAuditJournal::showCurrent);
}

// The spin box loses its focus while the window is being destroyed and tells «editing
// finished» to a window that is no longer one: it is let go first.
frmAuditJournal::~frmAuditJournal() {
  m_retention->disconnect(this);
  m_list->removeEventFilter(this);
}

void frmAuditJournal::applyFilter() {
  documents::AuditFilter filter;
  if (m_from->date() != kNoDate) filter.from = m_from->date();
  if (m_to->date() != kNoDate) filter.to = m_to->date();
  filter.user = m_user->text();
  filter.object = m_object->text();
  filter.event = m_event->currentData().toString();
  try {
    m_model->setFilter(filter);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, kTitle, MsgIcon::Critical);
  }
  m_details->clear();
}

void frmAuditJournal::showCurrent() {
  const int row = m_list->currentIndex().row();
  if (row < 0 || row >= m_model->rowCount()) {
    m_details->clear();
    return;
  }
  const config::audit::Record& r = m_model->record(row);
  m_details->setPlainText(QStringLiteral("№ %1. %2 %3, %4: %5, %6 %7\n%8")
                              .arg(QString::number(r.number), r.date, r.time, r.user, r.event,
                                   r.object, r.reference, r.details));
}

bool frmAuditJournal::exportTo(QString path) {
  if (path.isEmpty())
    path = QFileDialog::getSaveFileName(this, QStringLiteral("Выгрузить журнал регистрации"),
                                        QStringLiteral("Журнал регистрации.xlsx"),
                                        QStringLiteral("Книга Excel (*.xlsx);;CSV (*.csv)"));
  if (path.isEmpty()) return false;
  QString error;
  try {
    error = documents::list_export::write(m_model->table(), path);
  } catch (const storage::DbError& e) {
    error = e.description();
  }
  if (!error.isEmpty()) {
    MessageBoxes::show(error, MsgButtons::Ok, kTitle, MsgIcon::Critical);
    return false;
  }
  return true;
}

bool frmAuditJournal::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && openNamed()) return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool frmAuditJournal::openNamed() {
  const int row = m_list->currentIndex().row();
  if (row < 0 || row >= m_model->rowCount() || !m_state.windows) return false;
  const config::audit::Record& r = m_model->record(row);
  const std::optional<config::ObjectKind> kind = config::kindFromWord(r.object.section(u'.', 0, 0));
  const QString name = r.object.section(u'.', 1);
  if (!kind || name.isEmpty() || r.reference.isEmpty()) return false;
  QString window;
  m_state.currentObjectType = config::typeWord(*kind);
  m_state.currentObjectName = name;
  m_state.formDesignMode = false;
  if (*kind == config::ObjectKind::Document) {
    // A document is named by its date and time.
    m_state.currentElementName = name;
    m_state.pickedDocumentDate = r.reference.section(u' ', 0, 0);
    m_state.pickedDocumentTime = r.reference.section(u' ', 1, 1);
    window = window_names::kDocumentForm;
  } else if (*kind == config::ObjectKind::Catalog) {
    m_state.currentElementName = r.reference;
    window = window_names::kCatalogElementForm;
  } else {
    return false;
  }
  QWidget* form = m_state.windows->newWindow(window);
  if (!form) return false;
  if (*kind == config::ObjectKind::Document) m_state.documentWindow = form;
  if (m_state.mainWindow)
    m_state.mainWindow->showRuntimeWindow(form);
  else
    form->show();
  return true;
}

void frmAuditJournal::retentionEdited() {
  if (m_retention->value() == config::audit::retentionYears(*m_state.db)) return;
  try {
    config::audit::setRetentionYears(*m_state.db, m_retention->value());
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, kTitle, MsgIcon::Critical);
    m_retention->setValue(config::audit::retentionYears(*m_state.db));
  }
}

bool frmAuditJournal::moveOldToArchive(const QString& archivePath) {
  retentionEdited();
  const int years = m_retention->value();
  if (years == 0) {
    MessageBoxes::show(
        QStringLiteral("Укажите, сколько лет записи хранятся в базе данных («Хранить "
                       "лет»): более старые переносятся в архив."),
        MsgButtons::Ok, kTitle, MsgIcon::Information);
    m_retention->setFocus();
    return false;
  }
  const QString file =
      archivePath.isEmpty() ? config::audit::defaultArchivePath(m_state.db->path()) : archivePath;
  const QDate before = QDate::currentDate().addYears(-years);
  if (MessageBoxes::show(
          QStringLiteral("Перенести записи журнала регистрации, сделанные до %1, в "
                         "архив «%2»? Из архива они не пропадут, и цепочка журнала "
                         "продолжится в нем.")
              .arg(before.toString(QStringLiteral("dd.MM.yyyy")), QDir::toNativeSeparators(file)),
          MsgButtons::YesNo, kTitle, MsgIcon::Question) != MsgAnswer::Yes)
    return false;
  config::audit::ArchiveOutcome outcome;
  try {
    QProgressDialog progress(QStringLiteral("Перенос записей журнала регистрации в архив..."),
                             QStringLiteral("Отмена"), 0, 100, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    outcome = config::audit::moveToArchive(*m_state.db, before, file, [&](qint64 done, qint64 all) {
      progress.setValue(all > 0 ? static_cast<int>(done * 100 / all) : 0);
      return !progress.wasCanceled();
    });
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description(), MsgButtons::Ok, kTitle, MsgIcon::Critical);
    return false;
  }
  applyFilter();
  MessageBoxes::show(outcome.text(), MsgButtons::Ok, kTitle, MsgIcon::Information);
  return outcome.moved > 0;
}

frmAuditJournal* showAuditWindow(AppState& state, QWidget* parent) {
  auto* window = new frmAuditJournal(state, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  return window;
}

}  // namespace balvix::shell
