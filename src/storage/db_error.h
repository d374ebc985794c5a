#pragma once

#include <QString>
#include <stdexcept>

namespace balvix::storage {

// Error numbers the rest of the program tests for. They follow the numbering the
// stored configurations and their modules were written against.
namespace ErrorCode {
constexpr int TableNotFound = 3371;       // "no such table", whatever the statement
constexpr int TableExists = 3010;         // CREATE TABLE of an existing table
constexpr int ColumnNotFound = 3061;      // unknown column
constexpr int SyntaxError = 3134;         // the statement cannot be parsed
constexpr int DuplicateKey = 3022;        // a unique key would be violated
constexpr int FileNotFound = 3024;        // the database file does not exist
constexpr int NotADatabase = 3049;        // the file is not a database or is damaged
constexpr int Locked = 3260;              // the file is locked by another program
constexpr int ItemNotFound = 3265;        // field name not in the recordset
constexpr int NoCurrentRecord = 3021;     // reading past EOF
constexpr int Other = 3000;               // any other failure of the engine
constexpr int FileExists = 3204;          // a new database would overwrite an existing file
constexpr int CannotOpen = 3051;          // the file exists but cannot be opened or created
constexpr int ReadOnly = 3027;            // the database or its folder is read-only
constexpr int NoTransaction = 3034;       // commit or rollback without a transaction
constexpr int ValueCountMismatch = 3346;  // INSERT with more or fewer values than columns
constexpr int UndefinedFunction = 3085;   // unknown function in an expression
constexpr int DuplicateField = 3191;      // a column defined twice in CREATE TABLE
constexpr int NullNotAllowed = 3314;      // Null written to a column that refuses it
constexpr int TrailingText = 3142;    // text after the end of the statement (a second statement)
constexpr int ObjectClosed = 3420;    // use of a closed recordset
constexpr int Cancelled = 3059;       // long work stopped by the user
constexpr int Conflict = 3197;        // another session's change got in the way (retry)
constexpr int ConnectionLost = 3146;  // the server connection broke off
}  // namespace ErrorCode

// A failure of the database layer: the number the program tests and a Russian
// description that is shown to the user as it is.
class DbError : public std::runtime_error {
 public:
  DbError(int number, const QString& description)
      : std::runtime_error(description.toStdString()),
        m_number(number),
        m_description(description) {}
  int number() const { return m_number; }
  const QString& description() const { return m_description; }

 private:
  int m_number;
  QString m_description;
};

}  // namespace balvix::storage
