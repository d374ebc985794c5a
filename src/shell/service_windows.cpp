#include "shell/service_windows.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/external_tools.h"
#include "shell/window_geometry.h"
#include "shell/working_date.h"

namespace balvix::shell {

frmCalendar::frmCalendar(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_mainWindow(mainWindow) {
  setObjectName(QStringLiteral("frmCalendar"));
  setWindowTitle(QStringLiteral(" Календарь"));
  auto* layout = new QVBoxLayout(this);
  m_monthView = new QCalendarWidget(this);
  m_monthView->setObjectName(QStringLiteral("MonthView1"));
  m_monthView->setAccessibleName(QStringLiteral("Календарь"));
  m_monthView->setGridVisible(true);
  layout->addWidget(m_monthView);
  adjustSize();
}

void frmCalendar::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!m_mainWindow) return;
  // Centred on the main window's outer frame, not on its client area.
  const QRect outer = m_mainWindow->frameGeometry();
  move(outer.left() + (outer.width() - width()) / 2, outer.top() + (outer.height() - height()) / 2);
}

frmSetting::frmSetting(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmSetting"));
  setWindowTitle(QStringLiteral(" Настройки программы:"));
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("SSTab1"));
  auto* page = new QWidget(tabs);
  auto* pageLayout = new QVBoxLayout(page);
  auto* frame = new QGroupBox(QStringLiteral("Настройки:"), page);
  frame->setObjectName(QStringLiteral("Frame1"));
  auto* form = new QFormLayout(frame);
  m_editor = new QLineEdit(frame);
  m_editor->setObjectName(QStringLiteral("Text1"));
  m_editor->setPlaceholderText(QStringLiteral("средствами рабочего стола (xdg-open)"));
  m_editor->setToolTip(
      QStringLiteral("Команда текстового редактора, например «gedit»; файл "
                     "добавляется к ней. Пусто — файл открывает рабочий стол."));
  m_calculator = new QLineEdit(frame);
  m_calculator->setObjectName(QStringLiteral("Text2"));
  m_calculator->setPlaceholderText(QStringLiteral("первый найденный: ") +
                                   knownCalculators().join(QStringLiteral(", ")));
  m_calculator->setToolTip(
      QStringLiteral("Команда калькулятора, например «gnome-calculator». "
                     "Пусто — первый найденный из известных."));
  auto* editorLabel = new QLabel(QStringLiteral("&Текстовый редактор:"), frame);
  editorLabel->setBuddy(m_editor);
  auto* calculatorLabel = new QLabel(QStringLiteral("&Калькулятор:"), frame);
  calculatorLabel->setBuddy(m_calculator);
  form->addRow(editorLabel, m_editor);
  form->addRow(calculatorLabel, m_calculator);
  // The working date: today unless the user enters documents for another day.
  m_today = new QCheckBox(QStringLiteral("&Текущая дата"), frame);
  m_today->setObjectName(QStringLiteral("chkToday"));
  m_workDate = new QDateEdit(frame);
  m_workDate->setObjectName(QStringLiteral("DTWork"));
  m_workDate->setCalendarPopup(true);
  m_workDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  m_workDate->setAccessibleName(QStringLiteral("Рабочая дата:"));
  auto* dateRow = new QHBoxLayout;
  dateRow->addWidget(m_workDate);
  dateRow->addWidget(m_today);
  dateRow->addStretch();
  auto* dateLabel = new QLabel(QStringLiteral("&Рабочая дата:"), frame);
  dateLabel->setBuddy(m_workDate);
  form->addRow(dateLabel, dateRow);
  connect(m_today, &QCheckBox::toggled, m_workDate, &QWidget::setDisabled);
  pageLayout->addWidget(frame);
  pageLayout->addStretch();
  tabs->addTab(page, QStringLiteral("Программы"));
  layout->addWidget(tabs);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("&Сохранить"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Отмена"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    save();
    close();
  });
  connect(cancel, &QPushButton::clicked, this, &QWidget::close);
  resize(460, 220);
  keepPlacement(this, placementKey(objectName()));
}

void frmSetting::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  m_editor->setText(settings.value(QStringLiteral("EditorCommand")).toString());
  m_calculator->setText(settings.value(QStringLiteral("CalculatorCommand")).toString());
  m_today->setChecked(!workingDateIsSet());
  m_workDate->setDate(workingDate());
  m_workDate->setDisabled(m_today->isChecked());
}

void frmSetting::save() {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  settings.setValue(QStringLiteral("EditorCommand"), m_editor->text().trimmed());
  settings.setValue(QStringLiteral("CalculatorCommand"), m_calculator->text().trimmed());
  setWorkingDate(m_today->isChecked() ? QDate() : m_workDate->date());
  emit saved();
}

}  // namespace balvix::shell
