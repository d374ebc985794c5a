#include "runtime/journal.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/document_title.h"
#include "runtime/document_commands.h"
#include "runtime/document_form.h"
#include "runtime/journal_filter.h"
#include "runtime/list_search.h"
#include "runtime/print_window.h"
#include "runtime/reposting.h"
#include "runtime/runtime_windows.h"
#include "runtime/toolbar_control.h"
#include "runtime/view_export.h"
#include "script/number_text.h"
#include "shell/accessibility.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

using shell::MessageBoxes;

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

int dateKeyOf(const QDate& date) {
  return date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0;
}

// dd.MM.yyyy read without building a QDate: the journal parses every row it reads.
int dateKeyOf(std::string_view text) {
  if (text.size() != 10 || text[2] != '.' || text[5] != '.') {
    return dateKeyOf(QDate::fromString(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed(),
        kDateFormat));
  }
  int value[3] = {0, 0, 0};
  const int starts[3] = {6, 3, 0};
  const int lengths[3] = {4, 2, 2};
  for (int part = 0; part < 3; ++part)
    for (int i = 0; i < lengths[part]; ++i) {
      const char c = text[static_cast<std::size_t>(starts[part] + i)];
      if (c < '0' || c > '9') return 0;
      value[part] = value[part] * 10 + (c - '0');
    }
  return value[0] * 10000 + value[1] * 100 + value[2];
}

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

const QString kTotalColumn = QStringLiteral("Сумма");

// An amount as stored ("1 200", "10,5", "3.25"); 0 for an empty or foreign text.
double amountOf(std::string_view stored) {
  std::string digits;
  digits.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if ((c >= '0' && c <= '9') || c == '-')
      digits += c;
    else if (c == ',' || c == '.')
      digits += '.';
  }
  bool ok = false;
  const double value = QByteArray::fromStdString(digits).toDouble(&ok);
  return ok ? value : 0;
}

bool hasColumn(storage::Session& db, const QString& table, const QString& column) {
  return db.tableExists(table) && db.columns(table).contains(column, Qt::CaseInsensitive);
}

}  // namespace

void JournalModel::setRows(std::vector<JournalRow> rows) {
  beginResetModel();
  m_rows = std::move(rows);
  endResetModel();
}

void JournalModel::append(const JournalRow& row) {
  const int at = size();
  beginInsertRows({}, at, at);
  m_rows.push_back(row);
  endInsertRows();
}

void JournalModel::update(int row, const JournalRow& value) {
  if (row < 0 || row >= size()) return;
  m_rows[static_cast<std::size_t>(row)] = value;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void JournalModel::setExtraColumns(const QStringList& headers) {
  beginResetModel();
  m_extras = headers;
  m_rows.clear();
  endResetModel();
}

JournalModel::Column JournalModel::columnAt(int modelColumn) const {
  if (modelColumn <= Kind) return static_cast<Column>(modelColumn);
  const int extras = static_cast<int>(m_extras.size());
  if (modelColumn <= Kind + extras) return ColumnCount;
  return static_cast<Column>(modelColumn - extras);
}

void JournalModel::removeDocument(int row) {
  if (row < 0 || row >= size()) return;
  beginRemoveRows({}, row, row);
  m_rows.erase(m_rows.begin() + row);
  endRemoveRows();
}

int JournalModel::find(const QString& kind, const script::DocumentKey& key) const {
  for (int i = 0; i < size(); ++i) {
    const JournalRow& r = m_rows[static_cast<std::size_t>(i)];
    if (r.kind == kind && r.date == key.date && r.time == key.time) return i;
  }
  return -1;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : size();
}

int JournalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount + static_cast<int>(m_extras.size());
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= size()) return {};
  const JournalRow& r = m_rows[static_cast<std::size_t>(index.row())];
  const Column column = columnAt(index.column());
  if (column == ColumnCount) {
    if (role == SortRole) return r.extraKeys.value(index.column() - Kind - 1);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    return r.extras.value(index.column() - Kind - 1);
  }
  if (role == Qt::DecorationRole && column == Posted) {
    static const QIcon posted = QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
    static const QIcon unposted =
        QApplication::style()->standardIcon(QStyle::SP_DialogCancelButton);
    return r.posted ? posted : unposted;
  }
  if (role == shell::kCellNumberRole)
    return column == Total && r.hasTotal ? QVariant(r.total) : QVariant();
  if (role == Qt::TextAlignmentRole && column == Total)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == SortRole) {
    switch (column) {
      case Total:
        return r.total;
      case Number:
        return r.number.toLongLong();
      case Date:
        return static_cast<qlonglong>(r.dateKey) * 1000000 +
               r.time.left(8).remove(QLatin1Char(':')).toLongLong();
      case Posted:
        return r.posted ? 1 : 0;
      default:
        break;
    }
    role = Qt::DisplayRole;
  }
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  switch (column) {
    case Number:
      return r.number;
    case Kind:
      return r.caption.isEmpty() ? r.kind : r.caption;
    case Date:
      return r.date;
    case Time:
      return r.time;
    case Name:
      return r.name;
    case Total:
      return r.hasTotal ? script::amountText(r.total) : QString();
    case Posted:
      return r.posted ? QStringLiteral("Проведен") : QStringLiteral("Не проведен");
    default:
      return {};
  }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const Column column = columnAt(section);
  if (role == Qt::TextAlignmentRole && column == Total)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  if (column == ColumnCount) return m_extras.value(section - Kind - 1);
  static const char* const kHeaders[] = {
      "№", "Дата", "Время", "Вид документа", "Наименование", "Сумма", "Проведен"};
  return QString::fromUtf8(kHeaders[column]);
}

