#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "config/form_layout.h"
#include "runtime/module_runner.h"

class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;

namespace balvix::documents {
class ReferenceValues;
}

namespace balvix::script {
class Engine;
class Host;
class ScriptError;
struct ModuleSource;
}  // namespace balvix::script

namespace balvix::runtime {

class FormTable;
class FormTableView;
class TableTotals;
class ValueField;
class DesignOverlay;

// The form control ("frm"): shows a form's elements from its layout text, edits their
// values, holds the table part and runs the form's module. The catalog element form,
// the document form and the report dialog embed it; they feed it and read it back.
//
// Fields are addressed by caption (letter case ignored); the name "table" addresses the
// current cell of the table part. Layout positions and sizes are twips.
class FormControl : public QWidget {
  Q_OBJECT

 public:
  // The module procedure run after the user changes a cell of the table part.
  static inline const QString kTableChangedProcedure = QStringLiteral("ПриИзмененииТаблицы");

  explicit FormControl(QWidget* parent = nullptr);
  ~FormControl() override;

  // The host modules run with and the status line goes to (the program's host); the
  // control makes its own when none is given. Not owned.
  void setHost(script::Host* host) { m_module.setHost(host); }
  script::Host& host() { return m_module.host(); }

  // Set first: true allows placing, moving and resizing elements and the element menu.
  void setDesignMode(bool on);
  bool designMode() const { return m_designMode; }

  // The layout places the fields; a field of one of `requisites` shows the requisite's current
  // type whatever type the layout was saved with (config::takeRequisiteType).
  void LoadLayout(const QString& text, const QList<config::Requisite>& requisites = {});
  QString GetLayout() const;
  // Adds an element of a palette type word ("Надпись", "Текст", "Кнопка", "Флажок",
  // "Выбор") at the place last clicked; an empty or unknown word adds nothing. Returns
  // the new element's caption.
  QString PlaceControl(const QString& typeWord, const QString& text = QString());
  Q_INVOKABLE bool RemoveElement(const QString& name);
  // Refused with a message when another element already has the new caption.
  Q_INVOKABLE bool RenameElement(const QString& name, const QString& newName);

  // УстановитьЗначение / GetValue.
  void setValue(const QString& field, const QString& text);
  QString value(const QString& field) const;
  bool hasField(const QString& field) const;

  // AddChoice / ShowChoices: the values offered for the field that asked last.
  void AddChoice(const QString& value);
  void ShowChoices();
  QMenu* choiceMenu() const { return m_choiceMenu; }

  // LoadModule: compiles the text (the form's module followed by the global module),
  // makes the global object's members callable without qualifier, runs the opening
  // procedure. A module error is shown with its line; false then.
  bool LoadModule(const QString& text, std::shared_ptr<script::HostObject> globalObject);
  // The same with the form's module and the global module as named texts, so an error
  // names the module it happened in and its own line.
  bool LoadModule(const std::vector<script::ModuleSource>& modules,
                  std::shared_ptr<script::HostObject> globalObject);
  // Script.RunThis: runs a procedure of the loaded module; nothing when there is none.
  bool RunThis(const QString& procedure);
  // The name module errors are reported under ("Справочник.Товары").
  void setModuleName(const QString& name) { m_module.setModuleName(name); }
  script::Engine* engine() const { return m_module.engine(); }
  // Ends the module's run (Class_Terminate of what its variables hold runs). The window
  // calls it while it, the control and the host are still whole: from its destructor.
  void endModule() { m_module.end(); }

  // Every field and the table part take no input (a posted document); buttons still work.
  void setReadOnly(bool on);
  bool isReadOnly() const { return m_readOnly; }
  // The values that exist for reference fields and cells: completion while typing, and the
  // refusal of a value that does not exist when a field is left or a cell is committed.
  // Without them (a report's dialog) neither happens. Read once per type while the form is
  // open.
  void setReferenceValues(std::shared_ptr<documents::ReferenceValues> values);
  // Puts the focus on a field, or with `row` (from 0) on that row's cell of a table column.
  void focusField(const QString& field, int row = -1);

  void setTablePart(bool on);
  bool tablePart() const { return m_tablePart; }
  FormTable* table() const { return m_table; }
  FormTableView* tableView() const { return m_tableView; }
  // Where Tab leaves the form: its table part, else its last field or button.
  QWidget* lastInTabOrder() const;
  // The line of sums under the table part.
  TableTotals* totals() const { return m_totals; }

  // Inspection: element captions in layout order, an element's field, its rectangle.
  QStringList elementNames() const;
  ValueField* field(const QString& caption) const;
  QWidget* elementWidget(const QString& caption) const;
  QRect elementRectTwips(const QString& caption) const;
  QString selectedElement() const;
  void selectElement(const QString& caption);
  // Where the next placed element goes (the point last clicked), in pixels.
  void setPlacePoint(const QPoint& point) { m_placePoint = point; }
  // The caption of the window that shows this control (for Форма.Заголовок).
  QWidget* captionWidget() const;

  static constexpr int kGridTwips = 60;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void chooseValue(const QString& type, const QString& field);
  void placeRequest();
  void elementMenu(const QString& name);
  void openObject(const QString& text);
  void layoutChanged();

 private:
  friend class DesignOverlay;
  struct Element {
    config::LayoutElement line;
    QString raw;  // a line that could not be read: kept as it is, not shown
    bool malformed = false;
    QString kind;
    QString caption;
    QString type;
    QRect rect;  // twips
    QWidget* box = nullptr;
    QLabel* label = nullptr;
    ValueField* field = nullptr;
    QPushButton* button = nullptr;
  };

  Element* find(const QString& caption) const;
  int indexOf(const QString& caption) const;
  void build(Element& e);
  void position(Element& e);
  void clearElements();
  void updateTabOrder();
  void updateCanvasSize();
  QString uniqueCaption(const QString& base) const;
  void moveElement(Element& e, const QRect& pixels);
  void moveElementTwips(Element& e, const QRect& twips);
  Element* elementAt(const QPoint& canvasPos) const;
  void nudge(int dx, int dy, bool resize);
  void giveReferenceValues(Element& e);

  bool m_designMode = false;
  bool m_inTableChange = false;
  bool m_tablePart = false;
  bool m_readOnly = false;
  std::vector<std::unique_ptr<Element>> m_elements;
  QStringList m_malformed;
  QScrollArea* m_scroll = nullptr;
  TableTotals* m_totals = nullptr;
  QWidget* m_canvas = nullptr;
  DesignOverlay* m_overlay = nullptr;
  FormTable* m_table = nullptr;
  FormTableView* m_tableView = nullptr;
  QMenu* m_choiceMenu = nullptr;
  QStringList m_choices;
  QString m_choiceField;
  QPoint m_placePoint{17, 47};
  int m_selected = -1;
  ModuleRunner m_module;
  std::shared_ptr<documents::ReferenceValues> m_references;
};

}  // namespace balvix::runtime
