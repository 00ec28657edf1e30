#include "journal/journal_line.h"

#include "core/cp1250.h"
#include "journal/journal_format.h"

#include <QJsonDocument>
#include <QMessageAuthenticationCode>

#include <array>

namespace journal {

namespace {

const QByteArray kMacKey = ",\"mac\":\"";
// ,"mac":" + 64 hex digits + "}
constexpr qsizetype kMacTail = 8 + 64 + 2;

}  // namespace

QByteArray InitialMac()
{
    return QByteArray(64, '0');
}

QString TimeText(const QDateTime &t)
{
    const int offset = t.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonValue Text(QByteArrayView bytes)
{
    return cp1250::Decode(bytes);
}

std::optional<QByteArray> Bytes(const QJsonValue &text)
{
    if (!text.isString())
        return std::nullopt;
    return cp1250::Encode(text.toString());
}

QByteArray Mac(const QByteArray &key, QByteArrayView previousMac, QByteArrayView content)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    mac.addData(previousMac.data(), previousMac.size());
    mac.addData(content.data(), content.size());
    return mac.result().toHex();
}

QByteArray SignedLine(const QJsonObject &content, const QByteArray &key, const QByteArray &previousMac,
                      QByteArray *mac)
{
    const QByteArray signedPart = QJsonDocument(content).toJson(QJsonDocument::Compact);
    const QByteArray m = Mac(key, previousMac, signedPart);
    if (mac)
        *mac = m;
    QByteArray line = signedPart;
    line.chop(1);  // the closing }
    line += kMacKey + m + "\"}";
    return line;
}

QByteArrayView MacOf(QByteArrayView line)
{
    if (line.size() < kMacTail + 2 || !line.endsWith("\"}"))
        return {};
    const QByteArrayView tail = line.sliced(line.size() - kMacTail);
    if (!tail.startsWith(kMacKey))
        return {};
    return tail.sliced(kMacKey.size(), 64);
}

bool SplitSigned(QByteArrayView line, QByteArray &content, QByteArrayView &mac)
{
    mac = MacOf(line);
    if (mac.isEmpty())
        return false;
    content = line.first(line.size() - kMacTail).toByteArray() + '}';
    return true;
}

bool Verify(const QByteArray &key, QByteArrayView previousMac, QByteArrayView line)
{
    const QByteArrayView mac = MacOf(line);
    if (mac.isEmpty())
        return false;
    QMessageAuthenticationCode m(QCryptographicHash::Sha256, key);
    m.addData(previousMac.data(), previousMac.size());
    m.addData(line.data(), line.size() - kMacTail);
    m.addData("}", 1);
    return m.result().toHex() == mac;
}

MacChecker::MacChecker(const QByteArray &key)
{
    QByteArray k = key.size() > 64 ? QCryptographicHash::hash(key, QCryptographicHash::Sha256) : key;
    k.resize(64, '\0');
    QByteArray ipad = k, opad = k;
    for (qsizetype i = 0; i < 64; ++i) {
        ipad[i] = char(ipad[i] ^ 0x36);
        opad[i] = char(opad[i] ^ 0x5c);
    }
    inner_.Add(ipad);
    outer_.Add(opad);
}

QByteArray MacChecker::Mac(QByteArrayView previousMac, QByteArrayView content) const
{
    Sha256 inner = inner_;
    inner.Add(previousMac);
    inner.Add(content);
    const Sha256::Digest d = inner.Final();
    Sha256 outer = outer_;
    outer.Add(QByteArrayView(reinterpret_cast<const char *>(d.data()), qsizetype(d.size())));
    return outer.FinalHex();
}

bool MacChecker::Verify(QByteArrayView previousMac, QByteArrayView line) const
{
    const QByteArrayView mac = MacOf(line);
    if (mac.isEmpty())
        return false;
    Sha256 inner = inner_;
    inner.Add(previousMac);
    inner.Add(line.first(line.size() - kMacTail));
    inner.Add("}");
    const Sha256::Digest d = inner.Final();
    Sha256 outer = outer_;
    outer.Add(QByteArrayView(reinterpret_cast<const char *>(d.data()), qsizetype(d.size())));
    return outer.FinalHex() == mac;
}

QString Event::Time() const
{
    if (!timeOther.isEmpty() || timeText[0] == 0)
        return timeOther;
    return QString::fromLatin1(timeText.data(), qsizetype(timeText.size()));
}

QJsonObject Event::Body() const
{
    return QJsonDocument::fromJson(raw).object();
}

}  // namespace journal