frmZurnal::frmZurnal(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmZurnal"));
  setWindowTitle(QStringLiteral("Журнал..."));
  m_journal = state.currentObjectName;

  m_usrMenu1 = new ToolBarControl(this);
  m_usrMenu1->setObjectName(QStringLiteral("usrMenu1"));
  const QStyle* s = style();
  m_usrMenu1->addButton(1, QStringLiteral("Новый"), s->standardIcon(QStyle::SP_FileIcon));
  m_usrMenu1->addButton(2, QStringLiteral("Открыть"), s->standardIcon(QStyle::SP_DirOpenIcon),
                        QStringLiteral("Открыть документ (Enter)"));
  m_usrMenu1->addButton(3, QStringLiteral("Копировать"));
  m_usrMenu1->addButton(4, QStringLiteral("Удалить"), s->standardIcon(QStyle::SP_TrashIcon),
                        QStringLiteral("Удалить документ (Delete)"));
  m_usrMenu1->addButton(5, QStringLiteral("Перепровести"),
                        s->standardIcon(QStyle::SP_BrowserReload),
                        QStringLiteral("Перепровести проведенные документы периода"));
  m_usrMenu1->addButton(6, QStringLiteral("Выгрузить"),
                        s->standardIcon(QStyle::SP_DialogSaveButton),
                        QStringLiteral("Выгрузить список в CSV или XLSX"));
  m_usrMenu1->addButton(7, QStringLiteral("Печать"), QIcon(),
                        QStringLiteral("Напечатать выбранный документ"));

  const auto [start, end] = rememberedPeriod();
  auto* frame = new QWidget(this);
  frame->setObjectName(QStringLiteral("Frame1"));
  m_start = new QDateEdit(start, frame);
  m_start->setObjectName(QStringLiteral("cD_0"));
  m_end = new QDateEdit(end, frame);
  m_end->setObjectName(QStringLiteral("cD_1"));
  // The period and the filters are rows of their own: in one row a narrow window (820 px)
  // cut their labels short.
  auto* rowsLayout = new QVBoxLayout(frame);
  rowsLayout->setContentsMargins(0, 0, 0, 0);
  rowsLayout->setSpacing(2);
  auto* periodLayout = new QHBoxLayout;
  auto* filterLayout = new QHBoxLayout;
  rowsLayout->addLayout(periodLayout);
  rowsLayout->addLayout(filterLayout);
  for (auto [edit, caption] :
       {std::pair{m_start, "Начало периода:"}, std::pair{m_end, "Конец периода:"}}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateFormat);
    auto* label = new QLabel(QString::fromUtf8(caption), frame);
    label->setBuddy(edit);
    edit->setAccessibleName(label->text());
    periodLayout->addWidget(label);
    periodLayout->addWidget(edit);
  }
  m_kindLabel = new QLabel(QStringLiteral("Вид документа:"), frame);
  m_kindFilter = new QComboBox(frame);
  m_kindFilter->setObjectName(QStringLiteral("cboKind"));
  auto* stateLabel = new QLabel(QStringLiteral("Состояние:"), frame);
  m_stateFilter = new QComboBox(frame);
  m_stateFilter->setObjectName(QStringLiteral("cboState"));
  for (const char* state : {"Все", "Проведенные", "Непроведенные"})
    m_stateFilter->addItem(QString::fromUtf8(state));
  for (auto [label, combo] :
       {std::pair{m_kindLabel, m_kindFilter}, std::pair{stateLabel, m_stateFilter}}) {
    label->setBuddy(combo);
    combo->setAccessibleName(label->text());
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    if (label != m_kindLabel) filterLayout->addSpacing(8);
    filterLayout->addWidget(label);
    filterLayout->addWidget(combo);
  }
  m_kindLabel->hide();
  m_kindFilter->hide();
  periodLayout->addStretch();
  filterLayout->addStretch();

  m_model = new JournalModel(this);
  m_proxy = new JournalFilterModel(this);
  m_proxy->setSourceModel(m_model);
  m_proxy->setSortRole(JournalModel::SortRole);
  m_list = new QTableView(this);
  m_list->setObjectName(QStringLiteral("ListView1"));
  m_list->setAccessibleName(QStringLiteral("Документы журнала"));
  m_list->setModel(m_proxy);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setSortingEnabled(true);
  m_list->sortByColumn(-1, Qt::AscendingOrder);
  m_list->verticalHeader()->hide();
  m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
  m_list->setWordWrap(false);
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  // The name takes the room the window has; the other columns fit their contents once,
  // when the first rows are read (a column resized to contents on every change would
  // measure 100,000 rows each time).
  m_list->horizontalHeader()->setStretchLastSection(false);
  m_search = new ListSearchField(m_proxy, m_list, this);
  m_search->installShortcut(this);
  m_command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("&Закрыть"), this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_command1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_usrMenu1);
  layout->addWidget(frame);
  layout->addWidget(m_search);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);

  connect(m_usrMenu1, &ToolBarControl::ButtonClick, this, &frmZurnal::buttonClicked);
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
  for (QDateEdit* edit : {m_start, m_end})
    connect(edit, &QDateEdit::dateChanged, this, [this] {
      rememberPeriod();
      loadList();
    });
  connect(m_kindFilter, &QComboBox::currentIndexChanged, this,
          [this] { m_proxy->setKind(m_kindFilter->currentData().toString()); });
  connect(m_stateFilter, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_proxy->setState(static_cast<JournalFilterModel::State>(qBound(0, index, 2)));
  });
  connect(m_list, &QAbstractItemView::activated, this, [this](const QModelIndex& i) {
    rowClicked(modelRow(i));
    openDocument();
  });
  shell::describeCells(m_list);
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& i) { rowClicked(modelRow(i)); });
  connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex i = m_list->indexAt(pos);
    if (i.isValid()) {
      m_list->setCurrentIndex(i);
      rowClicked(modelRow(i));
    }
    showContextMenu(m_list->viewport()->mapToGlobal(pos));
  });
  auto* deleteKey = new QAction(this);
  deleteKey->setShortcut(QKeySequence::Delete);
  deleteKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(deleteKey, &QAction::triggered, this, &frmZurnal::deleteDocument);
  m_list->addAction(deleteKey);

  shell::DocumentEvents* events = &m_state.events;
  connect(events, &shell::DocumentEvents::posted, this, &frmZurnal::documentPosted);
  connect(events, &shell::DocumentEvents::saved, this, &frmZurnal::documentSaved);
  connect(events, &shell::DocumentEvents::unposted, this, &frmZurnal::documentUnposted);
  connect(events, &shell::DocumentEvents::removed, this, &frmZurnal::documentRemoved);
  connect(events, &shell::DocumentEvents::changedElsewhere, this, &frmZurnal::changedElsewhere);

  // The size first: the list's first reading may widen it for its columns.
  setSizeTwips(9000, 6000);
  loadList();
  registerLoad();
  rememberPlaceAs(m_journal);
  centre();
}

