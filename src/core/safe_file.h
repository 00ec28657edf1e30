#pragma once

// Crash-safe file writing. A rewrite goes to a temporary file in the same
// folder, is flushed to disk and renamed over the old name, so a crash leaves
// the old or the new file, never a half. Appends are flushed at once.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

class SafeFileWriter {
public:
    enum class Failure { None, Create, Line, Commit };

    explicit SafeFileWriter(const QString &path);

    // Creates the temporary file. False: Failure::Create.
    bool Open();
    // Writes bytes + CR LF. False: Failure::Line, FailedLine() tells which (from 1).
    bool WriteLine(QByteArrayView line);
    // Writes raw bytes (no line end). False: Failure::Line.
    bool Write(QByteArrayView bytes);
    // Flushes, syncs and renames over the target. False: Failure::Commit;
    // the target is then unchanged.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Cancel();

    Failure LastFailure() const { return failure_; }
    int FailedLine() const { return failedLine_; }
    int LinesWritten() const { return lines_; }

private:
    QSaveFile file_;
    Failure failure_ = Failure::None;
    int lines_ = 0;
    int failedLine_ = 0;
};

// Writes `content` to `path` crash-safely in one go.
bool WriteFileAtomically(const QString &path, QByteArrayView content);

// Appends `line` + CR LF to `path` (created when missing) and syncs it to
// disk before returning. False when the file cannot be opened or written;
// a partly written line is then cut off again.
bool AppendLineDurably(const QString &path, QByteArrayView line);

// Reads a text file split into lines; CR LF, LF and lone CR all end a line.
// A last line without its end is still a line; a final line end adds none.
// False when the file exists but cannot be read.
bool ReadLines(const QString &path, QList<QByteArray> &lines);
