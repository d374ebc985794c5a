#pragma once

#include <QtGlobal>

namespace balvix::storage {

class Session;

// A number that changes whenever another session (another program on the file, another
// connection to the server) commits a change to the database; this session's own commits leave
// it as it is. Polled between events to learn that lists on screen are out of date. Not to be
// called inside a transaction (-1 then).
qint64 dataVersion(Session& db);

}  // namespace balvix::storage
