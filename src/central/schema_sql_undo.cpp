#include "central/schema_sql.h"

namespace central::sql {

// 3: every event storable (a NUL of a table line, which jsonb refuses, is
// kept as U+2400 in the parsed event and the current lines; the stored line
// stays as sent), an event with a repeated member refused, and a not_applied
// undoing the event it names from what that event replaced, without
// replaying the table.
const char *const kDirectUndo = R"SQL(
-- The text of a JSON event with each escaped NUL (\u0000, not preceded by an
-- odd number of backslashes) written as U+2400 "␀". A table line is cp1250,
-- which has no U+2400, so the mark is never a character of the file.
CREATE FUNCTION pomiary.bez_nul(t text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN strpos(t, '\u0000') > 0
                THEN regexp_replace(t, '(?<!\\)((?:\\\\)*)\\u0000', '\1\\u2400', 'g') ELSE t END
$$;

-- An event's line as jsonb; NULL when it is no JSON.
CREATE FUNCTION pomiary.jako_jsonb(t text) RETURNS jsonb
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
BEGIN
    RETURN pomiary.bez_nul(t)::jsonb;
EXCEPTION WHEN others THEN
    RETURN NULL;
END $$;

-- The first member name repeated within one object anywhere in a JSON text,
-- else NULL. jsonb keeps only the last of them, so this reads the text as json.
CREATE FUNCTION pomiary.powtorzone_pole_w_glab(t text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    WITH RECURSIVE v(x) AS (
        SELECT t::json
        UNION ALL
        SELECT c.value FROM v, LATERAL (
            SELECT e.value FROM json_each(CASE WHEN json_typeof(v.x) = 'object' THEN v.x END) e
            UNION ALL
            SELECT a.value FROM json_array_elements(CASE WHEN json_typeof(v.x) = 'array' THEN v.x END) a) c
         WHERE json_typeof(c.value) IN ('object', 'array'))
    SELECT d.k FROM v, LATERAL (SELECT k FROM json_object_keys(v.x) k GROUP BY k HAVING count(*) > 1 LIMIT 1) d(k)
     WHERE json_typeof(v.x) = 'object' LIMIT 1
$$;

-- As above; most events hold no object within (no '{' after the first):
-- their members alone are counted, which is quicker.
CREATE FUNCTION pomiary.powtorzone_pole(t text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
    SELECT CASE WHEN strpos(substr(t, 2), '{') = 0
                THEN (SELECT k FROM json_object_keys(t::json) k GROUP BY k HAVING count(*) > 1 LIMIT 1)
                ELSE pomiary.powtorzone_pole_w_glab(t) END
$$;

CREATE OR REPLACE FUNCTION pomiary.sprawdz_zdarzenie(p_id integer, p_ostatni bigint, p_mac text, p_seq bigint,
                                                     p_prev text, p_linia text,
                                                     OUT pomin boolean, OUT odmowa text, OUT j jsonb)
LANGUAGE plpgsql STABLE AS $$
DECLARE
    s_linia text; s_prev text; v_pole text;
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
    j := pomiary.jako_jsonb(p_linia);
    IF j IS NULL OR jsonb_typeof(j) <> 'object' THEN
        odmowa := format('Zdarzenie %s nie jest obiektem JSON', p_seq);
    ELSIF jsonb_typeof(j -> 'seq') IS DISTINCT FROM 'number' OR j ->> 'seq' <> p_seq::text THEN
        odmowa := format('Zdarzenie %s nosi inny numer (%s)', p_seq, coalesce(j ->> 'seq', 'brak'));
    ELSIF jsonb_typeof(j -> 'kind') IS DISTINCT FROM 'string' THEN
        odmowa := format('Zdarzenie %s nie ma rodzaju', p_seq);
    ELSIF (j ->> 'mac') IS NULL OR (j ->> 'mac') !~ '^[0-9a-f]{64}$' THEN
        odmowa := format('Zdarzenie %s nie ma podpisu', p_seq);
    ELSE
        v_pole := pomiary.powtorzone_pole(pomiary.bez_nul(p_linia));
        IF v_pole IS NOT NULL THEN
            odmowa := format('Zdarzenie %s ma powtórzone pole "%s"', p_seq, v_pole);
        END IF;
    END IF;
    IF odmowa IS NOT NULL THEN
        j := NULL;
    END IF;
END $$;

-- What undoes the station's last table event, should a not_applied name it:
-- the positions its new lines took ("nowe", or the whole table) and the lines
-- it replaced, kept in cofniecie_wiersze at their old positions.
CREATE TABLE pomiary.cofniecie (
    stanowisko integer PRIMARY KEY REFERENCES pomiary.stanowiska (id),
    seq bigint NOT NULL,
    tabela smallint NOT NULL,
    liczba integer NOT NULL,
    niezgodna_od bigint,
    nowe integer[] NOT NULL,
    calosc boolean NOT NULL
);

CREATE TABLE pomiary.cofniecie_wiersze (
    stanowisko integer NOT NULL REFERENCES pomiary.stanowiska (id),
    seq bigint NOT NULL,
    pozycja integer NOT NULL,
    linia text NOT NULL,
    linia_seq bigint NOT NULL
);
CREATE INDEX cofniecie_wiersze_seq ON pomiary.cofniecie_wiersze (stanowisko, seq);

-- Before a table event other than an add: keeps the lines it is to replace
-- and tells where its new lines go. An event is "remove the old positions,
-- then insert the new ones in ascending order", so the undo is the reverse.
-- mozna is false for an event whose positions do not fit (it is replayed then).
CREATE FUNCTION pomiary.zapamietaj(p_st integer, p_tab smallint, p_seq bigint, j jsonb, p_n integer,
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
    INSERT INTO pomiary.cofniecie_wiersze (stanowisko, seq, pozycja, linia, linia_seq)
    SELECT p_st, p_seq, w.pozycja, w.linia, w.seq FROM pomiary.wiersze w
     WHERE w.stanowisko = p_st AND w.tabela = p_tab AND (calosc OR w.pozycja = ANY (v_stare));
END $$;

-- Undoes the event `p_seq` kept by zapamietaj (or an add, whose new line is
-- the last): its new lines go, the lines it replaced come back where they were.
CREATE FUNCTION pomiary.cofnij(p_st integer, p_tab smallint, p_seq bigint, p_nowe integer[], p_calosc boolean)
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
        -- The k-th old line (from 1) had p_k - k of the remaining lines before
        -- it: a remaining line at q moves up by the count of p_k - k < q.
        UPDATE pomiary.wiersze w SET pozycja = w.pozycja + g.k
          FROM (SELECT a.k, a.p - a.k AS od, lead(a.p - a.k, 1, 2147483647) OVER (ORDER BY a.k) AS do
                  FROM unnest(v_stare) WITH ORDINALITY a(p, k)) g
         WHERE w.stanowisko = p_st AND w.tabela = p_tab AND w.pozycja > g.od AND w.pozycja <= g.do;
        INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq)
        SELECT p_st, p_tab, c.pozycja, c.linia, c.linia_seq
          FROM pomiary.cofniecie_wiersze c WHERE c.stanowisko = p_st AND c.seq = p_seq;
    END IF;
    DELETE FROM pomiary.cofniecie_wiersze WHERE stanowisko = p_st;
END $$;

-- The replay, kept for a not_applied that names an event the server cannot
-- undo directly; the events to pass over are found once.
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
        r := pomiary.zastosuj(p_st, z.seq, z.j, v_n);
        v_n := r.n;
        IF NOT r.pasuje AND v_niezgodna IS NULL THEN
            v_niezgodna := z.seq;
        END IF;
    END LOOP;
    INSERT INTO pomiary.tabele (stanowisko, tabela, liczba, niezgodna_od) VALUES (p_st, p_tab, v_n, v_niezgodna)
        ON CONFLICT (stanowisko, tabela) DO UPDATE SET liczba = EXCLUDED.liczba, niezgodna_od = EXCLUDED.niezgodna_od;
END $$;

-- As before; a not_applied naming the last table event undoes it directly.
CREATE OR REPLACE FUNCTION pomiary.dodaj_zdarzenia(p_nazwa text, p_seq bigint[], p_poprzedni text[], p_linie text[],
                                                   OUT ostatni_seq bigint, OUT ostatni_mac text,
                                                   OUT odmowa_seq bigint, OUT odmowa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pomiary, pg_temp AS $$
DECLARE
    st pomiary.stanowiska := pomiary.stanowisko_wolajacego(p_nazwa);
    e record; c record; r record; t record; z record;
    cf pomiary.cofniecie;
    cf_zmienione boolean := false;
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
    SELECT * INTO cf FROM pomiary.cofniecie WHERE stanowisko = st.id;
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
            cf := ROW(st.id, e.seq, v_tab, v_n[v_tab], v_niezgodna[v_tab], ARRAY[v_n[v_tab] + 1], false);
            cf_zmienione := true;
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
            z := pomiary.zapamietaj(st.id, v_tab, e.seq, c.j, v_n[v_tab]);
            cf := ROW(st.id, e.seq, v_tab, v_n[v_tab], v_niezgodna[v_tab], z.nowe, z.calosc);
            cf_zmienione := true;
            r := pomiary.zastosuj(st.id, e.seq, c.j, v_n[v_tab]);
            IF NOT z.mozna OR NOT r.pasuje THEN
                cf.seq := NULL;  -- what it did is not known well enough to undo
            END IF;
            v_n[v_tab] := r.n;
            v_zmienione[v_tab] := true;
            IF NOT r.pasuje AND v_niezgodna[v_tab] IS NULL THEN
                v_niezgodna[v_tab] := e.seq;
            END IF;
        ELSIF c.j ->> 'kind' = 'not_applied' AND jsonb_typeof(c.j -> 'ref') = 'number'
              AND c.j ->> 'ref' ~ '^[0-9]{1,18}$' THEN
            -- The event it names had no effect.
            v_ref := (c.j ->> 'ref')::bigint;
            IF cf.seq = v_ref THEN
                PERFORM pomiary.cofnij(st.id, cf.tabela, cf.seq, cf.nowe, cf.calosc);
                v_n[cf.tabela] := cf.liczba;
                v_niezgodna[cf.tabela] := cf.niezgodna_od;
                v_zmienione[cf.tabela] := true;
            ELSE
                -- One the server cannot undo directly: its table is replayed without it.
                PERFORM pomiary.zapisz_zdarzenia(st.id, z_seq, z_prev, z_linia, z_j);
                z_seq := '{}'; z_prev := '{}'; z_linia := '{}'; z_j := '{}';
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
            cf.seq := NULL;
            cf_zmienione := true;
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
    IF cf_zmienione THEN
        DELETE FROM pomiary.cofniecie WHERE stanowisko = st.id;
        IF cf.seq IS NOT NULL THEN
            INSERT INTO pomiary.cofniecie VALUES (cf.*);
        END IF;
    END IF;
    UPDATE pomiary.stanowiska SET ostatni_seq = st.ostatni_seq, ostatni_mac = st.ostatni_mac,
                                  identyfikator = st.identyfikator
     WHERE id = st.id;
    ostatni_seq := st.ostatni_seq;
    ostatni_mac := st.ostatni_mac;
END $$;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA pomiary FROM PUBLIC;
GRANT EXECUTE ON FUNCTION pomiary.stan_stanowiska(text), pomiary.dodaj_zdarzenia(text, bigint[], text[], text[])
    TO pomiary_stanowisko;
GRANT EXECUTE ON FUNCTION pomiary.liczba(text), pomiary.calkowita(text), pomiary.czas_wiersza(text),
    pomiary.czas_zdarzenia(text) TO pomiary_biuro;
)SQL";

}  // namespace central::sql
