#pragma once

#include <QPlainTextEdit>

namespace balvix::configurator {

// The module editor's text box: a monospace font, line numbers in a margin on the left,
// the line of the last syntax error marked until the text is checked again, breakpoints
// (a click in the margin or F9 sets or clears one; they move with the lines as the text is
// edited) and the line a stopped module stands at.
class ModuleTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ModuleTextEdit(QWidget* parent = nullptr);

  // 1-based, in ascending order.
  QList<int> breakpointLines() const;
  void setBreakpointLines(const QList<int>& lines);
  void toggleBreakpoint(int line);
  // The line a module stopped in the debugger stands at; 0 clears the mark.
  void markExecutionLine(int line);
  int executionLine() const { return m_executionLine; }
  // The line shown at a height of the margin (viewport coordinates); 0 below the text.
  int lineAt(int y) const;

  // 1-based; 0 clears the mark.
  void markErrorLine(int line);
  int errorLine() const { return m_errorLine; }
  // Puts the caret at the start of the line (clamped to the text) and shows it.
  void goToLine(int line);
  int currentLine() const { return textCursor().blockNumber() + 1; }

  int lineNumberWidth() const;
  void paintLineNumbers(QPaintEvent* event);

 signals:
  // A breakpoint was set or cleared by the user, or lines carrying some were removed.
  void breakpointsChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void updateMargin();
  void updateSelections();

  QWidget* m_numbers = nullptr;
  int m_errorLine = 0;
  int m_executionLine = 0;
  int m_breakpointCount = 0;  // to tell when an edit removed marked lines
};

}  // namespace balvix::configurator
