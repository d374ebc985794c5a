#include "runtime/edit_conflict.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/message_box.h"

namespace balvix::runtime {

namespace {

const QString kWriteMine = QStringLiteral("Записать мою");
const QString kTakeTheirs = QStringLiteral("Взять их версию");
const QString kShowBoth = QStringLiteral("Показать обе версии");

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAccessibleName(text);
  return b;
}

}  // namespace

ConflictChoice askConflict(const QString& message) {
  switch (shell::MessageBoxes::choose(message, {kWriteMine, kTakeTheirs, kShowBoth}, QString(),
                                      shell::MsgIcon::Warning)) {
    case shell::MsgAnswer::Yes:
      return ConflictChoice::WriteMine;
    case shell::MsgAnswer::No:
      return ConflictChoice::TakeTheirs;
    default:
      return ConflictChoice::ShowBoth;
  }
}

VersionsModel::VersionsModel(FieldValues mine, FieldValues theirs, QObject* parent)
    : QAbstractTableModel(parent) {
  for (const auto& [field, value] : mine) m_rows.append({field, value, QString()});
  for (const auto& [field, value] : theirs) {
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& row) {
      return row.field.compare(field, Qt::CaseInsensitive) == 0;
    });
    if (it == m_rows.end())
      m_rows.append({field, QString(), value});
    else
      it->theirs = value;
  }
}

int VersionsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int VersionsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

bool VersionsModel::differs(int row) const {
  return m_rows.value(row).mine != m_rows.value(row).theirs;
}

QVariant VersionsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_rows.size()) return {};
  const Row& row = m_rows[index.row()];
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
    const QString text = index.column() == 0   ? row.field
                         : index.column() == 1 ? row.mine
                                               : row.theirs;
    if (role == Qt::AccessibleTextRole && differs(index.row()) && index.column() == 0)
      return text + QStringLiteral(" (различается)");
    return text;
  }
  if (role == Qt::FontRole && differs(index.row())) {
    QFont font;
    font.setBold(true);
    return font;
  }
  return {};
}

QVariant VersionsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case 0:
      return QStringLiteral("Поле");
    case 1:
      return QStringLiteral("Моя версия");
    default:
      return QStringLiteral("Их версия");
  }
}

frmVersions::frmVersions(const QString& title, FieldValues mine, FieldValues theirs,
                         QWidget* parent)
    : QDialog(parent), m_model(new VersionsModel(std::move(mine), std::move(theirs), this)) {
  setObjectName(QStringLiteral("frmVersions"));
  setWindowTitle(QStringLiteral("Обе версии: ") + title);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* view = new QTableView(this);
  view->setObjectName(QStringLiteral("grdVersions"));
  view->setAccessibleName(QStringLiteral("Обе версии"));
  view->setModel(m_model);
  view->horizontalHeader()->setStretchLastSection(true);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* theirsButton = button(QStringLiteral("cmdTakeTheirs"), kTakeTheirs, this);
  auto* mineButton = button(QStringLiteral("cmdWriteMine"), kWriteMine, this);
  auto* closeButton = button(QStringLiteral("cmdClose"), QStringLiteral("Закрыть"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(theirsButton);
  buttons->addWidget(mineButton);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view, 1);
  layout->addLayout(buttons);
  connect(theirsButton, &QPushButton::clicked, this, [this] {
    emit takeTheirs();
    close();
  });
  connect(mineButton, &QPushButton::clicked, this, [this] {
    emit writeMine();
    close();
  });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
  resize(560, 360);
}

}  // namespace balvix::runtime
