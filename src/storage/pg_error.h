#pragma once

#include <QString>

#include "storage/db_error.h"

struct pg_result;
struct pg_conn;

namespace balvix::storage {

// Turns the server's failure (`result`, or the connection's when there is no result) into the
// number and Russian description the program works with, as for a file. `shown` names the
// database in messages about the connection.
DbError serverError(const pg_result* result, const pg_conn* connection, const QString& shown);

// The message for a connection that broke off.
DbError connectionLost(const QString& shown, const QString& reason);

}  // namespace balvix::storage
