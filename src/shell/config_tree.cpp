// The configuration tree and the language help tree of the main window.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTreeWidget>

#include "config/object_definition.h"
#include "config/object_kind.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::shell {

namespace {

constexpr int kImageRole = Qt::UserRole;

// The image of the nodes of a kind.
int kindImage(config::ObjectKind kind) {
  switch (kind) {
    case config::ObjectKind::Document:
      return 2;
    case config::ObjectKind::Catalog:
      return 5;
    case config::ObjectKind::Journal:
      return 6;
    case config::ObjectKind::Enumeration:
      return 11;
    case config::ObjectKind::Register:
      return 10;
    case config::ObjectKind::Report:
      return 9;
  }
  return 0;
}

QIcon imageIcon(const QStyle* style, int image) {
  switch (image) {
    case 1:
      return style->standardIcon(QStyle::SP_ComputerIcon);
    case 2:
      return style->standardIcon(QStyle::SP_FileIcon);
    case 3:
      return style->standardIcon(QStyle::SP_FileDialogListView);
    case 5:
      return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 6:
      return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case 7:
      return style->standardIcon(QStyle::SP_DesktopIcon);
    case 8:
      return style->standardIcon(QStyle::SP_DriveHDIcon);
    case 9:
      return style->standardIcon(QStyle::SP_FileDialogInfoView);
    case 10:
      return style->standardIcon(QStyle::SP_DriveFDIcon);
    case 11:
      return style->standardIcon(QStyle::SP_DirClosedIcon);
    default:
      return style->standardIcon(QStyle::SP_DirIcon);
  }
}

QTreeWidgetItem* addNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text,
                         int image) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
  item->setText(0, text);
  item->setData(0, kImageRole, image);
  item->setIcon(0, imageIcon(tree->style(), image));
  return item;
}

// Makes a node visible the way a tree view does: every ancestor is expanded.
void ensureVisible(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
}

QString itemPath(const QTreeWidgetItem* item) {
  QStringList parts;
  for (; item; item = item->parent()) parts.prepend(item->text(0));
  return parts.join(QLatin1Char('.'));
}

}  // namespace

void frmMain::BuildConfigTree() {
  // Rebuilding replaces the current item; the shared selection must survive it.
  const QSignalBlocker blocker(m_configTree);
  m_configTree->clear();
  QTreeWidgetItem* root = addNode(m_configTree, nullptr, QStringLiteral("Описание форм:"), 1);
  addNode(m_configTree, root, QStringLiteral("Глобальный модуль"), 7);
  addNode(m_configTree, root, QStringLiteral("Константы"), 8);
  addNode(m_configTree, root, QStringLiteral("План счетов"), 3);

  for (const config::ObjectKind kind : config::kAllKinds) {
    const QString type = config::typeWord(kind);
    const int image = kindImage(kind);
    QTreeWidgetItem* group = addNode(m_configTree, root, config::pluralWord(kind), image);
    if (kind == config::ObjectKind::Document) ensureVisible(group);
    const QString prefix = type + QLatin1Char('.');
    QTreeWidgetItem* last =
        addNode(m_configTree, group, config::objectPath(kind, config::kNewObjectName), image);
    if (m_state.db) {
      try {
        // Like every window's query, the tree's reading leaves the shared selection closed.
        m_state.sharedRecordset.close();
        for (const QString& name : config::objectNames(*m_state.db, kind))
          last = addNode(m_configTree, group, prefix + name, image);
      } catch (const storage::DbError& e) {
        setStatusText(e.description());
      }
    }
    if (m_state.objectNodeSelected && m_state.selectedConfigNode.startsWith(prefix))
      ensureVisible(last);
  }
}

void frmMain::BuildHelpList() {
  const QSignalBlocker blocker(m_helpTree);
  m_helpTree->clear();
  QTreeWidgetItem* root = addNode(m_helpTree, nullptr, QStringLiteral("Описание объектов:"), 3);
  if (!m_state.db) return;
  try {
    m_state.sharedRecordset =
        m_state.db->openRecordset(QStringLiteral("SELECT * FROM ОписаниеЯзыка"));
    QTreeWidgetItem* classNode = nullptr;
    QString previous;
    bool first = true;
    for (auto& rs = m_state.sharedRecordset; !rs.eof(); rs.moveNext()) {
      const QString cls = rs.text(QStringLiteral("класс"));
      if (first || cls != previous) {
        classNode = addNode(m_helpTree, root, cls, 2);
        ensureVisible(classNode);
        previous = cls;
        first = false;
      }
      addNode(m_helpTree, classNode, rs.text(QStringLiteral("значение")), 9);
    }
    m_state.sharedRecordset.close();
  } catch (const storage::DbError& e) {
    setStatusText(e.description());
  }
}

