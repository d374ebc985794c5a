#include "configurator/module_debugger.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "config/global_module.h"
#include "configurator/module_editor.h"
#include "configurator/module_text_edit.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

using configurator::frmDebug;
using configurator::ModuleDebugger;

const QString kModuleName = QStringLiteral("Документ.Приход");

// Writes a movement per row and adds up the quantities (line 10) into the header's Сумма.
const QString kModule = QStringLiteral(
    "Процедура ПриСохранении()\r\n"
    "  Объект Рег = СоздатьОбъект(\"Регистр\")\r\n"
    "  Рег.Вид = \"Остатки\"\r\n"
    "  Итог = 0\r\n"
    "  Таблица.ВыбратьСтроки()\r\n"
    "  Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
    "    Рег.Реквизит(\"Товар\") = Таблица.ЗначениеКолонки(\"Товар\")\r\n"
    "    Рег.Реквизит(\"Количество\") = Таблица.ЗначениеКолонки(2)\r\n"
    "    Рег.ДвижениеВыполнить(\"+\")\r\n"
    "    Итог = Итог + Таблица.ЗначениеКолонки(\"Количество\")\r\n"
    "  Цикл\r\n"
    "  Форма.Значение(\"Сумма\") = Итог\r\n"
    "КонецПроцедуры\r\n");

class ModuleDebuggerTest : public RuntimeTest {
 protected:
  ModuleDebuggerTest() {
    addReceiptDocument(kModule);
    QObject::connect(&debugger(), &ModuleDebugger::stopped, &debugger(),
                     [this](const QString& module, int line) {
                       // Acts once the debugger waits, as the user would; a stop the test
                       // does not expect, or a step that does not go on, ends the run.
                       QTimer::singleShot(0, &debugger(), [this, module, line] {
                         if (m_step < m_steps.size())
                           m_steps[m_step++]();
                         else
                           ADD_FAILURE()
                               << "an unexpected stop at " << module.toStdString() << ':' << line;
                         if (debugger().isStopped()) {
                           ADD_FAILURE() << "the debugger did not go on after step " << m_step;
                           debugger().resume(ModuleDebugger::Action::Stop);
                         }
                       });
                     });
  }

  ModuleDebugger& debugger() { return windows().debugger(); }
  frmDebug* window() { return debugger().window(); }

  // A variable shown in the debugger's panel (locals first, then the module's).
  QString shown(const QString& name) {
    QTreeWidget* tree = window()->variables();
    for (int top = 0; top < tree->topLevelItemCount(); ++top)
      for (int i = 0; i < tree->topLevelItem(top)->childCount(); ++i)
        if (tree->topLevelItem(top)->child(i)->text(0) == name)
          return tree->topLevelItem(top)->child(i)->text(1);
    QStringList all;
    for (int top = 0; top < tree->topLevelItemCount(); ++top) {
      all << tree->topLevelItem(top)->text(0) + u':';
      for (int i = 0; i < tree->topLevelItem(top)->childCount(); ++i)
        all << tree->topLevelItem(top)->child(i)->text(0);
    }
    return QStringLiteral("(нет: %1)").arg(all.join(u' '));
  }
  // What the debugger shows: module, line of the execution mark, innermost procedure.
  QString where() {
    return QStringLiteral("%1:%2 %3")
        .arg(window()->shownModule())
        .arg(window()->text()->executionLine())
        .arg(window()->stack()->item(0)->text().section(u' ', 0, 0));
  }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    // The keys are the window's shortcuts: they reach it once it is the active window.
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window()->text(), static_cast<Qt::Key>(key), modifiers);
  }

  // A receipt of two rows, posted from its window.
  bool postReceipt() {
    frmUniDoc* document = clickMenu<frmUniDoc>(1, QStringLiteral("Приход"));
    if (!document || !document->loaded()) return false;
    document->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Накладная"));
    FormTable* table = document->form()->table();
    for (const auto& [good, quantity] : {std::pair{"Стол", "2"}, std::pair{"Стул", "3"}}) {
      table->newRow();
      table->setCell(table->rows() - 1, 0, QString::fromUtf8(good));
      table->setCell(table->rows() - 1, 1, QString::fromUtf8(quantity));
    }
    const bool posted = document->post();
    processEvents();
    return posted;
  }
  QString stored(const QString& sql) {
    storage::Recordset rs = db().openRecordset(sql);
    return rs.eof() ? QString() : rs.text(0);
  }

  std::vector<std::function<void()>> m_steps;
  std::size_t m_step = 0;
};

