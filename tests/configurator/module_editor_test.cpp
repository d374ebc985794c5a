#include "configurator/module_editor.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "configurator/module_highlighter.h"
#include "configurator/module_text_edit.h"
#include "fixture.h"
#include "shell/twips.h"
#include "storage/sql_text.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

class ModuleEditorTest : public ConfiguratorTest {
 protected:
  ModuleEditorTest() { setCode(QStringLiteral("sub MAIN\r\nend sub\r\n")); }
  void setCode(const QString& code) {
    db().execute(QStringLiteral("DELETE FROM form_items WHERE type='Документ'"));
    db().execute(
        QStringLiteral("INSERT INTO form_items (type,name,code) VALUES ('Документ','Приход',") +
        storage::quote(code) + QLatin1Char(')'));
  }
  QString storedCode() {
    return value(
        QStringLiteral("SELECT code FROM form_items WHERE type='Документ' AND name='Приход'"));
  }
  frmEdit* open(const QString& type = QStringLiteral("Документ"),
                const QString& name = QStringLiteral("Приход")) {
    state.currentObjectType = type;
    state.currentObjectName = name;
    auto* editor = window<frmEdit>(QStringLiteral("frmEdit"));
    editor->show();
    return editor;
  }
  static QPlainTextEdit* rich(frmEdit* e) {
    return e->findChild<QPlainTextEdit*>(QStringLiteral("Rich"));
  }
  static QComboBox* combo(frmEdit* e, const char* name) { return child<QComboBox>(e, name); }
  static void type(frmEdit* e, const QString& text) {
    QTextCursor cursor = rich(e)->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
  }
};

TEST_F(ModuleEditorTest, StoredCodeOpensInTheBuiltInLanguage) {
  frmEdit* e = open();
  EXPECT_EQ(e->windowTitle(), QStringLiteral("Модуль: (Документ.Приход)"));
  EXPECT_TRUE(state.moduleEditorOpen);
  EXPECT_EQ(rich(e)->toPlainText(), QStringLiteral("Процедура ПриОткрытии\nКонецПроцедуры\n"));
  // The header on the very first line is listed too.
  ASSERT_EQ(combo(e, "Combo1")->count(), 1);
  EXPECT_EQ(combo(e, "Combo1")->currentText(), QStringLiteral("Процедура ПриОткрытии"));
  EXPECT_EQ(rich(e)->textCursor().position(), 0);
  EXPECT_FALSE(e->hasUnsavedChanges());
  e->close();
  EXPECT_FALSE(state.moduleEditorOpen);
}

TEST_F(ModuleEditorTest, ProcedureListHoldsHeadersOnly) {
  setCode(
      QStringLiteral("private sub MAIN()\r\n' процедура в комментарии\r\nend sub\r\n"
                     "sub Записать(а, б) ' с комментарием\r\nend sub\r\nПроцедураЛишняя\r\n"));
  frmEdit* e = open();
  QStringList entries;
  for (int i = 0; i < combo(e, "Combo1")->count(); ++i) entries << combo(e, "Combo1")->itemText(i);
  EXPECT_EQ(entries, (QStringList{"Процедура ПриОткрытии()", "Процедура Записать(а, б)"}))
      << rich(e)->toPlainText().toStdString();

  combo(e, "Combo1")->setCurrentIndex(1);
  emit combo(e, "Combo1")->activated(1);
  EXPECT_EQ(rich(e)->textCursor().position(),
            rich(e)->toPlainText().indexOf(QStringLiteral("Процедура Записать")));
}

TEST_F(ModuleEditorTest, SavingAppendsALineBreakOnlyWhenMissing) {
  frmEdit* e = open();
  rich(e)->setPlainText(
      QStringLiteral("Процедура Тест()\nЕсли а И б Тогда\nКонецЕсли\nКонецПроцедуры"));
  EXPECT_TRUE(e->hasUnsavedChanges());
  EXPECT_EQ(e->windowTitle(), QStringLiteral("Модуль: (Документ.Приход)*"));
  e->close();
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Сохранить изменения ?"));
  EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Сохранение"));
  EXPECT_EQ(messages.messages()[0].buttons, shell::MsgButtons::YesNo);
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(storedCode(), QStringLiteral("sub Тест()\r\nif а and б then\r\nend if\r\nend sub\r\n"));

  e = open();
  type(e, QStringLiteral("\n"));
  e->close();
  EXPECT_EQ(storedCode(),
            QStringLiteral("sub Тест()\r\nif а and б then\r\nend if\r\nend sub\r\n\r\n"));
}

