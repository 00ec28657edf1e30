#pragma once

// The weighing journal dane/dziennik.txt, as a reader must know it. This is
// the one description of the format; the sender to the central database
// reads the journal by it, and README.md ("Weighing journal") repeats it.
//
// FILE. Append-only, one event per line, each line one JSON object in UTF-8
// ended by CR LF. Line N (from 0) carries "seq": N. A last line without its
// line end is a write that a crash cut short: its change never reached a
// table file (events are synced before the table is written), and the
// program drops it at the next start.
//
// SIGNATURE. The last member of every line is "mac": 64 lower-case hex
// digits, HMAC-SHA-256 with the station's key over
//     the previous line's "mac" (64 ASCII characters; 64 '0' for line 0)
//     + the line's bytes up to ,"mac" followed by a closing }
// (that is, the JSON object without its "mac" member, exactly as written).
// The key is 32 random bytes made at the first start, kept outside the data
// folder in <config>/pomiary/dziennik/<station>.klucz (XDG_CONFIG_HOME or
// ~/.config, mode 0600): line 2 of that file, in hex.
//
// TEXT OF TABLE LINES. Table files are Windows-1250. A line's bytes are
// written as a JSON string of the characters those bytes stand for in
// Windows-1250; the five bytes cp1250 leaves unassigned (0x81 0x83 0x88
// 0x90 0x98) are written as the code points U+0081 U+0083 U+0088 U+0090
// U+0098. Every byte maps to exactly one character and back, so the bytes
// are exact, and the journal stays readable (names, weights) and about the
// size of the lines (base64 would be a third larger and unreadable). In
// Python: bytes(ord(c) if c in '\x81\x83\x88\x90\x98' else c.encode('cp1250')[0] for c in s)
// Line ends are not part of the text (see "eol").
//
// MEMBERS OF EVERY EVENT
//   seq   number of the line, from 0
//   t     local time with seconds and UTC offset: "2024-05-17T14:03:22+02:00"
//   kind  what happened (below)
//   op    the operator logged in (text; absent before the login)
//   tab   the table 1..5, for events of one table
// Table events (marked * below) also carry the state of the working file
// pomiary<tab>.txt after them:
//   n     its line count
//   sha   SHA-256 of its bytes, hex
// Positions ("at", "removed", "from") count the file's lines from 1 in the
// file as it was before the event.
//
// KINDS
//   journal       line 0: "format": 1, "station": the station's identifier
//                 (made at the first start); "previous": {"station","seq"}
//                 when it replaced a journal kept in this folder that had gone.
//   opening *     the file as found when the journal began: "lines": [text],
//                 "eol" (below).
//   add *         a weighing added: "at" (= n), "line", "via": "button",
//                 "insert", "auto" or "record" (a weighing record of the
//                 scale); absent when not known. "load": true when it opened
//                 a mode 1 load: while it is its table's last event, its row
//                 may differ from the journal in the columns an update
//                 writes (1, 2, 3, 6); any other difference is a change
//                 made outside the program.
//   edit *        a correction: "rows": [{"at", "line": the new line,
//                 "diff": [[column, old text, new text], ...]}], "field":
//                 the column chosen, "range": true when applied to the row
//                 and all after it. A row with "del": true is removed.
//   update *      automatic adding mode 1: the row of the current load as it
//                 became final (the same "rows" as edit). It is updated in
//                 the file at every stable reading and journaled once, when
//                 final; "recovered": true when the program found it at a
//                 start after an interruption.
//   delete *      a weighing removed: "at", "line" (the removed line).
//   series *      the scale started a new series: the file emptied, "lines": [].
//   purge *       "Usuń dane z tabeli": "mode": "all", "shown" or
//                 "all_but_shown", "count" of lines removed, "removed":
//                 [positions] (mode all: "lines": [] instead).
//   archive_read * a table read back from an archive: "file", "lines".
//   rewrite *     the file written anew from the table: "lines".
//   archive       an archive made (the working file is unchanged): "file",
//                 "count" of lines, "selection": "all", "matching",
//                 "not_matching" (by the filter) or "rows" (the rows shown).
//   login         the operator in "op" logged in.
//   not_applied   "ref": the seq of the event just before it, whose change
//                 did not reach its file (the write failed, or the program
//                 was stopped before it). That event has no effect.
//   external *    the file was changed outside the program (found at a
//                 start): from position "from", "drop" lines of the journal's
//                 version are replaced by "lines"; "differ": rows that differ.
//   cut           the journal was found shorter than the state kept with the
//                 key: "expected_seq", "found_seq".
//   state_lost    the state kept with the key (<station>.stan) was missing
//                 or did not carry its signature, though the journal had
//                 events beyond its opening: from then on a cut or an older
//                 copy of the data folder could not be told before it.
//
// COLUMNS in "diff" and "field": 0 nr, 1 czas pobrania, 2 brutto, 3 netto,
// 4 tara, 5 cena, 6 wartość, 7 zamówienie, 8 materiał, 9 opakowanie,
// 10 operator, 11 dostawca / klient.
//
// LINE ENDS. A line the program writes ends in CR LF; a line it copies keeps
// its own end, except that a last line without one gets CR LF whenever the
// program writes the file. Only "opening" and "external" bring lines from
// outside: their "eol" object names, by position of the line in "lines"
// (from 1, as a string), every line end other than CR LF: "\n", "\r", or ""
// for a last line without one.
//
// REPLAY. Starting from empty files and applying every event in order
// (skipping one that a not_applied names) gives each table file's exact
// bytes; "n" and "sha" tell what each event left.

#include <QString>

namespace journal {

constexpr int kFormatVersion = 1;
// The seq of the last opening event: a journal with no later event has
// recorded nothing yet.
constexpr qint64 kLastOpeningSeq = 5;

namespace kind {
constexpr QLatin1String Journal{"journal"};
constexpr QLatin1String Opening{"opening"};
constexpr QLatin1String Add{"add"};
constexpr QLatin1String Edit{"edit"};
constexpr QLatin1String Update{"update"};
constexpr QLatin1String Delete{"delete"};
constexpr QLatin1String Series{"series"};
constexpr QLatin1String Purge{"purge"};
constexpr QLatin1String ArchiveRead{"archive_read"};
constexpr QLatin1String Rewrite{"rewrite"};
constexpr QLatin1String Archive{"archive"};
constexpr QLatin1String Login{"login"};
constexpr QLatin1String NotApplied{"not_applied"};
constexpr QLatin1String External{"external"};
constexpr QLatin1String Cut{"cut"};
constexpr QLatin1String StateLost{"state_lost"};
}  // namespace kind

}  // namespace journal
