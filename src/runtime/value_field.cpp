#include "runtime/value_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringListModel>
#include <QTimer>
#include <QToolButton>

#include "config/requisite_type.h"
#include "script/number_text.h"
#include "shell/message_box.h"

namespace balvix::runtime {

namespace {

// The earliest date stands for "no date": a date field can be left empty.
const QDate kNoDate(1900, 1, 1);

}  // namespace

FieldKind fieldKindOfType(const QString& type) {
  const config::RequisiteType parsed = config::RequisiteType::parse(type);
  if (parsed.kind == config::RequisiteType::Kind::Number) return FieldKind::Number;
  if (parsed.kind == config::RequisiteType::Kind::Date) return FieldKind::Date;
  if (parsed.isChosen()) return FieldKind::Reference;
  return FieldKind::Text;
}

ValueField::ValueField(FieldKind kind, const QString& type, const QString& accessibleName,
                       QWidget* parent)
    : QWidget(parent), m_kind(kind), m_type(type) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  switch (kind) {
    case FieldKind::Date:
      m_date = new QDateEdit(this);
      m_date->setDisplayFormat(QString::fromLatin1(kDateFormat));
      m_date->setCalendarPopup(true);
      m_date->setMinimumDate(kNoDate);
      m_date->setSpecialValueText(QStringLiteral(" "));
      m_date->setDate(kNoDate);
      m_focus = m_date;
      connect(m_date, &QDateEdit::dateChanged, this, &ValueField::edited);
      break;
    case FieldKind::Check:
      m_check = new QCheckBox(this);
      m_focus = m_check;
      connect(m_check, &QCheckBox::toggled, this, &ValueField::edited);
      break;
    case FieldKind::Choice:
      m_combo = new QComboBox(this);
      m_combo->setEditable(true);
      m_focus = m_combo;
      connect(m_combo, &QComboBox::currentTextChanged, this, &ValueField::edited);
      break;
    default:
      m_line = new QLineEdit(this);
      m_focus = m_line;
      if (kind == FieldKind::Number) {
        // Either decimal separator is taken, and blanks between thousands (a shown amount
        // pasted back); letters are refused while typing.
        m_line->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[+-]?[0-9 \\x{00A0}]*([.,][0-9]*)?")), m_line));
        m_line->setAlignment(Qt::AlignRight);
        m_money = config::RequisiteType::parse(type).isMoney();
        // Whatever puts a text into the line (the user, a paste, the program) sets the value;
        // only the field's own showing of it does not.
        connect(m_line, &QLineEdit::textChanged, this, [this](const QString& typed) {
          if (!m_showing) m_number = script::plainNumber(typed);
        });
      }
      connect(m_line, &QLineEdit::textEdited, this, &ValueField::edited);
      if (kind == FieldKind::Reference) {
        m_choose = new QToolButton(this);
        m_choose->setText(QStringLiteral("..."));
        m_choose->setToolTip(QStringLiteral("Выбрать значение (F4)"));
        m_choose->setFocusPolicy(Qt::NoFocus);
        connect(m_choose, &QToolButton::clicked, this, &ValueField::chooseRequested);
      }
      m_line->installEventFilter(this);
      break;
  }
  layout->addWidget(m_focus, 1);
  if (m_choose) layout->addWidget(m_choose);
  setFocusProxy(m_focus);
  setAccessibleCaption(accessibleName);
}

void ValueField::setAccessibleCaption(const QString& caption) {
  setAccessibleName(caption);
  m_focus->setAccessibleName(caption);
  if (m_choose) m_choose->setAccessibleName(QStringLiteral("Выбрать: ") + caption);
}

bool ValueField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_line) {
    if (event->type() == QEvent::KeyPress && m_kind == FieldKind::Reference &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4) {
      if (!m_readOnly) emit chooseRequested();
      return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && m_kind == FieldKind::Reference) {
      emit openRequested();
      return true;
    }
    if (m_kind == FieldKind::Number && event->type() == QEvent::FocusIn) showNumber(true);
    if (m_kind == FieldKind::Number && event->type() == QEvent::FocusOut) showNumber(false);
    if (event->type() == QEvent::FocusOut && m_valueCheck && !m_refusing && !m_readOnly) {
      // Only the user moving on within the window is refused: a choice list or a message
      // box taking the focus is not leaving the field.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        if (const std::optional<QString> problem = m_valueCheck(m_line->text())) {
          m_refusing = true;
          // After the focus change has finished: the box and the refocus must not run
          // inside it.
          QTimer::singleShot(0, this, [this, message = *problem] {
            shell::MessageBoxes::show(message);
            m_line->setFocus(Qt::OtherFocusReason);
            m_line->selectAll();
            m_refusing = false;
          });
        }
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString ValueField::text() const {
  if (m_date)
    return m_date->date() == kNoDate ? QString()
                                     : m_date->date().toString(QString::fromLatin1(kDateFormat));
  if (m_check) return m_check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  if (m_combo) return m_combo->currentText();
  if (m_kind == FieldKind::Number) return m_number;
  return m_line->text();
}

void ValueField::showNumber(bool editing) {
  m_showing = true;
  m_line->setText(editing ? m_number : script::shownNumber(m_number, m_money));
  m_showing = false;
  if (!editing) m_line->setCursorPosition(0);
}

void ValueField::setText(const QString& text) {
  if (m_date) {
    QDate date = QDate::fromString(text.trimmed(), QString::fromLatin1(kDateFormat));
    if (!date.isValid()) date = QDate::fromString(text.trimmed(), QStringLiteral("d.M.yyyy"));
    m_date->setDate(date.isValid() ? date : kNoDate);
  } else if (m_check) {
    const QString t = text.trimmed();
    m_check->setChecked(
        t == QStringLiteral("1") || t.compare(QStringLiteral("Да"), Qt::CaseInsensitive) == 0 ||
        t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 ||
        t.compare(QStringLiteral("Истина"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("-1"));
  } else if (m_combo) {
    m_combo->setCurrentText(text);
  } else if (m_kind == FieldKind::Number) {
    m_number = text;
    showNumber(m_line->hasFocus());
  } else {
    m_line->setText(text);
    m_line->setCursorPosition(0);
  }
}

void ValueField::addItem(const QString& value) {
  if (m_combo) m_combo->addItem(value);
}

void ValueField::setReadOnly(bool on) {
  m_readOnly = on;
  if (m_line) m_line->setReadOnly(on);
  if (m_date) m_date->setReadOnly(on);
  if (m_check) m_check->setEnabled(!on);
  if (m_combo) m_combo->setEnabled(!on);
  if (m_choose) m_choose->setEnabled(!on);
}

void ValueField::setReferenceValues(const QStringList& values, ValueCheck check) {
  if (m_kind != FieldKind::Reference || !m_line) return;
  auto* completer = new QCompleter(m_line);
  completer->setModel(new QStringListModel(values, completer));
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  completer->setMaxVisibleItems(12);
  QCompleter* previous = m_line->completer();
  m_line->setCompleter(completer);
  delete previous;
  // A value taken from the popup fills the field and is an edit like a typed one.
  connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
          [this](const QString& value) {
            m_line->setText(value);
            emit edited();
          });
  m_valueCheck = std::move(check);
}

bool ValueField::hasCompletion() const {
  return m_line && m_line->completer();
}

}  // namespace balvix::runtime
