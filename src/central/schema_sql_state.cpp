#include "central/schema_sql.h"

namespace central::sql {

// 5: a table event is refused unless its "n" and "sha" follow from the lines
// the server holds: "n" of every event, "sha" (SHA-256 of the file's cp1250
// bytes with their line ends, which the lines now keep) of the last event of
// each table in a call. A station's login alone could otherwise store lines
// its files never held; the key stays the station's, so that is the most the
// server can check.
const char *const kTableState = R"SQL(
-- A line's end in the file: CR LF but for lines brought from outside
-- ("eol" of opening and external), where '' is a last line without one.
ALTER TABLE pomiary.wiersze ADD COLUMN eol text NOT NULL DEFAULT E'\r\n';
CREATE INDEX wiersze_bez_konca ON pomiary.wiersze (stanowisko, tabela) WHERE eol = '';
ALTER TABLE pomiary.cofniecie_wiersze ADD COLUMN eol text NOT NULL DEFAULT E'\r\n';

-- A line's bytes in the table file (cp1250): the five bytes cp1250 leaves
-- unassigned stand as U+0081.., a NUL as U+2400. An error for a character
-- cp1250 lacks (no station writes one).
CREATE FUNCTION pomiary.bajty(t text) RETURNS bytea
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN t ~ '[\u0081\u0083\u0088\u0090\u0098\u2400]'
                THEN (SELECT string_agg(CASE WHEN x.c = chr(9216) THEN '\x00'::bytea
                                             WHEN x.c IN (chr(129), chr(131), chr(136), chr(144), chr(152))
                                             THEN decode(to_hex(ascii(x.c)), 'hex')
                                             ELSE convert_to(x.c, 'WIN1250') END, ''::bytea ORDER BY x.i)
                        FROM regexp_split_to_table(t, '') WITH ORDINALITY x(c, i))
                ELSE convert_to(t, 'WIN1250') END
$$;

-- SHA-256 of a table file as the server holds it, hex; NULL when a line has
-- a character the file could not hold.
CREATE FUNCTION pomiary.sha_tabeli(p_st integer, p_tab smallint) RETURNS text
LANGUAGE plpgsql STABLE AS $$
BEGIN
    -- Lines of cp1250's assigned characters alone convert at once.
    BEGIN
        RETURN (SELECT encode(sha256(coalesce(string_agg(convert_to(w.linia || w.eol, 'WIN1250'), ''::bytea
                                                         ORDER BY w.pozycja), ''::bytea)), 'hex')
                  FROM pomiary.wiersze w WHERE w.stanowisko = p_st AND w.tabela = p_tab);
    EXCEPTION WHEN untranslatable_character OR character_not_in_repertoire THEN
        NULL;
    END;
    RETURN (SELECT encode(sha256(coalesce(string_agg(pomiary.bajty(w.linia) || convert_to(w.eol, 'WIN1250'), ''::bytea
                                                     ORDER BY w.pozycja), ''::bytea)), 'hex')
              FROM pomiary.wiersze w WHERE w.stanowisko = p_st AND w.tabela = p_tab);
EXCEPTION WHEN untranslatable_character OR character_not_in_repertoire THEN
    RETURN NULL;
END $$;

-- zastosuj, and the line ends as the station's files get them: lines from
-- an event's "lines" take its "eol"; any other change ends a last line that
-- lacked its end.
CREATE FUNCTION pomiary.zastosuj_konce(p_st integer, p_seq bigint, j jsonb, p_n integer,
                                       OUT n integer, OUT pasuje boolean)
LANGUAGE plpgsql AS $$
DECLARE
    r record;
    v_tab smallint := (j ->> 'tab')::smallint;
    v_od integer;
BEGIN
    r := pomiary.zastosuj(p_st, p_seq, j, p_n);
    n := r.n;
    pasuje := r.pasuje;
    IF jsonb_typeof(j -> 'lines') = 'array' AND (j ->> 'kind' IN ('series', 'opening', 'archive_read', 'rewrite', 'external')
                                                 OR (j ->> 'kind' = 'purge' AND jsonb_typeof(j -> 'removed') IS DISTINCT FROM 'array')) THEN
        IF jsonb_typeof(j -> 'eol') = 'object' AND pasuje IS NOT FALSE THEN
            v_od := CASE WHEN j ->> 'kind' = 'external' THEN pomiary.poz(j -> 'from') ELSE 1 END;
            UPDATE pomiary.wiersze w
               SET eol = CASE e.value WHEN E'\n' THEN E'\n' WHEN E'\r' THEN E'\r' WHEN '' THEN '' ELSE E'\r\n' END
              FROM jsonb_each_text(j -> 'eol') e
             WHERE e.key ~ '^[0-9]{1,9}$' AND e.key::integer BETWEEN 1 AND jsonb_array_length(j -> 'lines')
               AND w.stanowisko = p_st AND w.tabela = v_tab AND w.pozycja = v_od + e.key::integer - 1;
        END IF;
    ELSE
        UPDATE pomiary.wiersze SET eol = E'\r\n' WHERE stanowisko = p_st AND tabela = v_tab AND eol = '';
    END IF;
END $$;

CREATE OR REPLACE FUNCTION pomiary.zapamietaj(p_st integer, p_tab smallint, p_seq bigint, j jsonb, p_n integer,
                                              OUT nowe integer[], OUT calosc boolean, OUT mozna boolean)
LANGUAGE plpgsql AS $$
DECLARE
    v_kind text := j ->> 'kind';
    v_stare integer[] := '{}';
    v_od integer; v_drop integer; v_ile integer;
BEGIN
    nowe := '{}';
    calosc := false;
    mozna := true;
    IF v_kind IN ('edit', 'update') THEN
        WITH r AS (SELECT pomiary.poz(e -> 'at') AS p, coalesce(e -> 'del' = 'true', false) AS del
                     FROM jsonb_array_elements(CASE WHEN jsonb_typeof(j -> 'rows') = 'array'
                                                    THEN j -> 'rows' ELSE '[]' END) e),
             s AS (SELECT p, del, count(*) FILTER (WHERE del) OVER (ORDER BY p) AS dels FROM r)
        SELECT coalesce(array_agg(p ORDER BY p), '{}'),
               coalesce(array_agg(p - dels::integer ORDER BY p) FILTER (WHERE NOT del), '{}'),
               coalesce(bool_and(p IS NOT NULL AND p <= p_n), true) AND count(DISTINCT p) = count(*)
          INTO v_stare, nowe, mozna FROM s;
    ELSIF v_kind = 'delete' THEN
        v_od := pomiary.poz(j -> 'at');
        mozna := v_od IS NOT NULL AND v_od <= p_n;
        v_stare := ARRAY[v_od];
    ELSIF v_kind = 'purge' AND jsonb_typeof(j -> 'removed') = 'array' THEN
        SELECT coalesce(array_agg(DISTINCT pomiary.poz(e)) FILTER (WHERE pomiary.poz(e) <= p_n), '{}')
          INTO v_stare FROM jsonb_array_elements(j -> 'removed') e;
    ELSIF v_kind IN ('series', 'purge', 'opening', 'archive_read', 'rewrite') THEN
        calosc := true;
    ELSIF v_kind = 'external' THEN
        v_od := pomiary.poz(j -> 'from');
        v_drop := CASE WHEN j -> 'drop' = '0' THEN 0 ELSE pomiary.poz(j -> 'drop') END;
        v_ile := CASE WHEN jsonb_typeof(j -> 'lines') = 'array' THEN jsonb_array_length(j -> 'lines') ELSE 0 END;
        mozna := v_od IS NOT NULL AND v_drop IS NOT NULL AND v_od + v_drop - 1 <= p_n;
        IF mozna THEN
            v_stare := ARRAY(SELECT generate_series(v_od, v_od + v_drop - 1));
            nowe := ARRAY(SELECT generate_series(v_od, v_od + v_ile - 1));
        END IF;
    ELSE
        mozna := false;
    END IF;
    IF NOT mozna THEN
        RETURN;
    END IF;
    DELETE FROM pomiary.cofniecie_wiersze WHERE stanowisko = p_st;
    -- Two statements, so that a few positions are found by the index.
    IF calosc THEN
        INSERT INTO pomiary.cofniecie_wiersze (stanowisko, seq, pozycja, linia, linia_seq, eol)
        SELECT p_st, p_seq, w.pozycja, w.linia, w.seq, w.eol FROM pomiary.wiersze w
         WHERE w.stanowisko = p_st AND w.tabela = p_tab;
    ELSE
        INSERT INTO pomiary.cofniecie_wiersze (stanowisko, seq, pozycja, linia, linia_seq, eol)
        SELECT p_st, p_seq, w.pozycja, w.linia, w.seq, w.eol FROM pomiary.wiersze w
         WHERE w.stanowisko = p_st AND w.tabela = p_tab AND w.pozycja = ANY (v_stare);
    END IF;
END $$;

CREATE OR REPLACE FUNCTION pomiary.cofnij(p_st integer, p_tab smallint, p_seq bigint, p_nowe integer[], p_calosc boolean)
RETURNS void LANGUAGE plpgsql AS $$
DECLARE
    v_stare integer[];
BEGIN
    IF p_calosc THEN
        DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = p_tab;
    ELSIF cardinality(p_nowe) > 0 THEN
        PERFORM pomiary.usun_pozycje(p_st, p_tab, p_nowe);
    END IF;
    SELECT array_agg(pozycja ORDER BY pozycja) INTO v_stare
      FROM pomiary.cofniecie_wiersze WHERE stanowisko = p_st AND seq = p_seq;
    IF v_stare IS NOT NULL THEN
        UPDATE pomiary.wiersze w SET pozycja = w.pozycja + g.k
          FROM (SELECT a.k, a.p - a.k AS od, lead(a.p - a.k, 1, 2147483647) OVER (ORDER BY a.k) AS do
                  FROM unnest(v_stare) WITH ORDINALITY a(p, k)) g
         WHERE w.stanowisko = p_st AND w.tabela = p_tab AND w.pozycja > g.od AND w.pozycja <= g.do;
        INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq, eol)
        SELECT p_st, p_tab, c.pozycja, c.linia, c.linia_seq, c.eol
          FROM pomiary.cofniecie_wiersze c WHERE c.stanowisko = p_st AND c.seq = p_seq;
    END IF;
    DELETE FROM pomiary.cofniecie_wiersze WHERE stanowisko = p_st;
