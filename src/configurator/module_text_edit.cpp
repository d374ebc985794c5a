#include "configurator/module_text_edit.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

namespace balvix::configurator {

namespace {

// The width of the column of breakpoint and execution marks, left of the numbers.
constexpr int kMarkWidth = 14;

// A block's mark of a breakpoint: it stays with the line when lines above are inserted or
// removed, and goes with it when the line is deleted.
class Breakpoint : public QTextBlockUserData {};

bool hasBreakpoint(const QTextBlock& block) {
  return dynamic_cast<Breakpoint*>(block.userData()) != nullptr;
}

class LineNumbers : public QWidget {
 public:
  explicit LineNumbers(ModuleTextEdit* editor) : QWidget(editor), m_editor(editor) {
    setObjectName(QStringLiteral("LineNumbers"));
    setAccessibleName(QStringLiteral("Номера строк"));
  }
  QSize sizeHint() const override { return {m_editor->lineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { m_editor->paintLineNumbers(event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    if (const int line = m_editor->lineAt(qRound(event->position().y())))
      m_editor->toggleBreakpoint(line);
  }

 private:
  ModuleTextEdit* m_editor;
};

}  // namespace

ModuleTextEdit::ModuleTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(11);
  setFont(font);
  m_numbers = new LineNumbers(this);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] {
    updateMargin();
    // Deleting lines deletes their breakpoints with them.
    const int count = static_cast<int>(breakpointLines().size());
    if (count != m_breakpointCount) {
      m_breakpointCount = count;
      emit breakpointsChanged();
    }
  });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy)
      m_numbers->scroll(0, dy);
    else
      m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
  });
  updateMargin();
}

int ModuleTextEdit::lineNumberWidth() const {
  int digits = 1;
  for (int n = qMax(1, blockCount()); n >= 10; n /= 10) ++digits;
  return kMarkWidth + 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * qMax(3, digits);
}

void ModuleTextEdit::updateMargin() {
  setViewportMargins(lineNumberWidth(), 0, 0, 0);
  m_numbers->update();
}

void ModuleTextEdit::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  m_numbers->setGeometry(QRect(r.left(), r.top(), lineNumberWidth(), r.height()));
}

void ModuleTextEdit::paintLineNumbers(QPaintEvent* event) {
  QPainter painter(m_numbers);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && bottom >= event->rect().top()) {
      const int line = block.blockNumber() + 1;
      const int height = fontMetrics().height();
      const int side = qMin(kMarkWidth - 4, height - 2);
      const QRect mark(2, top + (height - side) / 2, side, side);
      painter.setRenderHint(QPainter::Antialiasing);
      if (hasBreakpoint(block)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xc0, 0x10, 0x10));
        painter.drawEllipse(mark);
      }
      if (line == m_executionLine) {
        const QPolygon arrow({QPoint(mark.left(), mark.top()),
                              QPoint(mark.right(), mark.center().y()),
                              QPoint(mark.left(), mark.bottom())});
        painter.setPen(QColor(0x80, 0x60, 0x00));
        painter.setBrush(QColor(0xff, 0xd0, 0x20));
        painter.drawPolygon(arrow);
      }
      painter.setPen(line == m_errorLine ? Qt::red : palette().color(QPalette::PlaceholderText));
      painter.drawText(0, top, m_numbers->width() - 4, fontMetrics().height(), Qt::AlignRight,
                       QString::number(line));
    }
    block = block.next();
    top = bottom;
  }
}

void ModuleTextEdit::markErrorLine(int line) {
  m_errorLine = line > 0 && line <= blockCount() ? line : 0;
  updateSelections();
  m_numbers->update();
}

int ModuleTextEdit::lineAt(int y) const {
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > y) break;
    if (block.isVisible() && y < box.bottom()) return block.blockNumber() + 1;
  }
  return 0;
}

QList<int> ModuleTextEdit::breakpointLines() const {
  QList<int> lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
    if (hasBreakpoint(block)) lines << block.blockNumber() + 1;
  return lines;
}

void ModuleTextEdit::setBreakpointLines(const QList<int>& lines) {
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const bool wanted = lines.contains(block.blockNumber() + 1);
    if (wanted != hasBreakpoint(block)) block.setUserData(wanted ? new Breakpoint : nullptr);
  }
  m_breakpointCount = static_cast<int>(breakpointLines().size());
  m_numbers->update();
}

void ModuleTextEdit::toggleBreakpoint(int line) {
  QTextBlock block = document()->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  block.setUserData(hasBreakpoint(block) ? nullptr : new Breakpoint);
  m_breakpointCount = static_cast<int>(breakpointLines().size());
  m_numbers->update();
  emit breakpointsChanged();
}

void ModuleTextEdit::markExecutionLine(int line) {
  m_executionLine = line > 0 && line <= blockCount() ? line : 0;
  updateSelections();
  m_numbers->update();
  if (m_executionLine) {
    QTextCursor caret(document()->findBlockByNumber(m_executionLine - 1));
    setTextCursor(caret);
    centerCursor();
  }
}

void ModuleTextEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F9 && event->modifiers() == Qt::NoModifier) {
    toggleBreakpoint(currentLine());
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void ModuleTextEdit::updateSelections() {
  QList<QTextEdit::ExtraSelection> marks;
  if (m_executionLine > 0) {
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(QColor(0xff, 0xf0, 0x90));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    mark.cursor = QTextCursor(document()->findBlockByNumber(m_executionLine - 1));
    marks << mark;
  }
  if (m_errorLine > 0) {
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(QColor(0xff, 0xd8, 0xd8));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    mark.cursor = QTextCursor(document()->findBlockByNumber(m_errorLine - 1));
    marks << mark;
  }
  setExtraSelections(marks);
}

void ModuleTextEdit::goToLine(int line) {
  const int clamped = qBound(1, line, blockCount());
  QTextCursor caret(document()->findBlockByNumber(clamped - 1));
  setTextCursor(caret);
  centerCursor();
  setFocus();
}

}  // namespace balvix::configurator