QPair<QDate, QDate> frmZurnal::defaultPeriod(const QDate& today) {
  const QDate back = today.addMonths(-3);
  return {QDate(back.year(), back.month(), 1), QDate(today.year(), 12, 31)};
}

frmZurnal::~frmZurnal() {
  if (m_state.journalWindow == this) m_state.journalWindow = nullptr;
}

bool frmZurnal::listsKind(const QString& kind) const {
  return m_kinds.contains(kind);
}

QString frmZurnal::captionOf(const QString& kind) const {
  return m_captions.value(kind, kind);
}

QString frmZurnal::extrasSelect(const QString& kind) const {
  QString select;
  const QList<config::RequisiteType> types = m_extraTypes.value(kind);
  for (int i = 0; i < m_model->extraColumns().size(); ++i)
    select += QLatin1Char(',') + (types.value(i).kind == config::RequisiteType::Kind::None
                                      ? QStringLiteral("''")
                                      : m_model->extraColumns()[i]);
  return select;
}

void frmZurnal::readExtras(const QString& kind, const storage::RowView& row, int first,
                           JournalRow& into) const {
  into.extras.clear();
  into.extraKeys.clear();
  const QList<config::RequisiteType> types = m_extraTypes.value(kind);
  for (int i = 0; i < m_model->extraColumns().size(); ++i) {
    const QString value = text(row.text(first + i));
    const config::RequisiteType type = types.value(i);
    const QString shown = type.isNumber() ? script::shownNumber(value, type.isMoney()) : value;
    into.extras << shown;
    // An empty or unreadable value sorts after every value (an invalid key).
    QVariant key = shown;
    if (type.isNumber()) {
      const std::optional<double> number = script::readNumber(value);
      key = number ? QVariant(*number) : QVariant();
    } else if (type.kind == config::RequisiteType::Kind::Date) {
      const int date = dateKeyOf(row.text(first + i));
      key = date > 0 ? QVariant(static_cast<qlonglong>(date)) : QVariant();
    }
    into.extraKeys << key;
  }
}

