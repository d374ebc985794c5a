#include "config/form_layout.h"

namespace balvix::config {

namespace {

const QString kNameKey = QStringLiteral("name");
const QString kLineEnd = QStringLiteral("\r\n");

QString sanitized(QString text) {
  text.replace(QLatin1Char(';'), QLatin1Char(','));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

}  // namespace

// Reads one line into an element; the parser is a friend so the source line is kept.
struct LayoutParser {
  static std::optional<LayoutElement> read(const QString& line, QString* reason) {
    LayoutElement element;
    const QStringList pieces = line.split(QLatin1Char(';'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
      const QString& piece = pieces.at(i);
      // The piece after the last ";" is empty in a well-formed line.
      if (piece.isEmpty() && i == pieces.size() - 1) break;
      const qsizetype equals = piece.indexOf(QLatin1Char('='));
      if (equals < 0) {
        *reason = QStringLiteral("нет знака «=» в «%1»").arg(piece);
        return std::nullopt;
      }
      if (equals == 0) {
        *reason = QStringLiteral("пустой ключ в «%1»").arg(piece);
        return std::nullopt;
      }
      element.m_pairs.append({piece.left(equals), piece.mid(equals + 1)});
    }
    if (!element.has(kNameKey)) {
      *reason = QStringLiteral("нет вида элемента (name=)");
      return std::nullopt;
    }
    element.m_source = line;
    return element;
  }
};

LayoutElement::LayoutElement(Kind kind) {
  setKind(kind);
}

QString LayoutElement::value(const QString& key) const {
  for (const Pair& pair : m_pairs) {
    if (pair.first == key) return pair.second;
  }
  return QString();
}

bool LayoutElement::has(const QString& key) const {
  for (const Pair& pair : m_pairs) {
    if (pair.first == key) return true;
  }
  return false;
}

void LayoutElement::setValue(const QString& key, const QString& value) {
  const QString clean = sanitized(value);
  m_source.clear();
  for (Pair& pair : m_pairs) {
    if (pair.first == key) {
      pair.second = clean;
      return;
    }
  }
  m_pairs.append({sanitized(key).remove(QLatin1Char('=')), clean});
}

void LayoutElement::remove(const QString& key) {
  for (qsizetype i = 0; i < m_pairs.size(); ++i) {
    if (m_pairs.at(i).first == key) {
      m_pairs.removeAt(i);
      m_source.clear();
      return;
    }
  }
}

LayoutElement::Kind LayoutElement::kind() const {
  return kindOf(kindCode());
}

int LayoutElement::number(const QString& key, int fallback) const {
  bool ok = false;
  const double n = value(key).trimmed().toDouble(&ok);
  return ok ? qRound(n) : fallback;
}

void LayoutElement::setKind(Kind kind) {
  // Other has no code of its own: the element keeps whatever code it has.
  if (kind != Kind::Other) setValue(kNameKey, kindCode(kind));
}

QString LayoutElement::line() const {
  if (!m_source.isNull()) return m_source;
  QString text;
  for (const Pair& pair : m_pairs)
    text += pair.first + QLatin1Char('=') + pair.second + QLatin1Char(';');
  return text;
}

QString LayoutElement::kindCode(Kind kind) {
  switch (kind) {
    case Kind::Field:
      return QStringLiteral("txt");
    case Kind::Label:
      return QStringLiteral("lbl");
    case Kind::Button:
      return QStringLiteral("btn");
    case Kind::CheckBox:
      return QStringLiteral("chk");
    case Kind::ChoiceList:
      return QStringLiteral("cmb");
    case Kind::Other:
      return QString();
  }
  return QString();
}

LayoutElement::Kind LayoutElement::kindOf(const QString& code) {
  for (Kind kind : {Kind::Field, Kind::Label, Kind::Button, Kind::CheckBox, Kind::ChoiceList}) {
    if (kindCode(kind) == code) return kind;
  }
  return Kind::Other;
}

QString LayoutProblem::message() const {
  return QStringLiteral("Строка %1 макета формы пропущена: %2.").arg(line).arg(reason);
}

QString FormLayout::text() const {
  QString text;
  for (const LayoutElement& element : elements) text += element.line() + kLineEnd;
  return text;
}

const LayoutElement* FormLayout::findByCaption(const QString& caption) const {
  for (const LayoutElement& element : elements) {
    if (element.caption() == caption) return &element;
  }
  return nullptr;
}

LayoutElement* FormLayout::findByCaption(const QString& caption) {
  for (LayoutElement& element : elements) {
    if (element.caption() == caption) return &element;
  }
  return nullptr;
}

bool FormLayout::removeByCaption(const QString& caption) {
  for (qsizetype i = 0; i < elements.size(); ++i) {
    if (elements.at(i).caption() == caption) {
      elements.removeAt(i);
      return true;
    }
  }
  return false;
}

LayoutParseResult parseLayout(const QString& text) {
  LayoutParseResult result;
  QString normalized = text;
  normalized.replace(kLineEnd, QStringLiteral("\n"));
  normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QStringList lines = normalized.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& line = lines.at(i);
    if (line.trimmed().isEmpty()) continue;
    QString reason;
    if (std::optional<LayoutElement> element = LayoutParser::read(line, &reason))
      result.layout.elements.append(std::move(*element));
    else
      result.problems.append({static_cast<int>(i + 1), line, reason});
  }
  return result;
}

std::optional<FormSize> FormSize::parse(const QString& text) {
  const qsizetype dash = text.indexOf(QLatin1Char('-'));
  if (dash < 0) return std::nullopt;
  bool okWidth = false;
  bool okHeight = false;
  const FormSize size{text.left(dash).trimmed().toDouble(&okWidth),
                      text.mid(dash + 1).trimmed().toDouble(&okHeight)};
  if (!okWidth || !okHeight) return std::nullopt;
  return size;
}

QString FormSize::text() const {
  return QString::number(static_cast<float>(width)) + QLatin1Char('-') +
         QString::number(static_cast<float>(height));
}

FormLayout composeDefaultLayout(const QList<Requisite>& requisites) {
  FormLayout layout;
  int top = 200;
  int index = 0;
  for (const Requisite& requisite : requisites) {
    top += 500;
    LayoutElement element(LayoutElement::Kind::Field);
    element.setIndex(++index);
    element.setTop(top);
    element.setLeft(250);
    element.setCaption(requisite.name);
    element.setType(requisite.type);
    layout.elements.append(std::move(element));
  }
  return layout;
}

bool takeRequisiteType(LayoutElement& element, const QList<Requisite>& requisites) {
  if (element.kind() != LayoutElement::Kind::Field) return false;
  const QString caption = element.caption().trimmed();
  for (const Requisite& requisite : requisites)
    if (requisite.name.compare(caption, Qt::CaseInsensitive) == 0 ||
        requisite.name.toCaseFolded() == caption.toCaseFolded()) {
      if (requisite.type.kind == RequisiteType::Kind::None || element.type() == requisite.type)
        return false;
      element.setType(requisite.type);
      return true;
    }
  return false;
}

FormSize defaultFormSize() {
  return FormSize{7905, 4875};
}

}  // namespace balvix::config
