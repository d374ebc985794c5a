#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QPlainTextEdit;

namespace balvix::shell {

struct AppState;

// The user guide compiled into the program (docs/guide.md and its pictures), shown with
// Qt's own Markdown support: a table of contents of its headings, a search field and the
// text. Closing it gives the focus back to the window that asked for it.
class GuideWindow : public QWidget {
  Q_OBJECT

 public:
  explicit GuideWindow(QWidget* parent = nullptr);

  // The guide's heading for a window, by its class name ("frmUniDoc"); the guide's title
  // for windows it has no section of.
  static QString sectionFor(const QString& windowClass);
  // Scrolls to the heading; false when the guide has none of that text.
  bool showSection(const QString& heading);
  QString currentSection() const;
  // Finds the next place of the text, wrapping round; false when it is nowhere.
  bool find(const QString& text);
  void setReturnFocus(QWidget* window) { m_returnTo = window; }

  QTextBrowser* browser() const { return m_browser; }
  QTreeWidget* contents() const { return m_contents; }
  QLineEdit* searchField() const { return m_search; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QTextBrowser* m_browser = nullptr;
  QTreeWidget* m_contents = nullptr;
  QLineEdit* m_search = nullptr;
  QPointer<QWidget> m_returnTo;
};

// «Справка по встроенному языку»: the language help rows the database holds (ОписаниеЯзыка),
// by class, with the description of the chosen one.
class LanguageHelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit LanguageHelpWindow(AppState& state, QWidget* parent = nullptr);
  QTreeWidget* tree() const { return m_tree; }
  QString description() const;
  void setReturnFocus(QWidget* window) { m_returnTo = window; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void fill(AppState& state);
  QTreeWidget* m_tree = nullptr;
  QPlainTextEdit* m_text = nullptr;
  QPointer<QWidget> m_returnTo;
};

// «О программе»: the version, the database file and its size.
QString aboutText(const AppState& state);

}  // namespace balvix::shell
