#pragma once

#include <QWidget>

class QCalendarWidget;
class QCheckBox;
class QDateEdit;
class QLineEdit;

namespace balvix::shell {

// " Календарь": one month view, placed in the middle of the main window.
class frmCalendar : public QWidget {
  Q_OBJECT

 public:
  explicit frmCalendar(QWidget* mainWindow);
  QCalendarWidget* monthView() const { return m_monthView; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* m_mainWindow;
  QCalendarWidget* m_monthView = nullptr;
};

// " Настройки программы:": the commands that start the external text editor and
// calculator. Empty means "find one on PATH".
class frmSetting : public QWidget {
  Q_OBJECT

 public:
  explicit frmSetting(QWidget* parent = nullptr);

 signals:
  // The settings were stored («Сохранить»).
  void saved();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void save();

  QLineEdit* m_editor = nullptr;
  QLineEdit* m_calculator = nullptr;
  QCheckBox* m_today = nullptr;
  QDateEdit* m_workDate = nullptr;
};

}  // namespace balvix::shell
