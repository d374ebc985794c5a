#include <QAction>
#include <QLabel>
#include <QMenu>

#include "shell/layout_design.h"
#include "shell/object_deletion.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "shell_fixture.h"

using namespace balvix;

namespace {

class FormInDesign : public QLabel, public shell::LayoutDesignTarget {
 public:
  bool renameElement(const QString&, const QString&) override { return false; }
  bool removeElement(const QString& element) override {
    removed << element;
    return element != QStringLiteral("Нет");
  }
  QStringList removed;
};

// The two forms in layout design, as the designers leave them open.
class OpenForms : public shell::WindowProvider {
 public:
  QWidget* sharedWindow(const QString& name) override { return existingSharedWindow(name); }
  QWidget* existingSharedWindow(const QString& name) const override {
    if (name == shell::window_names::kCatalogElementForm) return catalog;
    if (name == shell::window_names::kDocumentForm) return document;
    return nullptr;
  }
  FormInDesign* catalog = nullptr;
  FormInDesign* document = nullptr;
};

}  // namespace

TEST_F(ShellTest, ElementMenuRemovesTheElementFromTheFormInLayoutDesign) {
  FormInDesign catalog;
  FormInDesign document;
  OpenForms forms;
  forms.catalog = &catalog;
  forms.document = &document;
  m_state.windows = &forms;

  m_state.contextFormKind = QStringLiteral("spr");
  m_state.contextItemName = QStringLiteral("Цена");
  QAction* remove = m_main->findChild<QAction*>(QStringLiteral("mnuDelItem"));
  ASSERT_TRUE(remove);
  remove->trigger();
  EXPECT_EQ(catalog.removed, QStringList{"Цена"});
  EXPECT_TRUE(document.removed.isEmpty());

  // Any other kind means the document form, and the kind is set to say so.
  m_state.contextFormKind = QStringLiteral("zur");
  m_state.contextItemName = QStringLiteral("Сумма");
  EXPECT_TRUE(shell::removeFormElement(m_state));
  EXPECT_EQ(m_state.contextFormKind, QStringLiteral("doc"));
  EXPECT_EQ(document.removed, QStringList{"Сумма"});
  m_state.contextItemName = QStringLiteral("Нет");
  EXPECT_FALSE(shell::removeFormElement(m_state));

  // No form open in layout design: nothing happens.
  forms.document = nullptr;
  EXPECT_FALSE(shell::removeFormElement(m_state));
  m_state.windows = nullptr;
}
