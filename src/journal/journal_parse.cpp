// Journal lines into events (ParseEvent): the event's members filled
// straight from the line by the strict reader.

#include "journal/journal_json_reader.h"

namespace journal {

namespace {

using json::Reader;

Eol EolFromText(const QString &s)
{
    if (s == QLatin1String("\n"))
        return Eol::Lf;
    if (s == QLatin1String("\r"))
        return Eol::Cr;
    return s.isEmpty() ? Eol::None : Eol::CrLf;
}

bool ReadRow(Reader &r, Event::Row &row)
{
    return r.Object([&](QByteArrayView key) {
        if (key == "at")
            return r.Integer(row.at);
        if (key == "line")
            return r.Bytes(row.line);
        if (key == "del")
            return r.Bool(row.del);
        if (key == "diff")
            return r.Array([&] {
                Event::Change c;
                int part = 0;
                const bool ok = r.Array([&] {
                    switch (part++) {
                    case 0:
                        return r.Int(c.column);
                    case 1:
                        return r.Bytes(c.from);
                    case 2:
                        return r.Bytes(c.to);
                    default:
                        return false;
                    }
                });
                row.diff.push_back(std::move(c));
                return ok && part == 3;
            });
        return r.Skip();
    });
}

// Static strings: copies of them cost no allocation and no reference count.
const std::array<QString, 16> kKinds{
    QStringLiteral("journal"), QStringLiteral("opening"), QStringLiteral("add"),      QStringLiteral("edit"),
    QStringLiteral("update"),  QStringLiteral("delete"),  QStringLiteral("series"),   QStringLiteral("purge"),
    QStringLiteral("archive_read"), QStringLiteral("rewrite"), QStringLiteral("archive"), QStringLiteral("login"),
    QStringLiteral("not_applied"), QStringLiteral("external"), QStringLiteral("cut"), QStringLiteral("state_lost")};
const std::array<QString, 4> kVias{QStringLiteral("button"), QStringLiteral("insert"), QStringLiteral("auto"),
                                   QStringLiteral("record")};

}  // namespace

std::optional<Event> ParseEvent(QByteArrayView line, bool keepLine)
{
    thread_local QByteArray lastOperator;
    Event e;
    Reader r(line);
    bool hasSeq = false, hasKind = false;
    const bool ok = r.Object([&](QByteArrayView key) {
        switch (key.size() > 0 ? key[0] : 0) {
        case 'a':
            if (key == "at")
                return r.Integer(e.at);
            break;
        case 'c':
            if (key == "count")
                return r.Integer(e.count);
            break;
        case 'd':
            if (key == "drop")
                return r.Integer(e.drop);
            if (key == "differ")
                return r.Integer(e.differ);
            break;
        case 'e':
            if (key == "eol")
                return r.Object([&](QByteArrayView position) {
                    bool number = false;
                    const qint64 at = position.toLongLong(&number);
                    QString end;
                    if (!number || !r.Text(end))
                        return false;
                    e.eol.emplace_back(at, EolFromText(end));
                    return true;
                });
            if (key == "expected_seq")
                return r.Integer(e.expectedSeq);
            break;
        case 'f':
            if (key == "from")
                return r.Integer(e.from);
            if (key == "field")
                return r.Int(e.field);
            if (key == "file")
                return r.Text(e.file);
            if (key == "found_seq")
                return r.Integer(e.foundSeq);
            break;
        case 'k':
            if (key == "kind")
                return hasKind = true, r.KnownText(e.kind, kKinds);
            break;
        case 'l':
            if (key == "line")
                return r.Bytes(e.line);
            if (key == "load")
                return r.Bool(e.load);
            if (key == "lines")
                return e.hasLines = true, r.Array([&] {
                    e.lines.emplace_back();
                    return r.Bytes(e.lines.back());
                });
            break;
        case 'm':
            if (key == "mode")
                return r.Text(e.mode);
            break;
        case 'n':
            if (key == "n")
                return r.Integer(e.n);
            break;
        case 'o':
            if (key == "op")
                return r.RepeatedBytes(e.op, lastOperator);
            break;
        case 'p':
            if (key == "previous")
                return e.hasPrevious = true, r.Object([&](QByteArrayView k) {
                    if (k == "station")
                        return r.Text(e.previousStation);
                    if (k == "seq")
                        return r.Integer(e.previousSeq);
                    return r.Skip();
                });
            break;
        case 'r':
            if (key == "rows")
                return e.hasRows = true, r.Array([&] {
                    e.rows.emplace_back();
                    return ReadRow(r, e.rows.back());
                });
            if (key == "ref")
                return r.Integer(e.ref);
            if (key == "removed")
                return e.hasRemoved = true, r.Array([&] {
                    e.removed.emplace_back();
                    return r.Integer(e.removed.back());
                });
            if (key == "range")
                return r.Bool(e.range);
            if (key == "recovered")
                return r.Bool(e.recovered);
            break;
        case 's':
            if (key == "seq")
                return hasSeq = true, r.Integer(e.seq);
            if (key == "sha")
                return r.Sha(e);
            if (key == "station")
                return r.Text(e.station);
            break;
        case 't':
            if (key == "t")
                return r.Time(e);
            if (key == "tab")
                return r.Int(e.table);
            break;
        case 'v':
            if (key == "via")
                return r.KnownText(e.via, kVias);
            break;
        }
        return r.Skip();
    });
    if (!ok || !r.AtEnd() || !hasSeq || !hasKind || e.table < 0 || e.table > 5)
        return std::nullopt;
    if (keepLine)
        e.raw = line.toByteArray();
    return e;
}

}  // namespace journal
