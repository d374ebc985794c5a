#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QPointer>
#include <QTableView>
#include <vector>

#include "runtime/runtime_window.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace balvix::runtime {

class FormControl;
class ListSearchField;
class SearchFilterModel;

// The accounts of the chart as listed: an icon (1: no postings allowed, 2: allowed),
// the code, the name and the balance on the working date (with its subaccounts').
class PlanModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  struct Account {
    QString code;
    QString name;
    int icon = 1;
    double balance = 0;  // debit positive
  };
  using QAbstractTableModel::QAbstractTableModel;
  void setAccounts(std::vector<Account> accounts, const QDate& balanceDate = {});
  const QDate& balanceDate() const { return m_balanceDate; }
  const Account* account(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<Account> m_accounts;
  QDate m_balanceDate;
};

// The chart of accounts: browsing, or choosing an account for a field of a form.
class frmPlan : public RuntimeWindow {
  Q_OBJECT

 public:
  explicit frmPlan(shell::AppState& state, QWidget* parent = nullptr);

  PlanModel* model() const { return m_model; }
  QTableView* list() const { return m_list; }
  ListSearchField* searchField() const { return m_search; }
  QCheckBox* expanded() const { return m_check1; }
  QLabel* label() const { return m_label1; }

  // Choice mode: a double click on an account that takes postings hands its code to
  // the field of that form and closes the chart.
  void setChoiceTarget(FormControl* form, const QString& caption, const QString& field);
  const QString& tag() const { return m_tag; }

  void loadPlan();
  // "&Печать": the report "ПланСчетов" in the shared report window.
  QWidget* printPlan();
  QPushButton* printButton() const { return m_command2; }
  // Rows of the model (the same as the list's while nothing is searched).
  void rowClicked(int row);
  // Choosing, hands the account to the form; browsing, opens its card (the report
  // «КарточкаСчета» from the start of the working date's year to it) when the configuration
  // has one, else does nothing. Returns the card's window.
  QWidget* rowDoubleClicked(int row);

  static inline const QString kCardReport = QStringLiteral("КарточкаСчета");

 private:
  int modelRow(const QModelIndex& viewIndex) const;

  PlanModel* m_model = nullptr;
  SearchFilterModel* m_filter = nullptr;
  ListSearchField* m_search = nullptr;
  QTableView* m_list = nullptr;
  QCheckBox* m_check1 = nullptr;
  QLabel* m_label1 = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command2 = nullptr;
  QString m_tag;
  QPointer<FormControl> m_target;
  QString m_targetField;
  int m_row = -1;
};

}  // namespace balvix::runtime
