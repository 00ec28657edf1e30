#include "central/schema_sql.h"

namespace central::sql {

// 4: a station's chain can be set aside by the owner (pomiary-baza
// --nowy-lancuch) so that a journal restored from a backup, or a new one, is
// taken from seq 0 as the station's next chain; the old chain's events,
// lines and refusals are kept apart. A caller is told the same whether the
// station is unknown or another role's, with a long name cut short.
const char *const kChains = R"SQL(
ALTER TABLE pomiary.stanowiska ADD COLUMN lancuch integer NOT NULL DEFAULT 0;

-- Each chain set aside: what the server held of it when it was closed.
CREATE TABLE pomiary.lancuchy (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    lancuch integer NOT NULL,
    identyfikator text,
    ostatni_seq bigint NOT NULL,
    ostatni_mac text NOT NULL,
    zdarzen bigint NOT NULL,
    odmowy jsonb NOT NULL,
    zamknieto timestamptz NOT NULL DEFAULT now(),
    zamknal name NOT NULL DEFAULT session_user,
    PRIMARY KEY (stanowisko, lancuch)
);

CREATE TABLE pomiary.zdarzenia_dawne (LIKE pomiary.zdarzenia);
ALTER TABLE pomiary.zdarzenia_dawne ADD COLUMN lancuch integer NOT NULL DEFAULT 0;
ALTER TABLE pomiary.zdarzenia_dawne ADD PRIMARY KEY (stanowisko, lancuch, seq);

CREATE TABLE pomiary.wiersze_dawne (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    lancuch integer NOT NULL,
    tabela smallint NOT NULL,
    pozycja integer NOT NULL,
    linia text NOT NULL,
    seq bigint NOT NULL,
    PRIMARY KEY (stanowisko, lancuch, tabela, pozycja)
);

-- A text of the caller's shown in a message: at most 300 characters.
CREATE FUNCTION pomiary.skrot(t text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN length(t) > 300 THEN left(t, 300) || '…' ELSE t END
$$;

CREATE OR REPLACE FUNCTION pomiary.stanowisko_wolajacego(p_nazwa text) RETURNS pomiary.stanowiska
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska;
BEGIN
    SELECT * INTO st FROM pomiary.stanowiska WHERE nazwa = p_nazwa AND rola = session_user FOR UPDATE;
    IF NOT FOUND THEN
        -- One message for a name not registered and another role's: a login
        -- learns nothing of the other stations.
        RAISE EXCEPTION 'Rola % nie może wysyłać zdarzeń stanowiska "%" (nie ma go w bazie albo należy do innej roli)',
            session_user, pomiary.skrot(p_nazwa) USING ERRCODE = '42501';
    END IF;
    RETURN st;
END $$;

-- Sets the station's chain aside: its events, current lines and refusals
-- move to the tables of old chains, and the station starts again at seq 0.
-- Only the owner runs it (pomiary-baza --nowy-lancuch).
CREATE FUNCTION pomiary.nowy_lancuch(p_nazwa text, OUT lancuch integer, OUT zdarzen bigint, OUT ostatni_seq bigint,
                                     OUT wierszy bigint)
LANGUAGE plpgsql AS $$
DECLARE
    st pomiary.stanowiska;
BEGIN
    SELECT * INTO st FROM pomiary.stanowiska WHERE nazwa = p_nazwa FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'Stanowisko "%" nie jest zarejestrowane w bazie', pomiary.skrot(p_nazwa) USING ERRCODE = 'PM001';
    END IF;
    lancuch := st.lancuch;
    ostatni_seq := st.ostatni_seq;
    INSERT INTO pomiary.zdarzenia_dawne
    SELECT z.*, st.lancuch FROM pomiary.zdarzenia z WHERE z.stanowisko = st.id;
    GET DIAGNOSTICS zdarzen = ROW_COUNT;
    INSERT INTO pomiary.wiersze_dawne (stanowisko, lancuch, tabela, pozycja, linia, seq)
    SELECT st.id, st.lancuch, w.tabela, w.pozycja, w.linia, w.seq FROM pomiary.wiersze w WHERE w.stanowisko = st.id;
    GET DIAGNOSTICS wierszy = ROW_COUNT;
    INSERT INTO pomiary.lancuchy (stanowisko, lancuch, identyfikator, ostatni_seq, ostatni_mac, zdarzen, odmowy)
    SELECT st.id, st.lancuch, st.identyfikator, st.ostatni_seq, st.ostatni_mac, zdarzen,
           coalesce((SELECT jsonb_agg(to_jsonb(o) - 'stanowisko' ORDER BY o.seq) FROM pomiary.odmowy o
                      WHERE o.stanowisko = st.id), '[]');
    DELETE FROM pomiary.cofniecie_wiersze WHERE stanowisko = st.id;
    DELETE FROM pomiary.cofniecie WHERE stanowisko = st.id;
    DELETE FROM pomiary.wiersze WHERE stanowisko = st.id;
    DELETE FROM pomiary.tabele WHERE stanowisko = st.id;
    DELETE FROM pomiary.odmowy WHERE stanowisko = st.id;
    DELETE FROM pomiary.zdarzenia WHERE stanowisko = st.id;
    UPDATE pomiary.stanowiska SET ostatni_seq = -1, ostatni_mac = repeat('0', 64), identyfikator = NULL,
                                  lancuch = st.lancuch + 1
     WHERE id = st.id;
END $$;

-- What an old chain holds that the station's current chain does not: its
-- events at numbers the current chain has not reached, or holds otherwise.
CREATE VIEW pomiary.poza_lancuchem AS
SELECT s.nazwa AS stanowisko, d.lancuch, d.seq, d.rodzaj, d.tabela, d.czas, d.operator, d.linia
  FROM pomiary.zdarzenia_dawne d
  JOIN pomiary.stanowiska s ON s.id = d.stanowisko
 WHERE NOT EXISTS (SELECT 1 FROM pomiary.zdarzenia z
                    WHERE z.stanowisko = d.stanowisko AND z.seq = d.seq AND z.mac = d.mac);

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT EXECUTE ON FUNCTION pomiary.liczba(text), pomiary.calkowita(text), pomiary.czas_wiersza(text),
    pomiary.czas_zdarzenia(text) TO pomiary_biuro;
GRANT SELECT ON pomiary.lancuchy, pomiary.zdarzenia_dawne, pomiary.wiersze_dawne, pomiary.poza_lancuchem
    TO pomiary_biuro;
)SQL";

}  // namespace central::sql
