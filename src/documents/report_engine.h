#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>

#include "documents/report_sheet.h"
#include "script/host_object.h"

namespace balvix::script {
class Engine;
class Host;
}  // namespace balvix::script

namespace balvix::documents {

// What the report dialog hands to a report module (Диалог): the period and the fields.
struct ReportDialogValues {
  QDate start;
  QDate end;
  QHash<QString, QString> fields;  // by folded caption
};

// The value a module assigns to a parameter or a cell, its type kept for the exports.
CellValue cellValueOf(const script::Value& value);

// The report module's procedure that a double click (or Enter) on a cell with a drill-down
// value calls with that value.
inline const QString kDrillProcedure = QStringLiteral("ПриРасшифровке");

// A report being built: its layout, the parameters a module set and the output it made from
// the layout's sections. A window shows the output through a listener; without one the
// report is built the same way for files.
class ReportEngine {
 public:
  // What a view of the output needs to know while a module fills it.
  class Listener {
   public:
    virtual ~Listener() = default;
    // The output was replaced (cleared or restarted).
    virtual void outputReset() {}
    // Rows were appended; called every so many rows, not for each.
    virtual void rowsAdded() {}
    virtual void cellChanged(int row, int column) {
      (void)row;
      (void)column;
    }
    // The caption of what shows the report (Отчет.Заголовок).
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;
  };

  void setListener(Listener* listener) { m_listener = listener; }

  // Malformed text gives an empty layout, false and the reason in `problem`.
  bool loadLayout(const QString& text, QString* problem = nullptr);
  void setLayout(ReportSheet layout) { m_layout = std::move(layout); }
  ReportSheet& layout() { return m_layout; }
  const ReportSheet& layout() const { return m_layout; }
  ReportSheet& output() { return m_output; }
  const ReportSheet& output() const { return m_output; }

  void setParameter(const QString& name, const CellValue& value);
  QString parameter(const QString& name) const;
  // Appends a copy of the section with its parameters filled; false when there is none.
  // Throws a module error when the output would grow beyond report_limits.
  bool outputSection(const QString& name);
  QString cellText(int row, int column) const;  // from 1
  // Throws a module error for a place beyond report_limits.
  void setCellValue(int row, int column, const CellValue& value);
  void clearOutput();
  // The output before the module runs: empty, or the layout when it has no sections.
  void restartOutput();

  // The drill-down the cells output next carry (Отчет.Расшифровка); none after a restart.
  void setDrill(std::optional<CellDrill> drill) { m_drill = std::move(drill); }
  const std::optional<CellDrill>& drill() const { return m_drill; }
  // The drill-down of an output cell, from 0; null when it has none.
  const CellDrill* drillAt(int row, int column) const { return m_output.drill(row, column); }
  // Calls the module's ПриРасшифровке with the value of a drill-down that names no
  // document; false when the module has no such procedure. Throws the module's errors, so
  // that the caller's guard shows them.
  static bool runDrill(script::Engine& engine, const CellDrill& drill);

  QString caption() const;
  void setCaption(const QString& caption);

  // Adds `Отчет` and `Диалог` over this report to a module's engine.
  static void addObjects(const std::shared_ptr<ReportEngine>& report, script::Engine& engine,
                         const ReportDialogValues& dialog);

  static constexpr int kPublishEvery = 20000;

 private:
  void checkOutputSize(qint64 rows, qint64 columns) const;

  ReportSheet m_layout;
  ReportSheet m_output;
  QHash<QString, CellValue> m_parameters;  // by folded name
  Listener* m_listener = nullptr;
  QString m_caption;
  std::optional<CellDrill> m_drill;
};

// The report as modules see it (`Отчет`): Параметр("Имя") = значение, Вывести("Секция"),
// Ячейка(Строка, Колонка) read and assigned, Очистить(), Заголовок, КоличествоСтрок;
// Расшифровка = значение (or = Документ(Вид, Дата, Время)) for the cells output next.
class ReportObject : public script::SimpleHostObject {
 public:
  ReportObject(std::weak_ptr<ReportEngine> report, script::Host& host);
  script::Value invoke(int dispId, script::Args& args) override;
  void put(int dispId, script::Args& args, const script::Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("Отчет"); }

 private:
  std::shared_ptr<ReportEngine> report() const;

  std::weak_ptr<ReportEngine> m_report;
  script::Host& m_host;
  int m_sinceStatus = 0;
};

// A stored document named by its kind and key (Отчет.Документ(Вид, Дата, Время)): a cell
// whose drill-down it is opens that document.
class DocumentReference : public script::SimpleHostObject {
 public:
  DocumentReference(QString kind, QString date, QString time);
  script::Value invoke(int dispId, script::Args& args) override;
  QString typeName() const override { return QStringLiteral("СсылкаНаДокумент"); }
  CellDrill drill() const;

 private:
  QString m_kind, m_date, m_time;
};

// The report dialog's values as modules see them (`Диалог`): НачалоПериода, КонецПериода
// (dates as text dd.MM.yyyy) and Значение("Поле").
class DialogObject : public script::SimpleHostObject {
 public:
  explicit DialogObject(ReportDialogValues values) : m_values(std::move(values)) {
    addMember(1, QStringLiteral("НачалоПериода"));
    addMember(2, QStringLiteral("КонецПериода"));
    addMember(3, QStringLiteral("Значение"));
  }
  script::Value invoke(int dispId, script::Args& args) override;
  QString typeName() const override { return QStringLiteral("Диалог"); }

 private:
  ReportDialogValues m_values;
};

}  // namespace balvix::documents
