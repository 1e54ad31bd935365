// HID report descriptors, as any device plugged in may present them, into the parser.
#include <QByteArray>
#include <cstdlib>

#include "link/HidReportDescriptor.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HidReportDescriptor d = HidReportDescriptor::parse(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!d.isValid() && (d.inputReportLength() != 0 || d.numbered()))
        std::abort();
    if (d.inputReportLength() < 0 || d.outputReportLength() < 0 || d.featureReportLength() < 0)
        std::abort();
    return 0;
}
