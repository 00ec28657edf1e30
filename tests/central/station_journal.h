#pragma once

// A station's data folder as the tests need it: the five table files and
// dane/dziennik.txt written together, the journal by its documented format
// (journal/journal_format.h): one signed JSON event per line, chained by
// "mac", table lines as the characters of their cp1250 bytes, "n" and "sha"
// of the file after each table event.

#include "core/cp1250.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>

#include <array>
#include <memory>
#include <vector>

namespace central_test {

class StationJournal {
public:
    // `dataDir`: the station's dane/ folder (made when missing).
    StationJournal(QString dataDir, QByteArray key = QByteArray(32, 'k'), QString stationId = "ST-TEST")
        : dir_(std::move(dataDir)), key_(std::move(key))
    {
        QDir().mkpath(dir_);
        QJsonObject o{{"kind", "journal"}, {"format", 1}, {"station", stationId}};
        Write(o);
    }

    // Many events at once (benchmarks): lines are written at Flush().
    void SetBulk(bool bulk)
    {
        bulk_ = bulk;
        Flush();
    }
    void Flush()
    {
        if (pending_.isEmpty())
            return;
        QFile f(JournalPath());
        f.open(QIODevice::Append);
        f.write(pending_);
        pending_.clear();
    }

    QString JournalPath() const { return dir_ + "/dziennik.txt"; }
    QString TablePath(int tab) const { return dir_ + QStringLiteral("/pomiary%1.txt").arg(tab); }
    const std::vector<QByteArray> &Lines(int tab) const { return tables_[size_t(tab - 1)]; }
    qint64 NextSeq() const { return seq_; }
    const QByteArray &LastMac() const { return mac_; }
    // The journal's lines as written (without line ends).
    const std::vector<QByteArray> &JournalLines() const { return journal_; }

    // A weighing line of twelve fields (cp1250).
    static QByteArray Weighing(int nr, const char *time, const char *gross, const char *net, const char *tare,
                               const char *price, const char *value, const QByteArray &material,
                               const QByteArray &customer, const QByteArray &order = "Z1",
                               const QByteArray &packaging = "paleta", const QByteArray &op = "ADMINISTRATOR")
    {
        return QByteArray::number(nr) + '\t' + time + '\t' + gross + '\t' + net + '\t' + tare + '\t' + price +
               '\t' + value + '\t' + order + '\t' + material + '\t' + packaging + '\t' + op + '\t' + customer;
    }

    void Login(const QByteArray &op) { Write({{"kind", "login"}, {"op", Text(op)}}); }

    void Add(int tab, const QByteArray &line, const char *via = "button", QJsonObject extra = {})
    {
        Table(tab).push_back(line);
        extra.insert("at", qint64(Lines(tab).size()));
        extra.insert("line", Text(line));
        extra.insert("via", via);
        Write(TableEvent(tab, "add", extra));
    }

    // An event of no table, with whatever members it has.
    void Other(const char *kind, QJsonObject members = {})
    {
        members.insert("kind", kind);
        Write(members);
    }

    // Rows from 1, as in the file before the event; an empty line removes the row.
    void Edit(int tab, const std::vector<std::pair<int, QByteArray>> &rows, const char *kind = "edit")
    {
        QJsonArray a;
        std::vector<int> removed;
        for (const auto &[at, line] : rows) {
            if (line.isEmpty()) {
                a.append(QJsonObject{{"at", at}, {"del", true}, {"line", Text(Lines(tab)[size_t(at - 1)])}});
                removed.push_back(at);
            } else {
                a.append(QJsonObject{{"at", at}, {"line", Text(line)}, {"diff", QJsonArray{}}});
                Table(tab)[size_t(at - 1)] = line;
            }
        }
        RemovePositions(tab, removed);
        Write(TableEvent(tab, kind, {{"rows", a}, {"field", 2}}));
    }

    void Delete(int tab, int at)
    {
        const QByteArray line = Lines(tab)[size_t(at - 1)];
        RemovePositions(tab, {at});
        Write(TableEvent(tab, "delete", {{"at", at}, {"line", Text(line)}}));
    }

    void Series(int tab)
    {
        Table(tab).clear();
        Write(TableEvent(tab, "series", {{"lines", QJsonArray{}}}));
    }

    void Purge(int tab, const std::vector<int> &removed)
    {
        QJsonArray a;
        for (int r : removed)
            a.append(r);
        RemovePositions(tab, removed);
        Write(TableEvent(tab, "purge", {{"mode", "shown"}, {"count", qint64(removed.size())}, {"removed", a}}));
    }

