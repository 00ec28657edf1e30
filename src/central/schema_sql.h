#pragma once

// The SQL text of each migration of the central database's schema, one file
// each (schema_migrations.cpp lists them in order).

namespace central::sql {

extern const char *const kEventsAsSent;
extern const char *const kCurrentWeighings;
extern const char *const kDirectUndo;
extern const char *const kChains;
extern const char *const kTableState;
extern const char *const kDailySums;

}  // namespace central::sql
