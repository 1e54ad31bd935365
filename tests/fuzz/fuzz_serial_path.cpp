// Meter bytes from a serial port, in chunks of any size, through the frame assembler and the decoder of
// the real window.
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/WindowHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the decimal separator and how the rest is cut into chunks.
    MainWindow& form = fuzzing::window(data[0] & 1);
    unsigned chunkSeed = data[0] >> 1;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    while (left > 0) {
        chunkSeed = chunkSeed * 1103515245u + 12345u;
        const size_t chunk = std::min<size_t>(left, 1 + (chunkSeed >> 16) % 48);
        form.COMM2ReceiveData(nullptr, bytes, qint32(chunk));
        bytes += chunk;
        left -= chunk;
    }
    return 0;
}
