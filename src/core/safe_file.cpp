#include "core/safe_file.h"

#include <QFile>

#include <unistd.h>

SafeFileWriter::SafeFileWriter(const QString &path) : file_(path) {}

bool SafeFileWriter::Open()
{
    if (!file_.open(QIODevice::WriteOnly)) {
        failure_ = Failure::Create;
        return false;
    }
    return true;
}

bool SafeFileWriter::WriteLine(QByteArrayView line)
{
    ++lines_;
    const qsizetype n = line.size();
    if (file_.write(line.data(), n) != n || file_.write("\r\n", 2) != 2) {
        failure_ = Failure::Line;
        failedLine_ = lines_;
        return false;
    }
    return true;
}

bool SafeFileWriter::Write(QByteArrayView bytes)
{
    if (file_.write(bytes.data(), bytes.size()) != bytes.size()) {
        failure_ = Failure::Line;
        failedLine_ = lines_ + 1;
        return false;
    }
    return true;
}

bool SafeFileWriter::Commit()
{
    // QSaveFile (Qt 6.4) renames even when its own final flush or the fsync
    // failed (disk full), which would put a cut file in place of the old one.
    // Flush and sync here, and drop the temporary on failure.
    if (!file_.flush() || ::fsync(file_.handle()) != 0) {
        file_.cancelWriting();
        file_.commit();  // with writing cancelled this only drops the temporary
        if (failure_ == Failure::None)
            failure_ = Failure::Commit;
        return false;
    }
    if (!file_.commit()) {
        if (failure_ == Failure::None)
            failure_ = Failure::Commit;
        return false;
    }
    return true;
}

void SafeFileWriter::Cancel()
{
    file_.cancelWriting();
    file_.commit();  // with writing cancelled this only drops the temporary
}

bool WriteFileAtomically(const QString &path, QByteArrayView content)
{
    SafeFileWriter w(path);
    return w.Open() && w.Write(content) && w.Commit();
}

bool AppendLineDurably(const QString &path, QByteArrayView line)
{
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

bool ReadLines(const QString &path, QList<QByteArray> &lines)
{
    lines.clear();
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
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
