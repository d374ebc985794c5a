#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "configurator/requisite_editor.h"
#include "fixture.h"
#include "shell/layout_design.h"
#include "shell/window_names.h"

namespace balvix::configurator::testing {
namespace {

namespace names = shell::window_names;

// A runtime form in layout design, as far as the element menu reaches it.
class FormInDesign : public QLabel, public shell::LayoutDesignTarget {
 public:
  bool renameElement(const QString& element, const QString& newName) override {
    renames << element + QStringLiteral("→") + newName;
    return true;
  }
  bool removeElement(const QString& element) override {
    removals << element;
    return true;
  }
  QStringList renames;
  QStringList removals;
};

class ElementRenameTest : public ConfiguratorTest {
 protected:
  FormInDesign* openForm(const QString& name) {
    designers().registerWindow(
        name, [](const shell::WindowArguments&, QWidget*) { return new FormInDesign; });
    return static_cast<FormInDesign*>(designers().sharedWindow(name));
  }
  void renameTo(const QString& newName) {
    auto* editor = window<frmItem>(frmItem::kWindowName);
    editor->show();
    ASSERT_EQ(editor->windowTitle(), frmItem::kElementMode);
    child<QLineEdit>(editor, "Text1")->setText(newName);
    child(editor, "Command2")->click();
    EXPECT_FALSE(editor->isVisible());
  }
};

TEST_F(ElementRenameTest, ElementModeRenamesOnTheFormTheContextNames) {
  std::unique_ptr<FormInDesign> catalogForm(openForm(names::kCatalogElementForm));
  std::unique_ptr<FormInDesign> documentForm(openForm(names::kDocumentForm));
  state.contextItemName = QStringLiteral("Цена");
  state.contextFormKind = QStringLiteral("spr");
  renameTo(QStringLiteral("Стоимость"));
  EXPECT_EQ(catalogForm->renames, QStringList{"Цена→Стоимость"});
  EXPECT_TRUE(documentForm->renames.isEmpty());

  state.contextItemName = QStringLiteral("Сумма");
  state.contextFormKind = QStringLiteral("doc");
  renameTo(QStringLiteral("Итого"));
  EXPECT_EQ(documentForm->renames, QStringList{"Сумма→Итого"});
  EXPECT_EQ(catalogForm->renames.size(), 1);

  // Another kind of window, or a form that is not open, is left alone.
  state.contextFormKind = QStringLiteral("zur");
  renameTo(QStringLiteral("Ничего"));
  documentForm.reset();
  state.contextFormKind = QStringLiteral("doc");
  renameTo(QStringLiteral("Ничего"));
  EXPECT_EQ(catalogForm->renames.size(), 1);
  EXPECT_EQ(designers().existingSharedWindow(names::kDocumentForm), nullptr);
}

TEST_F(ElementRenameTest, MainWindowsNewNameOpensTheEditorInElementModeWithoutType) {
  shell::frmMain* main = mainWindow();
  std::unique_ptr<FormInDesign> catalogForm(openForm(names::kCatalogElementForm));
  state.contextItemName = QStringLiteral("Цена");
  state.contextFormKind = QStringLiteral("spr");
  // Even when the dialog is open for a requisite, "Новое имя" turns it to the element.
  auto* editor = window<frmItem>(frmItem::kWindowName);
  editor->open(QStringLiteral("Справочник Новый"), QStringLiteral("Цена"));
  QAction* newName = main->findChild<QAction*>(QStringLiteral("mnuNewNameItem"));
  ASSERT_TRUE(newName);
  newName->trigger();
  EXPECT_EQ(child<QLineEdit>(editor, "Text1")->text(), QStringLiteral("Новый"));
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), frmItem::kElementMode);
  EXPECT_FALSE(child<QComboBox>(editor, "Combo1")->isEnabled());
  child<QLineEdit>(editor, "Text1")->setText(QStringLiteral("Стоимость"));
  child(editor, "Command2")->click();
  EXPECT_EQ(catalogForm->renames, QStringList{"Цена→Стоимость"});

  // Opened by a designer, the same dialog has its type box back.
  editor->open(QStringLiteral("Справочник Новый"), QStringLiteral("Новый"));
  EXPECT_TRUE(child<QComboBox>(editor, "Combo1")->isEnabled());
}

}  // namespace
}  // namespace balvix::configurator::testing
