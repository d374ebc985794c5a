#include "configurator/catalog_designer.h"
#include "configurator/document_designer.h"
#include "configurator/enum_designer.h"
#include "configurator/journal_designer.h"
#include "configurator/module_editor.h"
#include "configurator/register_designer.h"
#include "configurator/report_designer.h"
#include "configurator/requisite_editor.h"
#include "fixture.h"

namespace balvix::configurator::testing {
namespace {

class DesignerSetTest : public ConfiguratorTest {};

TEST_F(DesignerSetTest, EachClassNameGivesOneSharedInstanceOfThatClass) {
  for (const QString& name : DesignerSet::classNames()) {
    QWidget* first = designers().sharedWindow(name);
    ASSERT_TRUE(first) << name.toStdString();
    EXPECT_TRUE(
        QString::fromLatin1(first->metaObject()->className()).endsWith(QStringLiteral("::") + name))
        << name.toStdString();
    EXPECT_EQ(designers().sharedWindow(name), first);
    EXPECT_TRUE(first->isWindow());
  }
  EXPECT_EQ(designers().window<frmEnum>(), designers().sharedWindow(QStringLiteral("frmEnum")));
  EXPECT_EQ(designers().window<frmItem>(), designers().sharedWindow(QStringLiteral("frmItem")));
  EXPECT_EQ(designers().window<frmEdit>(), designers().sharedWindow(QStringLiteral("frmEdit")));
  EXPECT_EQ(designers().window<frmRegister>(),
            designers().sharedWindow(QStringLiteral("frmRegister")));
  EXPECT_EQ(designers().sharedWindow(QStringLiteral("frmZurnal")), nullptr);
  EXPECT_EQ(designers().sharedWindow(QStringLiteral("frmUniDoc")), nullptr);
  EXPECT_EQ(designers().newWindow(QStringLiteral("frmSprList")), nullptr);
}

TEST_F(DesignerSetTest, AWindowThatWasDestroyedIsMadeAgain) {
  QWidget* first = designers().sharedWindow(QStringLiteral("frmRepFrm"));
  delete first;
  QWidget* second = designers().sharedWindow(QStringLiteral("frmRepFrm"));
  ASSERT_TRUE(second);
  EXPECT_TRUE(qobject_cast<frmRepFrm*>(second));
}

TEST_F(DesignerSetTest, WindowsBelongToTheMainWindowButStayTopLevel) {
  shell::frmMain* main = mainWindow();
  auto* designer = designers().window<frmZurnalFrm>();
  ASSERT_TRUE(designer);
  EXPECT_EQ(designer->parentWidget(), main);
  EXPECT_TRUE(designer->isWindow());
}

}  // namespace
}  // namespace balvix::configurator::testing
