#include "journal/journal_reader.h"

#include "core/safe_file.h"
#include "journal/journal_format.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

JournalStream::~JournalStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileRead JournalStream::Open(const QString &path, qint64 from)
{
    // As ReadRegularFile: never waits on a FIFO, reads only a regular file.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || from < 0 ||
        (from > 0 && ::lseek(fd_, off_t(std::min<qint64>(from, st.st_size)), SEEK_SET) < 0)) {
        ::close(fd_);
        fd_ = -1;
        return FileRead::Failed;
    }
    bufferStart_ = std::min<qint64>(from, st.st_size);
    left_ = st.st_size - bufferStart_;
    return FileRead::Ok;
}

bool JournalStream::Fill(qsizetype want)
{
    const qsizetype old = buffer_.size();
    want = qsizetype(std::min<qint64>(left_, want));
    buffer_.resize(old + want);
    qsizetype got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd_, buffer_.data() + old + got, size_t(want - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = n < 0;
            break;
        }
        got += n;
    }
    buffer_.resize(old + got);
    left_ = got < want ? 0 : left_ - got;  // a file cut meanwhile ends here
    return !failed_;
}

bool JournalStream::Next(std::vector<QByteArrayView> &lines, std::vector<qint64> *ends)
{
    lines.clear();
    if (ends)
        ends->clear();
    if (fd_ < 0 || failed_)
        return false;
    // What the last call left (a line not yet ended) goes to the front.
    bufferStart_ += used_ + (used_ > 0 ? dropped_ : 0);
    if (used_ > 0)
        dropped_ = 0;
    buffer_.remove(0, used_);
    used_ = 0;
    qsizetype scanned = 0;  // no line end before this
    for (;;) {
        const char *base = buffer_.constData();
        const void *nl = std::memchr(base + scanned, '\n', size_t(buffer_.size() - scanned));
        if (nl && (buffer_.size() >= piece_ || left_ == 0))
            break;
        if (left_ == 0) {
            tornTail_ = !buffer_.isEmpty();
            return false;
        }
        if (nl == nullptr) {
            scanned = buffer_.size();
            if (buffer_.size() > maxLine_) {
                // No line end anywhere: the buffer is one line, too long. Its
                // first bytes stand for it, the rest is read over.
                dropped_ += buffer_.size() - maxLine_;
                buffer_.resize(maxLine_);
                QByteArray keep = std::exchange(buffer_, {});
                for (;;) {
                    if (left_ == 0) {
                        tornTail_ = true;
                        return false;
                    }
                    if (!Fill(piece_))
                        return false;
                    const qsizetype end = buffer_.indexOf('\n');
                    if (end >= 0) {
                        dropped_ += end;
                        keep.append(QByteArrayView(buffer_).sliced(end));
                        break;
                    }
                    dropped_ += buffer_.size();
                    buffer_.clear();
                }
                buffer_ = std::move(keep);
                scanned = 0;
                continue;
            }
        }
        if (!Fill(piece_))
            return false;
    }
    const char *base = buffer_.constData();
    const qsizetype size = buffer_.size();
    qsizetype at = 0;
    while (at < size) {
        const char *nl = static_cast<const char *>(std::memchr(base + at, '\n', size_t(size - at)));
        if (!nl)
            break;
        qsizetype end = nl - base;
        const qsizetype next = end + 1;
        if (end > at && base[end - 1] == '\r')
            --end;
        lines.emplace_back(base + at, std::min(end - at, maxLine_));
        if (ends)
            ends->push_back(bufferStart_ + next + (next > maxLine_ ? dropped_ : 0));
        at = next;
    }
    used_ = at;
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
