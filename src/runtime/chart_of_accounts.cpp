#include "runtime/chart_of_accounts.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

#include "runtime/form_control.h"
#include "runtime/list_search.h"
#include "runtime/report_window.h"
#include "runtime/runtime_windows.h"
#include "script/number_text.h"
#include "script/objects/account_card.h"
#include "script/script_error.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "shell/working_date.h"

namespace balvix::runtime {

void PlanModel::setAccounts(std::vector<Account> accounts, const QDate& balanceDate) {
  beginResetModel();
  m_accounts = std::move(accounts);
  m_balanceDate = balanceDate;
  endResetModel();
}

const PlanModel::Account* PlanModel::account(int row) const {
  return row >= 0 && row < static_cast<int>(m_accounts.size())
             ? &m_accounts[static_cast<std::size_t>(row)]
             : nullptr;
}

int PlanModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_accounts.size());
}

int PlanModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 4;
}

QVariant PlanModel::data(const QModelIndex& index, int role) const {
  const Account* a = account(index.row());
  if (!a) return {};
  if (index.column() == 0) {
    if (role == Qt::DecorationRole)
      return QApplication::style()->standardIcon(a->icon == 2 ? QStyle::SP_FileIcon
                                                              : QStyle::SP_DirIcon);
    if (role == Qt::UserRole) return a->icon;
    if (role == Qt::AccessibleTextRole)
      return a->icon == 2 ? QStringLiteral("Проводки разрешены")
                          : QStringLiteral("Проводки запрещены");
    return {};
  }
  if (index.column() == 3) {
    if (role == Qt::UserRole) return a->balance;
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    // The side as an accountant writes it: «Д» for a debit balance, «К» for a credit one.
    if (std::fabs(a->balance) < 0.005) return QString();
    return script::amountText(std::fabs(a->balance)) +
           (a->balance > 0 ? QStringLiteral(" Д") : QStringLiteral(" К"));
  }
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
    return index.column() == 1 ? a->code : a->name;
  return {};
}

QVariant PlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 1) return QStringLiteral("Код");
  if (section == 2) return QStringLiteral("Наименование");
  if (section == 3)
    return QStringLiteral("Сальдо на ") + m_balanceDate.toString(QStringLiteral("dd.MM.yyyy"));
  return QString();
}

frmPlan::frmPlan(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmPlan"));
  setWindowTitle(QStringLiteral("План счетов - Основной"));
  m_model = new PlanModel(this);
  m_list = new QTableView(this);
  m_list->setObjectName(QStringLiteral("List"));
  m_list->setAccessibleName(QStringLiteral("Счета"));
  m_filter = new SearchFilterModel(this);
  m_filter->setSourceModel(m_model);
  m_list->setModel(m_filter);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  m_list->horizontalHeader()->resizeSection(0, 24);
  m_list->horizontalHeader()->resizeSection(1, 80);
  m_list->horizontalHeader()->resizeSection(2, 330);
  m_list->horizontalHeader()->setStretchLastSection(true);
  m_check1 = new QCheckBox(QStringLiteral("Развернутый"), this);
  m_check1->setObjectName(QStringLiteral("Check1"));
  m_label1 = new QLabel(this);
  m_label1->setObjectName(QStringLiteral("Label1"));
  m_label1->setAccessibleName(QStringLiteral("Выбранный счет"));
  m_search = new ListSearchField(m_filter, m_list, this);
  m_search->installShortcut(this);
  m_command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("&Закрыть"), this);
  m_command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("&Печать"), this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_command1);
  bottom->addWidget(m_command2);
  bottom->addWidget(m_label1, 1);
  bottom->addWidget(m_check1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_search);
  layout->addWidget(m_list, 1);
  layout->addLayout(bottom);

  connect(m_check1, &QCheckBox::clicked, this, &frmPlan::loadPlan);
  connect(m_command1, &QPushButton::clicked, this, &QWidget::close);
  connect(m_command2, &QPushButton::clicked, this, &frmPlan::printPlan);
  connect(m_list, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& i) { rowClicked(modelRow(i)); });
  connect(m_list, &QAbstractItemView::activated, this,
          [this](const QModelIndex& i) { rowDoubleClicked(modelRow(i)); });
  shell::describeCells(m_list);
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& i) { rowClicked(modelRow(i)); });
  loadPlan();
  registerLoad();
}

