#include "shell/frm_splash.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace balvix::shell {

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setWindowTitle(QStringLiteral("Balvix"));
  setStyleSheet(QStringLiteral("#frmSplash{background:#1f3a5f;} QLabel{color:white;}"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 16);
  auto* title = new QLabel(QStringLiteral("Balvix"), this);
  QFont font = title->font();
  font.setPointSize(28);
  font.setBold(true);
  title->setFont(font);
  auto* subtitle = new QLabel(QStringLiteral("Материальный и финансовый учет"), this);
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(title);
  layout->addWidget(subtitle);
  layout->addStretch();
  layout->addWidget(m_status);
  resize(420, 220);
}

void frmSplash::setStatus(const QString& text) {
  m_status->setText(text);
}

QString frmSplash::status() const {
  return m_status->text();
}

}  // namespace balvix::shell
