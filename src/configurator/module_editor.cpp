#include "configurator/module_editor.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSettings>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "config/global_module.h"
#include "config/object_definition.h"
#include "config/print_forms.h"
#include "configurator/module_debugger.h"
#include "configurator/module_highlighter.h"
#include "configurator/module_text_edit.h"
#include "script/syntax_check.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;
using shell::MsgAnswer;
using shell::MsgButtons;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QSettings editorSettings() {
  return QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
}

// The part of a line from the keyword "Процедура" that names a procedure: up to the
// closing parenthesis when there is one, otherwise to the end of the line. Empty when
// the keyword is not the start of a procedure header (a word in a comment, a string,
// or inside another word).
QString procedureHeader(const QString& text, qsizetype keyword, qsizetype keywordLength) {
  const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n'), keyword) + 1;
  const QString before = text.mid(lineStart, keyword - lineStart).trimmed();
  if (!before.isEmpty() && before.compare(QStringLiteral("Главная"), Qt::CaseInsensitive) != 0)
    return QString();
  const qsizetype after = keyword + keywordLength;
  if (after < text.size() && !text.at(after).isSpace()) return QString();
  qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), keyword);
  if (lineEnd < 0) lineEnd = text.size();
  QString header = text.mid(keyword, lineEnd - keyword);
  const qsizetype paren = header.lastIndexOf(QLatin1Char(')'));
  if (paren >= 0) header.truncate(paren + 1);
  return header.trimmed();
}

}  // namespace

frmEdit::frmEdit(shell::AppState& state, QWidget* parent)
    : ConfiguratorWindow(state, kWindowName, parent) {
  setWindowTitle(QStringLiteral("Редактирование модуля"));
  resize(640, 480);

  m_combo1 = named<QComboBox>(QStringLiteral("Combo1"), this);
  m_combo1->setAccessibleName(QStringLiteral("Процедуры модуля"));
  m_combo2 = named<QComboBox>(QStringLiteral("Combo2"), this);
  m_combo2->setAccessibleName(QStringLiteral("Вставка ключевого слова"));
  m_combo2->addItems(ModuleHighlighter::keywords());

  m_rich = new ModuleTextEdit(this);
  m_rich->setObjectName(QStringLiteral("Rich"));
  m_rich->setAccessibleName(QStringLiteral("Текст модуля"));
  m_rich->setLineWrapMode(QPlainTextEdit::NoWrap);
  QPalette palette = m_rich->palette();
  palette.setColor(QPalette::Text, QColor(0x00, 0x00, 0x80));
  m_rich->setPalette(palette);
  m_highlighter = new ModuleHighlighter(m_rich->document());

  auto* top = new QHBoxLayout;
  top->addWidget(m_combo1, 1);
  top->addSpacing(7);
  top->addWidget(m_combo2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_rich, 1);

  connect(m_rich->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
    if (changed) markChanged();
  });
  connect(m_rich, &QPlainTextEdit::cursorPositionChanged, this, [this] { m_insertAllowed = true; });
  connect(m_rich, &QPlainTextEdit::selectionChanged, this, [this] { m_insertAllowed = true; });
  connect(m_rich, &ModuleTextEdit::breakpointsChanged, this, [this] {
    if (ModuleDebugger* debugger = ModuleDebugger::instance(); debugger && !m_filling)
      debugger->setBreakpoints(ModuleDebugger::moduleName(m_type, m_name),
                               m_rich->breakpointLines());
  });
  if (ModuleDebugger* debugger = ModuleDebugger::instance())
    connect(debugger, &ModuleDebugger::breakpointsChanged, this, [this](const QString& module) {
      if (!isLoaded() || module != ModuleDebugger::moduleName(m_type, m_name)) return;
      m_filling = true;
      m_rich->setBreakpointLines(ModuleDebugger::instance()->breakpoints(module));
      m_filling = false;
    });
  connect(m_combo1, &QComboBox::activated, this, &frmEdit::procedureChosen);
  connect(m_combo2, &QComboBox::activated, this, &frmEdit::insertionChosen);
  m_combo1->installEventFilter(this);

  auto* save = new QShortcut(QKeySequence::Save, this);
  save->setContext(Qt::WidgetWithChildrenShortcut);
  connect(save, &QShortcut::activated, this, [this] {
    if (saveModule() && m_state.mainWindow)
      m_state.mainWindow->setStatusText(QStringLiteral("Модуль сохранен."));
  });
  auto* goTo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
  goTo->setContext(Qt::WidgetWithChildrenShortcut);
  connect(goTo, &QShortcut::activated, this, &frmEdit::askLine);
}

