#pragma once

#include <QColor>
#include <QRegularExpression>
#include <QSyntaxHighlighter>

class QTextDocument;

namespace balvix::configurator {

// Colours the keywords of the built-in language in the module editor: the procedure
// brackets red, the other keywords blue; comments and string literals get colours of
// their own and their words are not taken for keywords.
class ModuleHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit ModuleHighlighter(QTextDocument* document);

  static QColor procedureColor() { return QColor(0xFF, 0x00, 0x00); }
  static QColor keywordColor() { return QColor(0x00, 0x00, 0xC0); }
  static QColor commentColor() { return QColor(0x00, 0x80, 0x00); }
  static QColor stringColor() { return QColor(0x80, 0x00, 0x80); }

  // The keywords of the built-in language, as the editor's insertion list offers them.
  static QStringList keywords();

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QRegularExpression m_word;
};

}  // namespace balvix::configurator
