#include "configurator/module_text_edit.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

namespace balvix::configurator {

namespace {

class LineNumbers : public QWidget {
 public:
  explicit LineNumbers(ModuleTextEdit* editor) : QWidget(editor), m_editor(editor) {
    setObjectName(QStringLiteral("LineNumbers"));
    setAccessibleName(QStringLiteral("Номера строк"));
  }
  QSize sizeHint() const override { return {m_editor->lineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { m_editor->paintLineNumbers(event); }

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
  connect(this, &QPlainTextEdit::blockCountChanged, this, &ModuleTextEdit::updateMargin);
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
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * qMax(3, digits);
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

void ModuleTextEdit::updateSelections() {
  QList<QTextEdit::ExtraSelection> marks;
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
