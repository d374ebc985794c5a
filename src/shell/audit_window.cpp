#include "shell/audit_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "config/audit_trail.h"
#include "documents/audit_journal.h"
#include "documents/list_export.h"
#include "shell/accessibility.h"
#include "shell/app_state.h"
#include "shell/message_box.h"
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
        kPeriodClose, kPeriodReopen, kPeriodLock, kBackup, kRestore, kImport, kStart})
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
  connect(exporting, &QPushButton::clicked, this, [this] { exportTo(); });
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &frmAuditJournal::showCurrent);
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

frmAuditJournal* showAuditWindow(AppState& state, QWidget* parent) {
  auto* window = new frmAuditJournal(state, parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  return window;
}

}  // namespace balvix::shell
