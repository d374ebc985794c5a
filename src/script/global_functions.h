#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

#include "script/host.h"
#include "script/host_object.h"

namespace balvix::script {

// ОткрытьОтчет("Имя", НачалоПериода, КонецПериода, "Поле", Значение, …): the report and what
// its module reads through Диалог. An unset date leaves the period's bound as a dialog sets it.
struct ReportRequest {
  QString name;
  QDate start;
  QDate end;
  QList<QPair<QString, QString>> fields;  // caption, value
};

// What СоздатьОбъект and ОткрытьФорму reach: the script objects over the program's
// database and windows. The language itself has none of them.
class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  // The object of the kind, spelled exactly ("Справочник", not "справочник"); null when
  // there is no such kind.
  virtual std::shared_ptr<HostObject> createObject(const QString& kind) = 0;
  // ОткрытьФорму("Вид.Имя"), the path split at its first point.
  virtual void openForm(const QString& kind, const QString& name) = 0;
  // ОткрытьОтчет; a factory without windows opens nothing.
  virtual void openReport(const ReportRequest& request) { (void)request; }
};

// The global functions of the module language: the members of this object are callable
// in a module without a qualifier (Сообщить, Формат, Число, …). Everything that reaches
// the user goes through the host, so the same object serves the windows, the headless
// runner and tests.
class clsExt : public SimpleHostObject {
 public:
  enum Member {
    kFormat = 1,    // Формат
    kCurrentDate,   // ТекущаяДата
    kStartProgram,  // ЗапуститьПриложение
    kMessage,       // Сообщить
    kString,        // Строка
    kNumber,        // Число
    kStatus,        // Состояние
    kCreateObject,  // СоздатьОбъект
    kOpenForm,      // ОткрытьФорму
    kOpenReport,    // ОткрытьОтчет
  };

  // Without a factory, СоздатьОбъект knows no kind and ОткрытьФорму opens nothing.
  explicit clsExt(Host& host, std::shared_ptr<ObjectFactory> objects = nullptr);

  Value invoke(int dispId, Args& args) override;
  QString typeName() const override { return QStringLiteral("clsExt"); }

  // Today's date; tests replace it to get a fixed ТекущаяДата.
  void setClock(std::function<QDate()> today) { m_today = std::move(today); }

  // The conversions themselves, for callers that have C++ values at hand.
  static Value formatCurrency(const Value& value);
  static QString currentDateText(const QDate& today);
  static QString integerText(std::int16_t n);
  static std::int16_t textToInteger(const Value& text);

 private:
  QString messageText(const Value& v) const;
  Value createObject(const QString& kind);
  void openForm(const QString& path);
  void openReport(const Args& args);

  Host& m_host;
  std::shared_ptr<ObjectFactory> m_objects;
  std::function<QDate()> m_today;
};

}  // namespace balvix::script
