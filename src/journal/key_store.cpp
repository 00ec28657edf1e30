#include "journal/key_store.h"

#include "core/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

const QByteArray kKeyHeader = "pomiary-dziennik-klucz 1";
constexpr qint64 kSlotSize = 2048;

QByteArray SlotMac(const JournalKey &key, QByteArrayView text)
{
    return QMessageAuthenticationCode::hash(text.toByteArray(), key.secret, QCryptographicHash::Sha256).toHex();
}

QByteArray SlotText(const JournalKey &key, const JournalState &s)
{
    QByteArray text = "gen " + QByteArray::number(s.generation) + " seq " + QByteArray::number(s.seq) + " mac " +
                      (s.mac.isEmpty() ? QByteArray("-") : s.mac) + " start " + QByteArray::number(s.lineStart) +
                      " end " + QByteArray::number(s.end);
    for (const FileClaim &f : s.files)
        text += " file " + QByteArray::number(f.lines) + ' ' + (f.sha.isEmpty() ? QByteArray("-") : f.sha);
    if (!s.folder.isEmpty())
        text += " dir " + s.folder;
    text += " check " + SlotMac(key, text) + '\n';
    return text;
}

std::optional<JournalState> ParseSlot(const JournalKey &key, const QByteArray &slot)
{
    const qsizetype nl = slot.indexOf('\n');
    if (nl < 0)
        return std::nullopt;
    const QByteArray text = slot.left(nl);
    const qsizetype check = text.lastIndexOf(" check ");
    if (check < 0 || text.mid(check + 7) != SlotMac(key, text.left(check)))
        return std::nullopt;
    const QList<QByteArray> w = text.left(check).split(' ');
    // A state written before the folder's identity was kept has no "dir".
    const bool hasFolder = w.size() == 10 + 5 * 3 + 2 && w[25] == "dir";
    if ((w.size() != 10 + 5 * 3 && !hasFolder) || w[0] != "gen" || w[2] != "seq" || w[4] != "mac" || w[6] != "start" ||
        w[8] != "end")
        return std::nullopt;
    JournalState s;
    s.generation = w[1].toULongLong();
    s.seq = w[3].toLongLong();
    s.mac = w[5] == "-" ? QByteArray() : w[5];
    s.lineStart = w[7].toLongLong();
    s.end = w[9].toLongLong();
    for (int i = 0; i < 5; ++i) {
        s.files[size_t(i)].lines = w[11 + 3 * i].toLongLong();
        s.files[size_t(i)].sha = w[12 + 3 * i] == "-" ? QByteArray() : w[12 + 3 * i];
    }
    if (hasFolder)
        s.folder = w[26];
    return s;
}

bool MakePrivateDir(const QString &dir)
{
    if (!QDir().mkpath(dir))
        return false;
    return QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

KeyStore::KeyStore(QString dir) : dir_(dir.isEmpty() ? DefaultDir() : std::move(dir))
{
    if (!dir_.endsWith(QLatin1Char('/')))
        dir_ += QLatin1Char('/');
}

QString KeyStore::DefaultDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/pomiary/dziennik/");
}

QString KeyStore::KeyPath(const QByteArray &station) const
{
    return dir_ + QString::fromLatin1(station) + QStringLiteral(".klucz");
}

QString KeyStore::StatePath(const QByteArray &station) const
{
    return dir_ + QString::fromLatin1(station) + QStringLiteral(".stan");
}

QString KeyStore::CanonicalDataDir(const QString &dataDir)
{
    QString dir = QFileInfo(dataDir).canonicalFilePath();
    if (dir.isEmpty())
        dir = QFileInfo(dataDir).absoluteFilePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QByteArray KeyStore::FolderIdentity(const QString &dir)
{
    const QByteArray path = QFile::encodeName(dir);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return {};
    // The file system's id rather than the device number, where it has one:
    // some (btrfs, network file systems) get another device number at
    // another mount, and the same folder must not look like a copy.
    struct statvfs fs {};
    QByteArray where;
    if (::statvfs(path.constData(), &fs) == 0 && fs.f_fsid != 0)
        where = "f" + QByteArray::number(quint64(fs.f_fsid), 16);
    else
        where = "d" + QByteArray::number(quint64(st.st_dev), 16);
    return where + ':' + QByteArray::number(quint64(st.st_ino));
}

std::optional<JournalKey> KeyStore::Load(const QByteArray &station) const
{
    // A station name is the identifier the program made: nothing that could leave the folder.
    if (station.isEmpty() || station.contains('/') || station.startsWith('.'))
        return std::nullopt;
    QList<QByteArray> lines;
    if (!ReadLines(KeyPath(station), lines) || lines.size() < 3 || lines[0] != kKeyHeader)
        return std::nullopt;
    JournalKey key;
    key.station = station;
    key.secret = QByteArray::fromHex(lines[1]);
    key.dataDir = QString::fromUtf8(lines[2]);
    if (key.secret.size() != 32)
        return std::nullopt;
    return key;
}

std::optional<JournalKey> KeyStore::Create(const QString &dataDir)
{
    if (!MakePrivateDir(dir_))
        return std::nullopt;
    JournalKey key;
    key.station = QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1();
    key.secret.resize(32);
    QRandomGenerator::system()->generate(key.secret.begin(), key.secret.end());
    key.dataDir = CanonicalDataDir(dataDir);
    const QByteArray content = kKeyHeader + '\n' + key.secret.toHex() + '\n' + key.dataDir.toUtf8() + '\n';
    // Made once and never rewritten: created exclusively, readable by the user only.
    const QByteArray path = QFile::encodeName(KeyPath(key.station));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || !SyncFolderOf(KeyPath(key.station))) {
        ::unlink(path.constData());
        return std::nullopt;
    }
    return key;
}

std::optional<JournalKey> KeyStore::FindKeptFor(const QString &dataDir) const
{
    const QString wanted = CanonicalDataDir(dataDir);
    const QStringList keys = QDir(dir_).entryList({QStringLiteral("*.klucz")}, QDir::Files);
    for (const QString &name : keys) {
        const std::optional<JournalKey> key = Load(name.chopped(6).toLatin1());
        if (key && key->dataDir == wanted && LoadState(*key))
            return key;
    }
    return std::nullopt;
}

std::optional<JournalState> KeyStore::LoadState(const JournalKey &key) const
{
    QByteArray data;
    if (ReadRegularFile(StatePath(key.station), data) != FileRead::Ok)
        return std::nullopt;
    std::optional<JournalState> best;
    for (qint64 at = 0; at + 1 < 2 * kSlotSize && at < data.size(); at += kSlotSize) {
        const std::optional<JournalState> s = ParseSlot(key, data.mid(at, kSlotSize));
        if (s && (!best || s->generation > best->generation))
            best = s;
    }
    return best;
}

bool KeyStore::SaveState(const JournalKey &key, JournalState &state, bool durable) const
{
    ++state.generation;
    QByteArray slot = SlotText(key, state);
    if (slot.size() > kSlotSize)
        return false;
    slot.append(kSlotSize - slot.size(), ' ');
    // Two slots written in turn, each checked by its own mac: a write cut
    // short spoils one slot only, and the other still holds the state before.
    const QByteArray path = QFile::encodeName(StatePath(key.station));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const off_t at = off_t((state.generation % 2) * kSlotSize);
    bool ok = ::pwrite(fd, slot.constData(), size_t(slot.size()), at) == slot.size();
    if (durable)
        ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    return ok && (!durable || SyncFolderOf(StatePath(key.station)));
}

void KeyStore::RemoveState(const JournalKey &key) const
{
    QFile::remove(StatePath(key.station));
}