    void Whole(int tab, const char *kind, const std::vector<QByteArray> &lines)
    {
        Table(tab) = lines;
        QJsonArray a;
        for (const QByteArray &l : lines)
            a.append(Text(l));
        QJsonObject extra{{"lines", a}};
        if (QByteArrayView(kind) == "opening")
            extra.insert("eol", QJsonObject{});
        if (QByteArrayView(kind) == "archive_read")
            extra.insert("file", "archiwum/tab_1.txt");
        Write(TableEvent(tab, kind, extra));
    }

    void External(int tab, int from, int drop, const std::vector<QByteArray> &lines)
    {
        auto &t = Table(tab);
        t.erase(t.begin() + (from - 1), t.begin() + (from - 1 + drop));
        t.insert(t.begin() + (from - 1), lines.begin(), lines.end());
        QJsonArray a;
        for (const QByteArray &l : lines)
            a.append(Text(l));
        Write(TableEvent(tab, "external", {{"from", from}, {"drop", drop}, {"lines", a}, {"differ", QJsonArray{}}}));
    }

    // The last event's change did not reach its file: it is undone and a
    // not_applied names it.
    void NotApplied(int tab, std::vector<QByteArray> before)
    {
        Table(tab) = std::move(before);
        running_[size_t(tab - 1)].reset();
        Write({{"kind", "not_applied"}, {"ref", seq_ - 1}});
    }

    void Archive(int tab) { Write({{"kind", "archive"}, {"tab", tab}, {"file", "a.txt"}, {"count", 1}, {"selection", "all"}}); }

    // The five table files as the journal says they are.
    void WriteTables() const
    {
        for (int tab = 1; tab <= 5; ++tab) {
            QFile f(TablePath(tab));
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(FileBytes(tab));
        }
    }

    QByteArray FileBytes(int tab) const
    {
        QByteArray out;
        for (const QByteArray &l : Lines(tab))
            out += l + "\r\n";
        return out;
    }

    // Signs a JSON object as the line after the current last one (for tests
    // that write their own lines).
    QByteArray Sign(QJsonObject o, const QByteArray &previousMac, QByteArray *mac = nullptr) const
    {
        QByteArray content = QJsonDocument(o).toJson(QJsonDocument::Compact);
        QMessageAuthenticationCode m(QCryptographicHash::Sha256, key_);
        m.addData(previousMac);
        m.addData(content);
        const QByteArray hex = m.result().toHex();
        if (mac)
            *mac = hex;
        content.chop(1);
        return content + ",\"mac\":\"" + hex + "\"}";
    }

    // Replaces the journal with `lines` (tests that tamper with it).
    void RewriteJournal(const std::vector<QByteArray> &lines)
    {
        journal_ = lines;
        QFile f(JournalPath());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (const QByteArray &l : lines)
            f.write(l + "\r\n");
        seq_ = qint64(lines.size());
        mac_ = lines.empty() ? QByteArray(64, '0') : lines.back().right(66).left(64);
    }

    static QJsonValue Text(const QByteArray &cp1250Bytes) { return cp1250::Decode(cp1250Bytes); }

private:
    std::vector<QByteArray> &Table(int tab) { return tables_[size_t(tab - 1)]; }

    void RemovePositions(int tab, std::vector<int> positions)
    {
        std::sort(positions.rbegin(), positions.rend());
        for (int p : positions)
            Table(tab).erase(Table(tab).begin() + (p - 1));
    }

    QJsonObject TableEvent(int tab, const char *kind, QJsonObject extra)
    {
        extra.insert("kind", kind);
        extra.insert("tab", tab);
        extra.insert("n", qint64(Lines(tab).size()));
        // An add hashes on from the file before it; anything else hashes the file anew.
        auto &h = running_[size_t(tab - 1)];
        if (QByteArrayView(kind) == "add" && h) {
            h->addData(Lines(tab).back() + "\r\n");
        } else {
            h = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
            h->addData(FileBytes(tab));
        }
        extra.insert("sha", QString::fromLatin1(h->result().toHex()));
        return extra;
    }

    void Write(QJsonObject o)
    {
        o.insert("seq", seq_);
        o.insert("t", "2024-05-17T14:03:22+02:00");
        if (!op_.isEmpty())
            o.insert("op", op_);
        const QByteArray line = Sign(o, mac_, &mac_);
        ++seq_;
        journal_.push_back(line);
        if (bulk_) {
            pending_ += line + "\r\n";
            return;
        }
        QFile f(JournalPath());
        f.open(QIODevice::Append);
        f.write(line + "\r\n");
    }

    QString dir_;
    QByteArray key_;
    QString op_ = "ADMINISTRATOR";
    qint64 seq_ = 0;
    QByteArray mac_ = QByteArray(64, '0');
    std::array<std::vector<QByteArray>, 5> tables_;
    std::vector<QByteArray> journal_;
    bool bulk_ = false;
    std::array<std::unique_ptr<QCryptographicHash>, 5> running_;
    QByteArray pending_;
};

}  // namespace central_test
