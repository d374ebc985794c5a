#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

#include "script/host.h"
#include "script/host_object.h"
#include "script/objects/shared_context.h"

namespace balvix::storage {
class Session;
}

namespace balvix::script {

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
  };

  // Shares the program's state (the shell's, the runner's) with the objects it creates.
  clsExt(Host& host, std::shared_ptr<SharedContext> context);
  // With a state of its own over the session (which may be null).
  clsExt(Host& host, storage::Session* session);

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

  Host& m_host;
  std::shared_ptr<SharedContext> m_context;
  std::function<QDate()> m_today;
};

// The global-functions object the engine is given with Engine::setGlobalObject().
std::shared_ptr<HostObject> createGlobalFunctions(Host& host, storage::Session* session);
// The same over the program's shared state, which must outlive the engine.
std::shared_ptr<HostObject> createGlobalFunctions(Host& host, SharedContext& context);

}  // namespace balvix::script
