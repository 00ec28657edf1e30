#include "journal/journal_reader.h"

#include "core/safe_file.h"
#include "journal/journal_format.h"

#include <cstring>

namespace journal {

bool ReadJournalLines(const QString &path, JournalLines &out)
{
    out = {};
    if (ReadRegularFile(path, out.data) != FileRead::Ok)
        return false;
    const char *base = out.data.constData();
    const qsizetype size = out.data.size();
    out.spans.reserve(size_t(size / 256 + 16));
    qsizetype at = 0;
    while (at < size) {
        const char *nl = static_cast<const char *>(std::memchr(base + at, '\n', size_t(size - at)));
        if (!nl) {
            out.tornTail = true;
            break;
        }
        qsizetype end = nl - base;
        const qsizetype next = end + 1;
        if (end > at && base[end - 1] == '\r')
            --end;
        out.spans.emplace_back(at, end);
        at = next;
    }
    return true;
}

void EventReplay::Feed(Event e, const std::function<void(const Event &, const QString &)> &problem)
{
    if (e.kind == kind::NotApplied) {
        if (held_ && held_->seq == e.ref)
            held_.reset();
        return;
    }
    Flush(problem);
    if (e.ChangesTable() && (!wanted_ || wanted_(e.table)))
        held_ = std::move(e);
}

void EventReplay::Flush(const std::function<void(const Event &, const QString &)> &problem)
{
    if (!held_)
        return;
    Apply(*held_, problem);
    held_.reset();
}

void EventReplay::Apply(Event &e, const std::function<void(const Event &, const QString &)> &problem)
{
    QString text;
    std::vector<Touch> touched;
    const bool ok = Table(e.table).Apply(e, &text, onTouched ? &touched : nullptr);
    if (!ok && problem)
        problem(e, text);
    if (onTouched)
        onTouched(e, touched);
    lastApplied_[size_t(e.table - 1)] = std::move(e);
}

}  // namespace journal
