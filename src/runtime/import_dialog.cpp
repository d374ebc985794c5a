#include "runtime/import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "script/objects/program_host.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"

namespace balvix::runtime {

using documents::ImportAction;
using documents::ImportReport;
using shell::MessageBoxes;

const QString frmImport::kSkipColumn = QStringLiteral("не загружать");

namespace {

// The requisite a column loads into is chosen from the catalog's requisites.
class RequisiteDelegate : public QStyledItemDelegate {
 public:
  RequisiteDelegate(const QStringList* choices, QObject* parent)
      : QStyledItemDelegate(parent), m_choices(choices) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    auto* combo = new QComboBox(parent);
    combo->addItems(*m_choices);
    combo->setAccessibleName(QStringLiteral("Реквизит для столбца ") +
                             index.sibling(index.row(), 0).data(Qt::DisplayRole).toString());
    return combo;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
  }

 private:
  const QStringList* m_choices;
};

QStringList choicesOf(const documents::CatalogImport* import) {
  QStringList choices{frmImport::kSkipColumn};
  if (import) choices << import->requisiteNames();
  return choices;
}

}  // namespace

void ImportResultModel::setRows(QList<documents::ImportRowOutcome> rows) {
  beginResetModel();
  m_rows = std::move(rows);
  endResetModel();
}

int ImportResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ImportResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 4;
}

QVariant ImportResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() ||
      (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return {};
  const documents::ImportRowOutcome& row = m_rows[index.row()];
  switch (index.column()) {
    case 0:
      return row.row;
    case 1:
      return documents::actionText(row.action);
    case 2:
      return row.name;
    default:
      return row.reason;
  }
}

QVariant ImportResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return {};
  static const char* const kHeaders[] = {"Строка", "Действие", "Наименование", "Причина"};
  return section >= 0 && section < 4 ? QString::fromUtf8(kHeaders[section]) : QVariant();
}

