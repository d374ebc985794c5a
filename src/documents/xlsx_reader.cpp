#include "documents/xlsx_reader.h"

#include <unzip.h>

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace balvix::documents::xlsx_reader {

namespace {

const QString kBroken = QStringLiteral("Файл «%1» не является книгой Excel (xlsx): %2");

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

// One member of the archive, whole; nullopt when the archive has no such member. It is
// inflated straight into a buffer of the size the archive gives.
std::optional<QByteArray> member(unzFile zip, const QString& name, QString* error) {
  if (unzLocateFile(zip, name.toUtf8().constData(), 0) != UNZ_OK) return std::nullopt;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
      unzOpenCurrentFile(zip) != UNZ_OK) {
    *error = QStringLiteral("не читается часть %1").arg(name);
    return QByteArray();
  }
  constexpr qsizetype kChunk = 1 << 20;
  QByteArray data;
  data.resize(static_cast<qsizetype>(std::min<ZPOS64_T>(info.uncompressed_size, 1u << 30)) + 1);
  qsizetype size = 0;
  int got;
  for (;;) {
    if (data.size() - size < 1) data.resize(data.size() + kChunk);
    const unsigned room = static_cast<unsigned>(std::min(data.size() - size, kChunk * 64));
    got = unzReadCurrentFile(zip, data.data() + size, room);
    if (got <= 0) break;
    size += got;
  }
  data.resize(size);
  if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0)
    *error = QStringLiteral("часть %1 повреждена").arg(name);
  return data;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A name without its namespace prefix: "x:row" is "row".
std::string_view localName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text of XML character data as a reader gives it: the five entities and character
// references replaced, line ends made LF. Unknown entities are kept as written.
void appendDecoded(std::string& out, std::string_view raw) {
  std::size_t i = 0;
  while (i < raw.size()) {
    std::size_t special = i;
    while (special < raw.size() && raw[special] != '&' && raw[special] != '\r') ++special;
    if (special == raw.size()) {
      out.append(raw.substr(i));
      return;
    }
    out.append(raw.substr(i, special - i));
    i = special;
    if (raw[i] == '\r') {
      out += '\n';
      i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
      continue;
    }
    const std::size_t semicolon = raw.find(';', i);
    if (semicolon == std::string_view::npos || semicolon - i > 12) {
      out += '&';
      ++i;
      continue;
    }
    const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
    char replacement = 0;
    if (entity == "amp")
      replacement = '&';
    else if (entity == "lt")
      replacement = '<';
    else if (entity == "gt")
      replacement = '>';
    else if (entity == "quot")
      replacement = '"';
    else if (entity == "apos")
      replacement = '\'';
    if (replacement) {
      out += replacement;
    } else if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      const char* first = entity.data() + (hex ? 2 : 1);
      const char* last = entity.data() + entity.size();
      unsigned code = 0;
      const auto [end, ec] = std::from_chars(first, last, code, hex ? 16 : 10);
      if (ec != std::errc() || end != last || code > 0x10FFFF) {
        out.append(raw.substr(i, semicolon - i + 1));
      } else {
        appendUtf8(out, code);
      }
    } else {
      out.append(raw.substr(i, semicolon - i + 1));
    }
    i = semicolon + 1;
  }
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A text of the workbook with its _xHHHH_ codes decoded (only a text that has "_x" can hold
// one).
QString codedText(std::string_view text) {
  const QString decoded = fromUtf8(text);
  return text.find("_x") == std::string_view::npos ? decoded : decodeCodes(decoded);
}

// Reads the XML of a workbook part token by token, straight from its bytes. A sheet of
// 100,000 rows holds millions of tags, and the parts are plain XML written by programs (no
// document type, no entities of their own): a general reader spends most of its time on
// what they never use. Names are compared without their namespace prefix.
class Scanner {
 public:
  enum class Token { Start, End, Text, Done, Broken };

  explicit Scanner(QByteArrayView xml) : m_p(xml.data()), m_end(xml.data() + xml.size()) {}

  Token next() {
    for (;;) {
      if (m_p >= m_end) return Token::Done;
      if (*m_p != '<') {
        const auto* lt = static_cast<const char*>(std::memchr(m_p, '<', m_end - m_p));
        const char* stop = lt ? lt : m_end;
        m_text = std::string_view(m_p, stop - m_p);
        m_cdata = false;
        m_p = stop;
        return Token::Text;
      }
      const std::string_view rest(m_p, m_end - m_p);
      if (rest.starts_with("<!--")) {
        if (!skipPast(rest, "-->")) return Token::Broken;
        continue;
      }
      if (rest.starts_with("<![CDATA[")) {
        const std::size_t close = rest.find("]]>");
        if (close == std::string_view::npos) return Token::Broken;
        m_text = rest.substr(9, close - 9);
        m_cdata = true;
        m_p += close + 3;
        return Token::Text;
      }
      if (rest.starts_with("<?")) {
        if (!skipPast(rest, "?>")) return Token::Broken;
        continue;
      }
      if (rest.starts_with("<!")) {
        if (!skipPast(rest, ">")) return Token::Broken;
        continue;
      }
      const char* p = m_p + 1;
      const bool closing = p < m_end && *p == '/';
      if (closing) ++p;
      const char* nameStart = p;
      for (; p < m_end && !isBlank(*p) && *p != '>' && *p != '/'; ++p)
        if (*p == ':') nameStart = p + 1;
      m_name = std::string_view(nameStart, p - nameStart);
      const char* attributes = p;
      char quote = 0;
      for (; p < m_end; ++p) {
        if (quote) {
          if (*p == quote) quote = 0;
        } else if (*p == '"' || *p == '\'') {
          quote = *p;
        } else if (*p == '>') {
          break;
        }
      }
      if (p >= m_end || m_name.empty()) return Token::Broken;
      m_empty = !closing && p > attributes && p[-1] == '/';
      m_attributes = std::string_view(attributes, p - attributes - (m_empty ? 1 : 0));
      m_p = p + 1;
      return closing ? Token::End : Token::Start;
    }
  }

  std::string_view name() const { return m_name; }
  // <name/>: a start with no content and no end of its own.
  bool empty() const { return m_empty; }
  // The raw value of the start's attribute of that local name; empty when it has none.
  std::string_view attribute(std::string_view name) const {
    const std::string_view a = m_attributes;
    std::size_t i = 0;
    while (i < a.size()) {
      while (i < a.size() && isBlank(a[i])) ++i;
      const std::size_t nameStart = i;
      while (i < a.size() && a[i] != '=' && !isBlank(a[i])) ++i;
      const std::string_view found = localName(a.substr(nameStart, i - nameStart));
      while (i < a.size() && (isBlank(a[i]) || a[i] == '=')) ++i;
      if (i >= a.size()) break;
      const char quote = a[i];
      if (quote != '"' && quote != '\'') break;
      const std::size_t close = a.find(quote, i + 1);
      if (close == std::string_view::npos) break;
      if (found == name) return a.substr(i + 1, close - i - 1);
      i = close + 1;
    }
    return {};
  }
  void appendText(std::string& out) const {
    if (m_cdata)
      out.append(m_text);
    else
      appendDecoded(out, m_text);
  }
  // From a start with content to past its end.
  bool skip() {
    for (int depth = 1;;) {
      switch (next()) {
        case Token::Start:
          if (!m_empty) ++depth;
          break;
        case Token::End:
          if (--depth == 0) return true;
          break;
        case Token::Text:
          break;
        default:
          return false;
      }
    }
  }
  // Most cells are written as <c ..><v>text</v></c>: right after such a cell's start this
  // takes the raw text and goes past the cell's end in one step. False (nothing read) for
  // any other content.
  bool plainValue(std::string_view& raw) {
    const std::string_view rest(m_p, m_end - m_p);
    if (!rest.starts_with("<v>")) return false;
    const std::size_t lt = rest.find('<', 3);
    if (lt == std::string_view::npos || rest.substr(lt, 8) != "</v></c>") return false;
    raw = rest.substr(3, lt - 3);
    if (raw.find('&') != std::string_view::npos || raw.find('\r') != std::string_view::npos)
      return false;
    m_p += lt + 8;
    return true;
  }
  // The text of an element with no children (<v>, <t>) from its start past its end.
  bool textOf(std::string& out) {
    for (;;) {
      switch (next()) {
        case Token::Text:
          appendText(out);
          break;
        case Token::End:
          return true;
        case Token::Start:
          if (!m_empty && !skip()) return false;
          break;
        default:
          return false;
      }
    }
  }
  // The text of an element whose text may be split into runs (<si><r><t>..</t></r>..</si>,
  // <is>..</is>): every <t> inside it, joined; phonetic hints (<rPh>) are not part of it.
  bool runsText(std::string& out) {
    for (int depth = 1;;) {
      switch (next()) {
        case Token::Start:
          if (m_empty) break;
          if (m_name == "t") {
            if (!textOf(out)) return false;
          } else if (m_name == "rPh") {
            if (!skip()) return false;
          } else {
            ++depth;
          }
          break;
        case Token::End:
          if (--depth == 0) return true;
          break;
        case Token::Text:
          break;
        default:
          return false;
      }
    }
  }

 private:
  bool skipPast(std::string_view rest, std::string_view end) {
    const std::size_t at = rest.find(end, 2);
    if (at == std::string_view::npos) return false;
    m_p += at + end.size();
    return true;
  }

  const char* m_p;
  const char* m_end;
  std::string_view m_name;
  std::string_view m_attributes;
  std::string_view m_text;
  bool m_empty = false;
  bool m_cdata = false;
};

using Token = Scanner::Token;

const QString kBrokenPart = QStringLiteral("XML поврежден");

// A sheet has at most 16,384 columns (XFD); a reference beyond is not a column.
constexpr int kMaxColumns = 16384;

// The column number (0 for A) of a cell reference such as "AB12"; -1 when it has none.
int columnOf(std::string_view ref) {
  int column = 0;
  std::size_t i = 0;
  for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
    column = column * 26 + (ref[i] - 'A' + 1);
    if (column > kMaxColumns) return -1;
  }
  return i == 0 ? -1 : column - 1;
}

int numberOf(std::string_view text, int fallback) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : fallback;
}

