#include "runtime/form_control.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "documents/document_checks.h"
#include "runtime/design_overlay.h"
#include "runtime/form_table.h"
#include "runtime/module_error.h"
#include "runtime/table_totals.h"
#include "runtime/value_field.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/global_functions.h"
#include "script/objects/form_objects.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "storage/db_error.h"

namespace balvix::runtime {

using shell::pixelsToTwips;
using shell::twipsToPixels;

namespace {

// What the header of a form may claim of the screen before it scrolls instead.
constexpr int kMostHeaderWidth = 1100;
constexpr int kMostHeaderHeight = 420;
constexpr int kLeastTableHeight = 140;

constexpr int kLabelTwips = 1500;
constexpr int kMinWidthTwips = 300;
constexpr int kMinHeightTwips = 200;

QSize defaultSize(const QString& kind) {
  if (kind == QLatin1String("lbl")) return {1500, 285};
  if (kind == QLatin1String("btn")) return {1500, 375};
  return {4800, 315};
}

QString kindOfWord(const QString& word) {
  if (word == QStringLiteral("Надпись")) return QStringLiteral("lbl");
  if (word == QStringLiteral("Текст")) return QStringLiteral("txt");
  if (word == QStringLiteral("Кнопка")) return QStringLiteral("btn");
  if (word == QStringLiteral("Флажок")) return QStringLiteral("chk");
  if (word == QStringLiteral("Выбор")) return QStringLiteral("cmb");
  return QString();
}

int number(const config::LayoutElement& line, const char* key, int fallback) {
  return line.number(QString::fromLatin1(key), fallback);
}

int snap(int twips) {
  const int g = FormControl::kGridTwips;
  return (twips >= 0 ? twips + g / 2 : twips - g / 2) / g * g;
}

bool sameCaption(const QString& a, const QString& b) {
  return a.toCaseFolded() == b.toCaseFolded();
}

// The form's fields as `Форма` reads and writes them: the widgets themselves, so a module
// and the user see the same values; the caption is the window's.
class ControlFields : public script::FormFields {
 public:
  explicit ControlFields(FormControl* form) : m_form(form) {}
  bool available() const override { return m_form; }
  QString value(const QString& name) const override { return m_form->value(name); }
  void setValue(const QString& name, const QString& text) override { m_form->setValue(name, text); }
  QString caption() const override { return m_form->captionWidget()->windowTitle(); }
  void setCaption(const QString& caption) override {
    m_form->captionWidget()->setWindowTitle(caption);
  }

 private:
  QPointer<FormControl> m_form;
};

}  // namespace

FormControl::FormControl(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frm"));
  m_scroll = new QScrollArea(this);
  m_scroll->setWidgetResizable(true);
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_canvas = new QWidget;
  m_canvas->setObjectName(QStringLiteral("Canvas"));
  m_scroll->setWidget(m_canvas);
  m_overlay = new DesignOverlay(this, m_canvas);
  m_overlay->hide();
  m_canvas->installEventFilter(this);
  m_table = new FormTable(this);
  m_tableView = new FormTableView(m_table, this);
  m_tableView->hide();
  connect(m_tableView, &FormTableView::chooseValue, this, [this](const QString& type) {
    m_choiceField = QStringLiteral("table");
    emit chooseValue(type, QStringLiteral("table"));
  });
  // A module recomputes what depends on the table (a line's amount, say) after the user
  // changes a cell; its writes to cells do not call it again.
  connect(m_table, &FormTable::cellEdited, this, [this] {
    if (m_designMode || !engine() || m_inTableChange ||
        !engine()->hasProcedure(kTableChangedProcedure))
      return;
    m_inTableChange = true;
    RunThis(kTableChangedProcedure);
    m_inTableChange = false;
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_scroll, 1);
  layout->addWidget(m_tableView, 1);
  m_totals = new TableTotals(m_table, m_tableView, this);
  m_totals->hide();
  layout->addWidget(m_totals);
}

FormControl::~FormControl() {
  // The engine may hold objects that point back at the control.
  m_module.reset();
}

bool FormControl::eventFilter(QObject* watched, QEvent* event) {
  // The design overlay always covers the whole canvas.
  if (watched == m_canvas && event->type() == QEvent::Resize)
    m_overlay->setGeometry(m_canvas->rect());
  return QWidget::eventFilter(watched, event);
}

QWidget* FormControl::captionWidget() const {
  return parentWidget() ? parentWidget() : const_cast<FormControl*>(this);
}

void FormControl::setDesignMode(bool on) {
  m_designMode = on;
  updateCanvasSize();
  m_overlay->setVisible(on);
  if (on) {
    m_overlay->setGeometry(
        QRect(QPoint(0, 0), m_canvas->size().expandedTo(m_canvas->minimumSize())));
    m_overlay->raise();
  }
}

void FormControl::clearElements() {
  for (auto& e : m_elements) delete e->box;
  m_elements.clear();
  m_selected = -1;
}

void FormControl::LoadLayout(const QString& text, const QList<config::Requisite>& requisites) {
  clearElements();
  config::LayoutParseResult parsed = config::parseLayout(text);
  // Malformed lines are not shown but keep their place, so nothing the user stored is
  // lost when the layout is written back.
  QHash<int, QString> malformed;
  for (const config::LayoutProblem& problem : std::as_const(parsed.problems))
    malformed.insert(problem.line, problem.text);
  QString normalized = text;
  normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QStringList lines = normalized.split(QLatin1Char('\n'));
  qsizetype next = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].trimmed().isEmpty()) continue;
    auto e = std::make_unique<Element>();
    if (malformed.contains(static_cast<int>(i + 1))) {
      e->malformed = true;
      e->raw = lines[i];
    } else if (next < parsed.layout.elements.size()) {
      e->line = parsed.layout.elements[next++];
      config::takeRequisiteType(e->line, requisites);
      build(*e);
    } else {
      continue;
    }
    m_elements.push_back(std::move(e));
  }
  updateCanvasSize();
  updateTabOrder();
  if (!parsed.problems.isEmpty()) {
    QString status = parsed.problems.first().message();
    if (parsed.problems.size() > 1)
      status += QStringLiteral(" Всего пропущено строк: %1.").arg(parsed.problems.size());
    host().setStatus(status);
  }
}