void frmZurnal::readTotal(const QString& kind, const script::DocumentKey& key,
                          JournalRow& row) const {
  if (!m_state.db || !storage::isValidIdentifier(kind)) return;
  const QString header = config::documentHeaderTable(kind);
  if (!m_model->extraColumns().isEmpty() && m_state.db->tableExists(header))
    m_state.db->forEachRow(QStringLiteral("SELECT ''") + extrasSelect(kind) +
                               QStringLiteral(" FROM ") + header + QStringLiteral(" WHERE cDATE=") +
                               storage::quote(key.date) + QStringLiteral(" AND cTIME=") +
                               storage::quote(key.time),
                           [&](const storage::RowView& r) { readExtras(kind, r, 1, row); });
  const QString lines = config::documentTablePartTable(kind);
  const bool headerTotal = hasColumn(*m_state.db, header, kTotalColumn);
  const QString table = headerTotal ? header : lines;
  if (!headerTotal && !hasColumn(*m_state.db, lines, kTotalColumn)) return;
  row.hasTotal = true;
  row.total = 0;
  m_state.db->forEachRow(QStringLiteral("SELECT Сумма FROM ") + table +
                             QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
                             QStringLiteral(" AND cTIME=") + storage::quote(key.time),
                         [&](const storage::RowView& r) { row.total += amountOf(r.text(0)); });
}

namespace {

const QString kPeriodsKey = QStringLiteral("JournalPeriods_");

// Journals of different databases may share a name: each database keeps its own period.
QString periodOwner(const shell::AppState& state) {
  return state.db ? state.db->path() : QString();
}

}  // namespace

QPair<QDate, QDate> frmZurnal::rememberedPeriod() const {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  const QStringList stored =
      settings.value(kPeriodsKey + m_journal).toMap().value(periodOwner(m_state)).toStringList();
  if (stored.size() == 2) {
    const QDate start = QDate::fromString(stored[0], kDateFormat);
    const QDate end = QDate::fromString(stored[1], kDateFormat);
    if (start.isValid() && end.isValid() && start <= end) return {start, end};
  }
  return defaultPeriod(QDate::currentDate());
}

void frmZurnal::rememberPeriod() const {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  QVariantMap periods = settings.value(kPeriodsKey + m_journal).toMap();
  periods.insert(periodOwner(m_state), QStringList{m_start->date().toString(kDateFormat),
                                                   m_end->date().toString(kDateFormat)});
  settings.setValue(kPeriodsKey + m_journal, periods);
}

