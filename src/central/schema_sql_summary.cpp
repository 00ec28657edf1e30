#include "central/schema_sql.h"

namespace central::sql {

// The lines of SOURCE (each with "znak" +1 or -1) added to the daily sums.
// Lines that were only moved (renumbered) change nothing.
#define SUMS_ADD(SOURCE)                                                                                              \
    "INSERT INTO pomiary.sumy_dzienne AS s"                                                                           \
    " SELECT coalesce(czas::date, '-infinity'), stanowisko, tabela,"                                                  \
    "        brutto IS NOT NULL AND netto IS NOT NULL AND tara IS NOT NULL AND wartosc IS NOT NULL,"                  \
    "        material, opakowanie, klient, operator, zamowienie,"                                                     \
    "        sum(znak), coalesce(sum(znak * brutto), 0), coalesce(sum(znak * netto), 0),"                             \
    "        coalesce(sum(znak * tara), 0), coalesce(sum(znak * wartosc), 0)"                                         \
    "   FROM (" SOURCE ") d"                                                                                          \
    "  GROUP BY 1, 2, 3, 4, 5, 6, 7, 8, 9"                                                                            \
    " HAVING sum(znak) <> 0 OR sum(znak * brutto) <> 0 OR sum(znak * netto) <> 0"                                     \
    "     OR sum(znak * tara) <> 0 OR sum(znak * wartosc) <> 0"                                                       \
    " ON CONFLICT (dzien, stanowisko, tabela, czytelny, material, opakowanie, klient, operator, zamowienie)"          \
    " DO UPDATE SET liczba = s.liczba + EXCLUDED.liczba, brutto = s.brutto + EXCLUDED.brutto,"                        \
    "               netto = s.netto + EXCLUDED.netto, tara = s.tara + EXCLUDED.tara,"                                 \
    "               wartosc = s.wartosc + EXCLUDED.wartosc"

// 6: the current weighings summed per station, table, day and dictionary
// fields, kept up to date by every write to the lines, so that the office's
// summaries read the sums instead of millions of lines.
const char *const kDailySums = R"SQL(
-- "dzien" is '-infinity' for a line whose time cannot be read, "czytelny"
-- false for one whose numbers cannot (its sums count what could be read).
CREATE TABLE pomiary.sumy_dzienne (
    dzien date NOT NULL,
    stanowisko integer NOT NULL,
    tabela smallint NOT NULL,
    czytelny boolean NOT NULL,
    material text NOT NULL,
    opakowanie text NOT NULL,
    klient text NOT NULL,
    operator text NOT NULL,
    zamowienie text NOT NULL,
    liczba bigint NOT NULL,
    brutto numeric NOT NULL,
    netto numeric NOT NULL,
    tara numeric NOT NULL,
    wartosc numeric NOT NULL
);
CREATE UNIQUE INDEX sumy_dzienne_klucz ON pomiary.sumy_dzienne
    (dzien, stanowisko, tabela, czytelny, material, opakowanie, klient, operator, zamowienie);
-- Keys whose lines all went; normally none, so removing them is cheap.
CREATE INDEX sumy_dzienne_puste ON pomiary.sumy_dzienne (dzien) WHERE liczba = 0;

-- After each statement that writes lines: its lines added to the sums, the
-- lines it replaced or removed taken away. One function per kind of write,
-- as each sees its own transition tables; their SQL is planned once.
CREATE FUNCTION pomiary.sumy_wstawione() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    )SQL" SUMS_ADD("SELECT *, 1 AS znak FROM nowe") R"SQL(;
    RETURN NULL;
END $$;

CREATE FUNCTION pomiary.sumy_zmienione() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    )SQL" SUMS_ADD("SELECT *, 1 AS znak FROM nowe UNION ALL SELECT *, -1 FROM stare") R"SQL(;
    DELETE FROM pomiary.sumy_dzienne WHERE liczba = 0;
    RETURN NULL;
END $$;

CREATE FUNCTION pomiary.sumy_usuniete() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    )SQL" SUMS_ADD("SELECT *, -1 AS znak FROM stare") R"SQL(;
    DELETE FROM pomiary.sumy_dzienne WHERE liczba = 0;
    RETURN NULL;
END $$;

CREATE TRIGGER wiersze_sumy_wstawione AFTER INSERT ON pomiary.wiersze
    REFERENCING NEW TABLE AS nowe FOR EACH STATEMENT EXECUTE FUNCTION pomiary.sumy_wstawione();
CREATE TRIGGER wiersze_sumy_zmienione AFTER UPDATE ON pomiary.wiersze
    REFERENCING OLD TABLE AS stare NEW TABLE AS nowe FOR EACH STATEMENT EXECUTE FUNCTION pomiary.sumy_zmienione();
CREATE TRIGGER wiersze_sumy_usuniete AFTER DELETE ON pomiary.wiersze
    REFERENCING OLD TABLE AS stare FOR EACH STATEMENT EXECUTE FUNCTION pomiary.sumy_usuniete();

-- The lines stored before this version.
INSERT INTO pomiary.sumy_dzienne
SELECT coalesce(czas::date, '-infinity'), stanowisko, tabela,
       brutto IS NOT NULL AND netto IS NOT NULL AND tara IS NOT NULL AND wartosc IS NOT NULL,
       material, opakowanie, klient, operator, zamowienie,
       count(*), coalesce(sum(brutto), 0), coalesce(sum(netto), 0), coalesce(sum(tara), 0), coalesce(sum(wartosc), 0)
  FROM pomiary.wiersze
 GROUP BY 1, 2, 3, 4, 5, 6, 7, 8, 9;

GRANT SELECT ON pomiary.sumy_dzienne TO pomiary_biuro;
)SQL";

#undef SUMS_ADD

}  // namespace central::sql
