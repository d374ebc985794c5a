#pragma once

#include <QString>

namespace balvix::config {

// A count with its noun in the Russian plural form: 1 документ, 2 документа, 5 документов
// (11–14 take the last). The three forms are UTF-8.
QString counted(int n, const char* one, const char* few, const char* many);

}  // namespace balvix::config
