// The strict reader of journal lines against what QJsonDocument writes and
// reads: every member comes back as written, anything the format does not
// allow is refused, and no mangled line is taken for more than JSON allows.

#include "journal/journal_line.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <random>

using journal::Event;
using journal::ParseEvent;

namespace {

QByteArray AllBytesButLineEnds()
{
    QByteArray b;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n')
            b.append(char(c));
    return b;
}

QByteArray Signed(const QJsonObject &o)
{
    QByteArray mac;
    return journal::SignedLine(o, QByteArray(32, 'k'), journal::InitialMac(), &mac);
}

}  // namespace

TEST(JournalParse, EveryMemberComesBackAsQtWroteIt)
{
    const QByteArray bytes = AllBytesButLineEnds();
    const QByteArray sha(64, 'a');
    QJsonObject edit{{"seq", 41},
                     {"t", "2024-05-17T14:03:22+02:00"},
                     {"kind", "edit"},
                     {"op", journal::Text("NOWAK \xa3ukasz")},
                     {"tab", 3},
                     {"field", 8},
                     {"range", true},
                     {"n", 7},
                     {"sha", QString::fromLatin1(sha)},
                     {"rows", QJsonArray{QJsonObject{{"at", 2},
                                                     {"line", journal::Text(bytes)},
                                                     {"diff", QJsonArray{QJsonArray{8, journal::Text("\xafwir"),
                                                                                    journal::Text("Piasek")}}}},
                                         QJsonObject{{"at", 3}, {"del", true}}}}};
    std::optional<Event> e = ParseEvent(Signed(edit));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->seq, 41);
    EXPECT_EQ(e->kind, "edit");
    EXPECT_EQ(e->Time(), "2024-05-17T14:03:22+02:00");
    EXPECT_EQ(e->op, "NOWAK \xa3ukasz");
    EXPECT_EQ(e->table, 3);
    EXPECT_EQ(e->field, 8);
    EXPECT_TRUE(e->range);
    EXPECT_EQ(e->Lines(), 7);
    EXPECT_EQ(e->Sha(), sha);
    EXPECT_TRUE(e->ChangesTable());
    ASSERT_EQ(e->rows.size(), 2u);
    EXPECT_EQ(e->rows[0].at, 2);
    EXPECT_EQ(e->rows[0].line, bytes);  // every byte, the five cp1250 leaves unassigned too
    ASSERT_EQ(e->rows[0].diff.size(), 1u);
    EXPECT_EQ(e->rows[0].diff[0].column, 8);
    EXPECT_EQ(e->rows[0].diff[0].from, "\xafwir");
    EXPECT_EQ(e->rows[0].diff[0].to, "Piasek");
    EXPECT_TRUE(e->rows[1].del);
    EXPECT_EQ(e->Body(), QJsonDocument::fromJson(Signed(edit)).object());

    QJsonObject opening{{"seq", 1},       {"t", "2024-05-17T14:03:22-11:30"},
                        {"kind", "opening"}, {"tab", 1},
                        {"n", 3},         {"sha", QString::fromLatin1(sha)},
                        {"lines", QJsonArray{journal::Text("a\tb"), "", journal::Text("\x81\x98")}},
                        {"eol", QJsonObject{{"2", "\n"}, {"3", ""}}}};
    e = ParseEvent(Signed(opening), false);
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->hasLines);
    EXPECT_EQ(e->lines, (std::vector<QByteArray>{"a\tb", "", "\x81\x98"}));
    ASSERT_EQ(e->eol.size(), 2u);
    EXPECT_EQ(e->eol[0], (std::pair<qint64, journal::Eol>{2, journal::Eol::Lf}));
    EXPECT_EQ(e->eol[1], (std::pair<qint64, journal::Eol>{3, journal::Eol::None}));
    EXPECT_TRUE(e->Body().isEmpty());  // no copy of the line kept

    QJsonObject purge{{"seq", 9},         {"t", "x"},     {"kind", "purge"}, {"tab", 5},    {"mode", "shown"},
                      {"count", 2},       {"n", 0},       {"sha", "abc"},    {"via", "ręcznie"},
                      {"removed", QJsonArray{3, 1}}};
    e = ParseEvent(Signed(purge));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->mode, "shown");
    EXPECT_EQ(e->count, 2);
    EXPECT_EQ(e->removed, (std::vector<qint64>{3, 1}));
    // Odd texts where a fixed length is usual are kept as they are.
    EXPECT_EQ(e->Time(), "x");
    EXPECT_EQ(e->Sha(), "abc");
    EXPECT_EQ(e->via, QString::fromUtf8("ręcznie"));
}

