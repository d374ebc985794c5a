#include "shell/period_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "config/closed_periods.h"
#include "shell/app_state.h"
#include "shell/message_box.h"
#include "storage/session.h"

namespace balvix::shell {

namespace {

const QString kTitle = QStringLiteral("Закрытие периода");

QDateEdit* dateField(QWidget* parent, const QString& name, const QString& label) {
  auto* edit = new QDateEdit(parent);
  edit->setObjectName(name);
  edit->setAccessibleName(label);
  edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  edit->setCalendarPopup(true);
  return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAccessibleName(QString(text).remove(u'&'));
  return b;
}

void addRow(QFormLayout* form, const QString& label, QWidget* field) {
  auto* caption = new QLabel(label, form->parentWidget());
  caption->setBuddy(field);
  form->addRow(caption, field);
}

QDate lastDayOfPreviousMonth() {
  const QDate today = QDate::currentDate();
  return QDate(today.year(), today.month(), 1).addDays(-1);
}

}  // namespace

frmClosePeriod::frmClosePeriod(AppState& state, QWidget* parent) : QDialog(parent), m_state(state) {
  setObjectName(QStringLiteral("frmClosePeriod"));
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);
  auto* layout = new QVBoxLayout(this);
  m_stateText = new QLabel(this);
  m_stateText->setObjectName(QStringLiteral("lblPeriodState"));
  m_stateText->setWordWrap(true);
  layout->addWidget(m_stateText);

  auto* closing = new QGroupBox(QStringLiteral("Закрыть период"), this);
  auto* closeForm = new QFormLayout(closing);
  m_closeDate = dateField(closing, QStringLiteral("txtCloseDate"), QStringLiteral("Закрыть по"));
  addRow(closeForm, QStringLiteral("Закрыть &по:"), m_closeDate);
  QPushButton* close =
      button(closing, QStringLiteral("cmdClosePeriod"), QStringLiteral("Закрыть период"));
  closeForm->addRow(close);
  layout->addWidget(closing);

  auto* reopening = new QGroupBox(QStringLiteral("Открыть период"), this);
  auto* reopenForm = new QFormLayout(reopening);
  m_reopenDate =
      dateField(reopening, QStringLiteral("txtReopenDate"), QStringLiteral("Оставить закрытым по"));
  addRow(reopenForm, QStringLiteral("Оставить закрытым п&о:"), m_reopenDate);
  m_reopenAll = new QCheckBox(QStringLiteral("Открыть &все периоды"), reopening);
  m_reopenAll->setObjectName(QStringLiteral("chkReopenAll"));
  m_reopenAll->setAccessibleName(QStringLiteral("Открыть все периоды"));
  reopenForm->addRow(m_reopenAll);
  m_reason = new QLineEdit(reopening);
  m_reason->setObjectName(QStringLiteral("txtReopenReason"));
  m_reason->setAccessibleName(QStringLiteral("Причина"));
  addRow(reopenForm, QStringLiteral("&Причина:"), m_reason);
  QPushButton* reopen =
      button(reopening, QStringLiteral("cmdReopenPeriod"), QStringLiteral("Открыть период"));
  reopenForm->addRow(reopen);
  layout->addWidget(reopening);
  connect(m_reopenAll, &QCheckBox::toggled, m_reopenDate, &QWidget::setDisabled);

  auto* buttons = new QHBoxLayout;
  m_lock = button(this, QStringLiteral("cmdLockPeriod"), QStringLiteral("Запретить изменение"));
  m_lock->setToolTip(QStringLiteral("Закрытый период запрещается к изменению навсегда"));
  QPushButton* done = button(this, QStringLiteral("cmdClose"), QStringLiteral("Закрыть"));
  buttons->addWidget(m_lock);
  buttons->addStretch();
  buttons->addWidget(done);
  layout->addLayout(buttons);

  connect(close, &QPushButton::clicked, this, &frmClosePeriod::closePeriod);
  connect(reopen, &QPushButton::clicked, this, &frmClosePeriod::reopenPeriod);
  connect(m_lock, &QPushButton::clicked, this, &frmClosePeriod::lockPeriod);
  connect(done, &QPushButton::clicked, this, &QDialog::accept);
  showState();
}

