#include "journal/table_replay.h"

#include "core/cp1250.h"
#include "journal/journal_format.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"


#include <algorithm>

namespace journal {

namespace {

constexpr size_t kBlock = 1024;

QString Quoted(QByteArrayView bytes)
{
    return QLatin1Char('"') + cp1250::Decode(bytes) + QLatin1Char('"');
}

}  // namespace

QByteArray EolBytes(Eol e)
{
    switch (e) {
    case Eol::CrLf:
        return "\r\n";
    case Eol::Lf:
        return "\n";
    case Eol::Cr:
        return "\r";
    case Eol::None:
        break;
    }
    return {};
}

std::pair<size_t, size_t> LineList::Find(qsizetype i) const
{
    // Most events touch the newest lines: count from the nearer end.
    if (i >= size_ / 2) {
        qsizetype first = size_;
        for (size_t b = blocks_.size(); b-- > 0;) {
            first -= qsizetype(blocks_[b].size());
            if (i >= first)
                return {b, size_t(i - first)};
        }
    }
    qsizetype first = 0;
    for (size_t b = 0; b < blocks_.size(); ++b) {
        if (i < first + qsizetype(blocks_[b].size()))
            return {b, size_t(i - first)};
        first += qsizetype(blocks_[b].size());
    }
    return {blocks_.size(), 0};
}

const ReplayLine &LineList::At(qsizetype i) const
{
    const auto [b, k] = Find(i);
    return blocks_[b][k];
}

ReplayLine &LineList::At(qsizetype i)
{
    const auto [b, k] = Find(i);
    return blocks_[b][k];
}

void LineList::Append(ReplayLine line)
{
    if (blocks_.empty() || blocks_.back().size() >= kBlock) {
        blocks_.emplace_back();
        blocks_.back().reserve(kBlock);
    }
    blocks_.back().push_back(std::move(line));
    ++size_;
}

void LineList::Remove(qsizetype i)
{
    const auto [b, k] = Find(i);
    blocks_[b].erase(blocks_[b].begin() + qsizetype(k));
    if (blocks_[b].empty())
        blocks_.erase(blocks_.begin() + qsizetype(b));
    --size_;
}

void LineList::Assign(std::vector<ReplayLine> lines)
{
    blocks_.clear();
    size_ = 0;
    for (ReplayLine &l : lines)
        Append(std::move(l));
}

std::vector<ReplayLine> LineList::Flat() const
{
    std::vector<ReplayLine> out;
    out.reserve(size_t(size_));
    ForEach([&](const ReplayLine &l) { out.push_back(l); });
    return out;
}

void LineList::Splice(qsizetype from, qsizetype drop, std::vector<ReplayLine> lines)
{
    std::vector<ReplayLine> all = Flat();
    from = std::clamp<qsizetype>(from, 0, qsizetype(all.size()));
    drop = std::clamp<qsizetype>(drop, 0, qsizetype(all.size()) - from);
    all.erase(all.begin() + from, all.begin() + from + drop);
    all.insert(all.begin() + from, std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    Assign(std::move(all));
}

QByteArray LineList::Bytes() const
{
    QByteArray out;
    ForEach([&](const ReplayLine &l) { out += l.text + EolBytes(l.eol); });
    return out;
}

std::vector<ReplayLine> SplitFile(QByteArrayView data)
{
    std::vector<ReplayLine> out;
    LineScanner scanner(data);
    LineSpan s;
    while (scanner.Next(s)) {
        ReplayLine l;
        l.text = QByteArray(data.data() + s.begin, s.end - s.begin);
        const QByteArrayView end = data.sliced(s.end, s.next - s.end);
        l.eol = !s.terminated ? Eol::None : end == "\r\n" ? Eol::CrLf : end == "\n" ? Eol::Lf : Eol::Cr;
        out.push_back(std::move(l));
    }
    return out;
}

bool TableReplay::Apply(const Event &e, QString *problem, std::vector<Touch> *touched)
{
    bool ok = true;
    auto fail = [&](const QString &text) {
        if (ok && problem)
            *problem = text;
        ok = false;
    };
    auto touch = [&](qint64 id, qsizetype at) {
        if (touched)
            touched->push_back({id, at});
    };
    // A line to be changed: its position from 0, checked.
    auto position = [&](qint64 p) -> qsizetype {
        if (p < 1 || p > lines.Size()) {
            fail(QStringLiteral("pozycja %1 poza plikiem (%2 linii)").arg(p).arg(lines.Size()));
            return -1;
        }
        return qsizetype(p - 1);
    };

    if (e.hasLines) {
        std::vector<ReplayLine> in(e.lines.size());
        for (size_t i = 0; i < e.lines.size(); ++i) {
            in[i].text = e.lines[i];
            in[i].id = LineId(e.seq, qsizetype(i));
        }
        for (const auto &[at, eol] : e.eol)
            if (at >= 1 && size_t(at) <= in.size())
                in[size_t(at - 1)].eol = eol;
        if (e.kind == kind::External) {
            const qint64 from = e.from - 1;
            if (from < 0 || e.drop < 0 || from + e.drop > lines.Size())
                fail(QStringLiteral("zakres zmiany poza plikiem"));
            for (qsizetype i = qsizetype(from); i < qsizetype(from + e.drop) && i < lines.Size(); ++i)
                touch(lines.At(i).id, i);
            for (size_t i = 0; i < in.size(); ++i)
                touch(in[i].id, qsizetype(from) + qsizetype(i));
            lines.Splice(qsizetype(from), qsizetype(e.drop), std::move(in));
        } else {
            qsizetype i = 0;
            lines.ForEach([&](const ReplayLine &l) { touch(l.id, i++); });
            for (size_t k = 0; k < in.size(); ++k)
                touch(in[k].id, qsizetype(k));
            lines.Assign(std::move(in));
        }
    } else if (e.kind == kind::Add) {
        if (e.at != lines.Size() + 1)
            fail(QStringLiteral("dodana linia %1, a plik miał %2 linii").arg(e.at).arg(lines.Size()));
        // The storage first ends a last line that lacks its end.
        if (lines.Size() > 0 && lines.Last().eol == Eol::None)
            lines.Last().eol = Eol::CrLf;
        ReplayLine l;
        l.text = e.line;
        l.id = LineId(e.seq, 0);
        touch(l.id, lines.Size());
        lines.Append(std::move(l));
    } else if (e.hasRows || e.kind == kind::Delete || e.hasRemoved) {
        std::vector<qsizetype> removals;
        if (e.kind == kind::Delete) {
            if (const qsizetype p = position(e.at); p >= 0) {
                if (lines.At(p).text != e.line)
                    fail(QStringLiteral("usunięta linia %1 różni się od zapisanej w dzienniku").arg(p + 1));
                removals.push_back(p);
            }
        }
        for (qint64 at : e.removed)
            if (const qsizetype p = position(at); p >= 0)
                removals.push_back(p);
        for (const Event::Row &row : e.rows) {
            const qsizetype p = position(row.at);
            if (p < 0)
                continue;
            if (row.del) {
                removals.push_back(p);
                continue;
            }
            ReplayLine &l = lines.At(p);
            // The old texts named in the event must be what the line held.
            for (const Event::Change &c : row.diff)
                if (c.column < 0 || c.column >= kFieldCount || FieldView(l.text, c.column) != c.from)
                    fail(QStringLiteral("linia %1: poprzednia treść różni się od zapisanej w dzienniku").arg(p + 1));
            l.text = row.line;
            if (l.eol == Eol::None)
                l.eol = Eol::CrLf;
            touch(l.id, p);
        }
        std::sort(removals.begin(), removals.end());
        removals.erase(std::unique(removals.begin(), removals.end()), removals.end());
        for (auto it = removals.rbegin(); it != removals.rend(); ++it) {
            touch(lines.At(*it).id, *it);
            lines.Remove(*it);
        }
        // Every rewrite ends a last line that lacked its end.
        if (lines.Size() > 0 && lines.Last().eol == Eol::None)
            lines.Last().eol = Eol::CrLf;
    } else {
        return true;  // no table change
    }
    if (e.n >= 0 && e.n != lines.Size())
        fail(QStringLiteral("plik ma po zdarzeniu %1 linii, a dziennik podaje %2").arg(lines.Size()).arg(e.n));
    return ok;
}

bool OnlyLoadUpdateMissing(const FileComparison &c, qsizetype lines, const Event &last)
{
    if (c.rows.size() != 1 || c.rows[0].kind != RowDifference::Changed || c.rows[0].line != lines ||
        c.rows[0].journal.eol != c.rows[0].file.eol)
        return false;
    for (int col : ChangedColumns(c.rows[0].journal.text, c.rows[0].file.text))
        if (col != ColTime && col != ColGross && col != ColNet && col != ColValue)
            return false;
    // Only an add that opened a load leaves the row to be updated; an update
    // is journaled when the load is final, so after it nothing is excused.
    return last.kind == kind::Add && last.load && last.at == lines;
}

std::vector<int> ChangedColumns(QByteArrayView a, QByteArrayView b)
{
    std::vector<int> cols;
    for (int col = 0; col < kFieldCount; ++col)
        if (FieldView(a, col) != FieldView(b, col))
            cols.push_back(col);
    return cols;
}

QString DescribeChange(const ReplayLine &journal, const ReplayLine &file)
{
    QStringList parts;
    for (int col : ChangedColumns(journal.text, file.text))
        parts << QStringLiteral("%1: w dzienniku %2, w pliku %3")
                     .arg(ColumnHeader(col), Quoted(FieldView(journal.text, col)), Quoted(FieldView(file.text, col)));
    if (parts.isEmpty() && journal.eol != file.eol)
        parts << QStringLiteral("inny koniec linii");
    return parts.join(QStringLiteral("; "));
}

namespace {

// Myers' shortest edit script between a and b, as a list of steps: 0 both,
// 1 only in a, 2 only in b. Empty when it needs more than `maxEdits` edits.
std::vector<char> EditScript(const std::vector<const ReplayLine *> &a, const std::vector<const ReplayLine *> &b,
                             int maxEdits)
{
    const int n = int(a.size()), m = int(b.size());
    const int offset = maxEdits + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= maxEdits && found < 0; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                        ? v[size_t(offset + k + 1)]
                        : v[size_t(offset + k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m && a[size_t(x)]->SameAs(*b[size_t(y)]))
                ++x, ++y;
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return {};
    std::vector<char> steps;
    int x = n, y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int> &pv = trace[size_t(d)];
        const int k = x - y;
        const bool down = k == -d || (k != d && pv[size_t(offset + k - 1)] < pv[size_t(offset + k + 1)]);
        const int pk = down ? k + 1 : k - 1;
        const int px = pv[size_t(offset + pk)];
        const int py = px - pk;
        while (x > px + (down ? 0 : 1) && y > py + (down ? 1 : 0))
            steps.push_back(0), --x, --y;
        steps.push_back(down ? 2 : 1);
        x = px, y = py;
    }
    while (x > 0 && y > 0)
        steps.push_back(0), --x, --y;
    std::reverse(steps.begin(), steps.end());
    return steps;
}

}  // namespace

FileComparison CompareLines(const std::vector<ReplayLine> &journal, const std::vector<ReplayLine> &file)
{
    FileComparison c;
    const qsizetype na = qsizetype(journal.size()), nb = qsizetype(file.size());
    while (c.prefix < na && c.prefix < nb && journal[size_t(c.prefix)].SameAs(file[size_t(c.prefix)]))
        ++c.prefix;
    while (c.suffix < na - c.prefix && c.suffix < nb - c.prefix &&
           journal[size_t(na - 1 - c.suffix)].SameAs(file[size_t(nb - 1 - c.suffix)]))
        ++c.suffix;
    const qsizetype ma = na - c.prefix - c.suffix, mb = nb - c.prefix - c.suffix;
    if (ma == 0 && mb == 0)
        return c;

    std::vector<const ReplayLine *> a, b;
    for (qsizetype i = 0; i < ma; ++i)
        a.push_back(&journal[size_t(c.prefix + i)]);
    for (qsizetype i = 0; i < mb; ++i)
        b.push_back(&file[size_t(c.prefix + i)]);
    // The shortest edit script names rows removed, added and changed; when
    // too much differs for that, the rows are compared place by place.
    std::vector<char> steps = EditScript(a, b, 1000);
    if (steps.empty()) {
        for (qsizetype i = 0; i < std::max(ma, mb); ++i)
            steps.push_back(i < ma && i < mb ? 3 : i < ma ? 1 : 2);
    }
    // Removals and insertions next to each other pair up as changed rows.
    qsizetype ia = 0, ib = 0;
    for (size_t s = 0; s < steps.size();) {
        if (steps[s] == 0) {
            ++ia, ++ib, ++s;
            continue;
        }
        if (steps[s] == 3) {
            if (!a[size_t(ia)]->SameAs(*b[size_t(ib)]))
                c.rows.push_back({RowDifference::Changed, c.prefix + ib + 1, *a[size_t(ia)], *b[size_t(ib)]});
            ++ia, ++ib, ++s;
            continue;
        }
        size_t end = s;
        qsizetype dels = 0, ins = 0;
        while (end < steps.size() && (steps[end] == 1 || steps[end] == 2))
            (steps[end++] == 1 ? dels : ins)++;
        const qsizetype pairs = std::min(dels, ins);
        for (qsizetype i = 0; i < pairs; ++i)
            c.rows.push_back({RowDifference::Changed, c.prefix + ib + i + 1, *a[size_t(ia + i)], *b[size_t(ib + i)]});
        for (qsizetype i = pairs; i < dels; ++i)
            c.rows.push_back({RowDifference::OnlyInJournal, c.prefix + ia + i + 1, *a[size_t(ia + i)], {}});
        for (qsizetype i = pairs; i < ins; ++i)
            c.rows.push_back({RowDifference::OnlyInFile, c.prefix + ib + i + 1, {}, *b[size_t(ib + i)]});
        ia += dels, ib += ins, s = end;
    }
    return c;
}

}  // namespace journal
