#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace balvix::shell {

struct AppState;

// «Закрытие периода»: closing up to a date, reopening with a reason, locking for good. The
// rules live with the closed periods; the window collects the dates and shows the outcome.
class frmClosePeriod : public QDialog {
  Q_OBJECT

 public:
  frmClosePeriod(AppState& state, QWidget* parent);

  QDateEdit* closeDate() const { return m_closeDate; }
  QDateEdit* reopenDate() const { return m_reopenDate; }
  QCheckBox* reopenAll() const { return m_reopenAll; }
  QLineEdit* reason() const { return m_reason; }
  QLabel* stateText() const { return m_stateText; }

  bool closePeriod();
  bool reopenPeriod();
  bool lockPeriod();

 private:
  void showState();
  // Runs one command; its refusal is shown once its transaction is over.
  bool run(const std::function<void()>& command, const QString& done);

  AppState& m_state;
  QLabel* m_stateText = nullptr;
  QDateEdit* m_closeDate = nullptr;
  QDateEdit* m_reopenDate = nullptr;
  QCheckBox* m_reopenAll = nullptr;
  QLineEdit* m_reason = nullptr;
  QPushButton* m_lock = nullptr;
};

// A new dialog, not modal, deleted when closed.
frmClosePeriod* showPeriodDialog(AppState& state, QWidget* parent);

}  // namespace balvix::shell