TEST_F(ModuleEditorTest, UnchangedModuleAsksNothingAndWritesNothing) {
  setCode(QStringLiteral("sub MAIN"));  // no line break: a save would add one
  {
    QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
    settings.remove(QStringLiteral("Setting/FormEditWidth"));
  }
  frmEdit* e = open();
  e->resize(700, 500);
  e->close();
  EXPECT_TRUE(messages.texts().isEmpty());
  EXPECT_EQ(storedCode(), QStringLiteral("sub MAIN"));
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  EXPECT_NEAR(settings.value(QStringLiteral("Setting/FormEditWidth")).toDouble(),
              shell::pixelsToTwips(700), 1.0);

  // The next opening takes the stored size back.
  e = open();
  EXPECT_EQ(e->width(), 700);
  e->close();
}

TEST_F(ModuleEditorTest, AnsweringNoKeepsTheStoredCode) {
  frmEdit* e = open();
  type(e, QStringLiteral("а = 1"));
  messages.reply(MsgAnswer::No);
  e->close();
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(storedCode(), QStringLiteral("sub MAIN\r\nend sub\r\n"));
}

TEST_F(ModuleEditorTest, TextWithQuotesSavesAndLoadsUnchanged) {
  const QString text = QStringLiteral("' Комментарий с 'кавычками'\nа = \"б'в\"\n");
  frmEdit* e = open();
  rich(e)->setPlainText(text);
  e->close();
  EXPECT_EQ(storedCode(), QStringLiteral("' Комментарий с 'кавычками'\r\nа = \"б'в\"\r\n"));
  e = open();
  EXPECT_EQ(rich(e)->toPlainText(), text);
}

TEST_F(ModuleEditorTest, GlobalModuleRoundTripsAndGetsItsRowBack) {
  auto globalRows = [&] {
    return db().openRecordset(QStringLiteral("SELECT код FROM ГлобальныйМодуль"));
  };
  frmEdit* e = open(frmEdit::kGlobalModule, QStringLiteral("Итоги"));
  EXPECT_EQ(e->windowTitle(), QStringLiteral("Модуль: (Структура.Глобальный модуль)"));
  rich(e)->setPlainText(QStringLiteral("Процедура Общая()\nКонецПроцедуры"));
  e->close();
  ASSERT_EQ(globalRows().rowCount(), 1);
  EXPECT_EQ(globalRows().text(0), QStringLiteral("sub Общая()\r\nend sub\r\n"));
  EXPECT_EQ(storedCode(), QStringLiteral("sub MAIN\r\nend sub\r\n"));

  e = open(frmEdit::kGlobalModule, QString());
  EXPECT_EQ(rich(e)->toPlainText(), QStringLiteral("Процедура Общая()\nКонецПроцедуры\n"));
  db().execute(QStringLiteral("DELETE FROM ГлобальныйМодуль"));
  type(e, QStringLiteral("' конец"));
  e->close();
  ASSERT_EQ(globalRows().rowCount(), 1);
  EXPECT_EQ(globalRows().text(0), QStringLiteral("sub Общая()\r\nend sub\r\n' конец\r\n"));
}

TEST_F(ModuleEditorTest, FailedSaveKeepsTheEditorAndItsText) {
  balvix::testing::failWrites(db(), "UPDATE", "form_items", "модули запрещены");
  frmEdit* e = open();
  type(e, QStringLiteral("а = 1"));
  e->close();
  ASSERT_EQ(messages.texts().size(), 2);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("модули запрещены")));
  EXPECT_TRUE(e->isVisible());
  EXPECT_TRUE(state.moduleEditorOpen);
  EXPECT_TRUE(rich(e)->toPlainText().endsWith(QStringLiteral("а = 1")));
  EXPECT_TRUE(e->windowTitle().endsWith(QLatin1Char('*')));

  // The object itself is gone: saying so, not "saved".
  db().execute(QStringLiteral("DROP TRIGGER fail_writes"));
  db().execute(QStringLiteral("DELETE FROM form_items WHERE name='Приход'"));
  messages.clear();
  e->close();
  ASSERT_EQ(messages.texts().size(), 2);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Документ.Приход")));
  EXPECT_TRUE(e->isVisible());

  messages.clear();
  messages.reply(MsgAnswer::No);
  e->close();
  EXPECT_FALSE(e->isVisible());
  EXPECT_FALSE(state.moduleEditorOpen);
}

