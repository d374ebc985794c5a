#include "shell/accessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "shell/table_accessibility.h"

namespace balvix::shell {

namespace {

QList<QWidget*> openPopupMenus() {
  QList<QWidget*> menus;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMenu*>(w) && w->isVisible()) menus << w;
  return menus;
}

// The application's top-level windows, then the pop-up menus that are open.
class ApplicationAccessible : public QAccessibleApplication {
 public:
  int childCount() const override {
    return QAccessibleApplication::childCount() + static_cast<int>(openPopupMenus().size());
  }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleApplication::childCount();
    if (index < own) return QAccessibleApplication::child(index);
    return QAccessible::queryAccessibleInterface(openPopupMenus().value(index - own));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const int own = QAccessibleApplication::indexOfChild(child);
    if (own >= 0 || !child) return own;
    const int at =
        static_cast<int>(openPopupMenus().indexOf(qobject_cast<QWidget*>(child->object())));
    return at < 0 ? -1 : QAccessibleApplication::childCount() + at;
  }
};

// The close button of a child window's title bar, which is painted and has no widget.
class CloseButtonAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  explicit CloseButtonAccessible(QMdiSubWindow* sub) : m_sub(sub) {}

  bool isValid() const override { return m_sub; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_sub ? m_sub->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(m_sub.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return QStringLiteral("Закрыть");
    if (t == QAccessible::Description && m_sub)
      return QStringLiteral("Закрыть окно «%1»").arg(m_sub->windowTitle());
    return QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!m_sub) return QRect();
    const int side = m_sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, m_sub);
    const QPoint topRight = m_sub->mapToGlobal(QPoint(m_sub->width(), 0));
    return QRect(topRight.x() - side, topRight.y(), side, side);
  }
  QAccessible::Role role() const override { return QAccessible::Button; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invisible = !m_sub || !m_sub->isVisible();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    // After the call: closing may delete the window and this interface with it.
    if (name == pressAction() && m_sub) QTimer::singleShot(0, m_sub.data(), &QWidget::close);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    return name == pressAction() ? QStringList{QStringLiteral("Ctrl+F4")} : QStringList();
  }

 private:
  QPointer<QMdiSubWindow> m_sub;
};

// A child window: named by its caption, with its content and the close button as children.
class SubWindowAccessible : public QAccessibleWidget {
 public:
  explicit SubWindowAccessible(QMdiSubWindow* sub) : QAccessibleWidget(sub, QAccessible::Window) {
    m_close = new CloseButtonAccessible(sub);
    m_closeId = QAccessible::registerAccessibleInterface(m_close);
  }
  ~SubWindowAccessible() override { QAccessible::deleteAccessibleInterface(m_closeId); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      QString title = widget()->windowTitle();
      title.remove(QStringLiteral("[*]"));
      if (title.isEmpty())
        if (QWidget* content = static_cast<QMdiSubWindow*>(widget())->widget())
          title = content->windowTitle();
      return title;
    }
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return QAccessibleWidget::childCount() + 1; }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleWidget::childCount();
    return index == own ? m_close : QAccessibleWidget::child(index);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child == m_close ? QAccessibleWidget::childCount()
                            : QAccessibleWidget::indexOfChild(child);
  }

 private:
  CloseButtonAccessible* m_close = nullptr;
  QAccessible::Id m_closeId = 0;
};

QAccessibleInterface* accessibleFactory(const QString& key, QObject* object) {
  if (key == QLatin1String("QApplication") && object == qApp) return new ApplicationAccessible;
  if (QAccessibleInterface* table = describedTableAccessible(object)) return table;
  if (key == QLatin1String("QMdiSubWindow"))
    if (auto* sub = qobject_cast<QMdiSubWindow*>(object)) return new SubWindowAccessible(sub);
  return nullptr;
}

}  // namespace

void installAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(accessibleFactory);
}

void nameToolbarOverflow(QToolBar* bar) {
  for (QToolButton* button :
       bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
    button->setAccessibleName(QStringLiteral("Остальные кнопки панели"));
    button->setToolTip(QStringLiteral("Остальные кнопки панели"));
  }
}

}  // namespace balvix::shell
