// A fuzzer for the module language. Two ways to drive it:
//
//   script_fuzz FILE...                       runs each module file once (reproduces a
//                                             crash found earlier)
//   script_fuzz --seeds DIR --seconds N [--rng S] [--current FILE]
//                                             mutates the module files under DIR and runs
//                                             the results until N seconds have passed
//
// Built with clang and -fsanitize=fuzzer (BALVIX_LIBFUZZER) it is a libFuzzer target
// instead. Each input runs in this process under a watchdog that interrupts a module
// after two seconds; a crash ends the process, and the input being run is then in the
// --current file for scripts/fuzz.sh to keep.

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#include "script/engine.h"
#include "script/objects/object_factory.h"

using namespace balvix::script;

namespace {

class FuzzHost : public Host {
 public:
  int showMessage(const QString&, int, const QString&) override { return MsgBoxCode::AnswerOk; }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override { throw ScriptError(ErrorCode::PermissionDenied); }
};

// Interrupts the running module when one input takes too long.
class Watchdog {
 public:
  Watchdog() : m_thread([this] { loop(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(m_mutex);
      m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
  }
  void arm(Host* host) {
    std::lock_guard lock(m_mutex);
    m_host = host;
    m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    m_cv.notify_all();
  }
  void disarm() {
    std::lock_guard lock(m_mutex);
    m_host = nullptr;
  }

 private:
  void loop() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
      if (m_host && std::chrono::steady_clock::now() >= m_deadline) {
        m_host->requestInterrupt();
        m_host = nullptr;
      }
      m_cv.wait_for(lock, std::chrono::milliseconds(50));
    }
  }
  std::mutex m_mutex;
  std::condition_variable m_cv;
  Host* m_host = nullptr;
  std::chrono::steady_clock::time_point m_deadline;
  bool m_quit = false;
  std::thread m_thread;
};

Watchdog& watchdog() {
  static Watchdog w;
  return w;
}

void runModule(const QString& text) {
  FuzzHost host;
  Engine engine(host);
  // The global functions without a database: file and database objects fail cleanly.
  engine.setGlobalObject(createGlobalFunctions(host, nullptr));
  watchdog().arm(&host);
  try {
    engine.load(text);
    engine.runThis(QStringLiteral("ПриСохранении"));
  } catch (const ScriptError&) {
  }
  watchdog().disarm();
}

// Pieces of the language that mutations insert: keywords, operators, literals and
// shapes that reached faults before.
const QStringList& dictionary() {
  static const QStringList words = {
      QStringLiteral("If "),
      QStringLiteral(" Then\n"),
      QStringLiteral("End If\n"),
      QStringLiteral("Do\n"),
      QStringLiteral("Loop\n"),
      QStringLiteral("While "),
      QStringLiteral("Wend\n"),
      QStringLiteral("For i = 1 To 3\n"),
      QStringLiteral("Next\n"),
      QStringLiteral("For Each x In "),
      QStringLiteral("Exit Do\n"),
      QStringLiteral("Exit For\n"),
      QStringLiteral("Select Case "),
      QStringLiteral("Case "),
      QStringLiteral("End Select\n"),
      QStringLiteral("Sub S(v)\n"),
      QStringLiteral("End Sub\n"),
      QStringLiteral("Function F()\n"),
      QStringLiteral("End Function\n"),
      QStringLiteral("ReDim "),
      QStringLiteral("ReDim Preserve "),
      QStringLiteral("Dim a(3)\n"),
      QStringLiteral("Erase a\n"),
      QStringLiteral("a(F())"),
      QStringLiteral("On Error Resume Next\n"),
      QStringLiteral("Err.Raise "),
      QStringLiteral("Set x = Nothing\n"),
      QStringLiteral("With "),
      QStringLiteral("End With\n"),
      QStringLiteral("("),
      QStringLiteral(")"),
      QStringLiteral(", "),
      QStringLiteral(" & "),
      QStringLiteral(" + "),
      QStringLiteral(" - "),
      QStringLiteral(" * "),
      QStringLiteral(" / "),
      QStringLiteral(" \\ "),
      QStringLiteral(" ^ "),
      QStringLiteral(" Mod "),
      QStringLiteral(" = "),
      QStringLiteral(" <> "),
      QStringLiteral(" Is "),
      QStringLiteral(" Not "),
      QStringLiteral(" And "),
      QStringLiteral("\""),
      QStringLiteral("#"),
      QStringLiteral("#01.01.2020#"),
      QStringLiteral("&H"),
      QStringLiteral("&HFFFFFFFF"),
      QStringLiteral("1e308"),
      QStringLiteral("-2147483648"),
      QStringLiteral("32767"),
      QStringLiteral("0.5"),
      QStringLiteral("Null"),
      QStringLiteral("Empty"),
      QStringLiteral("Nothing"),
      QStringLiteral("Array(1, 2)"),
      QStringLiteral("Split(\"a,b\", \",\")"),
      QStringLiteral("CDate("),
      QStringLiteral("CLng("),
      QStringLiteral("Space("),
      QStringLiteral("Mid("),
      QStringLiteral("Replace("),
      QStringLiteral("Execute "),
      QStringLiteral("Eval("),
      QStringLiteral("CCur("),
      QStringLiteral("CSng("),
      QStringLiteral("FormatDateTime("),
      QStringLiteral("DateAdd(\"d\", "),
      QStringLiteral("UBound("),
      QStringLiteral("Join("),
      QStringLiteral("Сообщить "),
      QStringLiteral("Если "),
      QStringLiteral(" Тогда\n"),
      QStringLiteral("КонецЕсли\n"),
      QStringLiteral("Процедура П()\n"),
      QStringLiteral("КонецПроцедуры\n"),
      QStringLiteral(":"),
      QStringLiteral("\n"),
      QStringLiteral("\r"),
      QStringLiteral(" _\n"),
      QStringLiteral("'"),
      QStringLiteral("."),
  };
  return words;
}

QString mutate(const QString& input, const std::vector<QString>& seeds, std::mt19937& rng) {
  QString s = input;
  auto pick = [&rng](qsizetype n) {
    return n <= 0 ? 0 : static_cast<qsizetype>(rng() % static_cast<std::uint32_t>(n));
  };
  const int rounds = 1 + static_cast<int>(rng() % 4);
  for (int r = 0; r < rounds; ++r) {
    const qsizetype at = pick(s.size() + 1);
    switch (rng() % 8) {
      case 0:  // delete a range
        s.remove(at, pick(std::min<qsizetype>(40, s.size() - at) + 1));
        break;
      case 1:  // insert a dictionary word
      case 2:
        s.insert(at, dictionary().at(pick(dictionary().size())));
        break;
      case 3: {  // duplicate a range
        const QString piece = s.mid(at, pick(60) + 1);
        s.insert(at, piece);
        break;
      }
      case 4: {  // repeat a small piece many times (deep nesting, long chains)
        const QString piece = s.mid(at, pick(4) + 1);
        QString many;
        const int n = 1 + static_cast<int>(rng() % 3000);
        for (int i = 0; i < n; ++i) many += piece;
        s.insert(at, many);
        break;
      }
      case 5:  // replace a character
        if (!s.isEmpty() && at < s.size()) s[at] = QChar(static_cast<char16_t>(rng() % 0x500));
        break;
      case 6: {  // splice in a part of another seed
        const QString& other =
            seeds[static_cast<std::size_t>(pick(static_cast<qsizetype>(seeds.size())))];
        const qsizetype from = pick(other.size());
        s.insert(at, other.mid(from, pick(200) + 1));
        break;
      }
      default: {  // change a digit run into an extreme number
        static const char16_t* const numbers[] = {u"0",       u"-1",     u"2147483647",
                                                  u"1e300",   u"65536",  u"-32769",
                                                  u"4000000", u"1e-300", u"99999"};
        s.insert(at, QString::fromUtf16(numbers[pick(9)]));
        break;
      }
    }
    if (s.size() > 200000) s.truncate(200000);
  }
  return s;
}

int mutationLoop(const QString& seedDir, int seconds, unsigned seed, const QString& current) {
  std::vector<QString> seeds;
  QDirIterator it(seedDir, {QStringLiteral("*.vbs")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile f(it.next());
    if (f.open(QIODevice::ReadOnly)) seeds.push_back(QString::fromUtf8(f.readAll()));
  }
  if (seeds.empty()) {
    std::fprintf(stderr, "script_fuzz: no seeds under %s\n", qPrintable(seedDir));
    return 2;
  }
  std::mt19937 rng(seed);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    const QString input = mutate(seeds[rng() % seeds.size()], seeds, rng);
    if (!current.isEmpty()) {
      QFile f(current);
      if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(input.toUtf8());
    }
    runModule(input);
    ++runs;
  }
  std::printf("script_fuzz: %ld modules run, no crash\n", runs);
  return 0;
}

}  // namespace

#ifdef BALVIX_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  runModule(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  return 0;
}
#else
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const int seedsAt = args.indexOf(QStringLiteral("--seeds"));
  if (seedsAt >= 0 && seedsAt + 1 < args.size()) {
    auto value = [&args](const char* name, const QString& fallback) {
      const int i = args.indexOf(QString::fromLatin1(name));
      return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
    };
    return mutationLoop(args.at(seedsAt + 1), value("--seconds", QStringLiteral("60")).toInt(),
                        value("--rng", QStringLiteral("1")).toUInt(),
                        value("--current", QString()));
  }
  if (args.isEmpty()) {
    std::fputs(
        "script_fuzz FILE... | script_fuzz --seeds DIR --seconds N [--rng S] [--current FILE]\n",
        stderr);
    return 2;
  }
  for (const QString& file : args) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) continue;
    runModule(QString::fromUtf8(f.readAll()));
    std::printf("%s: no crash\n", qPrintable(file));
  }
  return 0;
}
#endif