frmImport::frmImport(shell::AppState& state, QWidget* parent) : QDialog(parent), m_state(state) {
  setObjectName(QStringLiteral("frmImport"));
  setWindowTitle(QStringLiteral("Загрузка данных"));
  m_file = new QLineEdit(this);
  m_file->setObjectName(QStringLiteral("txtFile"));
  m_file->setAccessibleName(QStringLiteral("Файл"));
  auto* browse = new QPushButton(QStringLiteral("&Выбрать файл..."), this);
  browse->setObjectName(QStringLiteral("cmdBrowse"));
  browse->setAccessibleName(QStringLiteral("Выбрать файл"));
  m_catalog = new QComboBox(this);
  m_catalog->setObjectName(QStringLiteral("cboCatalog"));
  m_catalog->setAccessibleName(QStringLiteral("Справочник"));
  if (m_state.db) {
    try {
      m_catalog->addItems(config::objectNames(*m_state.db, config::ObjectKind::Catalog));
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  m_mapping = new QStandardItemModel(0, 2, this);
  m_mapping->setHorizontalHeaderLabels(
      {QStringLiteral("Столбец файла"), QStringLiteral("Реквизит")});
  m_mappingView = new QTableView(this);
  m_mappingView->setObjectName(QStringLiteral("lstMapping"));
  m_mappingView->setAccessibleName(QStringLiteral("Соответствие столбцов"));
  shell::describeCells(m_mappingView);
  m_mappingView->setModel(m_mapping);
  m_mappingView->verticalHeader()->hide();
  m_mappingView->horizontalHeader()->setStretchLastSection(true);
  m_mappingView->setEditTriggers(QAbstractItemView::AllEditTriggers);
  m_mappingView->setItemDelegateForColumn(1, new RequisiteDelegate(&m_choices, m_mappingView));
  m_skipBad = new QCheckBox(QStringLiteral("&Пропускать ошибочные строки"), this);
  m_skipBad->setObjectName(QStringLiteral("chkSkipBad"));
  m_skipBad->setAccessibleName(QStringLiteral("Пропускать ошибочные строки"));
  m_createMissing =
      new QCheckBox(QStringLiteral("&Создавать отсутствующие элементы справочников"), this);
  m_createMissing->setObjectName(QStringLiteral("chkCreateMissing"));
  m_createMissing->setAccessibleName(
      QStringLiteral("Создавать отсутствующие элементы справочников"));
  m_results = new ImportResultModel(this);
  m_resultView = new QTableView(this);
  m_resultView->setObjectName(QStringLiteral("lstResults"));
  m_resultView->setAccessibleName(QStringLiteral("Результат проверки"));
  shell::describeCells(m_resultView);
  m_resultView->setModel(m_results);
  m_resultView->verticalHeader()->hide();
  m_resultView->horizontalHeader()->setStretchLastSection(true);
  m_resultView->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_resultView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_summary = new QLabel(this);
  m_summary->setObjectName(QStringLiteral("lblSummary"));
  m_summary->setWordWrap(true);
  m_checkButton = new QPushButton(QStringLiteral("Про&верить"), this);
  m_checkButton->setObjectName(QStringLiteral("cmdCheck"));
  m_checkButton->setAccessibleName(QStringLiteral("Проверить"));
  m_loadButton = new QPushButton(QStringLiteral("&Загрузить"), this);
  m_loadButton->setObjectName(QStringLiteral("cmdLoad"));
  m_loadButton->setAccessibleName(QStringLiteral("Загрузить"));
  auto* close = new QPushButton(QStringLiteral("З&акрыть"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  close->setAccessibleName(QStringLiteral("Закрыть"));

  auto* form = new QFormLayout;
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(browse);
  auto* fileLabel = new QLabel(QStringLiteral("&Файл:"), this);
  fileLabel->setBuddy(m_file);
  form->addRow(fileLabel, fileRow);
  auto* catalogLabel = new QLabel(QStringLiteral("&Справочник:"), this);
  catalogLabel->setBuddy(m_catalog);
  form->addRow(catalogLabel, m_catalog);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  auto* mappingLabel = new QLabel(QStringLiteral("Соответствие &столбцов:"), this);
  mappingLabel->setBuddy(m_mappingView);
  layout->addWidget(mappingLabel);
  layout->addWidget(m_mappingView, 1);
  layout->addWidget(m_skipBad);
  layout->addWidget(m_createMissing);
  auto* resultLabel = new QLabel(QStringLiteral("&Результат проверки:"), this);
  resultLabel->setBuddy(m_resultView);
  layout->addWidget(resultLabel);
  layout->addWidget(m_resultView, 2);
  layout->addWidget(m_summary);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_checkButton);
  buttons->addWidget(m_loadButton);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  resize(640, 560);

  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Загрузка данных"), m_file->text(),
                                     QStringLiteral("Таблицы (*.csv *.xlsx *.txt);;Все файлы (*)"));
    if (!path.isEmpty()) openFile(path);
  });
  connect(m_file, &QLineEdit::editingFinished, this, [this] {
    if (!m_file->text().isEmpty() && m_file->text() != m_path) openFile(m_file->text());
  });
  connect(m_catalog, &QComboBox::currentTextChanged, this, &frmImport::catalogChosen);
  connect(m_checkButton, &QPushButton::clicked, this, &frmImport::check);
  connect(m_loadButton, &QPushButton::clicked, this, &frmImport::load);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  catalogChosen();
}

frmImport::~frmImport() = default;

void frmImport::catalogChosen() {
  m_import.reset();
  m_results->setRows({});
  m_summary->clear();
  if (!m_state.db || m_catalog->currentText().isEmpty()) {
    fillMapping();
    return;
  }
  auto import = std::make_unique<documents::CatalogImport>(*m_state.db, m_catalog->currentText());
  if (const QString error = import->open(); !error.isEmpty()) {
    MessageBoxes::show(error);
    fillMapping();
    return;
  }
  m_import = std::move(import);
  if (!m_path.isEmpty()) {
    if (const QString error = m_import->readFile(m_path); !error.isEmpty())
      MessageBoxes::show(error);
  }
  fillMapping();
}

bool frmImport::openFile(const QString& path) {
  m_path = path;
  m_file->setText(path);
  m_results->setRows({});
  m_summary->clear();
  if (!m_import) {
    fillMapping();
    return false;
  }
  if (const QString error = m_import->readFile(path); !error.isEmpty()) {
    MessageBoxes::show(error);
    m_import->setSource({});
    fillMapping();
    return false;
  }
  fillMapping();
  return true;
}

