#pragma once

#include <QWidget>

class QLabel;

namespace balvix::shell {

// The start-up window with its status line (Label1).
class frmSplash : public QWidget {
  Q_OBJECT

 public:
  explicit frmSplash(QWidget* parent = nullptr);
  void setStatus(const QString& text);
  QString status() const;

 private:
  QLabel* m_status = nullptr;
};

}  // namespace balvix::shell