END $$;

CREATE OR REPLACE FUNCTION pomiary.odtworz_tabele(p_st integer, p_tab smallint) RETURNS void
LANGUAGE plpgsql AS $$
DECLARE
    z record;
    r record;
    v_n integer := 0;
    v_niezgodna bigint;
    v_pomin bigint[];
BEGIN
    SELECT coalesce(array_agg((j ->> 'ref')::bigint) FILTER (WHERE j ->> 'ref' ~ '^[0-9]{1,18}$'), '{}')
      INTO v_pomin
      FROM (SELECT pomiary.jako_jsonb(a.linia) AS j FROM pomiary.zdarzenia a
             WHERE a.stanowisko = p_st AND a.rodzaj = 'not_applied') n;
    DELETE FROM pomiary.wiersze WHERE stanowisko = p_st AND tabela = p_tab;
    FOR z IN SELECT e.seq, pomiary.jako_jsonb(e.linia) AS j FROM pomiary.zdarzenia e
              WHERE e.stanowisko = p_st AND e.tabela = p_tab AND e.seq <> ALL (v_pomin)
              ORDER BY e.seq LOOP
        CONTINUE WHEN pomiary.tabela_zdarzenia(z.j) IS NULL;
        r := pomiary.zastosuj_konce(p_st, z.seq, z.j, v_n);
        v_n := r.n;
        IF NOT r.pasuje AND v_niezgodna IS NULL THEN
            v_niezgodna := z.seq;
        END IF;
    END LOOP;
    INSERT INTO pomiary.tabele (stanowisko, tabela, liczba, niezgodna_od) VALUES (p_st, p_tab, v_n, v_niezgodna)
        ON CONFLICT (stanowisko, tabela) DO UPDATE SET liczba = EXCLUDED.liczba, niezgodna_od = EXCLUDED.niezgodna_od;
