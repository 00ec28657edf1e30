// The central database's schema, one migration per version. A migration is
// never changed once released: a later one alters what an earlier one made.
// Their SQL is in schema_sql_*.cpp.

#include "central/schema.h"
#include "central/schema_sql.h"

namespace central {

const std::vector<Migration> &SchemaMigrations()
{
    static const std::vector<Migration> list = {
        {1, QStringLiteral("zdarzenia stanowisk"), sql::kEventsAsSent},
        {2, QStringLiteral("bieżące pomiary"), sql::kCurrentWeighings},
        {3, QStringLiteral("cofanie bez odtwarzania, pola bez powtórzeń"), sql::kDirectUndo},
        {4, QStringLiteral("łańcuchy stanowisk"), sql::kChains},
        {5, QStringLiteral("liczba linii i skrót plików sprawdzane"), sql::kTableState},
        {6, QStringLiteral("sumy dzienne dla zestawień biura"), sql::kDailySums},
    };
    return list;
}

}  // namespace central
