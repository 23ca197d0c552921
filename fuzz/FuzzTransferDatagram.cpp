// The file port's datagrams: any bytes either parse or give nothing, and what parses, built
// again, parses back to the same value. Offered names are then made safe as the service
// does, which must not fail on anything that parses.

#include "FuzzRequire.h"
#include "SafeFileName.h"
#include "TransferErrors.h"
#include "TransferProtocol.h"

#include <cstdint>

using namespace transfer;

namespace
{

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto datagram = ParseDatagram(bytes);
    if (!datagram)
        return 0;
    Require(datagram->files.size() <= MaxOfferFiles, "an offer holds at most the file limit");
    Require(datagram->kind == DatagramKind::Announce || IsToken(datagram->token),
            "every datagram but the announcement carries a token");
    QByteArray built;
    try {
        built = BuildDatagram(*datagram);
    } catch (const ETransferError &) {
        // Numbers written shorter than this program writes them ("9e15") can make the
        // same value longer than one datagram.
        return 0;
    }
    const auto again = ParseDatagram(built);
    Require(again.has_value(), "a built datagram parses");
    Require(*again == *datagram, "a built datagram parses back to the same value");
    Require(BuildDatagram(*again) == built, "building is stable");
    for (const OfferedFile &file : datagram->files)
        SafeFileName(file.name);
    return 0;
}
