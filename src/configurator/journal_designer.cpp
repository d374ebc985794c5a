#include "configurator/journal_designer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/object_definition.h"
#include "configurator/table_rebuild.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

using shell::MessageBoxes;

frmZurnalFrm::frmZurnalFrm(shell::AppState& state, QWidget* parent)
    : DesignerWindow(state, kWindowName, config::ObjectKind::Journal, parent) {
  m_endsFormDesign = true;
  setWindowTitle(config::typeWord(config::ObjectKind::Journal));
  resize(760, 380);

  m_text1 = named<QLineEdit>(QStringLiteral("Text1"), this);
  QLabel* label1 = buddyLabel(QStringLiteral("Шифр:"), m_text1, this, QStringLiteral("Шифр"));
  m_text2 = named<QLineEdit>(QStringLiteral("Text2"), this);
  QLabel* label2 = buddyLabel(QStringLiteral("Меню:"), m_text2, this, QStringLiteral("Меню"));

  auto* listFrame = new QGroupBox(QStringLiteral("Графы отбора:"), this);
  m_list1 = named<QListWidget>(QStringLiteral("List1"), listFrame);
  m_list1->setSelectionMode(QAbstractItemView::MultiSelection);
  m_list1->setAccessibleName(QStringLiteral("Графы отбора"));
  auto* listLayout = new QVBoxLayout(listFrame);
  listLayout->addWidget(m_list1);

  auto* columnsFrame = new QGroupBox(QStringLiteral("Графы журнала:"), this);
  m_columns = named<QListWidget>(QStringLiteral("List2"), columnsFrame);
  m_columns->setAccessibleName(QStringLiteral("Графы журнала"));
  m_columns->setToolTip(
      QStringLiteral("Реквизиты шапки документов, которые журнал показывает колонками"));
  auto* columnsLayout = new QVBoxLayout(columnsFrame);
  columnsLayout->addWidget(m_columns);

  auto* helpFrame = new QGroupBox(QStringLiteral("Описание:"), this);
  auto* help1 =
      new QLabel(QStringLiteral("Выберите  в списке  слева названия доку- ментов, которые нужно "
                                "отображать в жур- нале после их сохранения.  В  любом  слу- чае "
                                "документы можно  увидеть в полном журнале, который присутствует в "
                                "системе"),
                 helpFrame);
  auto* help2 = new QLabel(
      QStringLiteral("Отбор документов по журналу можно уста- новить  в диалоге "
                     "редактирования докуме- нта, после создания журнала.  В этом слу- чае "
                     "отбор по документам не требуется."),
      helpFrame);
  help1->setWordWrap(true);
  help2->setWordWrap(true);
  auto* helpLayout = new QVBoxLayout(helpFrame);
  helpLayout->addWidget(help1);
  helpLayout->addWidget(help2);
  helpLayout->addStretch(1);

  m_saveButton = button(QStringLiteral("Command1"), QStringLiteral("&Сохранить"), this);
  m_closeButton = button(QStringLiteral("Command6"), QStringLiteral("&Закрыть"), this);

  auto* fields = new QGridLayout;
  fields->addWidget(label1, 0, 0);
  fields->addWidget(m_text1, 0, 1);
  fields->addWidget(label2, 1, 0);
  fields->addWidget(m_text2, 1, 1);

  auto* middle = new QHBoxLayout;
  middle->addWidget(listFrame, 1);
  middle->addWidget(columnsFrame, 1);
  middle->addWidget(helpFrame, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_saveButton);
  buttons->addWidget(m_closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);

  connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
  connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmZurnalFrm::load() {
  m_state.formDesignMode = true;
  captureObject();
  m_list1->clear();
  m_columns->clear();
  m_text2->clear();
  try {
    // Like every window's query, the designer's reading leaves the shared selection closed.
    m_state.sharedRecordset.close();
    QStringList requisites;
    for (const config::FormItemRow& document :
         config::readFormItemRows(*m_state.db, config::ObjectKind::Document)) {
      const QString name = document.name.value_or(QString());
      auto* item = new QListWidgetItem(name, m_list1);
      if (m_existing && document.zurnal == m_name) item->setSelected(true);
      if (const auto kind = config::readDefinition(*m_state.db, config::ObjectKind::Document, name))
        for (const QString& requisite : kind->requisiteNames())
          if (!requisite.isEmpty() && !requisites.contains(requisite, Qt::CaseInsensitive) &&
              requisite.compare(QStringLiteral("Наименование"), Qt::CaseInsensitive) != 0)
            requisites << requisite;
    }
    QStringList chosen;
    if (m_existing) {
      if (const auto journal = config::readDefinition(*m_state.db, m_kind, m_name)) {
        m_text1->setText(journal->name);
        m_text2->setText(journal->description);
        chosen = journal->columns;
      }
    }
    // The chosen columns first, in their order, then the other requisites.
    QStringList listed = chosen;
    for (const QString& requisite : requisites)
      if (!listed.contains(requisite, Qt::CaseInsensitive)) listed << requisite;
    for (const QString& requisite : listed) {
      auto* item = new QListWidgetItem(requisite, m_columns);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(chosen.contains(requisite, Qt::CaseInsensitive) ? Qt::Checked
                                                                          : Qt::Unchecked);
    }
  } catch (const storage::DbError& error) {
    MessageBoxes::show(error.description());
  }
  shell::CenterForm(m_state, this);
}

QString frmZurnalFrm::validate(const QString& name) {
  if (name == kNew || name.isEmpty()) return QStringLiteral("Необходимо ввести название диалога.");
  if (m_text2->text().isEmpty()) return QStringLiteral("Необходимо ввести название элемента меню");
  if (m_existing) return QString();
  QString problem = storage::identifierProblem(name, QStringLiteral("Имя журнала"));
  if (!problem.isEmpty()) return problem;
  if (name.compare(config::kFullJournalName, Qt::CaseInsensitive) == 0)
    return QStringLiteral("Имя журнала \"%1\" зарезервировано за полным журналом.").arg(name);
  if (objectNameTaken(*m_state.db, m_kind, name))
    return QStringLiteral("Журнал \"%1\" уже существует.").arg(name);
  return QString();
}

void frmZurnalFrm::write(const QString& name) {
  const QString menu = m_text2->text();
  // All bindings and the journal's row stand or fall together: a failure halfway
  // must not leave documents bound to a journal that was never written.
  storage::Transaction transaction(*m_state.db);
  for (int i = 0; i < m_list1->count(); ++i) {
    QListWidgetItem* item = m_list1->item(i);
    if (item->isSelected()) {
      config::writeDocumentJournal(*m_state.db, item->text(), name);
    } else {
      // A document leaving this journal goes back to the full one; others keep theirs.
      m_state.sharedRecordset.close();
      const auto document =
          config::readFormItemRow(*m_state.db, config::ObjectKind::Document, item->text());
      if (document && document->zurnal.value_or(QString()) == name)
        config::writeDocumentJournal(*m_state.db, item->text(), config::kFullJournalName);
    }
  }
  config::ObjectDefinition journal;
  journal.kind = m_kind;
  journal.name = name;
  journal.description = menu;
  journal.columns = chosenColumns();
  if (m_existing) {
    config::updateDesignedColumns(*m_state.db, m_name, journal);
    requireRowUpdated(
        QStringLiteral("Журнал \"%1\" не найден в базе данных: изменения не сохранены.")
            .arg(m_name));
  } else {
    config::insertDefinition(*m_state.db, journal);
  }
  transaction.commit();
}

QStringList frmZurnalFrm::chosenColumns() const {
  QStringList chosen;
  for (int i = 0; i < m_columns->count(); ++i)
    if (m_columns->item(i)->checkState() == Qt::Checked) chosen << m_columns->item(i)->text();
  return chosen;
}

void frmZurnalFrm::afterSave() {
  MessageBoxes::show(QStringLiteral("Реорганизация документов завершена"));
  rebuildMainWindow(true);
  close();
}

}  // namespace balvix::configurator
