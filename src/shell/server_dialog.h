#pragma once

#include <QDialog>

#include "storage/session.h"

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace balvix::shell {

// «Открыть базу данных на сервере»: the server, its port, the database and the user, kept
// for the next time (the password never: libpq takes it from PGPASSWORD or ~/.pgpass).
// «Подключить» is open once the server and the database are named.
class frmServerConnection : public QDialog {
  Q_OBJECT

 public:
  explicit frmServerConnection(QWidget* parent);

  QLineEdit* host() const { return m_host; }
  QSpinBox* port() const { return m_port; }
  QLineEdit* database() const { return m_database; }
  QLineEdit* user() const { return m_user; }
  QPushButton* connectButton() const { return m_connect; }

  storage::ServerPlace place() const;
  QString address() const { return storage::serverAddress(place()); }
  // The fields as they were, for the next time the dialog opens.
  void remember() const;

 private:
  void updateButton();

  QLineEdit* m_host = nullptr;
  QSpinBox* m_port = nullptr;
  QLineEdit* m_database = nullptr;
  QLineEdit* m_user = nullptr;
  QPushButton* m_connect = nullptr;
};

}  // namespace balvix::shell