void frmImport::fillMapping() {
  // The delegate offers the requisites of the catalog chosen now.
  m_choices = choicesOf(m_import.get());
  m_mapping->removeRows(0, m_mapping->rowCount());
  if (!m_import) return;
  const QStringList& header = m_import->source().header;
  const QStringList& mapping = m_import->mapping();
  for (int c = 0; c < header.size(); ++c) {
    auto* column = new QStandardItem(header[c]);
    column->setEditable(false);
    const QString target = mapping.value(c);
    auto* requisite = new QStandardItem(target.isEmpty() ? kSkipColumn : target);
    m_mapping->appendRow({column, requisite});
  }
}

bool frmImport::applyMapping() {
  QStringList mapping;
  for (int r = 0; r < m_mapping->rowCount(); ++r) {
    const QString target = m_mapping->item(r, 1)->text();
    mapping << (target == kSkipColumn ? QString() : target);
  }
  if (const QString error = m_import->setMapping(mapping); !error.isEmpty()) {
    MessageBoxes::show(error);
    return false;
  }
  return true;
}

documents::ImportOptions frmImport::options() const {
  return {m_skipBad->isChecked(), m_createMissing->isChecked()};
}

ImportReport frmImport::run(bool write) {
  // The work reports its progress; the dialog keeps the window alive and offers to cancel,
  // and a cancel leaves the catalog as it was.
  QProgressDialog progress(
      write ? QStringLiteral("Загрузка данных...") : QStringLiteral("Проверка данных..."),
      QStringLiteral("Отмена"), 0, 1000, this);
  progress.setObjectName(QStringLiteral("dlgProgress"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  const auto report = [&](qint64 done, qint64 total) {
    progress.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
  };
  ImportReport result =
      write ? m_import->load(options(), report) : m_import->check(options(), report);
  progress.setValue(1000);
  return result;
}

void frmImport::show(const ImportReport& report, bool written) {
  m_results->setRows(report.rows);
  QStringList lines;
  lines << QStringLiteral("%1: добавлено %2, изменено %3, без изменений %4, отказано %5.")
               .arg(written ? QStringLiteral("Загружено") : QStringLiteral("Проверено"))
               .arg(report.added)
               .arg(report.changed)
               .arg(report.unchanged)
               .arg(report.refused);
  if (!report.created.isEmpty())
    lines << (written ? QStringLiteral("Созданы элементы: ")
                      : QStringLiteral("Будут созданы элементы: ")) +
                 report.created.join(QStringLiteral("; "));
  lines << report.notes;
  if (!report.refusalsFile.isEmpty())
    lines << QStringLiteral("Отказанные строки записаны в ") + report.refusalsFile;
  m_summary->setText(lines.join(u'\n'));
}

bool frmImport::check() {
  if (!m_import || m_import->source().header.isEmpty()) {
    MessageBoxes::show(QStringLiteral("Выберите файл и справочник."));
    return false;
  }
  if (!applyMapping()) return false;
  const ImportReport report = run(false);
  if (report.cancelled) {
    m_summary->setText(QStringLiteral("Проверка отменена."));
    return false;
  }
  show(report, false);
  if (!report.error.isEmpty()) MessageBoxes::show(report.error);
  return report.error.isEmpty();
}

bool frmImport::load() {
  if (!m_import || m_import->source().header.isEmpty()) {
    MessageBoxes::show(QStringLiteral("Выберите файл и справочник."));
    return false;
  }
  if (!applyMapping()) return false;
  const ImportReport report = run(true);
  if (report.cancelled) {
    m_summary->setText(QStringLiteral("Загрузка отменена, справочник не изменен."));
    return false;
  }
  show(report, report.written || report.error.isEmpty());
  if (!report.error.isEmpty()) {
    MessageBoxes::show(report.error);
    return false;
  }
  // The open lists of what was written read it again.
  for (const QString& catalog : report.changedCatalogs)
    m_state.catalogEvents.announceElementsChanged(catalog);
  if (report.written && m_state.host) m_state.host->setStatus(QStringLiteral("Данные загружены"));
  return true;
}

}  // namespace balvix::runtime
