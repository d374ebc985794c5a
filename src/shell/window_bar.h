#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <map>

class QToolButton;

namespace balvix::shell {

// The window bar: one check button per open runtime window (the control array Check1).
// Item 0 is the never-shown template at Left -2000; items keep their index for their
// whole life and new ones take the highest index + 1.
class WindowBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kButtonWidth = 2000;  // twips
  static constexpr double kButtonHeight = 285;  // twips

  explicit WindowBar(QWidget* parent = nullptr);

  void registerWindow(const QString& caption, const QString& action);

  // Captions of 20 characters or more are cut to 16 and "...".
  static QString shortCaption(const QString& caption);

  // Inspection, used by the main window and by tests.
  QList<int> indexes() const;  // loaded items, template included
  QToolButton* button(int index) const;
  double leftTwips(int index) const;
  QString tag(int index) const;

 signals:
  // A button was pressed: the main window brings forward the window of that caption.
  void windowRequested(const QString& caption);

 private:
  struct Item {
    QToolButton* button = nullptr;
    double left = 0;
    QString tag;
  };
  void place(Item& item);

  std::map<int, Item> m_items;
};

}  // namespace balvix::shell
