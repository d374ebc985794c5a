#include "shell/window_factory.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "shell/window_names.h"
#include "shell_fixture.h"

using namespace balvix;
using shell::WindowArguments;
using shell::WindowFactory;
namespace names = shell::window_names;

namespace {

// A window that shows what it was made with.
class ProbeWindow : public QLabel {
 public:
  explicit ProbeWindow(const WindowArguments& arguments) : arguments(arguments) {}
  WindowArguments arguments;
  int reused = 0;
};

WindowFactory::Creator probe(int* made) {
  return [made](const WindowArguments& arguments, QWidget*) {
    ++*made;
    return new ProbeWindow(arguments);
  };
}

}  // namespace

TEST(WindowFactory, OpensRegisteredWindowsByNameWithTheirArguments) {
  WindowFactory factory;
  int made = 0;
  EXPECT_FALSE(factory.hasWindow(names::kDocumentForm));
  EXPECT_EQ(factory.newWindow(names::kDocumentForm), nullptr);
  EXPECT_EQ(factory.sharedWindow(names::kDocumentForm), nullptr);

  factory.registerWindow(names::kDocumentForm, probe(&made),
                         [](QWidget* window, const WindowArguments& arguments) {
                           auto* p = static_cast<ProbeWindow*>(window);
                           p->arguments = arguments;
                           ++p->reused;
                         });
  EXPECT_TRUE(factory.hasWindow(names::kDocumentForm));
  EXPECT_EQ(factory.registeredNames(), QStringList{names::kDocumentForm});

  WindowArguments arguments;
  arguments.kind = config::ObjectKind::Document;
  arguments.objectName = QStringLiteral("Приход");
  arguments.elementName = QStringLiteral("№1");
  std::unique_ptr<QWidget> first(factory.newWindowWith(names::kDocumentForm, arguments));
  std::unique_ptr<QWidget> second(factory.newWindow(names::kDocumentForm));
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
  auto* p = static_cast<ProbeWindow*>(first.get());
  EXPECT_EQ(p->arguments.kind, config::ObjectKind::Document);
  EXPECT_EQ(p->arguments.objectName, QStringLiteral("Приход"));
  EXPECT_EQ(p->arguments.elementName, QStringLiteral("№1"));
  EXPECT_FALSE(static_cast<ProbeWindow*>(second.get())->arguments.kind.has_value());

  // The shared instance is made once; asking again hands it the new arguments.
  arguments.designMode = true;
  QWidget* shared = factory.sharedWindowWith(names::kDocumentForm, arguments);
  ASSERT_TRUE(shared);
  EXPECT_EQ(made, 3);
  EXPECT_TRUE(static_cast<ProbeWindow*>(shared)->arguments.designMode);
  arguments.objectName = QStringLiteral("Расход");
  EXPECT_EQ(factory.sharedWindowWith(names::kDocumentForm, arguments), shared);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(static_cast<ProbeWindow*>(shared)->reused, 1);
  EXPECT_EQ(static_cast<ProbeWindow*>(shared)->arguments.objectName, QStringLiteral("Расход"));
  EXPECT_EQ(factory.existingSharedWindow(names::kDocumentForm), shared);

  // A shared window destroyed elsewhere is made again.
  delete shared;
  EXPECT_EQ(factory.existingSharedWindow(names::kDocumentForm), nullptr);
  EXPECT_NE(factory.sharedWindow(names::kDocumentForm), nullptr);
  EXPECT_EQ(made, 4);

  factory.unregisterWindow(names::kDocumentForm);
  EXPECT_FALSE(factory.hasWindow(names::kDocumentForm));
}

TEST(WindowFactory, SharedOnlyWindowsAndDesignersByKind) {
  WindowFactory factory;
  int made = 0;
  factory.registerSharedWindow(names::kCatalogDesigner, probe(&made));
  factory.registerDesigner(config::ObjectKind::Catalog, names::kCatalogDesigner);
  EXPECT_EQ(factory.newWindow(names::kCatalogDesigner), nullptr);
  QWidget* designer = factory.designer(config::ObjectKind::Catalog);
  ASSERT_TRUE(designer);
  EXPECT_EQ(designer, factory.sharedWindow(names::kCatalogDesigner));
  EXPECT_EQ(factory.designer(config::ObjectKind::Register), nullptr);
  EXPECT_EQ(made, 1);
}

TEST_F(ShellTest, RuntimeWindowsOpenInTheDocumentAreaAndWindowsOfTheirOwnStayApart) {
  auto* runtime = new QLabel(QStringLiteral("Справочник.Товары"));
  m_main->showRuntimeWindow(runtime);
  ASSERT_TRUE(qobject_cast<QMdiSubWindow*>(runtime->parentWidget()));
  EXPECT_EQ(m_main->mdiArea()->subWindowList().size(), 1);
  // Shown again, it stays the one sub-window.
  m_main->showRuntimeWindow(runtime);
  EXPECT_EQ(m_main->mdiArea()->subWindowList().size(), 1);

  auto* own = new QWidget(m_main.get(), Qt::Window);
  m_main->showRuntimeWindow(own);
  EXPECT_TRUE(own->isVisible());
  EXPECT_EQ(own->parentWidget(), m_main.get());
  EXPECT_EQ(m_main->mdiArea()->subWindowList().size(), 1);
}
