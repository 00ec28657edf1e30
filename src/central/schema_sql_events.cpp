#include "central/schema_sql.h"

namespace central::sql {

// 1: stations, the events as they were sent, and the two functions a station
// may call. A station's role reads and writes nothing directly.
const char *const kEventsAsSent = R"SQL(
CREATE SCHEMA pomiary;
REVOKE ALL ON SCHEMA pomiary FROM PUBLIC;

CREATE TABLE pomiary.wersja_schematu (
    wersja integer PRIMARY KEY,
    opis text NOT NULL,
    zastosowano timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE pomiary.stanowiska (
    id serial PRIMARY KEY,
    nazwa text NOT NULL UNIQUE,
    rola name NOT NULL UNIQUE,
    identyfikator text,
    ostatni_seq bigint NOT NULL DEFAULT -1,
    ostatni_mac text NOT NULL DEFAULT repeat('0', 64),
    dodano timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE pomiary.zdarzenia (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    seq bigint NOT NULL,
    poprzedni_mac text NOT NULL,
    mac text NOT NULL,
    rodzaj text NOT NULL,
    tabela smallint,
    czas timestamptz,
    operator text,
    linia text NOT NULL,
    przyjeto timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (stanowisko, seq)
);

CREATE TABLE pomiary.odmowy (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    seq bigint NOT NULL,
    powod text NOT NULL,
    linia text,
    pierwsza timestamptz NOT NULL DEFAULT now(),
    ostatnia timestamptz NOT NULL DEFAULT now(),
    ile integer NOT NULL DEFAULT 1,
    PRIMARY KEY (stanowisko, seq)
);

-- Whether day `d` (text, 2 digits) exists in month `m` of year `y`.
CREATE FUNCTION pomiary.dzien_istnieje(y text, m text, d text) RETURNS boolean
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT d::integer <= CASE WHEN m = '02' THEN CASE WHEN (y::integer % 4 = 0 AND y::integer % 100 <> 0)
                                                          OR y::integer % 400 = 0 THEN 29 ELSE 28 END
                              WHEN m IN ('04', '06', '09', '11') THEN 30 ELSE 31 END
$$;

-- "2024-05-17T14:03:22+02:00" as a time; NULL for anything else. One
-- expression, so that a query calling it takes it in (a million events
-- arrive through it); the cast only ever sees a valid time.
CREATE FUNCTION pomiary.czas_zdarzenia(t text) RETURNS timestamptz
LANGUAGE sql STABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN t ~ '^\d{4}-(0[1-9]|1[0-2])-(0[1-9]|[12]\d|3[01])T([01]\d|2[0-3]):[0-5]\d:[0-5]\d[+-](0\d|1[0-5]):[0-5]\d$'
                     AND left(t, 4) <> '0000'
                THEN CASE WHEN pomiary.dzien_istnieje(left(t, 4), substr(t, 6, 2), substr(t, 9, 2))
                          THEN t::timestamptz END END
$$;

-- The station of the caller's login role, locked; an error for any other.
CREATE FUNCTION pomiary.stanowisko_wolajacego(p_nazwa text) RETURNS pomiary.stanowiska
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska;
BEGIN
    SELECT * INTO st FROM pomiary.stanowiska WHERE nazwa = p_nazwa FOR UPDATE;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'Stanowisko "%" nie jest zarejestrowane w bazie', p_nazwa USING ERRCODE = 'PM001';
    END IF;
    IF st.rola <> session_user THEN
        RAISE EXCEPTION 'Rola % nie może wysyłać zdarzeń stanowiska "%"', session_user, p_nazwa
            USING ERRCODE = '42501';
    END IF;
    RETURN st;
END $$;

-- How far the server holds the station's journal.
CREATE FUNCTION pomiary.stan_stanowiska(p_nazwa text, OUT ostatni_seq bigint, OUT ostatni_mac text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
BEGIN
    ostatni_seq := st.ostatni_seq;
    ostatni_mac := st.ostatni_mac;
END $$;

-- Whether one event sent may follow what the station has stored: passed over
-- when it is stored already and the same; refused when it is another one at
-- a stored number, leaves a gap, does not follow the last stored mac, or is
-- no signed JSON event carrying its own number.
CREATE FUNCTION pomiary.sprawdz_zdarzenie(p_id integer, p_ostatni bigint, p_mac text, p_seq bigint, p_prev text,
                                          p_linia text, OUT pomin boolean, OUT odmowa text, OUT j jsonb)
LANGUAGE plpgsql STABLE AS $$
DECLARE
    s_linia text; s_prev text;
BEGIN
    pomin := false;
    IF p_seq IS NULL OR p_prev IS NULL OR p_linia IS NULL THEN
        odmowa := 'Niepełne zdarzenie';
        RETURN;
    END IF;
    IF p_seq <= p_ostatni THEN
        SELECT z.linia, z.poprzedni_mac INTO s_linia, s_prev
          FROM pomiary.zdarzenia z WHERE z.stanowisko = p_id AND z.seq = p_seq;
        IF s_linia IS DISTINCT FROM p_linia OR s_prev IS DISTINCT FROM p_prev THEN
            odmowa := format('Zdarzenie %s różni się od zapisanego w bazie', p_seq);
        ELSE
            pomin := true;
        END IF;
        RETURN;
    END IF;
    IF p_seq <> p_ostatni + 1 THEN
        odmowa := format('Oczekiwano zdarzenia %s, a przyszło %s', p_ostatni + 1, p_seq);
        RETURN;
    END IF;
    IF p_prev <> p_mac THEN
        odmowa := format('Zdarzenie %s nie następuje po ostatnim zapisanym (inny poprzedni podpis)', p_seq);
        RETURN;
    END IF;
    BEGIN
        j := p_linia::jsonb;
    EXCEPTION WHEN others THEN
        j := NULL;
    END;
    IF j IS NULL OR jsonb_typeof(j) <> 'object' THEN
        odmowa := format('Zdarzenie %s nie jest obiektem JSON', p_seq);
    ELSIF jsonb_typeof(j -> 'seq') IS DISTINCT FROM 'number' OR j ->> 'seq' <> p_seq::text THEN
        odmowa := format('Zdarzenie %s nosi inny numer (%s)', p_seq, coalesce(j ->> 'seq', 'brak'));
    ELSIF jsonb_typeof(j -> 'kind') IS DISTINCT FROM 'string' THEN
        odmowa := format('Zdarzenie %s nie ma rodzaju', p_seq);
    ELSIF (j ->> 'mac') IS NULL OR (j ->> 'mac') !~ '^[0-9a-f]{64}$' THEN
        odmowa := format('Zdarzenie %s nie ma podpisu', p_seq);
    END IF;
    IF odmowa IS NOT NULL THEN
        j := NULL;
    END IF;
END $$;

-- A refusal, kept for the office; a repeated one is counted.
CREATE FUNCTION pomiary.zapisz_odmowe(p_id integer, p_seq bigint, p_powod text, p_linia text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO pomiary.odmowy AS o (stanowisko, seq, powod, linia)
        VALUES (p_id, coalesce(p_seq, -1), p_powod, p_linia)
        ON CONFLICT (stanowisko, seq) DO UPDATE
        SET powod = EXCLUDED.powod, linia = EXCLUDED.linia, ostatnia = now(), ile = o.ile + 1
$$;

-- Events checked, stored in one statement.
CREATE FUNCTION pomiary.zapisz_zdarzenia(p_id integer, p_seq bigint[], p_prev text[], p_linie text[], p_j jsonb[])
RETURNS void LANGUAGE sql AS $$
    INSERT INTO pomiary.zdarzenia (stanowisko, seq, poprzedni_mac, mac, rodzaj, tabela, czas, operator, linia)
    SELECT p_id, u.seq, u.prev, u.j ->> 'mac', u.j ->> 'kind',
           CASE WHEN u.j ->> 'tab' IN ('1', '2', '3', '4', '5') THEN (u.j ->> 'tab')::smallint END,
           pomiary.czas_zdarzenia(u.j ->> 't'), u.j ->> 'op', u.linia
      FROM unnest(p_seq, p_prev, p_linie, p_j) AS u(seq, prev, linia, j)
$$;

-- Stores a batch of consecutive events of the caller's station. The events
-- before a refused one are kept; it and the rest are not.
CREATE FUNCTION pomiary.dodaj_zdarzenia(p_nazwa text, p_seq bigint[], p_poprzedni text[], p_linie text[],
                                        OUT ostatni_seq bigint, OUT ostatni_mac text,
                                        OUT odmowa_seq bigint, OUT odmowa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
    e record;
    c record;
    z_seq bigint[] := '{}'; z_prev text[] := '{}'; z_linia text[] := '{}'; z_j jsonb[] := '{}';
BEGIN
    FOR e IN SELECT * FROM unnest(p_seq, p_poprzedni, p_linie) AS u(seq, prev, linia) LOOP
        c := pomiary.sprawdz_zdarzenie(st.id, st.ostatni_seq, st.ostatni_mac, e.seq, e.prev, e.linia);
        CONTINUE WHEN c.pomin;
        IF c.odmowa IS NOT NULL THEN
            odmowa_seq := e.seq;
            odmowa := c.odmowa;
            PERFORM pomiary.zapisz_odmowe(st.id, e.seq, c.odmowa, e.linia);
            EXIT;
        END IF;
        z_seq := array_append(z_seq, e.seq);
        z_prev := array_append(z_prev, e.prev);
        z_linia := array_append(z_linia, e.linia);
        z_j := array_append(z_j, c.j);
        IF e.seq = 0 THEN
            st.identyfikator := c.j ->> 'station';
        END IF;
        st.ostatni_seq := e.seq;
        st.ostatni_mac := c.j ->> 'mac';
    END LOOP;
    PERFORM pomiary.zapisz_zdarzenia(st.id, z_seq, z_prev, z_linia, z_j);
    UPDATE pomiary.stanowiska SET ostatni_seq = st.ostatni_seq, ostatni_mac = st.ostatni_mac,
                                  identyfikator = st.identyfikator
     WHERE id = st.id;
    ostatni_seq := st.ostatni_seq;
    ostatni_mac := st.ostatni_mac;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT USAGE ON SCHEMA pomiary TO pomiary_stanowisko, pomiary_biuro;
GRANT SELECT ON pomiary.wersja_schematu TO pomiary_stanowisko;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT SELECT ON pomiary.wersja_schematu, pomiary.stanowiska, pomiary.zdarzenia, pomiary.odmowy TO pomiary_biuro;
)SQL";

}  // namespace central::sql
