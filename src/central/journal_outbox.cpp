#include "central/journal_outbox.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace central {

namespace {

constexpr qint64 kChunk = 4 << 20;

class Fd {
public:
    explicit Fd(const QString &path) : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

bool ReadAt(int fd, qint64 offset, qint64 size, QByteArray &out)
{
    out.resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t r = ::pread(fd, out.data() + done, size_t(size - done), off_t(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += r;
    }
    return true;
}

QString Errno()
{
    return QString::fromLocal8Bit(strerror(errno));
}

}  // namespace

QByteArray MacOfLine(QByteArrayView line)
{
    static const QByteArrayView key = ",\"mac\":\"";
    constexpr qsizetype tail = 8 + 64 + 2;
    if (line.size() < tail || !line.endsWith("\"}"))
        return {};
    const QByteArrayView t = line.sliced(line.size() - tail);
    if (!t.startsWith(key))
        return {};
    return t.sliced(key.size(), 64).toByteArray();
}

void JournalOutbox::Reset()
{
    starts_.clear();
    end_ = 0;
}

JournalOutbox::Change JournalOutbox::Refresh(QString *error)
{
    Fd fd(path_);
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            const bool had = !starts_.empty() || inode_ != 0;
            Reset();
            inode_ = device_ = 0;
            return had ? Change::Replaced : Change::None;
        }
        if (error)
            *error = Errno();
        return Change::Failed;
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = QStringLiteral("Dziennik nie jest zwykłym plikiem");
        return Change::Failed;
    }
    Change change = Change::None;
    const qint64 size = st.st_size;
    bool same = quint64(st.st_ino) == inode_ && quint64(st.st_dev) == device_ && size >= end_;
    if (same && end_ > 0) {
        // Cut and written again to the same length or longer: the last line read is no longer there.
        QByteArray last;
        same = ReadAt(fd.get(), end_ - 1, 1, last) && last[0] == '\n';
    }
    if (!same) {
        if (inode_ != 0 || !starts_.empty())
            change = Change::Replaced;
        Reset();
        inode_ = st.st_ino;
        device_ = st.st_dev;
    }
    const size_t before = starts_.size();
    QByteArray chunk;
    qint64 pos = end_;
    while (pos < size) {
        const qint64 n = std::min(kChunk, size - pos);
        if (!ReadAt(fd.get(), pos, n, chunk)) {
            if (error)
                *error = Errno();
            return Change::Failed;
        }
        const char *b = chunk.constData();
        qint64 lineStart = end_;
        for (const char *p = b; (p = static_cast<const char *>(std::memchr(p, '\n', size_t(n - (p - b))))); ++p) {
            starts_.push_back(lineStart);
            lineStart = pos + (p - b) + 1;
            end_ = lineStart;
        }
        // A line longer than the chunk goes on in the next one.
        pos += n;
    }
    if (change == Change::None && starts_.size() > before)
        change = Change::Grew;
    return change;
}

bool JournalOutbox::Take(qint64 first, int maxCount, qint64 maxBytes, std::vector<OutboxEvent> &out,
                         QString *error) const
{
    out.clear();
    if (first < 0 || first >= Count() || maxCount <= 0)
        return true;
    auto endOf = [&](qint64 i) { return i + 1 < Count() ? starts_[size_t(i + 1)] : end_; };
    Fd fd(path_);
    auto fail = [&] {
        if (error)
            *error = Errno();
        return false;
    };
    if (fd.get() < 0)
        return fail();
    // A line's mac from its last bytes only: the line before may be long.
    auto macOf = [&](qint64 i, QByteArray &mac) {
        const qint64 tail = std::min<qint64>(endOf(i) - starts_[size_t(i)], 8 + 64 + 2 + 2);
        QByteArray t;
        if (!ReadAt(fd.get(), endOf(i) - tail, tail, t))
            return false;
        t.chop(1);
        if (t.endsWith('\r'))
            t.chop(1);
        mac = MacOfLine(t);
        return true;
    };
    QByteArray previous(64, '0');
    if (first > 0 && !macOf(first - 1, previous))
        return fail();
    if (endOf(first) - starts_[size_t(first)] - 1 > maxLine_) {
        OutboxEvent e;
        e.seq = first;
        e.previousMac = previous;
        e.tooLong = endOf(first) - starts_[size_t(first)];
        out.push_back(std::move(e));
        return true;
    }
    qint64 last = first;  // exclusive end, in lines
    while (last < Count() && last - first < maxCount) {
        const qint64 lineEnd = endOf(last);
        if (last > first && (lineEnd - starts_[size_t(first)] > maxBytes || lineEnd - starts_[size_t(last)] - 1 > maxLine_))
            break;
        ++last;
    }
    const qint64 from = starts_[size_t(first)];
    const qint64 to = last < Count() ? starts_[size_t(last)] : end_;
    QByteArray data;
    if (!ReadAt(fd.get(), from, to - from, data))
        return fail();
    out.reserve(size_t(last - first));
    for (qint64 i = first; i < last; ++i) {
        const qint64 b = starts_[size_t(i)] - from;
        QByteArrayView v(data.constData() + b, endOf(i) - from - 1 - b);  // up to its LF
        if (v.endsWith('\r'))
            v.chop(1);
        OutboxEvent e;
        e.seq = i;
        e.previousMac = previous;
        e.line = v.toByteArray();
        previous = MacOfLine(e.line);
        out.push_back(std::move(e));
    }
    return true;
}

}  // namespace central