void frmMain::helpNodeClicked(QTreeWidgetItem* item) {
  if (!item || !m_state.db) return;
  QString rest = itemPath(item);
  int point = rest.indexOf(QLatin1Char('.'));
  if (point < 0) return;
  rest = rest.mid(point + 1);
  point = rest.indexOf(QLatin1Char('.'));
  if (point < 0) return;
  const QString cls = rest.left(point);
  const QString member = rest.mid(point + 1);
  try {
    m_state.sharedRecordset = m_state.db->openRecordset(
        QStringLiteral("SELECT * FROM ОписаниеЯзыка WHERE класс=") + storage::quote(cls) +
        QStringLiteral(" AND значение=") + storage::quote(member));
    auto& rs = m_state.sharedRecordset;
    if (rs.eof() || rs.isNull(QStringLiteral("описание")))
      m_helpText->setPlainText(QStringLiteral("нет описания!"));
    else
      m_helpText->setPlainText(rs.text(QStringLiteral("описание")));
  } catch (const storage::DbError& e) {
    m_helpText->setPlainText(e.description());
  }
}

void frmMain::configNodeClicked(QTreeWidgetItem* item, bool rightButton) {
  if (!item) return;
  const QString text = item->text(0);
  m_state.selectedConfigNode = text;
  const int point = text.indexOf(QLatin1Char('.'));
  if (point < 0) {
    m_state.objectNodeSelected = false;
    m_mnuDo->setEnabled(false);
  } else {
    m_state.objectNodeSelected = true;
    m_state.currentObjectType = text.left(point);
    m_state.currentObjectName = text.mid(point + 1);
    m_mnuDo->setEnabled(true);
  }
  // The name of the last object node decides, also after a click on a fixed node.
  if (m_state.currentObjectName == config::kNewObjectName) {
    m_mnuDel->setEnabled(false);
    m_mnuOpen->setEnabled(true);
  } else if (m_state.currentObjectName == config::kFullJournalName) {
    m_mnuDel->setEnabled(false);
    m_mnuOpen->setEnabled(false);
  } else {
    m_mnuDel->setEnabled(true);
    m_mnuOpen->setEnabled(true);
  }
  if (rightButton && point >= 0) m_mnuDo->popup(QCursor::pos());
}

void frmMain::showDesigner(const QString& type, const QString& name, bool fromOpenMenu) {
  (void)fromOpenMenu;
  const std::optional<config::ObjectKind> kind = config::kindFromWord(type);
  if (!kind || !m_state.windows) return;
  if (*kind == config::ObjectKind::Journal && name == config::kFullJournalName) return;
  showRuntimeWindow(m_state.windows->designer(*kind));
}

void frmMain::configNodeDoubleClicked() {
  const QString text = m_state.selectedConfigNode;
  if (text == QStringLiteral("План счетов")) showShared(window_names::kChartOfAccounts);
  if (text == QStringLiteral("Глобальный модуль")) {
    m_state.currentObjectType = QStringLiteral("Глобальный модуль");
    QWidget* editor =
        m_state.windows ? m_state.windows->sharedWindow(window_names::kModuleEditor) : nullptr;
    if (editor) {
      editor->setWindowTitle(QStringLiteral("Модуль: (Структура.") + m_state.currentObjectType +
                             QLatin1Char(')'));
      editor->show();
      editor->raise();
      editor->activateWindow();
    }
  }
  if (m_state.objectNodeSelected) {
    const int point = text.indexOf(QLatin1Char('.'));
    m_state.currentObjectType = text.left(point);
    m_state.currentObjectName = text.mid(point + 1);
    showDesigner(m_state.currentObjectType, m_state.currentObjectName, false);
  }
}

void frmMain::openSelectedObject() {
  if (!m_state.objectNodeSelected) return;
  const QString text = m_state.selectedConfigNode;
  const int point = text.indexOf(QLatin1Char('.'));
  m_state.currentObjectType = text.left(point);
  m_state.currentObjectName = text.mid(point + 1);
  // Enumerations and reports open from "Открыть" too, as they do on a double click.
  showDesigner(m_state.currentObjectType, m_state.currentObjectName, true);
}

}  // namespace balvix::shell