END $$;

-- Events are checked first (chain, JSON, members), then applied in order. A
-- table event whose "n" does not follow, or the last event of a table in
-- the call whose "sha" does not, is refused with its change undone; the
-- events before it are kept.
CREATE OR REPLACE FUNCTION pomiary.dodaj_zdarzenia(p_nazwa text, p_seq bigint[], p_poprzedni text[], p_linie text[],
                                                   OUT ostatni_seq bigint, OUT ostatni_mac text,
                                                   OUT odmowa_seq bigint, OUT odmowa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
    e record; c record; r record; t record;
    z_nowe integer[]; z_calosc boolean; z_mozna boolean;
    cf pomiary.cofniecie;
    cf_zmienione boolean := false;
    k integer := 0; i integer; m integer;
    x_seq bigint[] := '{}'; x_prev text[] := '{}'; x_linia text[] := '{}'; x_j jsonb[] := '{}';
    v_ostatnie integer[] := '{0,0,0,0,0}';  -- the index of each table's last event in the call
    v_brak boolean[] := '{f,f,f,f,f}';      -- the table's last line lacks its end
    v_j jsonb; v_tab smallint; v_ref bigint; v_sha text; v_niepasuje text;
    v_n integer[] := '{0,0,0,0,0}';
    v_niezgodna bigint[] := '{NULL,NULL,NULL,NULL,NULL}';
    v_zmienione boolean[] := '{f,f,f,f,f}';
    a_tab smallint[] := '{}'; a_poz integer[] := '{}'; a_linia text[] := '{}'; a_seq bigint[] := '{}';
BEGIN
    FOR e IN SELECT * FROM unnest(p_seq, p_poprzedni, p_linie) AS u(seq, prev, linia) LOOP
        c := pomiary.sprawdz_zdarzenie(st.id, st.ostatni_seq, st.ostatni_mac, e.seq, e.prev, e.linia);
        CONTINUE WHEN c.pomin;
        IF c.odmowa IS NOT NULL THEN
            odmowa_seq := e.seq;
            odmowa := c.odmowa;
            EXIT;
        END IF;
        k := k + 1;
        x_seq[k] := e.seq; x_prev[k] := e.prev; x_linia[k] := e.linia; x_j[k] := c.j;
        IF e.seq = 0 THEN
            st.identyfikator := c.j ->> 'station';
        END IF;
        st.ostatni_seq := e.seq;
        st.ostatni_mac := c.j ->> 'mac';
        v_tab := pomiary.tabela_zdarzenia(c.j);
        IF v_tab IS NOT NULL THEN
            v_ostatnie[v_tab] := k;
        END IF;
    END LOOP;

    FOR t IN SELECT tabela, liczba, niezgodna_od FROM pomiary.tabele WHERE stanowisko = st.id FOR UPDATE LOOP
        v_n[t.tabela] := t.liczba;
        v_niezgodna[t.tabela] := t.niezgodna_od;
    END LOOP;
    FOR t IN SELECT DISTINCT tabela FROM pomiary.wiersze WHERE stanowisko = st.id AND eol = '' LOOP
        v_brak[t.tabela] := true;
    END LOOP;
    SELECT * INTO cf FROM pomiary.cofniecie WHERE stanowisko = st.id;
    m := k;  -- events kept
    i := 0;
    WHILE i < k LOOP
        i := i + 1;
        v_j := x_j[i];
        v_tab := pomiary.tabela_zdarzenia(v_j);
        v_niepasuje := NULL;
        IF v_tab IS NOT NULL AND v_j ->> 'kind' = 'add' AND jsonb_typeof(v_j -> 'line') = 'string'
           AND i <> v_ostatnie[v_tab] THEN
            IF v_j ->> 'n' IS DISTINCT FROM (v_n[v_tab] + 1)::text THEN
                v_niepasuje := 'liczba linii';
            ELSE
                cf := ROW(st.id, x_seq[i], v_tab, v_n[v_tab], v_niezgodna[v_tab], ARRAY[v_n[v_tab] + 1], false);
                IF v_brak[v_tab] THEN
                    cf.seq := NULL;  -- the end it gives the line before is not kept for an undo
                    v_brak[v_tab] := false;
                END IF;
                cf_zmienione := true;
                v_n[v_tab] := v_n[v_tab] + 1;
                v_zmienione[v_tab] := true;
                a_tab := array_append(a_tab, v_tab);
                a_poz := array_append(a_poz, v_n[v_tab]);
                a_linia := array_append(a_linia, v_j ->> 'line');
                a_seq := array_append(a_seq, x_seq[i]);
                CONTINUE;
            END IF;
        END IF;
        -- Anything else sees the lines as they are by now.
        IF cardinality(a_seq) > 0 THEN
            UPDATE pomiary.wiersze SET eol = E'\r\n'
             WHERE stanowisko = st.id AND eol = '' AND tabela = ANY (a_tab);
            INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
            SELECT st.id, u.t, u.p, u.l, u.s FROM unnest(a_tab, a_poz, a_linia, a_seq) AS u(t, p, l, s);
            FOR t IN SELECT DISTINCT u.t FROM unnest(a_tab) AS u(t) LOOP
                v_brak[t.t] := false;
            END LOOP;
            a_tab := '{}'; a_poz := '{}'; a_linia := '{}'; a_seq := '{}';
        END IF;
        IF v_niepasuje IS NULL AND v_tab IS NOT NULL THEN
            BEGIN
                IF v_j ->> 'kind' = 'add' THEN
                    z_nowe := ARRAY[v_n[v_tab] + 1]; z_calosc := false; z_mozna := true;
                ELSE
                    SELECT * INTO z_nowe, z_calosc, z_mozna FROM pomiary.zapamietaj(st.id, v_tab, x_seq[i], v_j, v_n[v_tab]);
                END IF;
                r := pomiary.zastosuj_konce(st.id, x_seq[i], v_j, v_n[v_tab]);
                IF NOT r.pasuje THEN
                    RAISE EXCEPTION USING ERRCODE = 'PM101';
                END IF;
                IF i = v_ostatnie[v_tab] THEN
                    v_sha := pomiary.sha_tabeli(st.id, v_tab);
                    IF v_sha IS DISTINCT FROM v_j ->> 'sha' THEN
                        RAISE EXCEPTION USING ERRCODE = 'PM102';
                    END IF;
                END IF;
            EXCEPTION
                WHEN SQLSTATE 'PM101' THEN v_niepasuje := 'liczba linii';
                WHEN SQLSTATE 'PM102' THEN v_niepasuje := 'skrót pliku';
            END;
        END IF;
        IF v_niepasuje IS NOT NULL THEN
            m := i - 1;
            odmowa_seq := x_seq[i];
            odmowa := format('Zdarzenie %s nie wynika z poprzednich zdarzeń tabeli %s (%s)', x_seq[i], v_tab, v_niepasuje);
            EXIT;
        END IF;
        IF v_tab IS NOT NULL THEN
            cf := ROW(st.id, x_seq[i], v_tab, v_n[v_tab], v_niezgodna[v_tab], z_nowe, z_calosc);
            IF NOT z_mozna OR v_brak[v_tab] THEN
                cf.seq := NULL;  -- what it did is not known well enough to undo
            END IF;
            cf_zmienione := true;
            v_n[v_tab] := r.n;
            v_zmienione[v_tab] := true;
            v_brak[v_tab] := EXISTS (SELECT 1 FROM pomiary.wiersze
                                      WHERE stanowisko = st.id AND tabela = v_tab AND eol = '');
        ELSIF v_j ->> 'kind' = 'not_applied' AND jsonb_typeof(v_j -> 'ref') = 'number'
              AND v_j ->> 'ref' ~ '^[0-9]{1,18}$' THEN
            -- The event it names had no effect.
            v_ref := (v_j ->> 'ref')::bigint;
            IF cf.seq = v_ref THEN
                PERFORM pomiary.cofnij(st.id, cf.tabela, cf.seq, cf.nowe, cf.calosc);
                v_n[cf.tabela] := cf.liczba;
                v_niezgodna[cf.tabela] := cf.niezgodna_od;
                v_zmienione[cf.tabela] := true;
                v_tab := cf.tabela;
            ELSE
                -- One the server cannot undo directly: its table is replayed without it.
                PERFORM pomiary.zapisz_zdarzenia(st.id, x_seq[1:i], x_prev[1:i], x_linia[1:i], x_j[1:i]);
                x_seq := x_seq[i + 1:k]; x_prev := x_prev[i + 1:k]; x_linia := x_linia[i + 1:k]; x_j := x_j[i + 1:k];
                k := k - i; m := m - i;
                FOR t IN SELECT generate_series(1, 5) AS n LOOP
                    v_ostatnie[t.n] := greatest(v_ostatnie[t.n] - i, 0);
                END LOOP;
                i := 0;
                SELECT pomiary.tabela_zdarzenia(pomiary.jako_jsonb(linia)) INTO v_tab
                  FROM pomiary.zdarzenia WHERE stanowisko = st.id AND seq = v_ref;
                IF v_tab IS NOT NULL THEN
                    PERFORM pomiary.odtworz_tabele(st.id, v_tab);
                    SELECT * INTO t FROM pomiary.tabele WHERE stanowisko = st.id AND tabela = v_tab;
                    v_n[v_tab] := t.liczba;
                    v_niezgodna[v_tab] := t.niezgodna_od;
                    v_zmienione[v_tab] := true;
                END IF;
            END IF;
            IF v_tab IS NOT NULL THEN
                v_brak[v_tab] := EXISTS (SELECT 1 FROM pomiary.wiersze
                                          WHERE stanowisko = st.id AND tabela = v_tab AND eol = '');
            END IF;
            cf.seq := NULL;
            cf_zmienione := true;
        END IF;
    END LOOP;
    IF cardinality(a_seq) > 0 THEN
        UPDATE pomiary.wiersze SET eol = E'\r\n' WHERE stanowisko = st.id AND eol = '' AND tabela = ANY (a_tab);
        INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
        SELECT st.id, u.t, u.p, u.l, u.s FROM unnest(a_tab, a_poz, a_linia, a_seq) AS u(t, p, l, s);
    END IF;
    IF odmowa IS NOT NULL THEN
        PERFORM pomiary.zapisz_odmowe(st.id, odmowa_seq, odmowa,
                                      (SELECT u.l FROM unnest(p_seq, p_linie) AS u(s, l) WHERE u.s = odmowa_seq LIMIT 1));
    END IF;
    PERFORM pomiary.zapisz_zdarzenia(st.id, x_seq[1:m], x_prev[1:m], x_linia[1:m], x_j[1:m]);
    INSERT INTO pomiary.tabele (stanowisko, tabela, liczba, niezgodna_od)
    SELECT st.id, q::smallint, v_n[q], v_niezgodna[q] FROM generate_series(1, 5) q WHERE v_zmienione[q]
        ON CONFLICT (stanowisko, tabela) DO UPDATE SET liczba = EXCLUDED.liczba, niezgodna_od = EXCLUDED.niezgodna_od;
    IF cf_zmienione THEN
        DELETE FROM pomiary.cofniecie WHERE stanowisko = st.id;
        IF cf.seq IS NOT NULL THEN
            INSERT INTO pomiary.cofniecie VALUES (cf.*);
        END IF;
    END IF;
    -- What is kept ends at the last event stored, in this call or before.
    IF m > 0 THEN
        st.ostatni_seq := x_seq[m];
        st.ostatni_mac := x_j[m] ->> 'mac';
    ELSE
        SELECT coalesce(max(seq), -1) INTO st.ostatni_seq FROM pomiary.zdarzenia WHERE stanowisko = st.id;
        st.ostatni_mac := coalesce((SELECT mac FROM pomiary.zdarzenia WHERE stanowisko = st.id AND seq = st.ostatni_seq),
                                   repeat('0', 64));
    END IF;
    UPDATE pomiary.stanowiska SET ostatni_seq = st.ostatni_seq, ostatni_mac = st.ostatni_mac,
                                  identyfikator = st.identyfikator
     WHERE id = st.id;
    ostatni_seq := st.ostatni_seq;
    ostatni_mac := st.ostatni_mac;
END $$;

-- Line ends of lines stored before this version: the tables whose events
-- brought any other than CR LF are replayed.
DO $$
DECLARE
    t record;
BEGIN
    FOR t IN SELECT DISTINCT stanowisko, tabela FROM pomiary.zdarzenia
              WHERE tabela IS NOT NULL AND rodzaj IN ('opening', 'external') AND linia LIKE '%"eol":{"%' LOOP
        PERFORM pomiary.odtworz_tabele(t.stanowisko, t.tabela);
    END LOOP;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT EXECUTE ON FUNCTION pomiary.liczba(text), pomiary.calkowita(text), pomiary.czas_wiersza(text),
    pomiary.czas_zdarzenia(text) TO pomiary_biuro;
)SQL";

}  // namespace central::sql