QString FormControl::GetLayout() const {
  QString out;
  for (const auto& e : m_elements)
    out += (e->malformed ? e->raw : e->line.line()) + QStringLiteral("\r\n");
  return out;
}

void FormControl::build(Element& e) {
  delete e.box;
  e.box = nullptr;
  e.label = nullptr;
  e.field = nullptr;
  e.button = nullptr;
  e.kind = e.line.value(QStringLiteral("name")).trimmed().toLower();
  e.caption = e.line.value(QStringLiteral("caption"));
  e.type = e.line.value(QStringLiteral("type"));
  const QSize size = defaultSize(e.kind);
  e.rect = QRect(number(e.line, "left", 0), number(e.line, "top", 0),
                 qMax(kMinWidthTwips, number(e.line, "width", size.width())),
                 qMax(kMinHeightTwips, number(e.line, "height", size.height())));

  if (e.kind == QLatin1String("lbl")) {
    e.label = new QLabel(e.caption, m_canvas);
    e.box = e.label;
  } else if (e.kind == QLatin1String("btn")) {
    e.button = new QPushButton(e.caption, m_canvas);
    e.button->setAccessibleName(e.caption);
    e.box = e.button;
    const QString proc = e.line.value(QStringLiteral("proc")).trimmed();
    connect(e.button, &QPushButton::clicked, this, [this, proc] {
      if (!m_designMode && !proc.isEmpty()) RunThis(proc);
    });
  } else {
    FieldKind kind = fieldKindOfType(e.type);
    if (e.kind == QLatin1String("chk")) kind = FieldKind::Check;
    if (e.kind == QLatin1String("cmb")) kind = FieldKind::Choice;
    e.box = new QWidget(m_canvas);
    auto* row = new QHBoxLayout(e.box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    e.label = new QLabel(e.caption, e.box);
    e.field = new ValueField(kind, e.type, e.caption, e.box);
    e.field->setReadOnly(m_readOnly);
    e.label->setBuddy(e.field->focusWidget());
    e.label->setFixedWidth(
        qMin(twipsToPixels(kLabelTwips), twipsToPixels(e.rect.width()) * 45 / 100));
    row->addWidget(e.label);
    row->addWidget(e.field, 1);
    ValueField* field = e.field;
    connect(field, &ValueField::chooseRequested, this, [this, field] {
      m_choiceField = field->accessibleName();
      emit chooseValue(field->type(), field->accessibleName());
    });
    connect(field, &ValueField::openRequested, this,
            [this, field] { emit openObject(field->type()); });
    giveReferenceValues(e);
  }
  e.box->setObjectName(e.caption);
  position(e);
  e.box->show();
  if (m_designMode) m_overlay->raise();
}

void FormControl::giveReferenceValues(Element& e) {
  if (!m_references || m_designMode || !e.field || e.field->kind() != FieldKind::Reference) return;
  const config::Requisite requisite{e.caption, config::RequisiteType::parse(e.type)};
  std::shared_ptr<documents::ReferenceValues> references = m_references;
  try {
    e.field->setReferenceValues(
        references->values(requisite.type),
        [references, requisite](const QString& text) -> std::optional<QString> {
          try {
            return references->valueProblem(requisite, text);
          } catch (const storage::DbError&) {
            return std::nullopt;  // what cannot be read is checked again at posting
          }
        });
  } catch (const storage::DbError&) {
    // Without the list the field is typed into as before; posting still checks it.
  }
}

void FormControl::setReferenceValues(std::shared_ptr<documents::ReferenceValues> values) {
  m_references = std::move(values);
  m_tableView->setReferenceValues(m_references);
  for (const auto& e : m_elements) giveReferenceValues(*e);
}

void FormControl::focusField(const QString& field, int row) {
  if (row >= 0) {
    const int column = m_table->columnIndex(field);
    if (column < 0 || row >= m_table->rows()) return;
    const QModelIndex index = m_table->index(row, column);
    m_tableView->setCurrentIndex(index);
    m_tableView->scrollTo(index);
    m_tableView->setFocus(Qt::OtherFocusReason);
    return;
  }
  Element* e = find(field);
  if (!e || !e->field) return;
  m_scroll->ensureWidgetVisible(e->box);
  e->field->setFocus(Qt::OtherFocusReason);
}

void FormControl::position(Element& e) {
  if (!e.box) return;
  e.box->setGeometry(twipsToPixels(e.rect.left()), twipsToPixels(e.rect.top()),
                     twipsToPixels(e.rect.width()), twipsToPixels(e.rect.height()));
}

void FormControl::updateCanvasSize() {
  QRect extent;
  for (const auto& e : m_elements)
    if (e->box) extent |= e->box->geometry();
  m_canvas->setMinimumSize(extent.right() + 8, extent.bottom() + 8);
  // The header's fields are shown whole, without a scroll bar, as far as a screen allows; a
  // table part below takes the rest of the height, and the header no more than it needs.
  if (!m_designMode) {
    const QMargins frame = m_scroll->contentsMargins();
    const int height = extent.bottom() + 8 + frame.top() + frame.bottom();
    const int width = extent.right() + 8 + frame.left() + frame.right();
    m_scroll->setMinimumSize(std::min(width, kMostHeaderWidth),
                             std::min(height, kMostHeaderHeight));
    m_scroll->setMaximumHeight(m_tablePart ? std::max(height, m_scroll->minimumHeight())
                                           : QWIDGETSIZE_MAX);
  } else {
    m_scroll->setMinimumSize(0, 0);
    m_scroll->setMaximumHeight(QWIDGETSIZE_MAX);
  }
  m_overlay->setGeometry(QRect(QPoint(0, 0), m_canvas->size().expandedTo(m_canvas->minimumSize())));
}

void FormControl::updateTabOrder() {
  QWidget* previous = nullptr;
  for (const auto& e : m_elements) {
    QWidget* w = e->field ? e->field->focusWidget() : e->button;
    if (!w) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
  if (previous && m_tablePart) QWidget::setTabOrder(previous, m_tableView);
}

QWidget* FormControl::lastInTabOrder() const {
  if (m_tablePart) return m_tableView;
  for (auto e = m_elements.rbegin(); e != m_elements.rend(); ++e)
    if (QWidget* w = (*e)->field ? (*e)->field->focusWidget() : (*e)->button) return w;
  return nullptr;
}

FormControl::Element* FormControl::find(const QString& caption) const {
  const int i = indexOf(caption);
  return i < 0 ? nullptr : m_elements[static_cast<std::size_t>(i)].get();
}

int FormControl::indexOf(const QString& caption) const {
  for (std::size_t i = 0; i < m_elements.size(); ++i)
    if (!m_elements[i]->malformed && sameCaption(m_elements[i]->caption, caption))
      return static_cast<int>(i);
  return -1;
}

QString FormControl::uniqueCaption(const QString& base) const {
  for (int n = 1;; ++n) {
    const QString candidate = base + QString::number(n);
    if (indexOf(candidate) < 0) return candidate;
  }
}

QString FormControl::PlaceControl(const QString& typeWord, const QString& text) {
  const QString kind = kindOfWord(typeWord.trimmed());
  if (kind.isEmpty()) return QString();
  int index = 0;
  for (const auto& e : m_elements)
    if (!e->malformed) index = qMax(index, number(e->line, "index", 0));
  const QString caption = text.isEmpty() ? uniqueCaption(typeWord.trimmed()) : text;
  const QSize size = defaultSize(kind);
  auto e = std::make_unique<Element>();
  e->line = config::LayoutElement(config::LayoutElement::kindOf(kind));
  e->line.setValue(QStringLiteral("index"), QString::number(index + 1));
  e->line.setValue(QStringLiteral("top"),
                   QString::number(snap(static_cast<int>(pixelsToTwips(m_placePoint.y())))));
  e->line.setValue(QStringLiteral("left"),
                   QString::number(snap(static_cast<int>(pixelsToTwips(m_placePoint.x())))));
  e->line.setValue(QStringLiteral("width"), QString::number(size.width()));
  e->line.setValue(QStringLiteral("height"), QString::number(size.height()));
  e->line.setValue(QStringLiteral("caption"), caption);
  if (kind == QLatin1String("txt"))
    e->line.setValue(QStringLiteral("type"), QStringLiteral("Текст"));
  if (kind == QLatin1String("btn")) e->line.setValue(QStringLiteral("proc"), QString());
  build(*e);
  m_elements.push_back(std::move(e));
  m_selected = static_cast<int>(m_elements.size()) - 1;
  updateCanvasSize();
  updateTabOrder();
  m_overlay->update();
  emit layoutChanged();
  return caption;
}

bool FormControl::RemoveElement(const QString& name) {
  const int i = indexOf(name);
  if (i < 0) return false;
  delete m_elements[static_cast<std::size_t>(i)]->box;
  m_elements.erase(m_elements.begin() + i);
  m_selected = -1;
  updateCanvasSize();
  updateTabOrder();
  m_overlay->update();
  emit layoutChanged();
  return true;
}

bool FormControl::RenameElement(const QString& name, const QString& newName) {
  Element* e = find(name);
  if (!e) {
    shell::MessageBoxes::show(QStringLiteral("На форме нет элемента «%1».").arg(name));
    return false;
  }
  const QString caption = newName.trimmed();
  if (caption.isEmpty() || caption.contains(QLatin1Char(';')) ||
      caption.contains(QLatin1Char('='))) {
    shell::MessageBoxes::show(
        QStringLiteral("Имя элемента не может быть пустым и не может содержать «;» и «=»."));
    return false;
  }
  const int other = indexOf(caption);
  if (other >= 0 && m_elements[static_cast<std::size_t>(other)].get() != e) {
    shell::MessageBoxes::show(
        QStringLiteral("Элемент с именем «%1» уже есть на форме.").arg(caption));
    return false;
  }
  e->line.setValue(QStringLiteral("caption"), caption);
  build(*e);
  updateTabOrder();
  emit layoutChanged();
  return true;
}

void FormControl::setValue(const QString& field, const QString& text) {
  if (field == QLatin1String("table")) {
    const QModelIndex current = m_tableView->currentIndex();
    if (current.isValid()) m_table->setCell(current.row(), current.column(), text);
    return;
  }
  Element* e = find(field);
  if (!e) return;
  if (e->field)
    e->field->setText(text);
  else if (e->label)
    e->label->setText(text);
}

QString FormControl::value(const QString& field) const {
  if (field == QLatin1String("table")) {
    const QModelIndex current = m_tableView->currentIndex();
    return current.isValid() ? m_table->cell(current.row(), current.column()) : QString();
  }
  Element* e = find(field);
  if (!e) return QString();
  if (e->field) return e->field->text();
  return e->label ? e->label->text() : QString();
}

bool FormControl::hasField(const QString& field) const {
  Element* e = find(field);
  return e && e->field;
}

void FormControl::AddChoice(const QString& value) {
  m_choices << value;
}

void FormControl::ShowChoices() {
  delete m_choiceMenu;
  m_choiceMenu = new QMenu(this);
  m_choiceMenu->setObjectName(QStringLiteral("ChoiceMenu"));
  m_choiceMenu->setAccessibleName(QStringLiteral("Выбор значения"));
  const QString target = m_choiceField;
  for (const QString& choice : std::as_const(m_choices)) {
    QAction* action = m_choiceMenu->addAction(choice);
    connect(action, &QAction::triggered, this,
            [this, target, choice] { setValue(target, choice); });
  }
  m_choices.clear();
  QWidget* anchor = target == QLatin1String("table") ? static_cast<QWidget*>(m_tableView)
                                                     : static_cast<QWidget*>(field(target));
  if (!anchor) anchor = this;
  m_choiceMenu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

bool FormControl::LoadModule(const QString& text,
                             std::shared_ptr<script::HostObject> globalObject) {
  return LoadModule(std::vector<script::ModuleSource>{{QString(), text}}, std::move(globalObject));
}

bool FormControl::LoadModule(const std::vector<script::ModuleSource>& modules,
                             std::shared_ptr<script::HostObject> globalObject) {
  script::Engine& engine = m_module.start(std::move(globalObject));
  engine.addObject(QStringLiteral("Форма"),
                   std::make_shared<script::FormObject>(std::make_unique<ControlFields>(this)));
  engine.addObject(QStringLiteral("Таблица"),
                   std::make_shared<script::TableObject>(tableRows(m_table)));
  return m_module.run([&] { engine.load(modules); });
}

bool FormControl::RunThis(const QString& procedure) {
  script::Engine* engine = m_module.engine();
  if (!engine) return false;
  return m_module.run([&] { engine->runThis(procedure); });
}

void FormControl::setReadOnly(bool on) {
  m_readOnly = on;
  for (const auto& e : m_elements)
    if (e->field) e->field->setReadOnly(on);
  m_table->setReadOnly(on);
}

void FormControl::setTablePart(bool on) {
  m_tablePart = on;
  m_tableView->setVisible(on);
  m_totals->recount();
  m_totals->setVisible(on && m_totals->hasTotals());
  // Room for a few rows whatever the header takes.
  m_tableView->setMinimumHeight(on ? kLeastTableHeight : 0);
  updateCanvasSize();
  updateTabOrder();
}

QStringList FormControl::elementNames() const {
  QStringList names;
  for (const auto& e : m_elements)
    if (!e->malformed) names << e->caption;
  return names;
}

ValueField* FormControl::field(const QString& caption) const {
  Element* e = find(caption);
  return e ? e->field : nullptr;
}

QWidget* FormControl::elementWidget(const QString& caption) const {
  Element* e = find(caption);
  return e ? e->box : nullptr;
}

QRect FormControl::elementRectTwips(const QString& caption) const {
  Element* e = find(caption);
  return e ? e->rect : QRect();
}

QString FormControl::selectedElement() const {
  if (m_selected < 0 || m_selected >= static_cast<int>(m_elements.size())) return QString();
  return m_elements[static_cast<std::size_t>(m_selected)]->caption;
}

void FormControl::selectElement(const QString& caption) {
  m_selected = indexOf(caption);
  m_overlay->update();
}

FormControl::Element* FormControl::elementAt(const QPoint& canvasPos) const {
  for (auto it = m_elements.rbegin(); it != m_elements.rend(); ++it)
    if ((*it)->box && (*it)->box->geometry().contains(canvasPos)) return it->get();
  return nullptr;
}

void FormControl::moveElement(Element& e, const QRect& pixels) {
  moveElementTwips(e, QRect(static_cast<int>(pixelsToTwips(pixels.left())),
                            static_cast<int>(pixelsToTwips(pixels.top())),
                            static_cast<int>(pixelsToTwips(pixels.width())),
                            static_cast<int>(pixelsToTwips(pixels.height()))));
}

void FormControl::moveElementTwips(Element& e, const QRect& wanted) {
  const QRect before = e.rect;
  QRect twips(qMax(0, wanted.left()), qMax(0, wanted.top()), qMax(kMinWidthTwips, wanted.width()),
              qMax(kMinHeightTwips, wanted.height()));
  if (twips.topLeft() != before.topLeft()) {
    e.line.setValue(QStringLiteral("top"), QString::number(twips.top()));
    e.line.setValue(QStringLiteral("left"), QString::number(twips.left()));
  }
  if (twips.size() != before.size()) {
    e.line.setValue(QStringLiteral("width"), QString::number(twips.width()));
    e.line.setValue(QStringLiteral("height"), QString::number(twips.height()));
  }
  e.rect = twips;
  if (e.label && e.field)
    e.label->setFixedWidth(
        qMin(twipsToPixels(kLabelTwips), twipsToPixels(twips.width()) * 45 / 100));
  position(e);
  updateCanvasSize();
  m_overlay->update();
  if (twips != before) emit layoutChanged();
}

void FormControl::nudge(int dx, int dy, bool resize) {
  if (m_selected < 0) return;
  Element& e = *m_elements[static_cast<std::size_t>(m_selected)];
  QRect r = e.rect;
  if (resize)
    r.setSize(QSize(r.width() + dx * kGridTwips, r.height() + dy * kGridTwips));
  else
    r.translate(dx * kGridTwips, dy * kGridTwips);
  moveElementTwips(e, r);
}

}  // namespace balvix::runtime
