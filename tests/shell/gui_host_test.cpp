#include "shell/gui_host.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include "script/engine.h"
#include "script/script_error.h"
#include "shell_fixture.h"

using namespace balvix;
using shell::GuiHost;
using shell::MsgAnswer;
using shell::MsgButtons;
using shell::MsgIcon;
namespace code = script::MsgBoxCode;

namespace {

class GuiHostTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_host = std::make_unique<GuiHost>(m_state);
    m_state.host = m_host.get();
  }
  void TearDown() override {
    m_host.reset();
    ShellTest::TearDown();
  }
  // Runs a module that counts for a long time; returns the error it ended with (0: none).
  int runLongLoop() {
    script::Engine engine(*m_host);
    try {
      engine.load(QStringLiteral("n = 0\nDo While n < 30000000\n  n = n + 1\nLoop\n"));
    } catch (const script::ScriptError& e) {
      return e.code();
    }
    return 0;
  }
  static void press(QObject* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers));
  }

  std::unique_ptr<GuiHost> m_host;
};

}  // namespace

TEST_F(GuiHostTest, MessagesGoThroughTheFacadeWithButtonsIconsAndAnswers) {
  m_messages.reply(MsgAnswer::No);
  EXPECT_EQ(
      m_host->showMessage(QStringLiteral("Провести?"), code::YesNo | 32, QStringLiteral("Вопрос")),
      code::AnswerNo);
  m_messages.reply(MsgAnswer::Cancel);
  EXPECT_EQ(m_host->showMessage(QStringLiteral("Дальше?"), code::YesNoCancel | 48, QString()),
            code::AnswerCancel);
  EXPECT_EQ(m_host->showMessage(QStringLiteral("Готово"), code::OkOnly, QString()), code::AnswerOk);
  EXPECT_EQ(m_host->showMessage(QStringLiteral("Начать?"), code::OkCancel | 64, QString()),
            code::AnswerOk);
  m_messages.reply(MsgAnswer::Yes);
  EXPECT_EQ(m_host->showMessage(QStringLiteral("Ошибка"), 16 | code::YesNo, QString()),
            code::AnswerYes);

  const auto& shown = m_messages.messages();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(shown[0].icon, MsgIcon::Question);
  EXPECT_EQ(shown[0].title, QStringLiteral("Вопрос"));
  EXPECT_EQ(shown[1].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(shown[1].icon, MsgIcon::Warning);
  EXPECT_EQ(shown[1].title, shell::MessageBoxes::kDefaultTitle);
  EXPECT_EQ(shown[2].buttons, MsgButtons::Ok);
  EXPECT_EQ(shown[2].icon, MsgIcon::None);
  EXPECT_EQ(shown[3].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(shown[3].icon, MsgIcon::Information);
  EXPECT_EQ(shown[4].icon, MsgIcon::Critical);
}

TEST_F(GuiHostTest, StatusGoesToTheMainWindowAndAMissingProgramIsAnError) {
  m_host->setStatus(QStringLiteral("Состояние: расчет"));
  EXPECT_EQ(m_main->statusText(), QStringLiteral("Состояние: расчет"));
  try {
    m_host->startProgram(QStringLiteral("/нет/такой/программы --ключ"));
    FAIL() << "no error";
  } catch (const script::ScriptError& e) {
    EXPECT_EQ(e.code(), script::ErrorCode::FileNotFound);
  }
}

TEST_F(GuiHostTest, EscapeOrCtrlBreakInterruptsARunningModule) {
  m_main->show();
  press(m_main.get(), Qt::Key_Escape);
  EXPECT_EQ(runLongLoop(), script::ErrorCode::Interrupted);
  press(m_main.get(), Qt::Key_Pause, Qt::ControlModifier);
  EXPECT_EQ(runLongLoop(), script::ErrorCode::Interrupted);

  EXPECT_TRUE(GuiHost::isInterruptKey(Qt::Key_Cancel, Qt::ControlModifier));
  EXPECT_FALSE(GuiHost::isInterruptKey(Qt::Key_Pause, Qt::NoModifier));
  EXPECT_FALSE(GuiHost::isInterruptKey(Qt::Key_Return, Qt::NoModifier));
}

TEST_F(GuiHostTest, ClicksDuringARunAreDroppedAndKeysAfterItAreNotTaken) {
  auto* button = new QPushButton(QStringLiteral("Провести"), m_main.get());
  button->resize(100, 30);
  m_main->show();
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
  const QPointF at(10, 10);
  QCoreApplication::postEvent(
      button, new QMouseEvent(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier));
  QCoreApplication::postEvent(
      button, new QMouseEvent(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                              Qt::NoModifier));
  press(m_main.get(), Qt::Key_Escape);
  EXPECT_EQ(runLongLoop(), script::ErrorCode::Interrupted);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 0);

  // Between runs the host takes nothing: keys reach the windows and set no interrupt.
  m_host->clearInterrupt();
  press(m_main.get(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_FALSE(m_host->interruptRequested());
  script::Engine engine(*m_host);
  engine.load(QStringLiteral("n = 0\nDo While n < 100000\n  n = n + 1\nLoop\n"));
  EXPECT_EQ(engine.variable(QStringLiteral("n")).asInt(), 100000);
}
