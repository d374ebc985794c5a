#include "shell/help_windows.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/app_state.h"
#include "shell/window_geometry.h"
#include "shell/window_names.h"
#include "storage/session.h"

namespace balvix::shell {

namespace {

const QString kGuideTitle = QStringLiteral("Balvix: руководство пользователя");

QString headingOf(const QTextBlock& block) {
  return block.blockFormat().headingLevel() > 0 ? block.text().trimmed() : QString();
}

void giveFocusBack(const QPointer<QWidget>& window) {
  if (!window) return;
  window->activateWindow();
  window->setFocus();
}

}  // namespace

GuideWindow::GuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmGuide"));
  setWindowTitle(QStringLiteral("Руководство пользователя"));
  setAccessibleName(windowTitle());
  resize(960, 680);
  keepPlacement(this, placementKey(QStringLiteral("GuideWindow")));

  m_search = new QLineEdit(this);
  m_search->setObjectName(QStringLiteral("GuideSearch"));
  m_search->setPlaceholderText(QStringLiteral("Поиск"));
  m_search->setAccessibleName(QStringLiteral("Поиск"));
  m_contents = new QTreeWidget(this);
  m_contents->setObjectName(QStringLiteral("GuideContents"));
  m_contents->setHeaderHidden(true);
  m_contents->setAccessibleName(QStringLiteral("Содержание"));
  m_browser = new QTextBrowser(this);
  m_browser->setObjectName(QStringLiteral("GuideText"));
  m_browser->setAccessibleName(QStringLiteral("Руководство пользователя"));
  m_browser->setOpenExternalLinks(true);
  // The pictures are linked as images/…, beside the guide in the resources.
  m_browser->setSearchPaths({QStringLiteral(":/guide")});

  QFile file(QStringLiteral(":/guide/guide.md"));
  if (file.open(QIODevice::ReadOnly))
    m_browser->setMarkdown(QString::fromUtf8(file.readAll()));
  else
    m_browser->setPlainText(QStringLiteral("Руководство не найдено в программе."));

  QTreeWidgetItem* levels[7] = {};
  for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level <= 0 || level > 6) continue;
    QTreeWidgetItem* parentItem = nullptr;
    for (int l = level - 1; l >= 1 && !parentItem; --l) parentItem = levels[l];
    auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(m_contents);
    item->setText(0, b.text().trimmed());
    levels[level] = item;
    for (int l = level + 1; l <= 6; ++l) levels[l] = nullptr;
  }
  m_contents->expandToDepth(0);
  connect(m_contents, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { showSection(item->text(0)); });
  connect(m_contents, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { showSection(item->text(0)); });
  connect(m_search, &QLineEdit::returnPressed, this, [this] { find(m_search->text()); });

  auto* splitter = new QSplitter(this);
  splitter->addWidget(m_contents);
  splitter->addWidget(m_browser);
  splitter->setStretchFactor(1, 3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_search);
  layout->addWidget(splitter, 1);
}

QString GuideWindow::sectionFor(const QString& windowClass) {
  namespace names = window_names;
  static const QHash<QString, QString> sections = {
      {names::kCatalogDesigner, QStringLiteral("1. Справочник")},
      {names::kCatalogList, QStringLiteral("1. Справочник")},
      {names::kCatalogElementForm, QStringLiteral("1. Справочник")},
      {names::kDocumentDesigner, QStringLiteral("2. Документ")},
      {names::kDocumentForm, QStringLiteral("3. Ввод и проведение")},
      {names::kJournal, QStringLiteral("4. Журнал")},
      {names::kJournalDesigner, QStringLiteral("4. Журнал")},
      {names::kReport, QStringLiteral("5. Отчет")},
      {names::kReportDialog, QStringLiteral("5. Отчет")},
      {names::kReportDesigner, QStringLiteral("5. Отчет")},
      {names::kModuleEditor, QStringLiteral("Если модуль сообщает об ошибке")},
      {names::kMain, QStringLiteral("Режим конфигурации")},
  };
  return sections.value(windowClass, kGuideTitle);
}

