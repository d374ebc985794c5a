#pragma once

#include <QPlainTextEdit>

namespace balvix::configurator {

// The module editor's text box: a monospace font, line numbers in a margin on the left,
// and the line of the last syntax error marked until the text is checked again.
class ModuleTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ModuleTextEdit(QWidget* parent = nullptr);

  // 1-based; 0 clears the mark.
  void markErrorLine(int line);
  int errorLine() const { return m_errorLine; }
  // Puts the caret at the start of the line (clamped to the text) and shows it.
  void goToLine(int line);
  int currentLine() const { return textCursor().blockNumber() + 1; }

  int lineNumberWidth() const;
  void paintLineNumbers(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateMargin();
  void updateSelections();

  QWidget* m_numbers = nullptr;
  int m_errorLine = 0;
};

}  // namespace balvix::configurator
