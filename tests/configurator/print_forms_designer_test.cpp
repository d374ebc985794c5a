#include "configurator/print_forms_designer.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "config/object_definition.h"
#include "config/print_forms.h"
#include "configurator/document_designer.h"
#include "configurator/module_editor.h"
#include "configurator/module_text_edit.h"
#include "fixture.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class PrintFormsDesignerTest : public ConfiguratorTest {
 protected:
  PrintFormsDesignerTest() {
    config::ObjectDefinition sale;
    sale.kind = config::ObjectKind::Document;
    sale.name = QStringLiteral("Продажа");
    sale.description = QStringLiteral("Продажа");
    sale.journal = config::kFullJournalName;
    config::insertDefinition(db(), sale);
  }
  frmPrintForms* open() {
    auto* d = openDesigner<frmDocs>(QStringLiteral("frmDocs"), QStringLiteral("Документ"),
                                    QStringLiteral("Продажа"));
    EXPECT_TRUE(d->printFormsButton()->isEnabled());
    d->printFormsButton()->click();
    return d->findChild<frmPrintForms*>();
  }
  static void command(frmPrintForms* w, const QString& name, const char* button) {
    w->nameField()->setText(name);
    child(w, button)->click();
  }
  QStringList stored() { return config::printFormNames(db(), QStringLiteral("Продажа")); }
};

TEST_F(PrintFormsDesignerTest, FormsAreAddedRenamedAndDeletedInTheirOwnRows) {
  frmPrintForms* w = open();
  ASSERT_TRUE(w && w->isVisible());
  command(w, QStringLiteral("Накладная"), "cmdAdd");
  command(w, QStringLiteral("Счет"), "cmdAdd");
  command(w, QStringLiteral("Счет"), "cmdAdd");
  EXPECT_EQ(messages.last(), QStringLiteral("Печатная форма «Счет» уже есть."));
  command(w, QString(), "cmdAdd");
  EXPECT_EQ(messages.last(), QStringLiteral("Необходимо ввести название."));
  EXPECT_EQ(stored(), (QStringList{QStringLiteral("Накладная"), QStringLiteral("Счет")}));
  EXPECT_EQ(config::readPrintForm(db(), QStringLiteral("Продажа"), QStringLiteral("Счет"))->module,
            config::printFormModuleTemplate());

  w->list()->setCurrentRow(1);
  command(w, QStringLiteral("Счет-фактура"), "cmdRename");
  EXPECT_EQ(stored(), (QStringList{QStringLiteral("Накладная"), QStringLiteral("Счет-фактура")}));
  w->list()->setCurrentRow(0);
  messages.reply(MsgAnswer::No);
  child(w, "cmdDelete")->click();
  EXPECT_EQ(stored().size(), 2);
  messages.reply(MsgAnswer::Yes);
  child(w, "cmdDelete")->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить печатную форму «Накладная»?"));
  EXPECT_EQ(stored(), QStringList{QStringLiteral("Счет-фактура")});
  EXPECT_EQ(w->list()->count(), 1);
  // The kind's own row is as it was, and no configuration object came of the forms.
  EXPECT_EQ(config::objectNames(db(), config::ObjectKind::Document),
            QStringList{QStringLiteral("Продажа")});
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE type='Документ' AND "
                                "item IS NULL AND code=''")),
            1);
}

TEST_F(PrintFormsDesignerTest, TheModuleOfAFormIsEditedAndStoredWithIt) {
  frmPrintForms* w = open();
  ASSERT_TRUE(w);
  command(w, QStringLiteral("Накладная"), "cmdAdd");
  auto* editor = qobject_cast<frmEdit*>(w->openModule());
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->windowTitle(), QStringLiteral("Модуль: (ПечатнаяФорма.Продажа.Накладная)"));
  EXPECT_TRUE(editor->textEdit()->toPlainText().contains(QStringLiteral("Документ.Номер")));
  editor->textEdit()->setPlainText(QStringLiteral("Отчет.Вывести(\"Шапка\")"));
  ASSERT_TRUE(editor->saveModule());
  EXPECT_EQ(
      config::readPrintForm(db(), QStringLiteral("Продажа"), QStringLiteral("Накладная"))->module,
      QStringLiteral("Отчет.Вывести(\"Шапка\")\r\n"));
  editor->close();
}

}  // namespace
}  // namespace balvix::configurator::testing
