#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "configurator/catalog_designer.h"
#include "configurator/document_designer.h"
#include "configurator/report_designer.h"
#include "fixture.h"
#include "shell/window_names.h"

namespace balvix::configurator::testing {
namespace {

namespace names = shell::window_names;

// Stands in for a runtime window: remembers how it was asked for.
class FormProbe : public QLabel {
 public:
  explicit FormProbe(const shell::WindowArguments& arguments) : arguments(arguments) {}
  shell::WindowArguments arguments;
};

class WorkingModeButtonsTest : public ConfiguratorTest {
 protected:
  void registerProbe(const QString& name) {
    designers().registerWindow(name, [this](const shell::WindowArguments& arguments, QWidget*) {
      ++made;
      return new FormProbe(arguments);
    });
  }
  int made = 0;
};

TEST_F(WorkingModeButtonsTest, StayDisabledWhileTheFactoryHasNoSuchWindow) {
  db().execute(
      QStringLiteral("INSERT INTO form_items (type,name,descript) VALUES "
                     "('Справочник','Товары','Товары'),('Отчет','Итоги','Итоги')"));
  auto* catalog = openDesigner<frmSprFrm>(names::kCatalogDesigner, QStringLiteral("Справочник"),
                                          QStringLiteral("Товары"));
  EXPECT_FALSE(child(catalog, "Command2")->isEnabled());
  EXPECT_FALSE(child(catalog, "Command2")->toolTip().isEmpty());
  catalog->close();
  auto* report = openDesigner<frmRepFrm>(names::kReportDesigner, QStringLiteral("Отчет"),
                                         QStringLiteral("Итоги"));
  EXPECT_FALSE(child(report, "Command4")->isEnabled());
  EXPECT_FALSE(child(report, "Command2")->isEnabled());
}

TEST_F(WorkingModeButtonsTest, FormButtonOpensTheRegisteredFormInLayoutDesign) {
  registerProbe(names::kCatalogElementForm);
  // A new catalog has no form to arrange yet.
  auto* catalog = openDesigner<frmSprFrm>(names::kCatalogDesigner, QStringLiteral("Справочник"),
                                          QStringLiteral("Новый"));
  EXPECT_FALSE(child(catalog, "Command2")->isEnabled());
  catalog->close();

  db().execute(QStringLiteral(
      "INSERT INTO form_items (type,name,descript) VALUES ('Справочник','Товары','Товары')"));
  catalog = openDesigner<frmSprFrm>(names::kCatalogDesigner, QStringLiteral("Справочник"),
                                    QStringLiteral("Товары"));
  QPushButton* form = child(catalog, "Command2");
  ASSERT_TRUE(form->isEnabled());
  EXPECT_TRUE(form->toolTip().isEmpty());
  state.formDesignMode = false;
  state.currentObjectName.clear();
  form->click();
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(state.formDesignMode);
  EXPECT_EQ(state.currentObjectName, QStringLiteral("Товары"));
  auto* probe =
      static_cast<FormProbe*>(designers().existingSharedWindow(names::kCatalogElementForm));
  ASSERT_TRUE(probe);
  EXPECT_TRUE(probe->isVisible());
  EXPECT_EQ(probe->arguments.kind, config::ObjectKind::Catalog);
  EXPECT_EQ(probe->arguments.objectName, QStringLiteral("Товары"));
  EXPECT_TRUE(probe->arguments.designMode);
  // The designer's one form instance is used again.
  form->click();
  EXPECT_EQ(made, 1);
  delete probe;
}

TEST_F(WorkingModeButtonsTest, ReportDialogButtonNeedsNoSavedReport) {
  registerProbe(names::kReportDialog);
  registerProbe(names::kReport);
  auto* report = openDesigner<frmRepFrm>(names::kReportDesigner, QStringLiteral("Отчет"),
                                         QStringLiteral("Новый"));
  EXPECT_TRUE(child(report, "Command4")->isEnabled());
  EXPECT_FALSE(child(report, "Command2")->isEnabled());
  setNames(report, QStringLiteral("Итоги"), QStringLiteral("Итоги месяца"));
  messages.reply(shell::MsgAnswer::No);
  ASSERT_TRUE(report->save());
  EXPECT_TRUE(child(report, "Command2")->isEnabled());
  child(report, "Command2")->click();
  auto* probe = static_cast<FormProbe*>(designers().existingSharedWindow(names::kReport));
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->arguments.kind, config::ObjectKind::Report);
  EXPECT_EQ(probe->arguments.objectName, QStringLiteral("Итоги"));
  delete probe;
}

}  // namespace
}  // namespace balvix::configurator::testing