QString firstSheetPath(const QByteArray& workbook, const QByteArray& relations) {
  QXmlStreamReader book(workbook);
  QString id;
  while (!book.atEnd() && id.isEmpty())
    if (book.readNext() == QXmlStreamReader::StartElement && book.name() == u"sheet")
      for (const QXmlStreamAttribute& a : book.attributes())
        if (a.name() == u"id") id = a.value().toString();
  QXmlStreamReader rels(relations);
  while (!rels.atEnd())
    if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == u"Relationship" &&
        rels.attributes().value(QLatin1String("Id")) == id) {
      QString target = rels.attributes().value(QLatin1String("Target")).toString();
      if (target.startsWith(u'/')) return target.mid(1);
      return QStringLiteral("xl/") + target;
    }
  return QStringLiteral("xl/worksheets/sheet1.xml");
}

}  // namespace

QString decodeCodes(const QString& text) {
  if (!text.contains(QStringLiteral("_x"))) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
      bool ok = false;
      const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out += QChar(char16_t(code));
        i += 6;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

QString readSharedStrings(QByteArrayView xml, QStringList& shared) {
  shared.clear();
  Scanner x(xml);
  std::string text;
  for (;;) {
    const Token token = x.next();
    if (token == Token::Done) return {};
    if (token == Token::Broken) return kBrokenPart;
    if (token != Token::Start || x.name() != "si") continue;
    text.clear();
    if (!x.empty() && !x.runsText(text)) return kBrokenPart;
    shared << codedText(text);
  }
}

namespace {

// What reading a sheet's rows has found so far.
struct SheetState {
  QStringList values;  // the row being read
  std::string text;    // a value's text being read
  int rowNumber = 0;
  bool haveHeader = false;
  bool inRows = false;  // within <sheetData>
  bool done = false;    // past its end
};

// Reads the rows of a sheet's XML given whole or in pieces that each end after a row (or
// after the end of the rows): what one piece found is kept in `state` for the next.
QString readRows(QByteArrayView xml, const QStringList& shared, SourceTable& table,
                 SheetState& state) {
  if (state.done) return {};
  Scanner x(xml);
  QStringList& values = state.values;
  std::string& text = state.text;
  int& rowNumber = state.rowNumber;
  bool& haveHeader = state.haveHeader;
  auto endRow = [&] {
    while (!values.isEmpty() && values.last().isEmpty()) values.removeLast();
    if (values.isEmpty()) return;
    if (!haveHeader) {
      for (QString& name : values) name = name.trimmed();
      table.header = values;
      haveHeader = true;
    } else {
      table.rows.push_back(values);
      table.rowNumbers.push_back(rowNumber);
    }
  };
  // One cell, from its start past its end, into `values` at its column.
  int column = 0;
  auto readCell = [&]() -> bool {
    const int at = columnOf(x.attribute("r"));
    if (at >= 0) column = at;
    const std::string_view type = x.attribute("t");
    QString value;
    // The value's text as the cell's type reads it.
    const auto valueOf = [&](std::string_view raw) {
      if (type == "s") {
        const int index = numberOf(raw, -1);
        return index >= 0 ? shared.value(index) : QString();
      }
      if (type == "str" || type == "e") return codedText(raw);
      return fromUtf8(raw);
    };
    std::string_view plain;
    if (!x.empty() && x.plainValue(plain)) {
      value = valueOf(plain);
    } else if (!x.empty()) {
      for (bool done = false; !done;) {
        switch (x.next()) {
          case Token::End:
            done = true;
            break;
          case Token::Text:
            break;
          case Token::Start:
            if (x.empty()) break;
            text.clear();
            if (x.name() == "v") {
              if (!x.textOf(text)) return false;
              value = valueOf(text);
            } else if (x.name() == "is") {
              if (!x.runsText(text)) return false;
              value = codedText(text);
            } else if (!x.skip()) {  // a formula's text: its cached value is what counts
              return false;
            }
            break;
          default:
            return false;
        }
      }
    }
    if (values.size() < column) values.resize(column);
    if (values.size() == column)
      values << value;
    else
      values[column] = value;
    ++column;
    return true;
  };
  for (bool& inRows = state.inRows;;) {
    const Token token = x.next();
    if (token == Token::Done) break;
    if (token == Token::Broken) return kBrokenPart;
    if ((token == Token::End && x.name() == "sheetData") ||
        (token == Token::Start && x.name() == "sheetData" && x.empty())) {
      state.done = true;
      break;
    }
    if (token != Token::Start) continue;
    if (x.name() == "sheetData") {
      inRows = true;
      continue;
    }
    if (!inRows || x.name() != "row") continue;
    rowNumber = numberOf(x.attribute("r"), rowNumber + 1);
    values.clear();
    values.reserve(table.header.size());
    column = 0;
    if (!x.empty()) {
      for (bool done = false; !done;) {
        switch (x.next()) {
          case Token::End:
            done = true;
            break;
          case Token::Text:
            break;
          case Token::Start:
            if (x.name() == "c") {
              if (!readCell()) return kBrokenPart;
            } else if (!x.empty() && !x.skip()) {
              return kBrokenPart;
            }
            break;
          default:
            return kBrokenPart;
        }
      }
    }
    endRow();
  }
  return {};
}

QString noHeader(const SheetState& state) {
  return state.haveHeader
             ? QString()
             : QStringLiteral("На первом листе книги нет строки с названиями столбцов.");
}

// Where the last row that `xml` holds whole ends (after its "</row>"); 0 when there is none.
qsizetype afterLastRow(QByteArrayView xml) {
  const std::string_view text(xml.data(), static_cast<std::size_t>(xml.size()));
  for (std::size_t at = text.size(); at > 0;) {
    const std::size_t found = text.rfind("row>", at - 1);
    if (found == std::string_view::npos || found < 2) return 0;
    std::size_t slash = found - 1;
    if (text[slash] == ':')  // a prefix: </x:row>
      while (slash > 0 && text[slash] != '/' && text[slash] != '<') --slash;
    if (text[slash] == '/' && slash > 0 && text[slash - 1] == '<')
      return static_cast<qsizetype>(found + 4);
    at = found;
  }
  return 0;
}

// Inflates one member of the archive a piece at a time on a thread of its own, through a
// handle of its own: the reader parses one piece (and the shared strings before the first)
// while the next is inflated. At most kAhead pieces wait, so memory stays bounded.
class Inflater {
 public:
  enum class Status { Reading, Done, Missing, Unreadable, Damaged };
  static constexpr qsizetype kPiece = 1 << 20;
  static constexpr std::size_t kAhead = 8;

  Inflater(const QString& path, const QString& name)
      : m_thread([this, file = QFile::encodeName(path), member = name.toUtf8()] {
          run(file, member);
        }) {}
  ~Inflater() {
    {
      std::lock_guard lock(m_mutex);
      m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // The next piece; false once there is none, with status() saying why.
  bool next(QByteArray& piece) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pieces.empty() || m_status != Status::Reading; });
    if (m_pieces.empty()) return false;
    piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    m_changed.notify_all();
    return true;
  }
  Status status() {
    std::lock_guard lock(m_mutex);
    return m_status;
  }

 private:
  void finish(Status status) {
    {
      std::lock_guard lock(m_mutex);
      m_status = status;
    }
    m_changed.notify_all();
  }
  void run(const QByteArray& file, const QByteArray& member) {
    std::unique_ptr<void, ZipCloser> zip(unzOpen64(file.constData()));
    if (!zip || unzLocateFile(zip.get(), member.constData(), 0) != UNZ_OK)
      return finish(Status::Missing);
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK) return finish(Status::Unreadable);
    for (;;) {
      QByteArray piece(kPiece, Qt::Uninitialized);
      const int got =
          unzReadCurrentFile(zip.get(), piece.data(), static_cast<unsigned>(piece.size()));
      if (got < 0) {
        unzCloseCurrentFile(zip.get());
        return finish(Status::Damaged);
      }
      if (got == 0) {
        // Only a member read to its end can tell whether its check sum holds.
        return finish(unzCloseCurrentFile(zip.get()) == UNZ_OK ? Status::Done : Status::Damaged);
      }
      piece.resize(got);
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_stop || m_pieces.size() < kAhead; });
      if (m_stop) {
        lock.unlock();
        unzCloseCurrentFile(zip.get());
        return finish(Status::Done);
      }
      m_pieces.push_back(std::move(piece));
      lock.unlock();
      m_changed.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<QByteArray> m_pieces;
  Status m_status = Status::Reading;
  bool m_stop = false;
  std::thread m_thread;  // last: it starts once the rest is made
};