TEST_F(ModuleDebuggerTest, APostingStopsAtTheEditorsBreakpointStepsShowsVariablesAndCommits) {
  // The breakpoint is set by a click in the editor's margin, on line 10.
  state.currentObjectType = QStringLiteral("Документ");
  state.currentObjectName = QStringLiteral("Приход");
  auto* editor = windows().window<configurator::frmEdit>();
  ASSERT_TRUE(editor);
  editor->show();
  processEvents();
  configurator::ModuleTextEdit* text = editor->textEdit();
  auto* margin = text->findChild<QWidget*>(QStringLiteral("LineNumbers"));
  ASSERT_TRUE(margin);
  int y = 0;
  while (y < text->viewport()->height() && text->lineAt(y) != 10) ++y;
  ASSERT_EQ(text->lineAt(y), 10);
  QTest::mouseClick(margin, Qt::LeftButton, Qt::NoModifier, QPoint(5, y));
  EXPECT_EQ(debugger().breakpoints(kModuleName), QList<int>{10});
  EXPECT_TRUE(debugger().armed);
  EXPECT_FALSE(editor->hasUnsavedChanges()) << "a breakpoint is no change of the module";
  editor->close();
  processEvents();
  {
    // Kept for the database file: another debugger reads them back.
    ModuleDebugger other(state);
    EXPECT_EQ(other.breakpoints(kModuleName), QList<int>{10});
  }

  m_steps = {
      [&] {
        EXPECT_EQ(where(), QStringLiteral("Документ.Приход:10 ПриСохранении"));
        EXPECT_EQ(shown(QStringLiteral("Итог")), QStringLiteral("0"));
        EXPECT_TRUE(window()->isModal());
        EXPECT_TRUE(db().inTransaction()) << "the posting waits inside its transaction";
        EXPECT_FALSE(window()->findChild<QLabel*>(QStringLiteral("Transaction"))->isHidden());
        press(Qt::Key_F10);
      },
      [&] {
        // Over the loop's end into the second row.
        EXPECT_EQ(where(), QStringLiteral("Документ.Приход:7 ПриСохранении"));
        EXPECT_EQ(shown(QStringLiteral("Итог")), QStringLiteral("2"));
        press(Qt::Key_F5);
      },
      [&] {
        EXPECT_EQ(where(), QStringLiteral("Документ.Приход:10 ПриСохранении"));
        // F9 in the debugger's text clears the breakpoint at the caret (the stopped line).
        press(Qt::Key_F9);
        EXPECT_TRUE(debugger().breakpoints(kModuleName).isEmpty());
        press(Qt::Key_F5);
      },
  };
  ASSERT_TRUE(postReceipt()) << messages.texts().join(u'\n').toStdString();
  EXPECT_EQ(m_step, 3u);
  EXPECT_FALSE(window()->isVisible());
  EXPECT_FALSE(debugger().armed) << "no breakpoint and no step is left";
  EXPECT_EQ(stored(QStringLiteral("SELECT Сумма || '|' || Проводка FROM items_Документ_Приход")),
            QStringLiteral("5|1"));
  EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM items_Регистр_Остатки")),
            QStringLiteral("2"));
}

TEST_F(ModuleDebuggerTest, StepsGoIntoAndOutOfTheGlobalModuleAndStopRollsThePostingBack) {
  db().execute(QStringLiteral("UPDATE form_items SET code=%1 WHERE name='Приход'")
                   .arg(storage::quote(QStringLiteral("Процедура ПриСохранении()\r\n"
                                                      "  Итог = Удвоить(3)\r\n"
                                                      "  Форма.Значение(\"Сумма\") = Итог\r\n"
                                                      "КонецПроцедуры\r\n"))));
  config::writeGlobalModule(
      db(), QStringLiteral("Function Удвоить(n)\r\n  Удвоить = n * 2\r\nEnd Function\r\n"));
  debugger().setBreakpoints(kModuleName, {2});
  m_steps = {
      [&] {
        EXPECT_EQ(where(), QStringLiteral("Документ.Приход:2 ПриСохранении"));
        press(Qt::Key_F11);
      },
      [&] {
        EXPECT_EQ(where(), QStringLiteral("Глобальный модуль:2 Удвоить"));
        EXPECT_EQ(window()->stack()->count(), 3);
        EXPECT_EQ(shown(QStringLiteral("n")), QStringLiteral("3"));
        // The caller's frame shows its own module and line.
        window()->stack()->setCurrentRow(1);
        EXPECT_EQ(window()->shownModule(), kModuleName);
        EXPECT_EQ(window()->text()->executionLine(), 2);
        press(Qt::Key_F11, Qt::ShiftModifier);
      },
      [&] {
        EXPECT_EQ(where(), QStringLiteral("Документ.Приход:3 ПриСохранении"));
        EXPECT_EQ(shown(QStringLiteral("Итог")), QStringLiteral("6"));
        press(Qt::Key_F5, Qt::ShiftModifier);
      },
  };
  EXPECT_FALSE(postReceipt());
  EXPECT_EQ(m_step, 3u);
  EXPECT_TRUE(messages.texts().join(u'\n').contains(QStringLiteral("Выполнение прервано")))
      << messages.texts().join(u'\n').toStdString();
  EXPECT_FALSE(db().inTransaction());
  EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM items_Документ_Приход")),
            QStringLiteral("0"));
  EXPECT_EQ(debugger().breakpoints(kModuleName), QList<int>{2});
}

}  // namespace
}  // namespace balvix::runtime::testing
