#pragma once

// Crash-safe file writing. A rewrite goes to a temporary file in the folder
// of the file it replaces, is synced to disk and renamed over it, so a crash
// leaves the old or the new file, never a half. Appends are synced at once.
//
// A rewrite keeps the file's identity: a symbolic link keeps pointing at its
// target, whose content is replaced; the mode (and, where permitted, the
// owner) of the old file carry over. A file without any write permission is
// refused, as every other writer of the program refuses it.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class Sha256;

class SafeFileWriter {
public:
    enum class Failure { None, Create, Line, Commit };

    // The temporary is the target's name + ".tmp", in the target's folder;
    // one left by a crash is replaced.
    explicit SafeFileWriter(const QString &path);
    // The same with the temporary named `tempName` (in the target's folder).
    SafeFileWriter(const QString &path, const QString &tempName);
    // An uncommitted temporary is dropped.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the temporary file. False: Failure::Create; TargetRefused()
    // tells whether the target itself cannot be replaced.
    bool Open();
    // Writes bytes + CR LF. False: Failure::Line, FailedLine() tells which
    // (from 1): the first line that did not reach the file completely.
    bool WriteLine(QByteArrayView line);
    // Writes raw bytes (no line end). False: Failure::Line.
    bool Write(QByteArrayView bytes);
    // Writes what is buffered, syncs and renames over the target. False:
    // Failure::Line (a buffered line failed) or Failure::Commit; the target
    // is then unchanged.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Cancel();
    // Every byte written from now on is also added to `digest` (null: none).
    void DigestInto(Sha256 *digest) { digest_ = digest; }

    Failure LastFailure() const { return failure_; }
    int FailedLine() const { return failedLine_; }
    int LinesWritten() const { return lines_; }
    // After a failed Open: true when the target cannot be replaced (no write
    // permission, a folder, device or FIFO, a loop of links); false when the
    // temporary file could not be made.
    bool TargetRefused() const { return targetRefused_; }
    // The file replaced: the path given, with symbolic links followed (after Open).
    const QString &TargetPath() const { return target_; }
    // The temporary file (after Open).
    const QString &TempPath() const { return temp_; }

private:
    bool Flush();
    bool WriteOut(const char *data, qsizetype size);
    void FailLine(int line);
    void DropTemp();

    QString path_;
    QString tempName_;
    QString target_;
    QString temp_;
    int fd_ = -1;
    QByteArray buffer_;
    Sha256 *digest_ = nullptr;
    qint64 flushed_ = 0;  // bytes of the temporary on disk
    // Line number and end (file offset, CR LF included) of each line that
    // ends in the buffer, to name the line a failed write cut.
    struct LineEnd {
        qint64 end;
        int line;
    };
    std::vector<LineEnd> bufferedLines_;
    Failure failure_ = Failure::None;
    bool targetRefused_ = false;
    int lines_ = 0;
    int failedLine_ = 0;
};

// Syncs a file's content, or the folder holding `path` (so a new name or a
// rename in it survives a power cut). False when it could not be done.
bool SyncFileToDisk(const QString &path);
bool SyncFolderOf(const QString &path);

// A new, unused path in the system's temporary folder whose name ends with
// `nameHint`, for a file a library writes before it is put in place. Empty
// when none could be made.
QString NewTemporaryPath(const QString &nameHint);

// Puts the finished file `finished` (written by a library that only writes
// to a path of its own) in place of `path` the way every rewrite goes:
// through SafeFileWriter, so a link, the mode and write protection are kept
// and a failure leaves `path` as it was. `finished` is removed in any case.
bool ReplaceFileWith(const QString &path, const QString &finished);

// Writes `content` to `path` crash-safely in one go.
bool WriteFileAtomically(const QString &path, QByteArrayView content);

// True when the existing file `path` (links followed) must not be written:
// it has no write permission bit at all, or the process may not write it.
// False for a missing file.
bool IsWriteProtected(const QString &path);

// Appends `line` + CR LF to `path` (created when missing) and syncs it to
// disk before returning. False when the file cannot be opened or written or
// is write-protected; a partly written line is then cut off again.
bool AppendLineDurably(const QString &path, QByteArrayView line);

enum class FileRead { Ok, Missing, Failed };

// Reads the regular file `path` up to the size it had when opened; bytes
// added meanwhile are left for the next reading. A missing file is Missing
// (`data` empty). A folder, device, FIFO or socket is Failed without being
// read; opening never waits on a FIFO.
FileRead ReadRegularFile(const QString &path, QByteArray &data);

// Reads a text file split into lines; CR LF, LF and lone CR all end a line.
// A last line without its end is still a line; a final line end adds none.
// False when the file exists but cannot be read (see ReadRegularFile).
bool ReadLines(const QString &path, QList<QByteArray> &lines);

// A settings file of "key=value" lines (blanks around both dropped; lines
// without "=" passed over): each pair goes to `take`, in order.
enum class KeyValueFile { Missing, Read, Unreadable };
KeyValueFile ReadKeyValueLines(const QString &path,
                               const std::function<void(const QByteArray &key, const QByteArray &value)> &take);