TEST_F(ModuleEditorTest, AnOpenEditorKeepsItsModuleWhenAnotherOpenerShowsIt) {
  db().execute(
      QStringLiteral("INSERT INTO form_items (type,name,code) VALUES ('Отчет','Итоги','sub "
                     "MAIN\r\nend sub\r\n')"));
  frmEdit* e = open();
  type(e, QStringLiteral("а = 1"));
  state.currentObjectType = QStringLiteral("Отчет");
  state.currentObjectName = QStringLiteral("Итоги");
  e->setWindowTitle(QStringLiteral("Модуль: (Отчет.Итоги)"));
  e->show();
  EXPECT_EQ(e->windowTitle(), QStringLiteral("Модуль: (Документ.Приход)*"));
  e->close();
  EXPECT_TRUE(storedCode().endsWith(QStringLiteral("а = 1\r\n")));
  EXPECT_EQ(value(QStringLiteral("SELECT code FROM form_items WHERE type='Отчет'")),
            QStringLiteral("sub MAIN\r\nend sub\r\n"));
}

TEST_F(ModuleEditorTest, InsertionListActsOnlyAfterTheCaretMoved) {
  frmEdit* e = open();
  QComboBox* insert = combo(e, "Combo2");
  const int index = insert->findText(QStringLiteral("Если"));
  ASSERT_GE(index, 0);

  QTextCursor cursor = rich(e)->textCursor();
  cursor.movePosition(QTextCursor::End);
  rich(e)->setTextCursor(cursor);
  QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
  QCoreApplication::sendEvent(combo(e, "Combo1"), &focusIn);
  emit insert->activated(index);
  EXPECT_EQ(rich(e)->toPlainText(), QStringLiteral("Процедура ПриОткрытии\nКонецПроцедуры\n"));

  rich(e)->setTextCursor(cursor);
  cursor.movePosition(QTextCursor::Start);
  rich(e)->setTextCursor(cursor);
  emit insert->activated(index);
  EXPECT_EQ(rich(e)->toPlainText(), QStringLiteral("ЕслиПроцедура ПриОткрытии\nКонецПроцедуры\n"));
  emit insert->activated(index);  // once per caret move
  EXPECT_TRUE(e->hasUnsavedChanges());
  EXPECT_EQ(rich(e)->toPlainText().count(QStringLiteral("Если")), 1);
  messages.reply(MsgAnswer::No);
  e->close();
}

TEST_F(ModuleEditorTest, KeywordsAreColouredOutsideCommentsAndStrings) {
  frmEdit* e = open();
  rich(e)->setPlainText(QStringLiteral("Процедура Тест() ' Если\nЕсли а=\"Тогда\" ТогдаЖе Тогда"));
  auto colourAt = [&](int blockNumber, int position) {
    const QTextBlock block = rich(e)->document()->findBlockByNumber(blockNumber);
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
      if (position >= range.start && position < range.start + range.length)
        return range.format.foreground().color();
    return QColor();
  };
  EXPECT_EQ(colourAt(0, 0), ModuleHighlighter::procedureColor());
  EXPECT_FALSE(colourAt(0, 10).isValid());                        // "Тест"
  EXPECT_EQ(colourAt(0, 19), ModuleHighlighter::commentColor());  // "Если" in the comment
  EXPECT_EQ(colourAt(1, 0), ModuleHighlighter::keywordColor());
  EXPECT_EQ(colourAt(1, 8), ModuleHighlighter::stringColor());  // "Тогда" in the string
  EXPECT_FALSE(colourAt(1, 16).isValid());                      // "ТогдаЖе"
  EXPECT_EQ(colourAt(1, 24), ModuleHighlighter::keywordColor());
  messages.reply(MsgAnswer::No);
  e->close();
}

