#include "core/safe_file.h"

#include "core/sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines are gathered up to this size before they go to the disk: a write
// per line would cost a system call each.
constexpr qsizetype kBufferSize = 64 * 1024;

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash + 1);
}

// Follows symbolic links from `path` to the name they end at, which need not
// exist yet (a dangling link is written through). False on a loop.
bool FollowLinks(QByteArray path, QByteArray &out)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), link.data(), size_t(link.size()));
        if (n < 0 || n >= link.size())
            return false;
        link.truncate(qsizetype(n));
        path = link.startsWith('/') ? link : FolderOf(path) + link;
    }
    return false;
}

bool NoWriteAllowed(const QByteArray &path, const struct stat &st)
{
    // Root passes every permission check, so the mode bits are read too:
    // a file that nobody may write is write-protected for the program.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0;
}

void SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool SyncFileToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool SyncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

SafeFileWriter::SafeFileWriter(const QString &path) : path_(path) {}

SafeFileWriter::SafeFileWriter(const QString &path, const QString &tempName) : path_(path), tempName_(tempName) {}

SafeFileWriter::~SafeFileWriter()
{
    DropTemp();
}

bool SafeFileWriter::Open()
{
    failure_ = Failure::Create;
    QByteArray target;
    if (!FollowLinks(QFile::encodeName(path_), target)) {
        targetRefused_ = true;
        return false;
    }
    target_ = QFile::decodeName(target);

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || NoWriteAllowed(target, old))) {
        targetRefused_ = true;
        return false;
    }

    // A fixed name next to the target: a temporary left by a crash is
    // replaced by the next rewrite instead of piling up. It is removed
    // first and created anew, so a link planted in its place is never followed.
    const QByteArray folder = FolderOf(target);
    QByteArray temp =
        folder + (tempName_.isEmpty() ? target.mid(folder.size()) + ".tmp" : QFile::encodeName(tempName_));
    if (temp == target)
        temp += ".tmp";
    if (::unlink(temp.constData()) != 0 && errno != ENOENT)
        return false;
    fd_ = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0)
        return false;
    temp_ = QFile::decodeName(temp);
    if (exists) {
        // The owner only where permitted (root); the mode always. The owner
        // goes first: changing it may clear set-id bits.
        [[maybe_unused]] const int owned = ::fchown(fd_, old.st_uid, old.st_gid);
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            DropTemp();
            return false;
        }
    }
    buffer_.reserve(kBufferSize);
    failure_ = Failure::None;
    return true;
}

void SafeFileWriter::FailLine(int line)
{
    failure_ = Failure::Line;
    failedLine_ = line;
}

bool SafeFileWriter::WriteOut(const char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The first byte that did not get there names the failed line;
            // bytes after the last whole line belong to the next one.
            int line = lines_ + 1;
            for (const LineEnd &e : bufferedLines_) {
                if (e.end > flushed_) {
                    line = e.line;
                    break;
                }
            }
            FailLine(line);
            return false;
        }
        done += n;
        flushed_ += n;
    }
    return true;
}

bool SafeFileWriter::Flush()
{
    if (buffer_.isEmpty())
        return true;
    if (!WriteOut(buffer_.constData(), buffer_.size()))
        return false;
    buffer_.resize(0);  // keeps the capacity
    bufferedLines_.clear();
    return true;
}

bool SafeFileWriter::WriteLine(QByteArrayView line)
{
    if (failure_ != Failure::None || fd_ < 0)
        return false;
    ++lines_;
    if (digest_) {
        digest_->Add(line);
        digest_->Add("\r\n");
    }
    buffer_.append(line.data(), line.size());
    buffer_.append("\r\n", 2);
    bufferedLines_.push_back({flushed_ + buffer_.size(), lines_});
    return buffer_.size() < kBufferSize || Flush();
}

bool SafeFileWriter::Write(QByteArrayView bytes)
{
    if (failure_ != Failure::None || fd_ < 0)
        return false;
    if (digest_)
        digest_->Add(bytes);
    if (bytes.size() >= kBufferSize)
        return Flush() && WriteOut(bytes.data(), bytes.size());
    buffer_.append(bytes.data(), bytes.size());
    return buffer_.size() < kBufferSize || Flush();
}

