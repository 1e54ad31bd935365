// Input reports of the USB cable, one after another, through Read610 of the real window. The input is a
// sequence of reports: a length byte, the report ID, then that many data bytes.
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/WindowHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    MainWindow& form = fuzzing::window(data[0] & 1);
    size_t at = 1;
    while (at + 2 <= size) {
        const size_t length = std::min<size_t>(data[at], size - at - 2);
        const quint8 reportId = data[at + 1];
        form.Read610(nullptr, reportId, data + at + 2, quint16(length));
        at += 2 + length;
    }
    return 0;
}
