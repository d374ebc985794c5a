#pragma once

#include <vector>

namespace balvix::storage {

class Session;

// A help row of the built-in language: class, member and a description of it.
struct HelpEntry {
  const char* className;
  const char* member;
  const char* description;
};

// An account of the chart of accounts; `postings` is false for a group account whose
// postings go to its sub-accounts.
struct Account {
  const char* code;
  const char* name;
  bool postings;
};

// Help rows in the order they are stored: the rows of one class together.
const std::vector<HelpEntry>& languageHelp();
const std::vector<Account>& chartOfAccounts();

// Creates the fixed tables of a new database and writes their initial content. The caller
// runs it inside a transaction.
void createFixedTables(Session& session);

}  // namespace balvix::storage
