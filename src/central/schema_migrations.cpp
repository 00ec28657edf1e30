// The central database's schema, one migration per version. A migration is
// never changed once released: a later one alters what an earlier one made.

#include "central/schema.h"

namespace central {

namespace {

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

-- "2024-05-17T14:03:22+02:00" as a time; NULL for anything else.
CREATE FUNCTION pomiary.czas_zdarzenia(t text) RETURNS timestamptz
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    m text[] := regexp_match(t, '^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)([+-])(\d\d):(\d\d)$');
    y integer; mo integer; d integer; dni integer;
BEGIN
    IF m IS NULL THEN
        RETURN NULL;
    END IF;
    y := m[1]::integer; mo := m[2]::integer; d := m[3]::integer;
    -- Days of the month; in a variable, as plpgsql ends an IF's condition at its first THEN.
    dni := CASE WHEN mo = 2 THEN CASE WHEN (y % 4 = 0 AND y % 100 <> 0) OR y % 400 = 0 THEN 29 ELSE 28 END
                WHEN mo IN (4, 6, 9, 11) THEN 30 ELSE 31 END;
    IF y < 1 OR mo NOT BETWEEN 1 AND 12 OR d < 1 OR d > dni
       OR m[4]::integer > 23 OR m[5]::integer > 59 OR m[6]::integer > 59
       OR m[8]::integer > 15 OR m[9]::integer > 59 THEN
        RETURN NULL;
    END IF;
    RETURN (make_timestamp(y, mo, d, m[4]::integer, m[5]::integer, m[6]::integer)
            - (CASE WHEN m[7] = '-' THEN -1 ELSE 1 END) * make_interval(hours => m[8]::integer, mins => m[9]::integer))
           AT TIME ZONE 'UTC';
END $$;

-- Replaying the events into current rows; migration 2 gives it a body.
CREATE FUNCTION pomiary.po_zdarzeniu(p_stanowisko integer, p_seq bigint, j jsonb) RETURNS void
LANGUAGE plpgsql AS $$ BEGIN END $$;

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

-- Stores a batch of consecutive events of the caller's station. An event
-- already stored is passed over when it is the same; a different one, a gap,
-- or an event whose previous mac is not the last stored one is refused: the
-- events before it are kept, it and the rest are not.
CREATE FUNCTION pomiary.dodaj_zdarzenia(p_nazwa text, p_seq bigint[], p_poprzedni text[], p_linie text[],
                                        OUT ostatni_seq bigint, OUT ostatni_mac text,
                                        OUT odmowa_seq bigint, OUT odmowa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
    v_seq bigint; v_prev text; v_linia text; v_mac text; v_tab smallint;
    s_linia text; s_prev text;
    j jsonb;
BEGIN
    FOR i IN 1 .. coalesce(array_length(p_linie, 1), 0) LOOP
        v_seq := p_seq[i]; v_prev := p_poprzedni[i]; v_linia := p_linie[i];
        IF v_seq IS NULL OR v_prev IS NULL OR v_linia IS NULL THEN
            odmowa := 'Niepełne zdarzenie';
        ELSIF v_seq <= st.ostatni_seq THEN
            SELECT z.linia, z.poprzedni_mac INTO s_linia, s_prev
              FROM pomiary.zdarzenia z WHERE z.stanowisko = st.id AND z.seq = v_seq;
            IF s_linia IS DISTINCT FROM v_linia OR s_prev IS DISTINCT FROM v_prev THEN
                odmowa := format('Zdarzenie %s różni się od zapisanego w bazie', v_seq);
            ELSE
                CONTINUE;
            END IF;
        ELSIF v_seq <> st.ostatni_seq + 1 THEN
            odmowa := format('Oczekiwano zdarzenia %s, a przyszło %s', st.ostatni_seq + 1, v_seq);
        ELSIF v_prev <> st.ostatni_mac THEN
            odmowa := format('Zdarzenie %s nie następuje po ostatnim zapisanym (inny poprzedni podpis)', v_seq);
        ELSE
            BEGIN
                j := v_linia::jsonb;
            EXCEPTION WHEN others THEN
                j := NULL;
            END;
            v_mac := j ->> 'mac';
            IF j IS NULL OR jsonb_typeof(j) <> 'object' THEN
                odmowa := format('Zdarzenie %s nie jest obiektem JSON', v_seq);
            ELSIF jsonb_typeof(j -> 'seq') IS DISTINCT FROM 'number' OR j ->> 'seq' <> v_seq::text THEN
                odmowa := format('Zdarzenie %s nosi inny numer (%s)', v_seq, coalesce(j ->> 'seq', 'brak'));
            ELSIF jsonb_typeof(j -> 'kind') IS DISTINCT FROM 'string' THEN
                odmowa := format('Zdarzenie %s nie ma rodzaju', v_seq);
            ELSIF v_mac IS NULL OR v_mac !~ '^[0-9a-f]{64}$' THEN
                odmowa := format('Zdarzenie %s nie ma podpisu', v_seq);
            END IF;
        END IF;
        IF odmowa IS NOT NULL THEN
            odmowa_seq := v_seq;
            INSERT INTO pomiary.odmowy AS o (stanowisko, seq, powod, linia)
                VALUES (st.id, coalesce(v_seq, -1), odmowa, v_linia)
                ON CONFLICT (stanowisko, seq) DO UPDATE
                SET powod = EXCLUDED.powod, linia = EXCLUDED.linia, ostatnia = now(), ile = o.ile + 1;
            EXIT;
        END IF;
        v_tab := CASE WHEN j ->> 'tab' IN ('1', '2', '3', '4', '5') THEN (j ->> 'tab')::smallint END;
        INSERT INTO pomiary.zdarzenia (stanowisko, seq, poprzedni_mac, mac, rodzaj, tabela, czas, operator, linia)
            VALUES (st.id, v_seq, v_prev, v_mac, j ->> 'kind', v_tab, pomiary.czas_zdarzenia(j ->> 't'),
                    j ->> 'op', v_linia);
        IF v_seq = 0 THEN
            st.identyfikator := j ->> 'station';
        END IF;
        PERFORM pomiary.po_zdarzeniu(st.id, v_seq, j);
        st.ostatni_seq := v_seq;
        st.ostatni_mac := v_mac;
    END LOOP;
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

// 2: the current lines of every station's five tables, kept by replaying each
// event as it arrives (the journal's replay rule), the view of the current
// weighings, and the lines of the events stored before this version.
const char *const kCurrentWeighings = R"SQL(
-- Field k (0..11) of a table line; the last keeps any further TABs.
CREATE FUNCTION pomiary.pole(linia text, k integer) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN k < 11 THEN split_part(linia, E'\t', k + 1)
                ELSE coalesce(array_to_string((string_to_array(linia, E'\t'))[12:], E'\t'), '') END
$$;

-- A number as the tables write it ('.' or ',', a net in brackets); NULL when it is none.
CREATE FUNCTION pomiary.liczba(t text) RETURNS numeric
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN length(s) <= 60 AND s ~ '^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$' THEN s::numeric END
      FROM (SELECT replace(btrim(CASE WHEN t ~ '^[(\[]' THEN substr(t, 2, greatest(length(t) - 2, 0)) ELSE t END, E' \t'),
                           ',', '.') AS s) x
$$;

-- An integer "nr"; NULL when it is none or out of range.
CREATE FUNCTION pomiary.calkowita(t text) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN s ~ '^[+-]?[0-9]{1,10}$' AND s::bigint BETWEEN -2147483648 AND 2147483647
                THEN s::integer END
      FROM (SELECT btrim(t, E' \t') AS s) x
$$;

-- "yyyy-MM-dd hh:mm" (seconds allowed); NULL when it is no such time.
CREATE FUNCTION pomiary.czas_wiersza(t text) RETURNS timestamp
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    m text[] := regexp_match(t, '^\s*(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d)(?::(\d\d))?\s*$');
    y integer; mo integer; d integer; dni integer;
BEGIN
    IF m IS NULL THEN
        RETURN NULL;
    END IF;
    y := m[1]::integer; mo := m[2]::integer; d := m[3]::integer;
    -- Days of the month; in a variable, as plpgsql ends an IF's condition at its first THEN.
    dni := CASE WHEN mo = 2 THEN CASE WHEN (y % 4 = 0 AND y % 100 <> 0) OR y % 400 = 0 THEN 29 ELSE 28 END
                WHEN mo IN (4, 6, 9, 11) THEN 30 ELSE 31 END;
    IF y < 1 OR mo NOT BETWEEN 1 AND 12 OR d < 1 OR d > dni
       OR m[4]::integer > 23 OR m[5]::integer > 59 OR coalesce(m[6], '0')::integer > 59 THEN
        RETURN NULL;
    END IF;
    RETURN make_timestamp(y, mo, d, m[4]::integer, m[5]::integer, coalesce(m[6], '0')::integer);
END $$;

CREATE TABLE pomiary.wiersze (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    tabela smallint NOT NULL,
    pozycja integer NOT NULL,
    linia text NOT NULL,
    seq bigint NOT NULL,
    nr integer GENERATED ALWAYS AS (pomiary.calkowita(pomiary.pole(linia, 0))) STORED,
    czas timestamp GENERATED ALWAYS AS (pomiary.czas_wiersza(pomiary.pole(linia, 1))) STORED,
    brutto numeric GENERATED ALWAYS AS (pomiary.liczba(pomiary.pole(linia, 2))) STORED,
    netto numeric GENERATED ALWAYS AS (pomiary.liczba(pomiary.pole(linia, 3))) STORED,
    tara numeric GENERATED ALWAYS AS (pomiary.liczba(pomiary.pole(linia, 4))) STORED,
    cena numeric GENERATED ALWAYS AS (pomiary.liczba(pomiary.pole(linia, 5))) STORED,
    wartosc numeric GENERATED ALWAYS AS (pomiary.liczba(pomiary.pole(linia, 6))) STORED,
    zamowienie text GENERATED ALWAYS AS (pomiary.pole(linia, 7)) STORED,
    material text GENERATED ALWAYS AS (pomiary.pole(linia, 8)) STORED,
    opakowanie text GENERATED ALWAYS AS (pomiary.pole(linia, 9)) STORED,
    operator text GENERATED ALWAYS AS (pomiary.pole(linia, 10)) STORED,
    klient text GENERATED ALWAYS AS (pomiary.pole(linia, 11)) STORED,
    -- Checked at the end of each statement, so a removal can move the lines after it.
    CONSTRAINT wiersze_pozycja UNIQUE (stanowisko, tabela, pozycja) DEFERRABLE INITIALLY IMMEDIATE
);

-- Each table's line count, and the first event after which it differed from
-- the count the station wrote ("n"), or that did not fit the lines.
CREATE TABLE pomiary.tabele (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    tabela smallint NOT NULL,
    liczba integer NOT NULL DEFAULT 0,
    niezgodna_od bigint,
    PRIMARY KEY (stanowisko, tabela)
);

-- Removes the given positions of a table and closes the gaps; returns how many went.
CREATE FUNCTION pomiary.usun_pozycje(p_st integer, p_tab smallint, p_poz integer[]) RETURNS integer
LANGUAGE plpgsql AS $$
DECLARE
    n integer;
    usuniete integer[];
BEGIN
    DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = p_tab AND pozycja = ANY (p_poz);
    GET DIAGNOSTICS n = ROW_COUNT;
    IF n > 0 THEN
        SELECT array_agg(DISTINCT x ORDER BY x) INTO usuniete FROM unnest(p_poz) x;
        UPDATE pomiary.wiersze w
           SET pozycja = w.pozycja - (SELECT count(*) FROM unnest(usuniete) d WHERE d < w.pozycja)
         WHERE w.stanowisko = p_st AND w.tabela = p_tab AND w.pozycja > usuniete[1];
    END IF;
    RETURN n;
END $$;

CREATE FUNCTION pomiary.wstaw_linie(p_st integer, p_tab smallint, p_od integer, p_linie jsonb, p_seq bigint)
RETURNS integer LANGUAGE plpgsql AS $$
DECLARE
    n integer;
BEGIN
    INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
    SELECT p_st, p_tab, p_od + (e.i - 1)::integer, coalesce(e.l, ''), p_seq
      FROM jsonb_array_elements_text(CASE WHEN jsonb_typeof(p_linie) = 'array' THEN p_linie ELSE '[]' END)
           WITH ORDINALITY AS e(l, i);
    GET DIAGNOSTICS n = ROW_COUNT;
    RETURN n;
END $$;

-- A position member of an event: an integer from 1, else NULL.
CREATE FUNCTION pomiary.poz(v jsonb) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN jsonb_typeof(v) = 'number' AND v::text ~ '^[0-9]{1,9}$' AND v::text::integer >= 1
                THEN v::text::integer END
$$;

-- Applies one table event to the current lines of its table.
CREATE FUNCTION pomiary.zastosuj(p_st integer, p_seq bigint, j jsonb) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE
    v_tab smallint := CASE WHEN j ->> 'tab' IN ('1', '2', '3', '4', '5') THEN (j ->> 'tab')::smallint END;
    v_kind text := j ->> 'kind';
    v_n integer;
    v_pasuje boolean := true;
    v_at integer; v_od integer; v_drop integer; v_ile integer;
    v_usun integer[] := '{}';
    r jsonb;
BEGIN
    IF v_tab IS NULL OR NOT j ? 'sha' THEN
        RETURN;
    END IF;
    SELECT liczba INTO v_n FROM pomiary.tabele WHERE stanowisko = p_st AND tabela = v_tab FOR UPDATE;
    IF NOT FOUND THEN
        INSERT INTO pomiary.tabele (stanowisko, tabela) VALUES (p_st, v_tab);
        v_n := 0;
    END IF;
    IF v_kind = 'add' THEN
        IF jsonb_typeof(j -> 'line') = 'string' THEN
            INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
                VALUES (p_st, v_tab, v_n + 1, j ->> 'line', p_seq);
            v_n := v_n + 1;
        ELSE
            v_pasuje := false;
        END IF;
    ELSIF v_kind IN ('edit', 'update') THEN
        FOR r IN SELECT e FROM jsonb_array_elements(CASE WHEN jsonb_typeof(j -> 'rows') = 'array'
                                                         THEN j -> 'rows' ELSE '[]' END) e LOOP
            v_at := pomiary.poz(r -> 'at');
            IF v_at IS NULL OR v_at > v_n THEN
                v_pasuje := false;
            ELSIF r -> 'del' = 'true' THEN
                v_usun := v_usun || v_at;
            ELSIF jsonb_typeof(r -> 'line') = 'string' THEN
                UPDATE pomiary.wiersze SET linia = r ->> 'line', seq = p_seq
                 WHERE stanowisko = p_st AND tabela = v_tab AND pozycja = v_at;
            ELSE
                v_pasuje := false;
            END IF;
        END LOOP;
        IF cardinality(v_usun) > 0 THEN
            v_n := v_n - pomiary.usun_pozycje(p_st, v_tab, v_usun);
        END IF;
    ELSIF v_kind = 'delete' THEN
        v_at := pomiary.poz(j -> 'at');
        IF v_at IS NULL OR v_at > v_n THEN
            v_pasuje := false;
        ELSE
            v_n := v_n - pomiary.usun_pozycje(p_st, v_tab, ARRAY[v_at]);
        END IF;
    ELSIF v_kind = 'purge' AND jsonb_typeof(j -> 'removed') = 'array' THEN
        SELECT coalesce(array_agg(pomiary.poz(e)), '{}') INTO v_usun FROM jsonb_array_elements(j -> 'removed') e;
        IF array_position(v_usun, NULL) IS NOT NULL THEN
            v_pasuje := false;
            v_usun := array_remove(v_usun, NULL);
        END IF;
        v_n := v_n - pomiary.usun_pozycje(p_st, v_tab, v_usun);
    ELSIF v_kind IN ('series', 'purge', 'opening', 'archive_read', 'rewrite') THEN
        DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = v_tab;
        v_n := pomiary.wstaw_linie(p_st, v_tab, 1, j -> 'lines', p_seq);
    ELSIF v_kind = 'external' THEN
        v_od := pomiary.poz(j -> 'from');
        v_drop := CASE WHEN j -> 'drop' = '0' THEN 0 ELSE pomiary.poz(j -> 'drop') END;
        IF v_od IS NULL OR v_drop IS NULL OR v_od + v_drop - 1 > v_n THEN
            v_pasuje := false;
        ELSE
            DELETE FROM pomiary.wiersze
             WHERE stanowisko = p_st AND tabela = v_tab AND pozycja BETWEEN v_od AND v_od + v_drop - 1;
            v_ile := CASE WHEN jsonb_typeof(j -> 'lines') = 'array' THEN jsonb_array_length(j -> 'lines') ELSE 0 END;
            UPDATE pomiary.wiersze SET pozycja = pozycja + v_ile - v_drop
             WHERE stanowisko = p_st AND tabela = v_tab AND pozycja >= v_od + v_drop;
            v_n := v_n - v_drop + pomiary.wstaw_linie(p_st, v_tab, v_od, j -> 'lines', p_seq);
        END IF;
    ELSE
        v_pasuje := false;
    END IF;
    UPDATE pomiary.tabele
       SET liczba = v_n,
           niezgodna_od = coalesce(niezgodna_od,
                                   CASE WHEN NOT v_pasuje OR j ->> 'n' IS DISTINCT FROM v_n::text THEN p_seq END)
     WHERE stanowisko = p_st AND tabela = v_tab;
END $$;

-- A table's lines replayed anew from its stored events, passing over every
-- event that a not_applied names.
CREATE FUNCTION pomiary.odtworz_tabele(p_st integer, p_tab smallint) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE
    z record;
BEGIN
    DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = p_tab;
    UPDATE pomiary.tabele SET liczba = 0, niezgodna_od = NULL WHERE stanowisko = p_st AND tabela = p_tab;
    FOR z IN SELECT e.seq, e.linia::jsonb AS j FROM pomiary.zdarzenia e
              WHERE e.stanowisko = p_st AND e.tabela = p_tab
                AND NOT EXISTS (SELECT 1 FROM pomiary.zdarzenia n
                                 WHERE n.stanowisko = p_st AND n.rodzaj = 'not_applied'
                                   AND n.linia::jsonb ->> 'ref' = e.seq::text)
              ORDER BY e.seq LOOP
        PERFORM pomiary.zastosuj(p_st, z.seq, z.j);
    END LOOP;
END $$;

CREATE OR REPLACE FUNCTION pomiary.po_zdarzeniu(p_stanowisko integer, p_seq bigint, j jsonb) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE
    v_tab smallint;
BEGIN
    IF j ->> 'kind' = 'not_applied' THEN
        IF jsonb_typeof(j -> 'ref') = 'number' AND j ->> 'ref' ~ '^[0-9]{1,18}$' THEN
            SELECT tabela INTO v_tab FROM pomiary.zdarzenia
             WHERE stanowisko = p_stanowisko AND seq = (j ->> 'ref')::bigint;
        END IF;
        IF v_tab IS NOT NULL THEN
            PERFORM pomiary.odtworz_tabele(p_stanowisko, v_tab);
        END IF;
    ELSE
        PERFORM pomiary.zastosuj(p_stanowisko, p_seq, j);
    END IF;
END $$;

CREATE VIEW pomiary.pomiary_biezace AS
SELECT s.nazwa AS stanowisko, w.tabela, w.nr, w.czas, w.brutto, w.netto, w.tara, w.cena, w.wartosc,
       w.zamowienie, w.material, w.opakowanie, w.operator, w.klient, w.pozycja
  FROM pomiary.wiersze w JOIN pomiary.stanowiska s ON s.id = w.stanowisko;

DO $$
DECLARE
    t record;
BEGIN
    FOR t IN SELECT DISTINCT stanowisko, tabela FROM pomiary.zdarzenia WHERE tabela IS NOT NULL LOOP
        INSERT INTO pomiary.tabele (stanowisko, tabela) VALUES (t.stanowisko, t.tabela) ON CONFLICT DO NOTHING;
        PERFORM pomiary.odtworz_tabele(t.stanowisko, t.tabela);
    END LOOP;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT SELECT ON pomiary.wiersze, pomiary.tabele, pomiary.pomiary_biezace TO pomiary_biuro;
GRANT EXECUTE ON FUNCTION pomiary.pole(text, integer), pomiary.liczba(text), pomiary.calkowita(text),
    pomiary.czas_wiersza(text), pomiary.czas_zdarzenia(text) TO pomiary_biuro;
)SQL";

}  // namespace

const std::vector<Migration> &SchemaMigrations()
{
    static const std::vector<Migration> list = {
        {1, QStringLiteral("zdarzenia stanowisk"), kEventsAsSent},
        {2, QStringLiteral("bieżące pomiary"), kCurrentWeighings},
    };
    return list;
}

}  // namespace central
