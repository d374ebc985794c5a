#include "shell/window_bar.h"

#include <QToolButton>

#include "shell/twips.h"

namespace balvix::shell {

WindowBar::WindowBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Picture1"));
  setFixedHeight(twipsToPixels(kButtonHeight) + 2);
  Item templ;
  templ.button = new QToolButton(this);
  templ.button->setObjectName(QStringLiteral("Check1"));
  templ.button->setCheckable(true);
  templ.button->hide();
  templ.left = -kButtonWidth;
  place(templ);
  m_items.emplace(0, templ);
}

QString WindowBar::shortCaption(const QString& caption) {
  return caption.size() < 20 ? caption : caption.left(16) + QStringLiteral("...");
}

void WindowBar::place(Item& item) {
  item.button->setGeometry(twipsToPixels(item.left), 0, twipsToPixels(kButtonWidth),
                           twipsToPixels(kButtonHeight));
}

void WindowBar::registerWindow(const QString& caption, const QString& action) {
  if (action == QLatin1String("load")) {
    for (const auto& [index, item] : m_items) {
      if (index > 0 && item.tag == caption) return;
    }
    const int n = m_items.rbegin()->first + 1;
    const Item& previous = m_items.rbegin()->second;
    Item item;
    item.button = new QToolButton(this);
    item.button->setObjectName(QStringLiteral("Check1"));
    item.button->setProperty("index", n);
    item.button->setCheckable(true);
    item.button->setText(shortCaption(caption));
    item.button->setToolTip(caption);
    item.button->setAccessibleName(caption);
    item.button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    item.tag = caption;
    item.left = previous.left + kButtonWidth;
    place(item);
    item.button->show();
    // A press brings the window forward; the pressed state follows activation only.
    connect(item.button, &QToolButton::pressed, this,
            [this, caption] { emit windowRequested(caption); });
    connect(item.button, &QToolButton::clicked, this, [this, n] {
      auto it = m_items.find(n);
      if (it != m_items.end())
        it->second.button->setChecked(it->second.button->property("active").toBool());
    });
    m_items.emplace(n, item);
  } else if (action == QLatin1String("unload")) {
    for (auto it = m_items.begin(); it != m_items.end();) {
      if (it->first > 0 && it->second.tag == caption) {
        delete it->second.button;
        it = m_items.erase(it);
      } else {
        ++it;
      }
    }
    double x = 0;
    for (auto& [index, item] : m_items) {
      if (index == 0) continue;
      item.left = x;
      place(item);
      x += kButtonWidth;
    }
  } else if (action == QLatin1String("active") || action == QLatin1String("inactive")) {
    const bool active = action == QLatin1String("active");
    for (auto& [index, item] : m_items) {
      if (index > 0 && item.tag == caption) {
        item.button->setProperty("active", active);
        item.button->setChecked(active);
      }
    }
  }
}

QList<int> WindowBar::indexes() const {
  QList<int> list;
  for (const auto& entry : m_items) list << entry.first;
  return list;
}

QToolButton* WindowBar::button(int index) const {
  auto it = m_items.find(index);
  return it == m_items.end() ? nullptr : it->second.button;
}

double WindowBar::leftTwips(int index) const {
  auto it = m_items.find(index);
  return it == m_items.end() ? 0 : it->second.left;
}

QString WindowBar::tag(int index) const {
  auto it = m_items.find(index);
  return it == m_items.end() ? QString() : it->second.tag;
}

}  // namespace balvix::shell
