#include "central/schema_sql.h"

namespace central::sql {

// 2: the current lines of every station's five tables, kept by replaying each
// event as it arrives (the journal's replay rule), the view of the current
// weighings, and the lines of the events stored before this version.
const char *const kCurrentWeighings = R"SQL(
-- A number as the tables write it ('.' or ',', a net in brackets); NULL when it is none.
CREATE FUNCTION pomiary.liczba(t text) RETURNS numeric
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    s text := t;
BEGIN
    IF s IS NULL OR s = '' THEN
        RETURN NULL;
    END IF;
    IF left(s, 1) IN ('(', '[') THEN
        s := substr(s, 2, greatest(length(s) - 2, 0));
    END IF;
    s := replace(btrim(s, E' \t'), ',', '.');
    IF length(s) <= 60 AND s ~ '^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$' THEN
        RETURN s::numeric;
    END IF;
    RETURN NULL;
END $$;

-- An integer "nr"; NULL when it is none or out of range.
CREATE FUNCTION pomiary.calkowita(t text) RETURNS integer
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    s text := btrim(t, E' \t');
BEGIN
    IF s ~ '^[+-]?[0-9]{1,10}$' AND s::bigint BETWEEN -2147483648 AND 2147483647 THEN
        RETURN s::integer;
    END IF;
    RETURN NULL;
END $$;

-- "yyyy-MM-dd hh:mm" (seconds allowed, blanks around it); NULL when it is
-- no such time. One expression, as above.
CREATE FUNCTION pomiary.czas_wiersza(t text) RETURNS timestamp
LANGUAGE sql STABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN btrim(t, E' \t\n\r\f\x0b') ~ '^\d{4}-(0[1-9]|1[0-2])-(0[1-9]|[12]\d|3[01]) ([01]\d|2[0-3]):[0-5]\d(:[0-5]\d)?$'
                     AND left(btrim(t, E' \t\n\r\f\x0b'), 4) <> '0000'
                THEN CASE WHEN pomiary.dzien_istnieje(left(btrim(t, E' \t\n\r\f\x0b'), 4),
                                                      substr(btrim(t, E' \t\n\r\f\x0b'), 6, 2),
                                                      substr(btrim(t, E' \t\n\r\f\x0b'), 9, 2))
                          THEN btrim(t, E' \t\n\r\f\x0b')::timestamp END END
$$;

-- The current lines of the five tables of every station, by position from 1.
CREATE TABLE pomiary.wiersze (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    tabela smallint NOT NULL,
    pozycja integer NOT NULL,
    linia text NOT NULL,
    seq bigint NOT NULL,  -- the event that wrote the line
    nr integer,
    czas timestamp,
    brutto numeric,
    netto numeric,
    tara numeric,
    cena numeric,
    wartosc numeric,
    zamowienie text,
    material text,
    opakowanie text,
    operator text,
    klient text,
    -- Checked at the end of each statement, so a removal can move the lines after it.
    CONSTRAINT wiersze_pozycja UNIQUE (stanowisko, tabela, pozycja) DEFERRABLE INITIALLY IMMEDIATE
);

-- The fields of a line, cut once whenever the line is written; the last
-- field keeps any further TABs.
CREATE FUNCTION pomiary.pola_wiersza() RETURNS trigger
LANGUAGE plpgsql AS $$
DECLARE
    f text[] := string_to_array(NEW.linia, E'\t');
BEGIN
    NEW.nr := pomiary.calkowita(f[1]);
    NEW.czas := pomiary.czas_wiersza(f[2]);
    NEW.brutto := pomiary.liczba(f[3]);
    NEW.netto := pomiary.liczba(f[4]);
    NEW.tara := pomiary.liczba(f[5]);
    NEW.cena := pomiary.liczba(f[6]);
    NEW.wartosc := pomiary.liczba(f[7]);
    NEW.zamowienie := coalesce(f[8], '');
    NEW.material := coalesce(f[9], '');
    NEW.opakowanie := coalesce(f[10], '');
    NEW.operator := coalesce(f[11], '');
    NEW.klient := coalesce(array_to_string(f[12:], E'\t'), '');
    RETURN NEW;
END $$;

CREATE TRIGGER wiersze_pola BEFORE INSERT OR UPDATE OF linia ON pomiary.wiersze
    FOR EACH ROW EXECUTE FUNCTION pomiary.pola_wiersza();

-- Each table's line count, and the first event after which it differed from
-- the count the station wrote ("n"), or that did not fit the lines.
CREATE TABLE pomiary.tabele (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    tabela smallint NOT NULL,
    liczba integer NOT NULL DEFAULT 0,
    niezgodna_od bigint,
    PRIMARY KEY (stanowisko, tabela)
);

-- A position member of an event: an integer from 1, else NULL.
CREATE FUNCTION pomiary.poz(v jsonb) RETURNS integer
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
BEGIN
    IF jsonb_typeof(v) = 'number' AND v::text ~ '^[0-9]{1,9}$' AND v::text::integer >= 1 THEN
        RETURN v::text::integer;
    END IF;
    RETURN NULL;
END $$;

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

-- The texts of a "lines" member from position p_od on; returns how many.
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

-- Applies one table event to the current lines of its table, which holds
-- p_n lines: their count after it, and whether the event fitted them.
CREATE FUNCTION pomiary.zastosuj(p_st integer, p_seq bigint, j jsonb, p_n integer, OUT n integer, OUT pasuje boolean)
LANGUAGE plpgsql AS $$
DECLARE
    v_tab smallint := (j ->> 'tab')::smallint;
    v_kind text := j ->> 'kind';
    v_at integer; v_od integer; v_drop integer; v_ile integer;
    v_usun integer[] := '{}';
    r jsonb;
BEGIN
    n := p_n;
    pasuje := true;
    IF v_kind = 'add' THEN
        IF jsonb_typeof(j -> 'line') = 'string' THEN
            INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
                VALUES (p_st, v_tab, n + 1, j ->> 'line', p_seq);
            n := n + 1;
        ELSE
            pasuje := false;
        END IF;
    ELSIF v_kind IN ('edit', 'update') THEN
        FOR r IN SELECT e FROM jsonb_array_elements(CASE WHEN jsonb_typeof(j -> 'rows') = 'array'
                                                         THEN j -> 'rows' ELSE '[]' END) e LOOP
            v_at := pomiary.poz(r -> 'at');
            IF v_at IS NULL OR v_at > n THEN
                pasuje := false;
            ELSIF r -> 'del' = 'true' THEN
                v_usun := array_append(v_usun, v_at);
            ELSIF jsonb_typeof(r -> 'line') = 'string' THEN
                UPDATE pomiary.wiersze SET linia = r ->> 'line', seq = p_seq
                 WHERE stanowisko = p_st AND tabela = v_tab AND pozycja = v_at;
            ELSE
                pasuje := false;
            END IF;
        END LOOP;
        IF cardinality(v_usun) > 0 THEN
            n := n - pomiary.usun_pozycje(p_st, v_tab, v_usun);
        END IF;
    ELSIF v_kind = 'delete' THEN
        v_at := pomiary.poz(j -> 'at');
        IF v_at IS NULL OR v_at > n THEN
            pasuje := false;
        ELSE
            n := n - pomiary.usun_pozycje(p_st, v_tab, ARRAY[v_at]);
        END IF;
    ELSIF v_kind = 'purge' AND jsonb_typeof(j -> 'removed') = 'array' THEN
        SELECT coalesce(array_agg(pomiary.poz(e)), '{}') INTO v_usun FROM jsonb_array_elements(j -> 'removed') e;
        IF array_position(v_usun, NULL) IS NOT NULL THEN
            pasuje := false;
            v_usun := array_remove(v_usun, NULL);
        END IF;
        n := n - pomiary.usun_pozycje(p_st, v_tab, v_usun);
    ELSIF v_kind IN ('series', 'purge', 'opening', 'archive_read', 'rewrite') THEN
        DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = v_tab;
        n := pomiary.wstaw_linie(p_st, v_tab, 1, j -> 'lines', p_seq);
    ELSIF v_kind = 'external' THEN
        v_od := pomiary.poz(j -> 'from');
        v_drop := CASE WHEN j -> 'drop' = '0' THEN 0 ELSE pomiary.poz(j -> 'drop') END;
        IF v_od IS NULL OR v_drop IS NULL OR v_od + v_drop - 1 > n THEN
            pasuje := false;
        ELSE
            DELETE FROM pomiary.wiersze
             WHERE stanowisko = p_st AND tabela = v_tab AND pozycja BETWEEN v_od AND v_od + v_drop - 1;
            v_ile := CASE WHEN jsonb_typeof(j -> 'lines') = 'array' THEN jsonb_array_length(j -> 'lines') ELSE 0 END;
            UPDATE pomiary.wiersze SET pozycja = pozycja + v_ile - v_drop
             WHERE stanowisko = p_st AND tabela = v_tab AND pozycja >= v_od + v_drop;
            n := n - v_drop + pomiary.wstaw_linie(p_st, v_tab, v_od, j -> 'lines', p_seq);
        END IF;
    ELSE
        pasuje := false;
    END IF;
    pasuje := pasuje AND j ->> 'n' IS NOT DISTINCT FROM n::text;
END $$;

-- The table of an event that changes one ("tab" 1..5 and a "sha"), else NULL.
CREATE FUNCTION pomiary.tabela_zdarzenia(j jsonb) RETURNS smallint
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
BEGIN
    IF j ->> 'tab' IN ('1', '2', '3', '4', '5') AND j ? 'sha' THEN
        RETURN (j ->> 'tab')::smallint;
    END IF;
    RETURN NULL;
END $$;

-- A table's lines replayed anew from its stored events, passing over every
-- event that a not_applied names; its count and first mismatch are stored.
CREATE FUNCTION pomiary.odtworz_tabele(p_st integer, p_tab smallint) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE
    z record;
    r record;
    v_n integer := 0;
    v_niezgodna bigint;
BEGIN
    DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = p_tab;
    FOR z IN SELECT e.seq, e.linia::jsonb AS j FROM pomiary.zdarzenia e
              WHERE e.stanowisko = p_st AND e.tabela = p_tab
                AND NOT EXISTS (SELECT 1 FROM pomiary.zdarzenia a
                                 WHERE a.stanowisko = p_st AND a.rodzaj = 'not_applied'
                                   AND a.linia::jsonb ->> 'ref' = e.seq::text)
              ORDER BY e.seq LOOP
        CONTINUE WHEN pomiary.tabela_zdarzenia(z.j) IS NULL;
        r := pomiary.zastosuj(p_st, z.seq, z.j, v_n);
        v_n := r.n;
        IF NOT r.pasuje AND v_niezgodna IS NULL THEN
            v_niezgodna := z.seq;
        END IF;
    END LOOP;
    INSERT INTO pomiary.tabele (stanowisko, tabela, liczba, niezgodna_od) VALUES (p_st, p_tab, v_n, v_niezgodna)
        ON CONFLICT (stanowisko, tabela) DO UPDATE SET liczba = EXCLUDED.liczba, niezgodna_od = EXCLUDED.niezgodna_od;
END $$;

-- As before, and each event stored is replayed into the current lines at
-- once. Runs of added weighings go in one statement; the line counts are
-- kept in the function and stored once.
CREATE OR REPLACE FUNCTION pomiary.dodaj_zdarzenia(p_nazwa text, p_seq bigint[], p_poprzedni text[], p_linie text[],
                                                   OUT ostatni_seq bigint, OUT ostatni_mac text,
                                                   OUT odmowa_seq bigint, OUT odmowa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
    e record; c record; r record; t record;
    v_tab smallint; v_ref bigint;
    v_n integer[] := '{0,0,0,0,0}';
    v_niezgodna bigint[] := '{NULL,NULL,NULL,NULL,NULL}';
    v_zmienione boolean[] := '{f,f,f,f,f}';
    z_seq bigint[] := '{}'; z_prev text[] := '{}'; z_linia text[] := '{}'; z_j jsonb[] := '{}';
    a_tab smallint[] := '{}'; a_poz integer[] := '{}'; a_linia text[] := '{}'; a_seq bigint[] := '{}';
BEGIN
    FOR t IN SELECT tabela, liczba, niezgodna_od FROM pomiary.tabele WHERE stanowisko = st.id FOR UPDATE LOOP
        v_n[t.tabela] := t.liczba;
        v_niezgodna[t.tabela] := t.niezgodna_od;
    END LOOP;
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
        v_tab := pomiary.tabela_zdarzenia(c.j);
        IF v_tab IS NOT NULL AND c.j ->> 'kind' = 'add' AND jsonb_typeof(c.j -> 'line') = 'string' THEN
            v_n[v_tab] := v_n[v_tab] + 1;
            v_zmienione[v_tab] := true;
            a_tab := array_append(a_tab, v_tab);
            a_poz := array_append(a_poz, v_n[v_tab]);
            a_linia := array_append(a_linia, c.j ->> 'line');
            a_seq := array_append(a_seq, e.seq);
            IF v_niezgodna[v_tab] IS NULL AND c.j ->> 'n' IS DISTINCT FROM v_n[v_tab]::text THEN
                v_niezgodna[v_tab] := e.seq;
            END IF;
            CONTINUE;
        END IF;
        -- Anything else sees the lines as they are by now.
        IF cardinality(a_seq) > 0 THEN
            INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
            SELECT st.id, u.t, u.p, u.l, u.s FROM unnest(a_tab, a_poz, a_linia, a_seq) AS u(t, p, l, s);
            a_tab := '{}'; a_poz := '{}'; a_linia := '{}'; a_seq := '{}';
        END IF;
        IF v_tab IS NOT NULL THEN
            r := pomiary.zastosuj(st.id, e.seq, c.j, v_n[v_tab]);
            v_n[v_tab] := r.n;
            v_zmienione[v_tab] := true;
            IF NOT r.pasuje AND v_niezgodna[v_tab] IS NULL THEN
                v_niezgodna[v_tab] := e.seq;
            END IF;
        ELSIF c.j ->> 'kind' = 'not_applied' AND jsonb_typeof(c.j -> 'ref') = 'number'
              AND c.j ->> 'ref' ~ '^[0-9]{1,18}$' THEN
            -- The event it names had no effect: its table is replayed without it.
            v_ref := (c.j ->> 'ref')::bigint;
            PERFORM pomiary.zapisz_zdarzenia(st.id, z_seq, z_prev, z_linia, z_j);
            z_seq := '{}'; z_prev := '{}'; z_linia := '{}'; z_j := '{}';
            SELECT tabela INTO v_tab FROM pomiary.zdarzenia WHERE stanowisko = st.id AND seq = v_ref;
            IF v_tab IS NOT NULL THEN
                PERFORM pomiary.odtworz_tabele(st.id, v_tab);
                SELECT * INTO t FROM pomiary.tabele WHERE stanowisko = st.id AND tabela = v_tab;
                v_n[v_tab] := t.liczba;
                v_niezgodna[v_tab] := t.niezgodna_od;
                v_zmienione[v_tab] := true;
            END IF;
        END IF;
    END LOOP;
    IF cardinality(a_seq) > 0 THEN
        INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
        SELECT st.id, u.t, u.p, u.l, u.s FROM unnest(a_tab, a_poz, a_linia, a_seq) AS u(t, p, l, s);
    END IF;
    PERFORM pomiary.zapisz_zdarzenia(st.id, z_seq, z_prev, z_linia, z_j);
    INSERT INTO pomiary.tabele (stanowisko, tabela, liczba, niezgodna_od)
    SELECT st.id, k::smallint, v_n[k], v_niezgodna[k] FROM generate_series(1, 5) k WHERE v_zmienione[k]
        ON CONFLICT (stanowisko, tabela) DO UPDATE SET liczba = EXCLUDED.liczba, niezgodna_od = EXCLUDED.niezgodna_od;
    UPDATE pomiary.stanowiska SET ostatni_seq = st.ostatni_seq, ostatni_mac = st.ostatni_mac,
                                  identyfikator = st.identyfikator
     WHERE id = st.id;
    ostatni_seq := st.ostatni_seq;
    ostatni_mac := st.ostatni_mac;
END $$;

CREATE VIEW pomiary.pomiary_biezace AS
SELECT s.nazwa AS stanowisko, w.tabela, w.nr, w.czas, w.brutto, w.netto, w.tara, w.cena, w.wartosc,
       w.zamowienie, w.material, w.opakowanie, w.operator, w.klient, w.pozycja
  FROM pomiary.wiersze w JOIN pomiary.stanowiska s ON s.id = w.stanowisko;

-- The events stored before this version, replayed.
DO $$
DECLARE
    t record;
BEGIN
    FOR t IN SELECT DISTINCT stanowisko, tabela FROM pomiary.zdarzenia WHERE tabela IS NOT NULL LOOP
        PERFORM pomiary.odtworz_tabele(t.stanowisko, t.tabela);
    END LOOP;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT SELECT ON pomiary.wiersze, pomiary.tabele, pomiary.pomiary_biezace TO pomiary_biuro;
GRANT EXECUTE ON FUNCTION pomiary.liczba(text), pomiary.calkowita(text), pomiary.czas_wiersza(text),
    pomiary.czas_zdarzenia(text) TO pomiary_biuro;
)SQL";

}  // namespace central::sql