TEST(JournalParse, RefusesWhatTheFormatDoesNotAllow)
{
    for (const char *line : {
             "",
             "[]",
             "{\"kind\":\"add\"}",                              // no seq
             "{\"seq\":1}",                                     // no kind
             "{\"seq\":\"1\",\"kind\":\"add\"}",                // seq not a number
             "{\"seq\":1.5,\"kind\":\"add\"}",
             "{\"seq\":1,\"kind\":\"add\",\"tab\":6}",          // no such table
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"\\x41\"}",  // no such escape
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"\\ud800\"}",  // half a surrogate pair
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"\xc3\"}",   // cut UTF-8
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"\xc0\xaf\"}",  // overlong UTF-8
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"\xe2\x82\xac\xe2\x98\x83\"}",  // a snowman has no cp1250 byte
             "{\"seq\":1,\"kind\":\"add\",\"line\":\"a\tb\"}",  // a raw control character
             "{\"seq\":1,\"kind\":\"add\"",                     // cut short
             "{\"seq\":1,\"kind\":\"add\"} x",                  // something after it
             "{\"seq\":1,\"kind\":\"add\",}",
             "{\"seq\":1,\"kind\":\"edit\",\"rows\":[{\"diff\":[[1,\"a\"]]}]}",  // a diff of two parts
             "{\"seq\":01,\"kind\":\"add\"}",               // no leading zeros in JSON
             // A repeated member: readers differ on which value counts.
             "{\"seq\":1,\"kind\":\"edit\",\"rows\":[],\"rows\":[{\"at\":1,\"line\":\"x\"}]}",
             "{\"seq\":1,\"kind\":\"opening\",\"lines\":[],\"l\u0069nes\":[\"x\"]}",
             "{\"seq\":1,\"kind\":\"edit\",\"rows\":[{\"at\":1,\"line\":\"x\",\"at\":2}]}",
             "{\"seq\":1,\"kind\":\"add\",\"a1\":0,\"a2\":0,\"a3\":0,\"a4\":0,\"a5\":0,\"a6\":0,\"a7\":0,"
             "\"a8\":0,\"a9\":0,\"b1\":0,\"b2\":0,\"b3\":0,\"b4\":0,\"b5\":0,\"b6\":0,\"removed\":[],\"removed\":[1]}",
             // Members the reader passes over are JSON too.
             "{\"seq\":1,\"kind\":\"add\",\"x\":{1:2}}",
             "{\"seq\":1,\"kind\":\"add\",\"x\":1.}",
             "{\"seq\":1,\"kind\":\"add\",\"x\":-}",
             "{\"seq\":1,\"kind\":\"add\",\"x\":1e}",
             "{\"seq\":1,\"kind\":\"add\",\"x\":+1}",
             "{\"seq\":1,\"kind\":\"add\",\"x\":nul}",
         })
        EXPECT_FALSE(ParseEvent(QByteArrayView(line))) << line;
    const QByteArray withNul("{\"seq\":1,\"kind\":\"add\",\"x\":1\0}", 29);
    EXPECT_FALSE(ParseEvent(withNul));
    // What JSON allows and Qt never writes is still read.
    const std::optional<Event> e = ParseEvent(" { \"s\\u0065q\" : 2 , \"kind\" : \"login\" , \"extra\" : [-0.5e+3, {\"a\": null}, 10] } ");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->seq, 2);
    EXPECT_EQ(e->kind, "login");
}

TEST(JournalParse, AMangledLineIsNeverTakenForMoreThanJson)
{
    const QByteArray good = Signed({{"seq", 12},
                                    {"t", "2024-05-17T14:03:22+02:00"},
                                    {"kind", "add"},
                                    {"op", journal::Text("\xa3ukasz")},
                                    {"tab", 2},
                                    {"at", 4},
                                    {"line", journal::Text("4\t2024-05-17 14:03\t0412.00\t\\\"x\"")},
                                    {"via", "button"},
                                    {"n", 4},
                                    {"sha", QString(64, 'f')}});
    ASSERT_TRUE(ParseEvent(good));
    std::mt19937 rng(2024);
    const char alphabet[] = "{}[]\":,\\u0123456789abcdef -.\xc4\x85\x7f";
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray line = good;
        for (int k = 1 + int(rng() % 3); k > 0; --k) {
            const int at = int(rng() % quint32(line.size()));
            switch (rng() % 3) {
            case 0:
                line[at] = alphabet[rng() % (sizeof alphabet - 1)];
                break;
            case 1:
                line.remove(at, 1 + int(rng() % 4));
                break;
            default:
                line.insert(at, alphabet[rng() % (sizeof alphabet - 1)]);
            }
        }
        const std::optional<Event> e = ParseEvent(line);
        if (!e)
            continue;
        ++accepted;
        QJsonParseError error;
        const QJsonDocument d = QJsonDocument::fromJson(line, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        ASSERT_TRUE(d.isObject()) << line.constData();
        ASSERT_EQ(d.object().value("seq").toInteger(-1), e->seq) << line.constData();
    }
    EXPECT_GT(accepted, 100);  // the mutations do not all break the line
}
