#include "TransferProtocol.h"
#include "TransferErrors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

const QByteArray Magic = "PALAVRIX-FILES/1\n";
constexpr int MaxNameLength = 1024;
constexpr int MaxNickLength = 256;
constexpr double MaxSize = 9007199254740992.0; // 2^53: exact in a JSON number

const std::array<std::pair<DatagramKind, QLatin1StringView>, 5> KindNames = {{
    {DatagramKind::Announce, "announce"_L1},
    {DatagramKind::Offer, "offer"_L1},
    {DatagramKind::Accept, "accept"_L1},
    {DatagramKind::Decline, "decline"_L1},
    {DatagramKind::Cancel, "cancel"_L1},
}};

QString KindName(DatagramKind kind)
{
    for (const auto &[k, name] : KindNames) {
        if (k == kind)
            return name;
    }
    return {};
}

std::optional<DatagramKind> KindOf(const QString &name)
{
    for (const auto &[k, n] : KindNames) {
        if (n == name)
            return k;
    }
    return std::nullopt;
}

bool HasPort(DatagramKind kind)
{
    return kind == DatagramKind::Announce || kind == DatagramKind::Accept;
}

bool HasToken(DatagramKind kind)
{
    return kind != DatagramKind::Announce;
}

bool HasNick(DatagramKind kind)
{
    return kind == DatagramKind::Announce || kind == DatagramKind::Offer;
}

std::optional<qint64> WholeNumber(const QJsonValue &value, double max)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (d < 0 || d > max || std::floor(d) != d)
        return std::nullopt;
    return static_cast<qint64>(d);
}

std::optional<QList<OfferedFile>> ParseFiles(const QJsonValue &value)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.isEmpty() || array.size() > MaxOfferFiles)
        return std::nullopt;
    QList<OfferedFile> files;
    for (const QJsonValue &item : array) {
        const QJsonObject object = item.toObject();
        const QJsonValue name = object.value("name"_L1);
        const auto size = WholeNumber(object.value("size"_L1), MaxSize);
        if (!name.isString() || name.toString().isEmpty() ||
            name.toString().size() > MaxNameLength || !size)
            return std::nullopt;
        files.append({name.toString(), *size});
    }
    return files;
}

} // namespace

QByteArray BuildDatagram(const TransferDatagram &datagram)
{
    QJsonObject object{{"type"_L1, KindName(datagram.kind)}};
    if (HasPort(datagram.kind))
        object.insert("port"_L1, datagram.port);
    if (HasNick(datagram.kind))
        object.insert("nick"_L1, datagram.nick);
    if (HasToken(datagram.kind))
        object.insert("token"_L1, datagram.token);
    if (datagram.kind == DatagramKind::Offer) {
        if (datagram.files.size() > MaxOfferFiles)
            throw ETransferError(TransferFault::OfferTooLarge);
        QJsonArray files;
        for (const OfferedFile &file : datagram.files)
            files.append(QJsonObject{{"name"_L1, file.name}, {"size"_L1, file.size}});
        object.insert("files"_L1, files);
    }
    const QByteArray bytes = Magic + QJsonDocument(object).toJson(QJsonDocument::Compact);
    if (bytes.size() > MaxDatagramSize)
        throw ETransferError(TransferFault::OfferTooLarge);
    return bytes;
}

std::optional<TransferDatagram> ParseDatagram(const QByteArray &bytes)
{
    if (bytes.size() > MaxDatagramSize || !bytes.startsWith(Magic))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.mid(Magic.size()), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto kind = KindOf(object.value("type"_L1).toString());
    if (!kind)
        return std::nullopt;
    TransferDatagram datagram;
    datagram.kind = *kind;
    if (HasPort(*kind)) {
        const auto port = WholeNumber(object.value("port"_L1), 65535);
        if (!port || *port == 0)
            return std::nullopt;
        datagram.port = static_cast<quint16>(*port);
    }
    if (HasNick(*kind)) {
        datagram.nick = object.value("nick"_L1).toString();
        if (datagram.nick.size() > MaxNickLength)
            return std::nullopt;
    }
    if (HasToken(*kind)) {
        datagram.token = object.value("token"_L1).toString();
        if (!IsToken(datagram.token))
            return std::nullopt;
    }
    if (*kind == DatagramKind::Offer) {
        auto files = ParseFiles(object.value("files"_L1));
        if (!files)
            return std::nullopt;
        datagram.files = std::move(*files);
    }
    return datagram;
}

QString NewToken()
{
    std::array<quint32, 4> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words.data()), sizeof(words)).toHex());
}

bool IsToken(const QString &text)
{
    if (text.size() != TokenLength)
        return false;
    for (QChar c : text) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

QByteArray BuildFrameHeader(FrameType type, quint32 length)
{
    QByteArray header(FrameHeaderSize, Qt::Uninitialized);
    header[0] = static_cast<char>(type);
    qToBigEndian(length, header.data() + 1);
    return header;
}

std::optional<FrameHeader> ParseFrameHeader(const QByteArray &header)
{
    if (header.size() != FrameHeaderSize)
        return std::nullopt;
    const auto type = static_cast<FrameType>(header[0]);
    const quint32 length = qFromBigEndian<quint32>(header.constData() + 1);
    bool fits = false;
    switch (type) {
    case FrameType::Token:
        fits = length == TokenLength;
        break;
    case FrameType::Data:
        fits = length > 0 && length <= MaxDataPayload;
        break;
    case FrameType::Digest:
        fits = length == DigestSize;
        break;
    case FrameType::Failure:
        fits = length == 1;
        break;
    case FrameType::FileDone:
    case FrameType::Cancel:
        fits = length == 0;
        break;
    default:
        return std::nullopt;
    }
    if (!fits)
        return std::nullopt;
    return FrameHeader{type, length};
}

} // namespace transfer
