// XML data packets, our own and other tools', damaged or hostile, into the loader.
#include <QCoreApplication>

#include "record/XmlDataPacket.h"
#include "tests/fuzz/FileHarness.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = fuzzing::scratchFile(data, size, ".xml");
    if (const std::optional<ReadingTable> table = XmlDataPacket::load(name))
        fuzzing::checkTable(*table);
    return 0;
}