void frmZurnal::fillKindFilter(const QList<std::pair<QString, QString>>& kinds) {
  const QString chosen = m_proxy->kind();
  {
    const QSignalBlocker quiet(m_kindFilter);
    m_kindFilter->clear();
    m_kindFilter->addItem(QStringLiteral("Все виды"), QString());
    for (const auto& [kind, caption] : kinds) m_kindFilter->addItem(caption, kind);
    const int at = m_kindFilter->findData(chosen);
    m_kindFilter->setCurrentIndex(at < 0 ? 0 : at);
  }
  m_proxy->setKind(m_kindFilter->currentData().toString());
  const bool several = kinds.size() > 1;
  m_kindLabel->setVisible(several);
  m_kindFilter->setVisible(several);
}

void frmZurnal::loadList() {
  setWindowTitle(QStringLiteral("Журнал.") + m_journal);
  m_kinds.clear();
  m_captions.clear();
  m_extraTypes.clear();
  QList<std::pair<QString, QString>> kinds;
  QStringList extras;
  if (m_state.db && m_journal != config::kFullJournalName) {
    try {
      if (const auto journal =
              config::readDefinition(*m_state.db, config::ObjectKind::Journal, m_journal))
        extras = journal->columns;
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  if (extras != m_model->extraColumns()) {
    m_model->setExtraColumns(extras);
    m_columnsSized = false;
  }
  QHeaderView* columns = m_list->horizontalHeader();
  for (int c = 0; c < m_model->columnCount(); ++c)
    columns->setSectionResizeMode(c, c == m_model->columnOf(JournalModel::Name)
                                         ? QHeaderView::Stretch
                                         : QHeaderView::Interactive);
  std::vector<JournalRow> rows;
  const int from = dateKeyOf(m_start->date());
  const int to = dateKeyOf(m_end->date());
  if (m_state.db) {
    try {
      for (const config::FormItemRow& kindRow :
           config::readFormItemRows(*m_state.db, config::ObjectKind::Document)) {
        const QString kind = kindRow.name.value_or(QString());
        if (m_journal != config::kFullJournalName &&
            kindRow.zurnal.value_or(QString()) != m_journal)
          continue;
        m_kinds << kind;
        const QString described = kindRow.descript.value_or(QString()).trimmed();
        const QString caption = described.isEmpty() ? kind : described;
        m_captions.insert(kind, caption);
        kinds.append({kind, caption});
        if (!storage::isValidIdentifier(kind) ||
            !m_state.db->tableExists(config::documentHeaderTable(kind)))
          continue;
        const QString header = config::documentHeaderTable(kind);
        if (!extras.isEmpty()) {
          // The journal's columns that this kind has, with their types.
          QList<config::RequisiteType> types(extras.size());
          if (const auto definition =
                  config::readDefinition(*m_state.db, config::ObjectKind::Document, kind))
            for (int i = 0; i < extras.size(); ++i)
              for (const config::Requisite& requisite : definition->requisites)
                if (requisite.name.compare(extras[i], Qt::CaseInsensitive) == 0)
                  types[i] = requisite.type.kind == config::RequisiteType::Kind::None
                                 ? config::RequisiteType::ofKind(config::RequisiteType::Kind::Other)
                                 : requisite.type;
          m_extraTypes.insert(kind, types);
        }
        // A table from before numbers (until the start-up numbers it) lists without them.
        const QString number =
            m_state.db->columns(header).contains(config::kDocumentNumberColumn, Qt::CaseInsensitive)
                ? config::kDocumentNumberColumn
                : QStringLiteral("''");
        // The total: the header's own «Сумма», else the lines' «Сумма» added up per document.
        const bool headerTotal = hasColumn(*m_state.db, header, kTotalColumn);
        const QString lines = config::documentTablePartTable(kind);
        const bool linesTotal = !headerTotal && hasColumn(*m_state.db, lines, kTotalColumn);
        QHash<QString, double> sums;
        if (linesTotal)
          m_state.db->forEachRow(
              QStringLiteral("SELECT cDATE,cTIME,Сумма FROM ") + lines,
              [&](const storage::RowView& row) {
                const int key = dateKeyOf(row.text(0));
                if (key < from || key > to) return;
                sums[text(row.text(0)) + QLatin1Char('\n') + text(row.text(1))] +=
                    amountOf(row.text(2));
              });
        // Only what the rows show is read, row by row: a journal may hold 100,000 documents.
        m_state.db->forEachRow(
            QStringLiteral("SELECT Наименование,cDATE,cTIME,Проводка,") + number +
                QLatin1Char(',') + (headerTotal ? kTotalColumn : QStringLiteral("''")) +
                extrasSelect(kind) + QStringLiteral(" FROM ") + header,
            [&](const storage::RowView& row) {
              const int key = dateKeyOf(row.text(1));
              if (key < from || key > to) return;
              const std::string_view posted = row.text(3);
              JournalRow r{text(row.text(4)).trimmed(),
                           kind,
                           caption,
                           text(row.text(1)),
                           text(row.text(2)),
                           text(row.text(0)),
                           posted == "1" || posted == " 1",
                           key};
              r.hasTotal = headerTotal || linesTotal;
              r.total = headerTotal ? amountOf(row.text(5))
                                    : sums.value(r.date + QLatin1Char('\n') + r.time);
              if (!extras.isEmpty()) readExtras(kind, row, 6, r);
              rows.push_back(std::move(r));
            });
      }
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  m_model->setRows(std::move(rows));
  fillKindFilter(kinds);
  if (!m_columnsSized && m_model->size() > 0) {
    m_columnsSized = true;
    int columns = 0;
    for (int c = 0; c < m_model->columnCount(); ++c)
      if (c != m_model->columnOf(JournalModel::Name)) {
        m_list->resizeColumnToContents(c);
        columns += m_list->columnWidth(c);
      }
    // The window grows (within the area that shows it) so that every column is seen with
    // room for the name; a window the user made wider stays so.
    const int needed = columns + 200 + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                       2 * m_list->frameWidth() + 12 + std::max(frame()->width() - width(), 0);
    if (shell::pixelsToTwips(needed) > sizeTwips().width())
      setSizeTwips(shell::pixelsToTwips(needed), sizeTwips().height());
  }
  m_row = -1;
  for (int n : {2, 3, 4}) m_usrMenu1->DisableButton(n);
  if (m_kinds.isEmpty())
    m_usrMenu1->DisableButton(1);
  else
    m_usrMenu1->EnableButton(1);
}

int frmZurnal::modelRow(const QModelIndex& viewIndex) const {
  return viewIndex.isValid() ? m_proxy->mapToSource(viewIndex).row() : -1;
}

void frmZurnal::rowClicked(int row) {
  if (row < 0 || row >= m_model->size()) return;
  m_row = row;
  const JournalRow& r = m_model->at(row);
  m_state.selectedJournalItem =
      QStringList{m_model->index(row, m_model->columnOf(JournalModel::Number)).data().toString(),
                  r.kind,
                  r.date,
                  r.time,
                  r.name,
                  r.posted ? QStringLiteral("1") : QStringLiteral("0")};
  for (int n : {2, 3, 4}) m_usrMenu1->EnableButton(n);
}

void frmZurnal::showContextMenu(const QPoint& globalPos) {
  shell::frmMain* main = m_state.mainWindow;
  if (!main || !main->operatorsMenu()) return;
  // The command acts on the row selected here, in this window.
  m_state.journalWindow = this;
  main->unpostAction()->setEnabled(m_row >= 0 && m_model->at(m_row).posted);
  main->operatorsMenu()->popup(globalPos);
}

void frmZurnal::openDocument() {
  if (m_row < 0) return;
  const JournalRow r = m_model->at(m_row);
  openStoredDocument(m_state, r.kind, {r.date, r.time});
}

void frmZurnal::deleteDocument() {
  if (m_row < 0 || !m_state.db) return;
  const JournalRow r = m_model->at(m_row);
  removeDocument(m_state, r.kind, {r.date, r.time});
}

bool frmZurnal::unpostSelected() {
  if (m_row < 0 || !m_state.db) return false;
  const JournalRow r = m_model->at(m_row);
  if (!r.posted) return false;
  return unpostDocument(m_state, r.kind, {r.date, r.time});
}

void frmZurnal::newDocument() {
  if (m_kinds.isEmpty() || !m_state.db) return;
  if (m_kinds.size() == 1) {
    openNewDocument(m_state, m_kinds.first());
    return;
  }
  // Several kinds: the user picks one from a menu at the button, by its caption.
  if (!m_newKinds) {
    m_newKinds = new QMenu(QStringLiteral("Новый документ"), this);
    m_newKinds->setObjectName(QStringLiteral("mnuNewKind"));
    m_newKinds->setAccessibleName(m_newKinds->title());
  }
  m_newKinds->clear();
  for (const QString& kind : m_kinds) {
    QString caption = kind;
    try {
      caption = documents::kindCaption(*m_state.db, kind);
    } catch (const storage::DbError&) {
    }
    QAction* action = m_newKinds->addAction(caption);
    connect(action, &QAction::triggered, this, [this, kind] { openNewDocument(m_state, kind); });
  }
  m_newKinds->popup(QCursor::pos());
}

void frmZurnal::copyDocument() {
  if (m_row < 0) return;
  const JournalRow r = m_model->at(m_row);
  openNewDocument(m_state, r.kind, script::DocumentKey{r.date, r.time});
}

void frmZurnal::printSelected() {
  if (m_row < 0) {
    MessageBoxes::show(QStringLiteral("Выберите документ, который нужно напечатать."));
    return;
  }
  const JournalRow r = m_model->at(m_row);
  const script::DocumentKey key{r.date, r.time};
  printCommand(m_state, m_usrMenu1, r.kind, [key] { return std::optional(key); });
}

void frmZurnal::buttonClicked(int number) {
  switch (number) {
    case 1:
      newDocument();
      break;
    case 2:
      openDocument();
      break;
    case 3:
      copyDocument();
      break;
    case 4:
      deleteDocument();
      break;
    case 5:
      repostPeriod();
      break;
    case 6:
      exportList();
      break;
    case 7:
      printSelected();
      break;
    default:
      break;
  }
}

bool frmZurnal::exportList(const QString& path) {
  using Kind = config::RequisiteType::Kind;
  ViewColumns columns;
  columns.kinds = QList<Kind>(m_model->columnCount(), Kind::Text);
  columns.money = QList<bool>(m_model->columnCount(), false);
  columns.kinds[m_model->columnOf(JournalModel::Number)] = Kind::Number;
  columns.kinds[m_model->columnOf(JournalModel::Date)] = Kind::Date;
  columns.kinds[m_model->columnOf(JournalModel::Total)] = Kind::Number;
  columns.money[m_model->columnOf(JournalModel::Total)] = true;
  // The journal's own columns hold numbers or dates as the first kind that has them says.
  for (int i = 0; i < m_model->extraColumns().size(); ++i)
    for (const QString& kind : std::as_const(m_kinds)) {
      const config::RequisiteType type = m_extraTypes.value(kind).value(i);
      if (type.kind != Kind::Number && type.kind != Kind::Date) continue;
      columns.kinds[JournalModel::Kind + 1 + i] = type.kind;
      columns.money[JournalModel::Kind + 1 + i] = type.isMoney();
      break;
    }
  // Numbers are read from what the list shows («1 495 864,00»): a journal does not load back.
  columns.loadsBack = false;
  return exportView(m_state, this, *m_list, m_journal, columns, path);
}

void frmZurnal::repostPeriod() {
  if (!m_state.db) return;
  std::vector<JournalRow> posted;
  for (int i = 0; i < m_model->size(); ++i)
    if (m_model->at(i).posted) posted.push_back(m_model->at(i));
  std::stable_sort(posted.begin(), posted.end(), [](const JournalRow& a, const JournalRow& b) {
    return a.dateKey != b.dateKey ? a.dateKey < b.dateKey : a.time < b.time;
  });
  if (posted.empty()) {
    MessageBoxes::show(QStringLiteral("В периоде нет проведенных документов."));
    return;
  }
  if (MessageBoxes::show(documents::repostQuestion(static_cast<int>(posted.size()), m_start->date(),
                                                   m_end->date()),
                         shell::MsgButtons::YesNo, QStringLiteral("Перепровести"),
                         shell::MsgIcon::Question) != shell::MsgAnswer::Yes)
    return;
  std::vector<RepostItem> items;
  items.reserve(posted.size());
  for (const JournalRow& r : posted) items.push_back({r.kind, {r.date, r.time}});
  const RepostSummary summary = repostWithProgress(m_state, items, this);
  QString text =
      QStringLiteral("Перепроведено документов: %1 из %2.").arg(summary.reposted).arg(items.size());
  if (summary.cancelled) text += QStringLiteral("\nПерепроведение прервано пользователем.");
  if (summary.skipped > 0)
    text += QStringLiteral("\nПропущены документы закрытого периода (не изменены): %1.")
                .arg(summary.skipped);
  if (!summary.failures.isEmpty()) {
    text += QStringLiteral("\nНе перепроведены (остались проведенными, как были):");
    const int shown = qMin<int>(20, summary.failures.size());
    for (int i = 0; i < shown; ++i) text += QLatin1Char('\n') + summary.failures[i];
    if (summary.failures.size() > shown)
      text += QStringLiteral("\n… и еще %1.").arg(summary.failures.size() - shown);
  }
  MessageBoxes::show(text, shell::MsgButtons::Ok, QStringLiteral("Перепровести"));
}

void frmZurnal::changedElsewhere() {
  std::optional<std::pair<QString, script::DocumentKey>> current;
  if (m_row >= 0 && m_row < m_model->size()) {
    const JournalRow& row = m_model->at(m_row);
    current = {row.kind, script::DocumentKey{row.date, row.time}};
  }
  loadList();
  const int at = current ? m_model->find(current->first, current->second) : -1;
  if (at < 0) return;
  const QModelIndex shown = m_proxy->mapFromSource(m_model->index(at, 0));
  if (!shown.isValid()) return;
  m_list->setCurrentIndex(shown);
  m_list->scrollTo(shown);
  rowClicked(at);
}

void frmZurnal::showDocument(int at, const JournalRow& row) {
  if (at >= 0) {
    m_model->update(at, row);
    if (at == m_row) rowClicked(at);
  } else if (row.dateKey >= dateKeyOf(m_start->date()) && row.dateKey <= dateKeyOf(m_end->date())) {
    m_model->append(row);
  }
}

void frmZurnal::documentPosted(const QString& kind,
                               const std::optional<script::DocumentKey>& previous,
                               const script::DocumentKey& key, const QString& name) {
  if (!listsKind(kind)) return;
  int at = previous ? m_model->find(kind, *previous) : -1;
  // A change fed from elsewhere may name a document this journal already lists.
  if (at < 0) at = m_model->find(kind, key);
  // The announcement carries no number: it is read, as the list reads it.
  JournalRow row{QString(),
                 kind,
                 captionOf(kind),
                 key.date,
                 key.time,
                 name,
                 true,
                 dateKeyOf(QDate::fromString(key.date, kDateFormat))};
  try {
    if (m_state.db) row.number = config::documentNumber(*m_state.db, kind, key.date, key.time);
    readTotal(kind, key, row);
  } catch (const storage::DbError&) {
    // The row is shown without its number; the next load of the list reads it again.
  }
  showDocument(at, row);
}

void frmZurnal::documentSaved(const QString& kind,
                              const std::optional<script::DocumentKey>& previous,
                              const script::DocumentKey& key) {
  if (!listsKind(kind) || !m_state.db || !storage::isValidIdentifier(kind)) return;
  // The announcement carries no name: the row is read as the list reads it.
  try {
    storage::Recordset rs = m_state.db->openRecordset(
        QStringLiteral("SELECT Наименование,Проводка FROM ") + config::documentHeaderTable(kind) +
        QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) + QStringLiteral(" AND cTIME=") +
        storage::quote(key.time));
    if (rs.eof()) return;
    const QString name = rs.text(0);
    const bool posted = rs.text(1).trimmed() == QLatin1String("1");
    rs.close();
    int at = previous ? m_model->find(kind, *previous) : -1;
    if (at < 0) at = m_model->find(kind, key);
    JournalRow row{config::documentNumber(*m_state.db, kind, key.date, key.time),
                   kind,
                   captionOf(kind),
                   key.date,
                   key.time,
                   name,
                   posted,
                   dateKeyOf(QDate::fromString(key.date, kDateFormat))};
    readTotal(kind, key, row);
    showDocument(at, row);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
}

void frmZurnal::documentUnposted(const QString& kind, const script::DocumentKey& key) {
  const int at = m_model->find(kind, key);
  if (at < 0) return;
  JournalRow row = m_model->at(at);
  row.posted = false;
  showDocument(at, row);
}

void frmZurnal::documentRemoved(const QString& kind, const script::DocumentKey& key) {
  const int at = m_model->find(kind, key);
  if (at < 0) return;
  // The view moves its current row when that one goes; the selection is what it was.
  const int selected = m_row;
  m_model->removeDocument(at);
  m_row = selected == at ? -1 : selected - (at < selected ? 1 : 0);
  const QStringList& item = m_state.selectedJournalItem;
  if (item.size() >= 4 && item[1] == kind && item[2] == key.date && item[3] == key.time)
    m_state.selectedJournalItem.clear();
}

}  // namespace balvix::runtime
