#include "script/global_functions.h"

#include <gtest/gtest.h>

#include <QDate>
#include <vector>

#include "script/script_error.h"

using namespace balvix::script;

namespace {

struct Message {
  QString text;
  int buttons;
  QString title;
};

class RecordingHost : public Host {
 public:
  int showMessage(const QString& text, int buttons, const QString& title) override {
    messages.push_back({text, buttons, title});
    return MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString& text) override { statuses << text; }
  void processEvents() override { ++eventPumps; }
  void startProgram(const QString& commandLine) override {
    if (refuseStart) throw ScriptError::custom(ErrorCode::FileNotFound, "нет программы");
    programs << commandLine;
  }

  std::vector<Message> messages;
  QStringList statuses;
  QStringList programs;
  int eventPumps = 0;
  bool refuseStart = false;
};

// An object that stands for a number when used as a plain value, like Err.
class WithDefault : public SimpleHostObject {
 public:
  WithDefault() { addMember(0, QStringLiteral("Значение")); }
  Value invoke(int, Args&) override { return Value::integer(42); }
  int defaultMember() const override { return 0; }
};

class GlobalFunctionsTest : public ::testing::Test {
 protected:
  Value call(const QString& name, std::vector<Value> values = {}) {
    const int id = object->dispatchId(name);
    EXPECT_GE(id, 0) << name.toStdString();
    Args args(values.data(), static_cast<int>(values.size()));
    return object->invoke(id, args);
  }
  int errorOf(const QString& name, std::vector<Value> values) {
    try {
      call(name, std::move(values));
    } catch (const ScriptError& e) {
      return e.code();
    }
    return 0;
  }
  QString text(const Value& v) {
    return v.isString() ? v.asString() : QStringLiteral("<не текст>");
  }

