#pragma once

#include <QIcon>
#include <QMap>
#include <QString>
#include <QToolBar>

class QAction;

namespace balvix::runtime {

// The toolbar control ("usrMenu1"): a row of numbered buttons with captions, icons and
// tooltips. Buttons are made available and unavailable by number; a click reports its
// number.
class ToolBarControl : public QToolBar {
  Q_OBJECT

 public:
  explicit ToolBarControl(QWidget* parent = nullptr);

  QAction* addButton(int number, const QString& caption, const QIcon& icon = QIcon(),
                     const QString& tooltip = QString());
  void EnableButton(int number) { setButtonEnabled(number, true); }
  void DisableButton(int number) { setButtonEnabled(number, false); }
  void setButtonEnabled(int number, bool on);
  bool isButtonEnabled(int number) const;
  QAction* button(int number) const { return m_buttons.value(number); }
  // As if the button were clicked (when it is available).
  void click(int number);

 signals:
  void ButtonClick(int number);

 private:
  QMap<int, QAction*> m_buttons;
};

}  // namespace balvix::runtime