QInputDialog* frmEdit::askLine() {
  auto* dialog = new QInputDialog(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setObjectName(QStringLiteral("GoToLine"));
  dialog->setWindowTitle(QStringLiteral("Перейти к строке"));
  dialog->setAccessibleName(QStringLiteral("Перейти к строке"));
  dialog->setInputMode(QInputDialog::IntInput);
  dialog->setLabelText(QStringLiteral("Номер строки (1–%1):").arg(m_rich->blockCount()));
  dialog->setIntRange(1, m_rich->blockCount());
  dialog->setIntValue(m_rich->currentLine());
  dialog->setOkButtonText(QStringLiteral("Перейти"));
  dialog->setCancelButtonText(QStringLiteral("Отмена"));
  connect(dialog, &QInputDialog::intValueSelected, m_rich, &ModuleTextEdit::goToLine);
  dialog->open();
  return dialog;
}

frmEdit::~frmEdit() = default;

bool frmEdit::unload() {
  if (!isLoaded()) return true;
  if (m_dirty &&
      MessageBoxes::show(QStringLiteral("Сохранить изменения ?"), MsgButtons::YesNo,
                         QStringLiteral("Сохранение")) == MsgAnswer::Yes &&
      !saveModule()) {
    // The text could not be stored: keep it on screen rather than lose it.
    return false;
  }
  m_state.moduleEditorOpen = false;
  connectMainWindow(false);
  storeGeometry();
  m_dirty = false;
  return true;
}

void frmEdit::changeEvent(QEvent* event) {
  // An opener that sets the caption of the already open editor only brings it forward:
  // the editor keeps its own module, so it keeps the caption naming it, and the marker
  // of unsaved changes with it.
  if (event->type() == QEvent::WindowTitleChange && isLoaded() && !m_settingCaption) {
    const QString expected = m_dirty ? m_caption + QLatin1Char('*') : m_caption;
    if (windowTitle() != expected) setCaption(expected);
  }
  QWidget::changeEvent(event);
}

bool frmEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_combo1 &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress))
    m_insertAllowed = false;
  return QWidget::eventFilter(watched, event);
}

void frmEdit::setCaption(const QString& caption) {
  m_settingCaption = true;
  setWindowTitle(caption);
  m_settingCaption = false;
}

void frmEdit::markChanged() {
  if (!isLoaded() || m_filling) return;
  m_dirty = true;
  if (!windowTitle().endsWith(QLatin1Char('*'))) setCaption(m_caption + QLatin1Char('*'));
}

void frmEdit::connectMainWindow(bool open) {
  shell::frmMain* main = m_state.mainWindow;
  if (!main) return;
  main->setModuleButtonEnabled(open);
  if (open) {
    QPointer<frmEdit> self(this);
    main->setModuleTextSource([self] { return self ? self->currentHostText() : QString(); });
    main->setModuleSaver([self] { return self && self->saveModule(); });
  } else {
    main->setModuleTextSource({});
    main->setModuleSaver({});
  }
}

void frmEdit::load() {
  m_dirty = false;
  m_type = m_state.currentObjectType;
  m_name = m_state.currentObjectName;
  const bool global = m_type == kGlobalModule;
  m_caption =
      global ? QStringLiteral("Модуль: (Структура.") + m_type + QLatin1Char(')')
             : QStringLiteral("Модуль: (") + m_type + QLatin1Char('.') + m_name + QLatin1Char(')');
  setCaption(m_caption);
  m_state.moduleEditorOpen = true;
  connectMainWindow(true);

  QString code;
  try {
    if (!global) {
      // Like every window's query, the editor's reading replaces the shared selection.
      m_state.sharedRecordset.close();
      // A type word of no kind names no object, so its module is empty.
      if (const std::optional<config::ObjectKind> kind = config::kindFromWord(m_type))
        code = config::readModule(*m_state.db, *kind, m_name).value_or(QString());
      else if (m_type == config::kPrintFormType)
        if (const auto form = config::splitPrintFormName(m_name))
          if (const auto stored = config::readPrintForm(*m_state.db, form->first, form->second))
            code = stored->module;
    } else {
      code = config::readGlobalModule(*m_state.db);
    }
  } catch (const storage::DbError& error) {
    MessageBoxes::show(error.description());
  }
  // Filling the box is no change of the module.
  m_filling = true;
  m_rich->setPlainText(m_translator.EngToRus(code));
  m_rich->document()->setModified(false);
  if (ModuleDebugger* debugger = ModuleDebugger::instance())
    m_rich->setBreakpointLines(debugger->breakpoints(ModuleDebugger::moduleName(m_type, m_name)));
  m_filling = false;

  restoreGeometry();
  buildProcedureList();
  m_rich->moveCursor(QTextCursor::Start);
  if (m_combo1->count() > 0) m_combo1->setCurrentIndex(0);
  m_insertAllowed = false;
}