TEST_F(ModuleEditorTest, ToolbarButtonFollowsTheEditorAndStoresItsText) {
  shell::frmMain* main = mainWindow();
  auto* button = main->findChild<QAction*>(QStringLiteral("Toolbar1_4"));
  ASSERT_TRUE(button);
  EXPECT_FALSE(button->isEnabled());
  frmEdit* e = open();
  EXPECT_TRUE(button->isEnabled());
  EXPECT_TRUE(e->isWindow());
  type(e, QStringLiteral("а = 1"));
  EXPECT_EQ(e->currentHostText(), QStringLiteral("sub MAIN\r\nend sub\r\nа = 1\r\n"));
  button->trigger();
  EXPECT_EQ(storedCode(), QStringLiteral("sub MAIN\r\nend sub\r\nа = 1\r\n"));
  messages.reply(MsgAnswer::No);
  e->close();
  EXPECT_FALSE(button->isEnabled());
}

}  // namespace
}  // namespace balvix::configurator::testing

namespace balvix::configurator::testing {
namespace {

class ModuleEditorComfortTest : public ModuleEditorTest {};

TEST_F(ModuleEditorComfortTest, SavingChecksTheModuleAndAsksBeforeStoringAnError) {
  const struct {
    QString text;
    std::optional<MsgAnswer> answer;  // none: no question is asked
    bool stored;
    int markedLine;
  } cases[] = {
      {QStringLiteral("Процедура А\nКонецПроцедуры\n"), std::nullopt, true, 0},
      {QStringLiteral("Процедура А\n  Если 1 Тогда\nКонецПроцедуры\n"), MsgAnswer::No, false, 3},
      {QStringLiteral("Процедура А\n  х = (1\nКонецПроцедуры\n"), MsgAnswer::Yes, true, 2},
  };
  for (const auto& c : cases) {
    setCode(QStringLiteral("sub MAIN\r\nend sub\r\n"));
    frmEdit* e = open();
    rich(e)->setPlainText(c.text);
    messages.clear();
    if (c.answer) messages.reply(*c.answer);
    EXPECT_EQ(e->saveModule(), c.stored) << c.text.toStdString();
    EXPECT_EQ(storedCode() != QStringLiteral("sub MAIN\r\nend sub\r\n"), c.stored);
    EXPECT_EQ(e->textEdit()->errorLine(), c.markedLine) << c.text.toStdString();
    if (c.answer) {
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_TRUE(messages.last().startsWith(
          QStringLiteral("Ошибка в модуле, строка %1: ").arg(c.markedLine)))
          << messages.last().toStdString();
    } else {
      EXPECT_TRUE(messages.messages().empty());
    }
    if (!c.stored) {
      EXPECT_EQ(e->textEdit()->currentLine(), c.markedLine);
    }
    if (e->hasUnsavedChanges()) messages.reply(MsgAnswer::No);  // the close question
    e->close();
  }
}

TEST_F(ModuleEditorComfortTest, CtrlSSavesAndCtrlGGoesToALine) {
  frmEdit* e = open();
  rich(e)->setPlainText(QStringLiteral("Процедура А\n  х = 1\n  у = 2\nКонецПроцедуры\n"));
  e->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(e));
  rich(e)->setFocus();
  QTest::keyClick(rich(e), Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(storedCode().contains(QStringLiteral("у = 2")));
  EXPECT_FALSE(e->hasUnsavedChanges());
  EXPECT_TRUE(e->textEdit()->font().fixedPitch() ||
              e->textEdit()->font().styleHint() == QFont::Monospace);

  QTest::keyClick(rich(e), Qt::Key_G, Qt::ControlModifier);
  auto* dialog = e->findChild<QInputDialog*>(QStringLiteral("GoToLine"));
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->accessibleName(), QStringLiteral("Перейти к строке"));
  dialog->setIntValue(3);
  dialog->accept();
  EXPECT_EQ(e->textEdit()->currentLine(), 3);
  EXPECT_EQ(e->textEdit()->textCursor().block().text(), QStringLiteral("  у = 2"));
}

}  // namespace
}  // namespace balvix::configurator::testing
