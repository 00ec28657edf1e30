#pragma once

// The material, packaging and supplier/customer dictionaries: one sorted list
// of rows per file in DataDir, always the whole file. What the window shows
// during a search is a view over this list (DictionaryModel), never a copy,
// so a save can only ever write every row.

#include <QByteArray>
#include <QString>
#include <vector>

enum class DictionaryKind { Material, Packaging, Customer };

// One row. Materials use all three fields, packagings name and tare (kept in
// `second`), customers only the name.
struct DictionaryEntry {
    QByteArray name;
    QByteArray second; // material: default packaging; packaging: tare
    QByteArray third;  // material: price

    bool operator==(const DictionaryEntry &) const = default;
};

// What a load or save came to; `message` is for the user when !ok.
struct DictionaryResult {
    bool ok = true;
    QString message;

    explicit operator bool() const { return ok; }
    static DictionaryResult Failed(QString message) { return {false, std::move(message)}; }
};

class Dictionary {
  public:
    // `dataDir` names the data directory; a missing final '/' is added.
    Dictionary(DictionaryKind kind, QString dataDir);

    DictionaryKind Kind() const { return kind_; }
    // dataDir + "materialy.txt" / "opakowania.txt" / "klienci.txt".
    QString FilePath() const;
    static const char *FileName(DictionaryKind kind);

    // Reads the file: each line a row (customers: the whole line is the
    // name), sorted. A missing file gives an empty list. A file that exists
    // but cannot be read leaves the list empty and blocks every save until a
    // later load succeeds, so the unread file is never written over.
    DictionaryResult Load();
    // Writes every row, in list order, over the file (crash-safe). On failure
    // the file is left as it was and the rows keep their change.
    DictionaryResult Save() const;
    // The last load found the file but could not read it.
    bool LoadFailed() const { return unreadFile_; }

    int Count() const { return int(rows_.size()); }
    const DictionaryEntry &At(int index) const { return rows_[size_t(index)].entry; }
    // The row as a file line: fields joined by TAB (customers: the name).
    QByteArray LineOf(int index) const;

    // False when a field holds a byte that would split or shift the row's
    // file line: CR or LF always, TAB except in a customer name (that file
    // has no separators).
    static bool FieldsFit(DictionaryKind kind, const DictionaryEntry &entry);

    // Each returns the row's index afterwards, or -1 when refused by FieldsFit.
    // Inserting and renaming re-sort: the row goes after rows of an equal name.
    int Insert(DictionaryEntry entry);
    int Rename(int index, QByteArray name);
    bool SetSecond(int index, QByteArray text);
    bool SetThird(int index, QByteArray text);
    void Remove(int index);

  private:
    static QByteArray LineOf(DictionaryKind kind, const DictionaryEntry &entry);
    static DictionaryEntry EntryOf(DictionaryKind kind, QByteArrayView line);

    struct Row {
        DictionaryEntry entry;
        QString sortName; // the decoded name, kept for the comparisons
    };
    int InsertSorted(Row row);

    DictionaryKind kind_;
    QString dataDir_;
    std::vector<Row> rows_;
    bool unreadFile_ = false;
};

// Messages of the dictionary files.
QString DictionaryReadErrorMessage(const QString &path);
