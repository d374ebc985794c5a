#pragma once

#include <QStringList>
#include <QVariant>
#include <vector>

#include "storage/session.h"

namespace balvix::storage {

// Rows of a recordset, one value per column in row order; shared by copies of the recordset.
struct Recordset::Data {
  QStringList names;
  QStringList foldedNames;  // filled on the first look-up that the exact spelling misses
  std::vector<QVariant> values;
  int columns = 0;
  int rows = 0;
  int current = 0;
  bool open = false;
};

}  // namespace balvix::storage
