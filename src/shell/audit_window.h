#pragma once

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTableView;

namespace balvix::documents {
class AuditJournalModel;
}

namespace balvix::shell {

struct AppState;

// «Журнал регистрации»: the audit trail, newest first, with filters by period, user, object
// and kind of event, the whole text of the current record below, and the export of what the
// filter lets through.
class frmAuditJournal : public QWidget {
  Q_OBJECT

 public:
  frmAuditJournal(AppState& state, QWidget* parent);
  ~frmAuditJournal() override;

  QTableView* list() const { return m_list; }
  documents::AuditJournalModel* model() const { return m_model; }
  QDateEdit* fromDate() const { return m_from; }
  QDateEdit* toDate() const { return m_to; }
  QLineEdit* userFilter() const { return m_user; }
  QLineEdit* objectFilter() const { return m_object; }
  QComboBox* eventFilter() const { return m_event; }
  QPlainTextEdit* details() const { return m_details; }
  QSpinBox* retention() const { return m_retention; }

  // «Отобрать»: the list anew under the filters.
  void applyFilter();
  // «Выгрузить…»: CSV, or XLSX by the extension; asks for the file when `path` is empty.
  bool exportTo(QString path = QString());
  // Double click or Enter: the document or catalog element the current record names, in its
  // own window (which says so when it is gone). False when the record names neither.
  bool openNamed();
  // «В архив…»: after the user agrees, the records older than the retention («Хранить лет»)
  // go to the archive file beside the database; `archivePath` empty: that default file.
  bool moveOldToArchive(const QString& archivePath = QString());

 private:
  void showCurrent();
  void retentionEdited();
  bool eventFilter(QObject* watched, QEvent* event) override;

  AppState& m_state;
  documents::AuditJournalModel* m_model = nullptr;
  QTableView* m_list = nullptr;
  QDateEdit* m_from = nullptr;
  QDateEdit* m_to = nullptr;
  QLineEdit* m_user = nullptr;
  QLineEdit* m_object = nullptr;
  QComboBox* m_event = nullptr;
  QPlainTextEdit* m_details = nullptr;
  QSpinBox* m_retention = nullptr;
};

// A new window over the state's database, deleted when closed.
frmAuditJournal* showAuditWindow(AppState& state, QWidget* parent);

}  // namespace balvix::shell
