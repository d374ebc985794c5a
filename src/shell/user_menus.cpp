// The four user menus built from the configuration, and their click handlers.
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "config/document_names.h"
#include "config/object_definition.h"
#include "config/object_kind.h"
#include "shell/frm_main.h"
#include "shell/frm_splash.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::shell {

namespace {

// The kinds of the four user menus, in menu order.
constexpr config::ObjectKind kMenuKinds[4] = {
    config::ObjectKind::Catalog, config::ObjectKind::Document, config::ObjectKind::Journal,
    config::ObjectKind::Report};

}  // namespace

void frmMain::BuildMenus() {
  if (m_splash) {
    m_splash->setStatus(QStringLiteral("Построение списка меню..."));
    QCoreApplication::processEvents();
  }
  for (int kind = 0; kind < 4; ++kind) buildUserMenu(kind);
  // Later scans of the table list must see what the designers created or dropped.
  if (m_state.db) {
    try {
      m_state.db->refreshTables();
    } catch (const storage::DbError&) {
    }
  }
}

void frmMain::buildUserMenu(int kind) {
  auto& items = m_userItems[kind];
  // Only the template item 0 survives a rebuild.
  while (items.size() > 1) {
    delete items.back();
    items.pop_back();
  }
  QAction* item0 = items.front();
  item0->setText(QString());
  item0->setData(QString());
  if (!m_state.db) return;
  // A missing or damaged form_items leaves the template items and start-up goes on.
  try {
    // Like every window's query, the menu's reading leaves the shared selection closed.
    m_state.sharedRecordset.close();
    int k = 0;
    for (const config::ObjectDefinition& object :
         config::readDefinitions(*m_state.db, kMenuKinds[kind])) {
      QAction* item = item0;
      if (k > 0) {
        item = m_userMenus[kind]->addAction(QString());
        item->setObjectName(item0->objectName());
        item->setProperty("index", k);
        items.push_back(item);
      }
      // A "&" in a caption is shown as it is, not taken as an accelerator.
      QString caption = object.description;
      item->setText(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
      item->setData(object.name);
      ++k;
    }
  } catch (const storage::DbError&) {
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    QAction* item = items[i];
    disconnect(item, &QAction::triggered, this, nullptr);
    const int index = static_cast<int>(i);
    switch (kind) {
      case 0:
        connect(item, &QAction::triggered, this, [this, index] { spravkaClicked(index); });
        break;
      case 1:
        connect(item, &QAction::triggered, this, [this, index] { documentClicked(index); });
        break;
      case 2:
        connect(item, &QAction::triggered, this, [this, index] { journalClicked(index); });
        break;
      default:
        connect(item, &QAction::triggered, this, [this, index] { reportClicked(index); });
        break;
    }
  }
}

bool frmMain::windowWithCaptionExists(const QString& caption) const {
  for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
    if (sub->windowTitle() == caption || (sub->widget() && sub->widget()->windowTitle() == caption))
      return true;
  }
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == caption) return true;
  }
  return false;
}

QWidget* frmMain::openRuntimeWindow(const QString& className, const QString& caption) {
  WindowArguments arguments;
  arguments.kind = config::kindFromWord(m_state.currentObjectType);
  arguments.objectName = m_state.currentObjectName;
  arguments.elementName = m_state.currentElementName;
  QWidget* window =
      m_state.windows ? m_state.windows->newWindowWith(className, arguments) : nullptr;
  if (!window) {
    MessageBoxes::show(QStringLiteral("Окно \"") + caption +
                       QStringLiteral("\" откроется в рабочем режиме следующей версии программы."));
    return nullptr;
  }
  if (!caption.isEmpty()) window->setWindowTitle(caption);
  addChildWindow(window);
  return window;
}

namespace {

QString tagOf(const std::vector<QAction*>& items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) return QString();
  return items[static_cast<std::size_t>(index)]->data().toString();
}

}  // namespace

QString frmMain::userMenuTarget(int kind, int index, const QString& captionPrefix,
                                const QString& captionSuffix) {
  if (configurationMode()) {
    MessageBoxes::show(QStringLiteral("Режим конфигурирования"));
    return QString();
  }
  const QString tag = tagOf(m_userItems[kind], index);
  // The window already open is not brought forward: nothing happens.
  if (tag.isEmpty() || windowWithCaptionExists(captionPrefix + tag + captionSuffix))
    return QString();
  return tag;
}

QString frmMain::newDocumentCaption(const QString& kind) const {
  try {
    if (m_state.db) return config::newDocumentTitle(config::kindCaption(*m_state.db, kind));
  } catch (const storage::DbError&) {
  }
  return config::newDocumentTitle(kind);
}

void frmMain::spravkaClicked(int index) {
  const QString tag =
      userMenuTarget(0, index, config::typeWord(config::ObjectKind::Catalog) + QLatin1Char('.'));
  if (tag.isEmpty()) return;
  m_state.contextFormKind = QStringLiteral("spr");
  m_state.currentObjectName = tag;
  m_state.currentElementName.clear();
  // The catalog list gives itself its caption.
  m_state.choiceWindow = openRuntimeWindow(window_names::kCatalogList, QString());
}

void frmMain::documentClicked(int index) {
  const QString type = config::typeWord(config::ObjectKind::Document);
  // A new document's window names itself by its kind's caption: one such window per kind.
  const QString caption = newDocumentCaption(tagOf(m_userItems[1], index));
  const QString tag = userMenuTarget(1, index, QString(), QString());
  if (tag.isEmpty() || windowWithCaptionExists(caption)) return;
  m_state.currentObjectName = tag;
  m_state.currentElementName.clear();
  m_state.currentObjectType = type;
  // A new document: no stored one is picked.
  m_state.pickedDocumentDate.clear();
  m_state.pickedDocumentTime.clear();
  m_state.documentWindow = openRuntimeWindow(window_names::kDocumentForm, caption);
}

void frmMain::journalClicked(int index) {
  const QString tag =
      userMenuTarget(2, index, config::typeWord(config::ObjectKind::Journal) + QLatin1Char('.'));
  if (tag.isEmpty()) return;
  m_state.contextFormKind = QStringLiteral("zur");
  m_state.currentObjectType = config::typeWord(config::ObjectKind::Journal);
  m_state.currentObjectName = tag;
  m_state.currentElementName.clear();
  m_state.journalWindow =
      openRuntimeWindow(window_names::kJournal,
                        m_state.currentObjectType + QLatin1Char('.') + m_state.currentObjectName);
}

void frmMain::reportClicked(int index) {
  const QString tag =
      userMenuTarget(3, index, config::typeWord(config::ObjectKind::Report) + QLatin1Char('.'));
  if (tag.isEmpty()) return;
  m_state.currentObjectType = config::typeWord(config::ObjectKind::Report);
  m_state.currentObjectName = tag;
  m_state.reportWindow =
      openRuntimeWindow(window_names::kReport,
                        m_state.currentObjectType + QLatin1Char('.') + m_state.currentObjectName);
}

}  // namespace balvix::shell
