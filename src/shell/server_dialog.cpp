#include "shell/server_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "storage/object_locks.h"

namespace balvix::shell {

namespace {

QSettings settings() {
  return QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
}

QLineEdit* field(QWidget* parent, const char* objectName, const QString& name,
                 const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QLatin1String(objectName));
  edit->setAccessibleName(name);
  return edit;
}

}  // namespace

frmServerConnection::frmServerConnection(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmServerConnection"));
  setWindowTitle(QStringLiteral("Открыть базу данных на сервере"));
  const QSettings kept = settings();
  m_host = field(this, "txtServerHost", QStringLiteral("Сервер"),
                 kept.value(QStringLiteral("server/host"), QStringLiteral("localhost")).toString());
  m_port = new QSpinBox(this);
  m_port->setObjectName(QStringLiteral("txtServerPort"));
  m_port->setAccessibleName(QStringLiteral("Порт"));
  m_port->setRange(1, 65535);
  m_port->setValue(kept.value(QStringLiteral("server/port"), 5432).toInt());
  m_database = field(this, "txtServerDatabase", QStringLiteral("База данных"),
                     kept.value(QStringLiteral("server/database")).toString());
  m_user = field(this, "txtServerUser", QStringLiteral("Пользователь"),
                 kept.value(QStringLiteral("server/user"), storage::currentUserName()).toString());

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Сервер:"), m_host);
  form->addRow(QStringLiteral("П&орт:"), m_port);
  form->addRow(QStringLiteral("&База данных:"), m_database);
  form->addRow(QStringLiteral("&Пользователь:"), m_user);
  auto* note = new QLabel(QStringLiteral("Пароль программа не спрашивает и не хранит: он берется "
                                         "из PGPASSWORD или файла ~/.pgpass. Сервер может быть и "
                                         "папкой локального сокета (/var/run/postgresql)."),
                          this);
  note->setObjectName(QStringLiteral("lblServerNote"));
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  m_connect = buttons->addButton(QStringLiteral("Подключить"), QDialogButtonBox::AcceptRole);
  m_connect->setObjectName(QStringLiteral("cmdServerConnect"));
  m_connect->setAccessibleName(QStringLiteral("Подключить"));
  m_connect->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cmdServerCancel"));
  cancel->setAccessibleName(QStringLiteral("Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_host, &QLineEdit::textChanged, this, &frmServerConnection::updateButton);
  connect(m_database, &QLineEdit::textChanged, this, &frmServerConnection::updateButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
  updateButton();
  (m_database->text().isEmpty() ? m_database : m_host)->setFocus();
}

storage::ServerPlace frmServerConnection::place() const {
  return {m_host->text().trimmed(), m_port->value(), m_database->text().trimmed(),
          m_user->text().trimmed()};
}

void frmServerConnection::remember() const {
  QSettings kept = settings();
  const storage::ServerPlace p = place();
  kept.setValue(QStringLiteral("server/host"), p.host);
  kept.setValue(QStringLiteral("server/port"), p.port);
  kept.setValue(QStringLiteral("server/database"), p.database);
  kept.setValue(QStringLiteral("server/user"), p.user);
}

void frmServerConnection::updateButton() {
  m_connect->setEnabled(!m_host->text().trimmed().isEmpty() &&
                        !m_database->text().trimmed().isEmpty());
}

}  // namespace balvix::shell
