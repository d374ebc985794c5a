#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QToolButton;

namespace balvix::runtime {

// What kind of editor a type text asks for.
enum class FieldKind { Text, Number, Date, Reference, Check, Choice };

// "Число" is a number, "Дата" a date, "Справочник."/"Перечисление."/"Счет…" a reference
// chosen from a list; everything else (including "Текст" and the empty type) is text.
FieldKind fieldKindOfType(const QString& type);

// One editable value of a form or of a table cell, shown by the editor its type asks
// for. The value is always text: dates as dd.MM.yyyy, check boxes as "1"/"0". A number
// reads as people write it («1 495 864,00» for money) while the field is not being edited,
// and as its plain value while it is; what is typed is kept without the blanks between
// thousands.
class ValueField : public QWidget {
  Q_OBJECT

 public:
  ValueField(FieldKind kind, const QString& type, const QString& accessibleName,
             QWidget* parent = nullptr);

  FieldKind kind() const { return m_kind; }
  const QString& type() const { return m_type; }
  QString text() const;
  void setText(const QString& text);
  void setAccessibleCaption(const QString& caption);
  // The widget that takes the keyboard focus (for the tab order).
  QWidget* focusWidget() const { return m_focus; }
  // Choice lists (the "Выбор" element) are filled one value at a time.
  void addItem(const QString& value);
  // A field of a posted document shows its value and takes no input; it can still be
  // focused, read and copied, and a reference still opens what it names.
  void setReadOnly(bool on);
  bool isReadOnly() const { return m_readOnly; }

  // What is wrong with a typed value (the message), nullopt when it is fine.
  using ValueCheck = std::function<std::optional<QString>(const QString& text)>;
  // A reference field completes what is typed from `values` (letter case ignored, any part
  // of a value matches) and, with a `check`, refuses a value that does not exist when the
  // user leaves the field: the message is shown and the focus comes back. Leaving it empty,
  // or for another window (a choice list, a message), is not refused.
  void setReferenceValues(const QStringList& values, ValueCheck check = {});
  bool hasCompletion() const;

  static constexpr const char* kDateFormat = "dd.MM.yyyy";

 signals:
  // The choice button or F4 on a reference field.
  void chooseRequested();
  // Double click on a reference field.
  void openRequested();
  void edited();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FieldKind m_kind;
  QString m_type;
  QLineEdit* m_line = nullptr;
  QDateEdit* m_date = nullptr;
  QCheckBox* m_check = nullptr;
  QComboBox* m_combo = nullptr;
  QToolButton* m_choose = nullptr;
  QWidget* m_focus = nullptr;
  bool m_readOnly = false;
  ValueCheck m_valueCheck;
  bool m_refusing = false;  // a refusal is on its way: one message per leaving
  bool m_money = false;
  QString m_number;  // a number field's value, whatever it shows
  bool m_showing = false;
  void showNumber(bool editing);
};

}  // namespace balvix::runtime