  RecordingHost host;
  std::shared_ptr<HostObject> object = std::make_shared<clsExt>(host);
};

TEST_F(GlobalFunctionsTest, MessageGoesToTheHostWithItsTitle) {
  call(QStringLiteral("Сообщить"), {Value(QStringLiteral("Готово"))});
  call(QStringLiteral("сообщить"), {Value::real(2.5)});
  call(QStringLiteral("СООБЩИТЬ"), {Value::null()});
  call(QStringLiteral("Сообщить"), {Value(std::make_shared<WithDefault>())});
  ASSERT_EQ(host.messages.size(), 4u);
  EXPECT_EQ(host.messages[0].text, QStringLiteral("Готово"));
  EXPECT_EQ(host.messages[0].title, QStringLiteral("Сообщение"));
  EXPECT_EQ(host.messages[0].buttons, MsgBoxCode::OkOnly);
  EXPECT_EQ(host.messages[1].text, QStringLiteral("2.5"));
  EXPECT_EQ(host.messages[2].text, QString());
  EXPECT_EQ(host.messages[3].text, QStringLiteral("42"));
  EXPECT_EQ(errorOf(QStringLiteral("Сообщить"), {Value::nothing()}), ErrorCode::TypeMismatch);
  EXPECT_EQ(errorOf(QStringLiteral("Сообщить"), {}), ErrorCode::WrongArgumentCount);
}

TEST_F(GlobalFunctionsTest, StatusLineGetsPrefixAndRepaints) {
  call(QStringLiteral("Состояние"), {Value(QString())});
  call(QStringLiteral("Состояние"), {Value(QStringLiteral("Расчет итогов"))});
  EXPECT_EQ(host.statuses, QStringList({QStringLiteral("Состояние: "),
                                        QStringLiteral("Состояние: Расчет итогов")}));
  EXPECT_EQ(host.eventPumps, 2);
}

TEST_F(GlobalFunctionsTest, IntegerToTextKeepsTheSignPosition) {
  EXPECT_EQ(text(call(QStringLiteral("Строка"), {Value::integer(5)})), QStringLiteral(" 5"));
  EXPECT_EQ(text(call(QStringLiteral("Строка"), {Value::integer(-5)})), QStringLiteral("-5"));
  EXPECT_EQ(text(call(QStringLiteral("Строка"), {Value::integer(0)})), QStringLiteral(" 0"));
  EXPECT_EQ(text(call(QStringLiteral("Строка"), {Value(QStringLiteral("12"))})),
            QStringLiteral(" 12"));
  EXPECT_EQ(text(call(QStringLiteral("Строка"), {Value::integer(-32768)})),
            QStringLiteral("-32768"));
  EXPECT_EQ(errorOf(QStringLiteral("Строка"), {Value::longValue(40000)}), ErrorCode::Overflow);
  EXPECT_EQ(errorOf(QStringLiteral("Строка"), {Value(QStringLiteral("пять"))}),
            ErrorCode::TypeMismatch);
}

TEST_F(GlobalFunctionsTest, TextToIntegerRoundsDown) {
  auto number = [&](const char* s) {
    const Value v = call(QStringLiteral("Число"), {Value(QString::fromUtf8(s))});
    EXPECT_EQ(v.type(), Value::Type::Integer) << s;
    return v.asInt();
  };
  EXPECT_EQ(number("2,7"), 2);
  EXPECT_EQ(number("2.7"), 2);
  EXPECT_EQ(number("-0,5"), -1);
  EXPECT_EQ(number("-2,5"), -3);
  EXPECT_EQ(number(" 7 "), 7);
  EXPECT_EQ(number("32767,9"), 32767);
  EXPECT_EQ(number("-32768"), -32768);
  EXPECT_EQ(errorOf(QStringLiteral("Число"), {Value(QStringLiteral("40000"))}),
            ErrorCode::Overflow);
  EXPECT_EQ(errorOf(QStringLiteral("Число"), {Value(QStringLiteral("-32768,5"))}),
            ErrorCode::Overflow);
  EXPECT_EQ(errorOf(QStringLiteral("Число"), {Value(QStringLiteral("abc"))}),
            ErrorCode::TypeMismatch);
  EXPECT_EQ(errorOf(QStringLiteral("Число"), {Value(QString())}), ErrorCode::TypeMismatch);
  EXPECT_EQ(errorOf(QStringLiteral("Число"), {Value::null()}), ErrorCode::InvalidUseOfNull);
}

TEST_F(GlobalFunctionsTest, CurrencyFormatInRussianStyle) {
  const QString nbsp(QChar(0x00A0));
  const QString rouble = nbsp + QChar(0x20BD);
  EXPECT_TRUE(call(QStringLiteral("Формат"), {Value(QString())}).isEmpty());
  EXPECT_TRUE(call(QStringLiteral("Формат"), {Value()}).isEmpty());
  EXPECT_TRUE(call(QStringLiteral("Формат"), {Value::null()}).isEmpty());
  EXPECT_EQ(text(call(QStringLiteral("Формат"), {Value::integer(0)})), "0,00" + rouble);
  EXPECT_EQ(text(call(QStringLiteral("Формат"), {Value::real(1234.5)})),
            "1" + nbsp + "234,50" + rouble);
  EXPECT_EQ(text(call(QStringLiteral("Формат"), {Value(QStringLiteral("1234567,891"))})),
            "1" + nbsp + "234" + nbsp + "567,89" + rouble);
  EXPECT_EQ(text(call(QStringLiteral("Формат"), {Value::integer(-7)})), "-7,00" + rouble);
  EXPECT_EQ(text(call(QStringLiteral("Формат"), {Value::real(-0.001)})), "0,00" + rouble);
  EXPECT_EQ(errorOf(QStringLiteral("Формат"), {Value(QStringLiteral("много"))}),
            ErrorCode::TypeMismatch);
}

TEST_F(GlobalFunctionsTest, CurrentDateInWords) {
  auto* ext = dynamic_cast<clsExt*>(object.get());
  ASSERT_NE(ext, nullptr);
  ext->setClock([] { return QDate(2026, 12, 6); });
  EXPECT_EQ(text(call(QStringLiteral("ТекущаяДата"))), QStringLiteral("6 декабря 2026 г."));
  ext->setClock([] { return QDate(2025, 5, 1); });
  EXPECT_EQ(text(call(QStringLiteral("ТекущаяДата"))), QStringLiteral("1 мая 2025 г."));
  EXPECT_EQ(clsExt::currentDateText(QDate(2024, 3, 31)), QStringLiteral("31 марта 2024 г."));
  EXPECT_EQ(clsExt::currentDateText(QDate(2024, 8, 15)), QStringLiteral("15 августа 2024 г."));
  EXPECT_EQ(errorOf(QStringLiteral("ТекущаяДата"), {Value::integer(1)}),
            ErrorCode::WrongArgumentCount);
}

TEST_F(GlobalFunctionsTest, StartProgramGoesThroughTheHost) {
  call(QStringLiteral("ЗапуститьПриложение"), {Value(QStringLiteral("notepad.exe отчет.txt"))});
  EXPECT_EQ(host.programs, QStringList({QStringLiteral("notepad.exe отчет.txt")}));
  host.refuseStart = true;
  EXPECT_EQ(errorOf(QStringLiteral("ЗапуститьПриложение"), {Value(QStringLiteral("нет.exe"))}),
            ErrorCode::FileNotFound);
}

// The kinds and forms are the factory's; without one no kind is known.
TEST_F(GlobalFunctionsTest, ObjectsAndFormsComeFromTheFactory) {
  struct Factory : ObjectFactory {
    std::shared_ptr<HostObject> createObject(const QString& kind) override {
      return kind == QStringLiteral("Справочник") ? std::make_shared<WithDefault>() : nullptr;
    }
    void openForm(const QString& kind, const QString& name) override {
      opened << kind + u'|' + name;
    }
    QStringList opened;
  };
  const Value bare = call(QStringLiteral("СоздатьОбъект"), {Value(QStringLiteral("Справочник"))});
  EXPECT_TRUE(bare.isNothing());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, QStringLiteral("Объект не существует!"));

  auto factory = std::make_shared<Factory>();
  object = std::make_shared<clsExt>(host, factory);
  EXPECT_TRUE(
      call(QStringLiteral("СоздатьОбъект"), {Value(QStringLiteral("Справочник"))}).isObject());
  EXPECT_TRUE(
      call(QStringLiteral("СоздатьОбъект"), {Value(QStringLiteral("справочник"))}).isNothing());
  call(QStringLiteral("ОткрытьФорму"), {Value(QStringLiteral("Счет.План.Основной"))});
  EXPECT_EQ(factory->opened, QStringList{QStringLiteral("Счет|План.Основной")});
  EXPECT_EQ(errorOf(QStringLiteral("ОткрытьФорму"), {Value(QStringLiteral("Товары"))}),
            ErrorCode::InvalidCall);
  EXPECT_EQ(host.messages.size(), 2u);
}

}  // namespace