bool SafeFileWriter::Commit()
{
    if (fd_ < 0 || failure_ != Failure::None || !Flush()) {
        if (failure_ == Failure::None)
            failure_ = Failure::Commit;
        DropTemp();
        return false;
    }
    // A file renamed into place before its data is on disk can come back
    // empty after a power cut.
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    const QByteArray temp = QFile::encodeName(temp_);
    const QByteArray target = QFile::encodeName(target_);
    if (!synced || !closed || ::rename(temp.constData(), target.constData()) != 0) {
        failure_ = Failure::Commit;
        DropTemp();
        return false;
    }
    temp_.clear();
    // The rename itself is made durable; the new content is in place
    // whether or not this succeeds.
    SyncFolder(FolderOf(target));
    return true;
}

void SafeFileWriter::Cancel()
{
    DropTemp();
}

void SafeFileWriter::DropTemp()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(QFile::encodeName(temp_).constData());
        temp_.clear();
    }
    buffer_.clear();
    bufferedLines_.clear();
}

bool WriteFileAtomically(const QString &path, QByteArrayView content)
{
    SafeFileWriter w(path);
    return w.Open() && w.Write(content) && w.Commit();
}

QString NewTemporaryPath(const QString &nameHint)
{
    QTemporaryFile probe(QDir(QDir::tempPath()).filePath(QStringLiteral("pomiary-XXXXXX-") + nameHint));
    if (!probe.open())
        return {};
    const QString name = probe.fileName();
    probe.close();
    probe.remove();
    return name;
}

bool ReplaceFileWith(const QString &path, const QString &finished)
{
    QFile in(finished);
    bool ok = in.open(QIODevice::ReadOnly);
    if (ok) {
        SafeFileWriter w(path);
        ok = w.Open();
        QByteArray chunk;
        while (ok && !in.atEnd()) {
            chunk = in.read(1 << 20);
            ok = !chunk.isEmpty() && w.Write(chunk);
        }
        ok = ok && in.error() == QFileDevice::NoError && w.Commit();
        if (!ok)
            w.Cancel();
    }
    in.close();
    QFile::remove(finished);
    return ok;
}

bool IsWriteProtected(const QString &path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    return ::stat(p.constData(), &st) == 0 && NoWriteAllowed(p, st);
}

bool AppendLineDurably(const QString &path, QByteArrayView line)
{
    if (IsWriteProtected(path))
        return false;
    QFile f(path);
    // Unbuffered: a failed write must not stay in a buffer that the close
    // would try to write again after the cut.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 sizeBefore = f.size();
    QByteArray bytes = line.toByteArray();
    bytes.append("\r\n");
    if (f.write(bytes) == bytes.size() && f.flush() && ::fsync(f.handle()) == 0)
        return true;
    // A disk that filled up mid-line would leave a cut line that stops every
    // later reading of the file: take the piece back.
    f.resize(sizeBefore);
    return false;
}

FileRead ReadRegularFile(const QString &path, QByteArray &data)
{
    data.clear();
    // Non-blocking, so that opening a FIFO does not wait for a writer; the
    // type is checked on what was opened, not on the name.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        quint64(st.st_size) > quint64(std::numeric_limits<qsizetype>::max() / 2)) {
        ::close(fd);
        return FileRead::Failed;
    }
    // Exactly the size it had: the buffer is kept by the loaded rows, and a
    // file that keeps growing cannot make the reading endless.
    data = QByteArray(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            data.clear();
            return FileRead::Failed;
        }
        if (n == 0)
            break;  // it shrank meanwhile
        got += n;
    }
    ::close(fd);
    data.truncate(got);
    return FileRead::Ok;
}

bool ReadLines(const QString &path, QList<QByteArray> &lines)
{
    lines.clear();
    QByteArray all;
    switch (ReadRegularFile(path, all)) {
    case FileRead::Missing:
        return true;
    case FileRead::Failed:
        return false;
    case FileRead::Ok:
        break;
    }
    qsizetype start = 0;
    const qsizetype n = all.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = all[i];
        if (c == '\r' || c == '\n') {
            lines.append(all.sliced(start, i - start));
            if (c == '\r' && i + 1 < n && all[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(all.sliced(start));
    return true;
}

KeyValueFile ReadKeyValueLines(const QString &path,
                               const std::function<void(const QByteArray &key, const QByteArray &value)> &take)
{
    if (!QFileInfo::exists(path))
        return KeyValueFile::Missing;
    QList<QByteArray> lines;
    if (!ReadLines(path, lines))
        return KeyValueFile::Unreadable;
    for (const QByteArray &line : std::as_const(lines)) {
        const qsizetype eq = line.indexOf('=');
        if (eq >= 0)
            take(line.first(eq).trimmed(), line.sliced(eq + 1).trimmed());
    }
    return KeyValueFile::Read;
}