// Reads each inflated piece's whole rows at once: the text of a sheet of 100,000 rows (tens
// of megabytes) is never held whole, and what is read is what was just inflated. nullopt
// when the archive has no such member; otherwise an empty text or what is wrong with the
// part. A sheet read to the end of its rows need not be inflated further.
std::optional<QString> readSheetMember(Inflater& sheet, const QString& name,
                                       const QStringList& shared, SourceTable& table) {
  SheetState state;
  QByteArray pending, piece;
  QString broken;
  bool more = true;
  while (broken.isEmpty() && !state.done && (more = sheet.next(piece))) {
    pending += piece;
    if (const qsizetype cut = afterLastRow(pending); cut > 0) {
      broken = readRows(QByteArrayView(pending).first(cut), shared, table, state);
      pending.remove(0, cut);
    }
  }
  const Inflater::Status status = sheet.status();
  if (status == Inflater::Status::Missing) return std::nullopt;
  if (status == Inflater::Status::Unreadable)
    return QStringLiteral("не читается часть %1").arg(name);
  if (status == Inflater::Status::Damaged && !state.done)
    return QStringLiteral("часть %1 повреждена").arg(name);
  if (broken.isEmpty() && !state.done && !more) broken = readRows(pending, shared, table, state);
  if (!broken.isEmpty()) return name + QStringLiteral(": ") + broken;
  return QString();
}

}  // namespace