int frmPlan::modelRow(const QModelIndex& viewIndex) const {
  return viewIndex.isValid() ? m_filter->mapToSource(viewIndex).row() : -1;
}

void frmPlan::loadPlan() {
  std::vector<PlanModel::Account> accounts;
  const QDate on = shell::workingDate();
  m_label1->clear();
  m_row = -1;
  if (m_state.db) {
    try {
      storage::Recordset rs = m_state.db->openRecordset(QStringLiteral("SELECT * FROM plan"));
      for (; !rs.eof(); rs.moveNext()) {
        const QString code = rs.text(QStringLiteral("Код"));
        // Collapsed, only the top-level accounts (two-character codes) are listed.
        if (!m_check1->isChecked() && code.size() != 2) continue;
        const QVariant flag = rs.value(QStringLiteral("Признак"));
        const QString t = flag.toString().trimmed();
        const bool allowed = !flag.isNull() && !t.isEmpty() && t != QLatin1String("0") &&
                             t.compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0;
        accounts.push_back({code, rs.text(QStringLiteral("Наименование")), allowed ? 2 : 1});
      }
      // From the accounts' monthly totals, so that the chart opens at once on a year of
      // postings.
      for (PlanModel::Account& a : accounts)
        a.balance = script::account_card::figures(*m_state.db, a.code, std::nullopt, on).closing();
    } catch (const storage::DbError& e) {
      shell::MessageBoxes::show(e.description());
    } catch (const script::ScriptError& e) {
      shell::MessageBoxes::show(e.description());
    }
  }
  m_model->setAccounts(std::move(accounts), on);
  if (!frame()->isMaximized()) setSizeTwips(9000, 7000);
  rememberPlaceAs(QString());
  centre();
}

QWidget* frmPlan::printPlan() {
  // The chart is printed by the report "ПланСчетов", in the one shared report window.
  m_state.currentObjectName = QStringLiteral("ПланСчетов");
  if (!m_state.windows) return nullptr;
  shell::WindowArguments arguments;
  arguments.kind = config::ObjectKind::Report;
  arguments.objectName = m_state.currentObjectName;
  QWidget* report = m_state.windows->sharedWindowWith(shell::window_names::kReport, arguments);
  showChild(m_state, report);
  return report;
}

void frmPlan::setChoiceTarget(FormControl* form, const QString& caption, const QString& field) {
  m_target = form;
  m_targetField = field;
  m_tag = caption + QLatin1Char(';') + field;
}

void frmPlan::rowClicked(int row) {
  const PlanModel::Account* a = m_model->account(row);
  if (!a) return;
  m_row = row;
  m_label1->setText(a->name);
}

QWidget* frmPlan::rowDoubleClicked(int row) {
  const PlanModel::Account* a = m_model->account(row);
  if (m_tag.isEmpty()) {
    if (!a) return nullptr;
    const QDate on =
        m_model->balanceDate().isValid() ? m_model->balanceDate() : shell::workingDate();
    ReportDialogValues values;
    values.start = QDate(on.year(), 1, 1);
    values.end = on;
    values.fields.insert(QStringLiteral("Счет").toCaseFolded(), a->code);
    return openReportWith(m_state, kCardReport, values);
  }
  // Only an account that takes postings is chosen, and only for a form still open.
  if (!a || a->icon != 2 || !m_target) return nullptr;
  m_row = row;
  m_target->setValue(m_targetField, a->code);
  QCoreApplication::processEvents();
  close();
  return nullptr;
}

}  // namespace balvix::runtime