bool GuideWindow::showSection(const QString& heading) {
  for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
    if (headingOf(b) != heading) continue;
    QTextCursor caret(b);
    m_browser->setTextCursor(caret);
    // The heading at the top of the view, not merely somewhere in it.
    m_browser->verticalScrollBar()->setValue(
        qRound(m_browser->document()->documentLayout()->blockBoundingRect(b).top()));
    for (QTreeWidgetItem* item :
         m_contents->findItems(heading, Qt::MatchExactly | Qt::MatchRecursive))
      m_contents->setCurrentItem(item);
    return true;
  }
  return false;
}

QString GuideWindow::currentSection() const {
  for (QTextBlock b = m_browser->textCursor().block(); b.isValid(); b = b.previous())
    if (!headingOf(b).isEmpty()) return headingOf(b);
  return QString();
}

bool GuideWindow::find(const QString& text) {
  if (text.isEmpty()) return false;
  if (m_browser->find(text)) return true;
  m_browser->moveCursor(QTextCursor::Start);
  return m_browser->find(text);
}

void GuideWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  giveFocusBack(m_returnTo);
}

LanguageHelpWindow::LanguageHelpWindow(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmLanguageHelp"));
  setWindowTitle(QStringLiteral("Справка по встроенному языку"));
  setAccessibleName(windowTitle());
  resize(720, 520);
  keepPlacement(this, placementKey(QStringLiteral("LanguageHelpWindow")));
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName(QStringLiteral("LanguageTree"));
  m_tree->setHeaderHidden(true);
  m_tree->setAccessibleName(QStringLiteral("Встроенный язык"));
  m_text = new QPlainTextEdit(this);
  m_text->setObjectName(QStringLiteral("LanguageText"));
  m_text->setReadOnly(true);
  m_text->setAccessibleName(QStringLiteral("Описание"));
  auto* splitter = new QSplitter(this);
  splitter->addWidget(m_tree);
  splitter->addWidget(m_text);
  splitter->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);
  connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    const QVariant text = item ? item->data(0, Qt::UserRole) : QVariant();
    m_text->setPlainText(text.isNull() ? QString() : text.toString());
  });
  fill(state);
}

void LanguageHelpWindow::fill(AppState& state) {
  if (!state.db) return;
  try {
    QHash<QString, QTreeWidgetItem*> classes;
    for (storage::Recordset rs = state.db->openRecordset(
             QStringLiteral("SELECT класс, значение, описание FROM ОписаниеЯзыка"));
         !rs.eof(); rs.moveNext()) {
      const QString cls = rs.text(0);
      QTreeWidgetItem*& node = classes[cls];
      if (!node) node = new QTreeWidgetItem(m_tree, {cls});
      auto* item = new QTreeWidgetItem(node, {rs.text(1)});
      item->setData(0, Qt::UserRole,
                    rs.value(2).isNull() ? QStringLiteral("нет описания!") : rs.text(2));
    }
  } catch (const storage::DbError& e) {
    m_text->setPlainText(e.description());
  }
}

QString LanguageHelpWindow::description() const {
  return m_text->toPlainText();
}

void LanguageHelpWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  giveFocusBack(m_returnTo);
}

QString aboutText(const AppState& state) {
  QString text = QStringLiteral("Balvix — материальный и финансовый учет\nВерсия %1")
                     .arg(QStringLiteral(BALVIX_VERSION));
  if (state.db) {
    const QFileInfo file(state.db->path());
    text += QStringLiteral("\nБаза данных: %1\nРазмер: %2")
                .arg(QDir::toNativeSeparators(file.absoluteFilePath()),
                     QLocale(QLocale::Russian).formattedDataSize(file.size()));
  } else {
    text += QStringLiteral("\nБаза данных не открыта.");
  }
  return text;
}

}  // namespace balvix::shell