QString frmEdit::currentHostText() const {
  QString text = m_rich->toPlainText();
  text.replace(QLatin1Char('\n'), kCrLf);
  text = m_translator.RusToEng(text);
  if (!text.endsWith(kCrLf)) text += kCrLf;
  return text;
}

bool frmEdit::saveModule() {
  const QString code = currentHostText();
  const std::optional<script::ScriptError> error = script::findSyntaxError(code);
  m_rich->markErrorLine(error ? error->line() : 0);
  if (error &&
      MessageBoxes::show(QStringLiteral("Ошибка в модуле, строка %1: %2\n\nСохранить модуль с "
                                        "ошибкой?")
                             .arg(error->line())
                             .arg(error->description()),
                         MsgButtons::YesNo, QStringLiteral("Проверка модуля")) != MsgAnswer::Yes) {
    m_rich->goToLine(error->line());
    m_rich->markErrorLine(error->line());
    return false;
  }
  try {
    bool found = true;
    {
      storage::Transaction transaction(*m_state.db);
      if (m_type != kGlobalModule) {
        const std::optional<config::ObjectKind> kind = config::kindFromWord(m_type);
        const auto form =
            m_type == config::kPrintFormType ? config::splitPrintFormName(m_name) : std::nullopt;
        found = kind ? config::writeModule(*m_state.db, *kind, m_name, code) > 0
                     : form && config::writePrintFormModule(*m_state.db, form->first, form->second,
                                                            code) > 0;
      } else {
        config::writeGlobalModule(*m_state.db, code);
      }
      if (found) transaction.commit();
    }
    // Said once the transaction is over: a box never keeps the database locked.
    if (!found) {
      MessageBoxes::show(QStringLiteral("Модуль не сохранен: объект \"%1.%2\" не найден в базе "
                                        "данных.")
                             .arg(m_type, m_name));
      return false;
    }
  } catch (const storage::DbError& error) {
    MessageBoxes::show(error.description());
    return false;
  }
  m_dirty = false;
  m_rich->document()->setModified(false);
  setCaption(m_caption);
  return true;
}

void frmEdit::buildProcedureList() {
  m_combo1->clear();
  const QString text = m_rich->toPlainText();
  const QString keyword = QStringLiteral("процедура");
  for (qsizetype at = text.indexOf(keyword, 0, Qt::CaseInsensitive); at >= 0;
       at = text.indexOf(keyword, at + 1, Qt::CaseInsensitive)) {
    const QString header = procedureHeader(text, at, keyword.size());
    if (!header.isEmpty()) m_combo1->addItem(header);
  }
}

void frmEdit::procedureChosen(int index) {
  if (index < 0) return;
  const QTextCursor found =
      m_rich->document()->find(m_combo1->itemText(index), 0, QTextDocument::FindCaseSensitively);
  if (found.isNull()) return;
  QTextCursor caret(m_rich->document());
  caret.setPosition(found.selectionStart());
  m_rich->setTextCursor(caret);
  m_rich->ensureCursorVisible();
  m_rich->setFocus();
}

void frmEdit::insertionChosen(int index) {
  if (index < 0 || !m_insertAllowed) return;
  m_rich->textCursor().insertText(m_combo2->itemText(index));
  m_rich->setFocus();
  m_insertAllowed = false;
}

void frmEdit::restoreGeometry() {
  QSettings settings = editorSettings();
  settings.beginGroup(QStringLiteral("Setting"));
  const double width =
      settings.value(QStringLiteral("FormEditWidth"), shell::pixelsToTwips(this->width()))
          .toDouble();
  const double height =
      settings.value(QStringLiteral("FormEditHeight"), shell::pixelsToTwips(this->height()))
          .toDouble();
  const double top = settings.value(QStringLiteral("FormEditTop"), 0).toDouble();
  const double left = settings.value(QStringLiteral("FormEditLeft"), 0).toDouble();
  const QSize size = shell::twipsToPixels(width, height);
  // A damaged setting must not make the window vanish.
  if (size.width() >= 100 && size.height() >= 100) resize(size);
  move(shell::twipsToPixels(left), shell::twipsToPixels(top));
}

void frmEdit::storeGeometry() {
  QSettings settings = editorSettings();
  settings.beginGroup(QStringLiteral("Setting"));
  settings.setValue(QStringLiteral("FormEditWidth"), shell::pixelsToTwips(width()));
  settings.setValue(QStringLiteral("FormEditHeight"), shell::pixelsToTwips(height()));
  settings.setValue(QStringLiteral("FormEditTop"), shell::pixelsToTwips(y()));
  settings.setValue(QStringLiteral("FormEditLeft"), shell::pixelsToTwips(x()));
}

}  // namespace balvix::configurator
