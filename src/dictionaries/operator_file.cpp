#include "dictionaries/operator_file.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "core/user_prompts.h"

#include <QFile>
#include <QtEndian>

namespace {

// Key byte for character i (from 1): the key's byte at offset i mod its length.
quint8 KeyByte(QByteArrayView key, int i)
{
    return quint8(key[i % key.size()]);
}

}  // namespace

QByteArray OperatorFieldRecord::ToBytes() const
{
    QByteArray out(kBytes, Qt::Uninitialized);
    for (int i = 0; i < kOperatorFieldLength; ++i)
        qToLittleEndian<qint32>(values[i], out.data() + 4 * i);
    return out;
}

OperatorFieldRecord OperatorFieldRecord::FromBytes(QByteArrayView bytes)
{
    OperatorFieldRecord r;
    for (int i = 0; i < kOperatorFieldLength; ++i)
        r.values[i] = qFromLittleEndian<qint32>(bytes.data() + 4 * i);
    return r;
}

OperatorFieldRecord EncodeOperatorField(QByteArrayView text, QByteArrayView key)
{
    OperatorFieldRecord r;
    r.values.fill(-1);
    const int n = int(qMin<qsizetype>(text.size(), kOperatorFieldLength));
    for (int i = 1; i <= n; ++i)
        r.values[i - 1] = (quint8(text[i - 1]) ^ KeyByte(key, i)) & 0xFF;
    return r;
}

QByteArray DecodeOperatorField(const OperatorFieldRecord &record, QByteArrayView key)
{
    int n = kOperatorFieldLength;
    while (n > 0 && record.values[n - 1] == -1)
        --n;
    QByteArray text(n, Qt::Uninitialized);
    for (int i = 1; i <= n; ++i)
        text[i - 1] = char((KeyByte(key, i) ^ record.values[i - 1]) & 0xFF);
    return text;
}

QByteArray SerializeOperators(const QList<OperatorEntry> &entries)
{
    QByteArray out;
    out.reserve(entries.size() * kOperatorPairBytes);
    for (const OperatorEntry &e : entries) {
        out += EncodeOperatorField(e.name).ToBytes();
        out += EncodeOperatorField(e.password).ToBytes();
    }
    return out;
}

QList<OperatorEntry> ParseOperators(QByteArrayView bytes)
{
    QList<OperatorEntry> out;
    const qsizetype pairs = bytes.size() / kOperatorPairBytes;
    out.reserve(pairs);
    for (qsizetype p = 0; p < pairs; ++p) {
        const QByteArrayView pair = bytes.sliced(p * kOperatorPairBytes, kOperatorPairBytes);
        out.append({DecodeOperatorField(OperatorFieldRecord::FromBytes(pair.first(OperatorFieldRecord::kBytes))),
                    DecodeOperatorField(OperatorFieldRecord::FromBytes(pair.sliced(OperatorFieldRecord::kBytes)))});
    }
    return out;
}

OperatorFileLoad LoadOperatorFile(const QString &path, UserPrompts &prompts)
{
    OperatorFileLoad result;
    // Only a regular file, and only the bytes it had when opened: a FIFO or a
    // device put in its place must neither hang the start nor fill the memory.
    QByteArray bytes;
    FileRead read = ReadRegularFile(path, bytes);
    if (read == FileRead::Missing) {
        const QList<OperatorEntry> initial{{kAdministratorName, kInitialAdministratorPassword}};
        if (!WriteFileAtomically(path, SerializeOperators(initial))) {
            prompts.Error(StepWriteErrorMessage(10, path));
            result.failed = true;
            return result;
        }
        result.created = true;
        read = ReadRegularFile(path, bytes);
    }
    if (read != FileRead::Ok) {
        prompts.Error(QStringLiteral("Błąd przy odczycie pliku: ") + path + QStringLiteral("."));
        result.failed = true;
        return result;
    }
    result.entries = ParseOperators(bytes);
    result.strayBytes = bytes.size() % kOperatorPairBytes;
    return result;
}

bool SaveOperatorFile(const QString &path, const QList<OperatorEntry> &entries, UserPrompts &prompts)
{
    SafeFileWriter writer(path);
    if (!writer.Open()) {
        prompts.Error(CreateErrorMessage(path));
        return false;
    }
    if (!writer.Write(SerializeOperators(entries))) {
        writer.Cancel();
        prompts.Error(WriteErrorMessage(path));
        return false;
    }
    if (!writer.Commit()) {
        prompts.Error(WriteErrorMessage(path));
        return false;
    }
    return true;
}

QString KeepCopyOfCutFile(const QString &path, UserPrompts &prompts)
{
    QString copy = path + QStringLiteral(".bak");
    for (int n = 2; QFile::exists(copy); ++n)
        copy = path + QStringLiteral(".bak") + QString::number(n);
    QByteArray bytes;
    if (ReadRegularFile(path, bytes) != FileRead::Ok || !WriteFileAtomically(copy, bytes)) {
        prompts.Error(WriteErrorMessage(copy));
        return {};
    }
    return copy;
}