void frmClosePeriod::showState() {
  config::periods::PeriodState period;
  try {
    if (m_state.db) period = config::periods::readState(*m_state.db);
  } catch (const storage::DbError& e) {
    m_stateText->setText(e.description());
    return;
  }
  QString text = period.closedTo.isValid() ? config::periods::closedText(period.closedTo)
                                           : QStringLiteral("Закрытых периодов нет.");
  if (period.lockedTo.isValid())
    text += QStringLiteral(" Период по %1 запрещен к изменению.")
                .arg(period.lockedTo.toString(QStringLiteral("dd.MM.yyyy")));
  m_stateText->setText(text);
  m_stateText->setAccessibleName(text);
  m_closeDate->setDate(period.closedTo.isValid() && period.closedTo >= lastDayOfPreviousMonth()
                           ? period.closedTo
                           : lastDayOfPreviousMonth());
  const QDate reopenTo = period.closedTo.isValid()
                             ? QDate(period.closedTo.year(), period.closedTo.month(), 1).addDays(-1)
                             : lastDayOfPreviousMonth();
  m_reopenDate->setDate(period.lockedTo.isValid() && reopenTo < period.lockedTo ? period.lockedTo
                                                                                : reopenTo);
  m_lock->setEnabled(period.closedTo.isValid() && period.lockedTo != period.closedTo);
}

bool frmClosePeriod::run(const std::function<void()>& command, const QString& done) {
  if (!m_state.db) return false;
  QString problem;
  try {
    command();
  } catch (const storage::DbError& e) {
    problem = e.description();
  }
  showState();
  if (!problem.isEmpty()) {
    MessageBoxes::show(problem, MsgButtons::Ok, kTitle, MsgIcon::Warning);
    return false;
  }
  MessageBoxes::show(done, MsgButtons::Ok, kTitle, MsgIcon::Information);
  return true;
}

bool frmClosePeriod::closePeriod() {
  const QDate date = m_closeDate->date();
  return run([&] { config::periods::closePeriod(*m_state.db, date); },
             config::periods::closedText(date) +
                 QStringLiteral(" Документы, датированные в нем, изменить нельзя."));
}

bool frmClosePeriod::reopenPeriod() {
  const QDate date = m_reopenAll->isChecked() ? QDate() : m_reopenDate->date();
  if (m_reason->text().trimmed().isEmpty()) {
    MessageBoxes::show(QStringLiteral("Укажите причину открытия периода: она записывается в "
                                      "журнал регистрации."),
                       MsgButtons::Ok, kTitle, MsgIcon::Warning);
    m_reason->setFocus();
    return false;
  }
  const QString reason = m_reason->text();
  const bool opened = run(
      [&] { config::periods::reopenPeriod(*m_state.db, date, reason); },
      date.isValid() ? config::periods::closedText(date) : QStringLiteral("Все периоды открыты."));
  if (opened) m_reason->clear();
  return opened;
}

bool frmClosePeriod::lockPeriod() {
  config::periods::PeriodState period;
  try {
    period = config::periods::readState(*m_state.db);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  if (!period.closedTo.isValid()) return false;
  const QString date = period.closedTo.toString(QStringLiteral("dd.MM.yyyy"));
  if (MessageBoxes::show(QStringLiteral("Период по %1 будет запрещен к изменению. Открыть его "
                                        "после этого будет нельзя.\nПродолжить?")
                             .arg(date),
                         MsgButtons::YesNo, kTitle, MsgIcon::Question) != MsgAnswer::Yes)
    return false;
  return run([&] { config::periods::lockPeriod(*m_state.db); },
             QStringLiteral("Период по %1 запрещен к изменению.").arg(date));
}

frmClosePeriod* showPeriodDialog(AppState& state, QWidget* parent) {
  auto* dialog = new frmClosePeriod(state, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

}  // namespace balvix::shell