QString readSheet(QByteArrayView xml, const QStringList& shared, SourceTable& table) {
  table = {};
  SheetState state;
  if (const QString broken = readRows(xml, shared, table, state); !broken.isEmpty()) return broken;
  return noHeader(state);
}

QString readFile(const QString& path, SourceTable& table) {
  table = {};
  std::unique_ptr<void, ZipCloser> zip(unzOpen64(QFile::encodeName(path).constData()));
  if (!zip) {
    if (!QFile::exists(path)) return QStringLiteral("Файл «%1» не найден.").arg(path);
    return kBroken.arg(path, QStringLiteral("это не архив zip"));
  }
  QString error;
  const std::optional<QByteArray> workbook =
      member(zip.get(), QStringLiteral("xl/workbook.xml"), &error);
  if (!workbook) return kBroken.arg(path, QStringLiteral("в нем нет xl/workbook.xml"));
  const QByteArray relations =
      member(zip.get(), QStringLiteral("xl/_rels/workbook.xml.rels"), &error)
          .value_or(QByteArray());
  const QString sheetPath = firstSheetPath(*workbook, relations);

  // The sheet is inflated while the shared strings are read.
  Inflater sheet(path, sheetPath);
  QStringList shared;
  if (const auto strings = member(zip.get(), QStringLiteral("xl/sharedStrings.xml"), &error)) {
    if (const QString broken = readSharedStrings(*strings, shared); !broken.isEmpty())
      return kBroken.arg(path, QStringLiteral("xl/sharedStrings.xml: ") + broken);
  }
  if (!error.isEmpty()) return kBroken.arg(path, error);
  const std::optional<QString> result = readSheetMember(sheet, sheetPath, shared, table);
  if (!result) return kBroken.arg(path, QStringLiteral("в нем нет листа %1").arg(sheetPath));
  if (!result->isEmpty()) return kBroken.arg(path, *result);
  return table.header.isEmpty() ? noHeader(SheetState()) : QString();
}

}  // namespace balvix::documents::xlsx_reader
