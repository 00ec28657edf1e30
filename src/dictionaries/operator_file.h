#pragma once

// The operator file operatorzy.txt: binary, no header, one pair of
// OperatorFieldRecords per operator (name, then password), 256 bytes a pair.
//
// The XOR with a fixed key only hides names and passwords from a casual look
// at the file; anyone with the file can read them back. It protects nothing.
// It stays because the files in use are written this way.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

class UserPrompts;

// The key of the field encoding, used for names and passwords alike.
inline constexpr char kOperatorFieldKey[] = "vuq#$rKT58mh?";

// Longest name or password, in cp1250 characters.
inline constexpr int kOperatorFieldLength = 32;

// 32 signed 32-bit integers, little-endian on disk: one character each, -1 after the text.
struct OperatorFieldRecord {
    static constexpr int kBytes = kOperatorFieldLength * 4;
    std::array<qint32, kOperatorFieldLength> values{};

    QByteArray ToBytes() const;
    // `bytes` must hold at least kBytes.
    static OperatorFieldRecord FromBytes(QByteArrayView bytes);
};

// Text (cp1250; only its first 32 characters are kept) -> record.
OperatorFieldRecord EncodeOperatorField(QByteArrayView text, QByteArrayView key = kOperatorFieldKey);
// Record -> text: up to the last position that is not -1.
QByteArray DecodeOperatorField(const OperatorFieldRecord &record, QByteArrayView key = kOperatorFieldKey);

struct OperatorEntry {
    QByteArray name;      // cp1250, 1..32 characters
    QByteArray password;  // cp1250, 1..32 characters, case-sensitive
};

inline constexpr int kOperatorPairBytes = 2 * OperatorFieldRecord::kBytes;

// The file's bytes for `entries`, in their order.
QByteArray SerializeOperators(const QList<OperatorEntry> &entries);
// Whole pairs of `bytes`, in file order; a partial pair at the end is left out.
QList<OperatorEntry> ParseOperators(QByteArrayView bytes);

// The operator built in: present in every new file.
inline constexpr char kAdministratorName[] = "ADMINISTRATOR";
inline constexpr char kInitialAdministratorPassword[] = "957";

struct OperatorFileLoad {
    QList<OperatorEntry> entries;  // in file order
    qint64 strayBytes = 0;         // bytes after the last whole pair (a cut file)
    bool created = false;          // the file was missing and has been created
    bool failed = false;           // could not be created or read: `entries` is empty
};

// Reads `path`; a missing file is created with the built-in administrator
// ("Błąd (10) ..." when that fails). A file that cannot be read is reported and
// gives an empty list.
OperatorFileLoad LoadOperatorFile(const QString &path, UserPrompts &prompts);

// Rewrites `path` crash-safely with `entries`. On failure the file keeps its
// old content and the failure is reported ("Błąd (1) ..." when the file cannot
// be created).
bool SaveOperatorFile(const QString &path, const QList<OperatorEntry> &entries, UserPrompts &prompts);

// Saves a byte-for-byte copy of a cut operator file next to it before it is
// rewritten: "operatorzy.txt.bak", or ".bak2", ".bak3"... when taken. The
// copy's path, or empty when it could not be written (reported).
QString KeepCopyOfCutFile(const QString &path, UserPrompts &prompts);
