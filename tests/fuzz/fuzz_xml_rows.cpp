// Pieces of a packet's rows: whatever the direct reader of plain rows accepts, the general XML reader
// must read to exactly the same rows. The direct reader may decline anything; it may never differ.
#include <QByteArray>
#include <cstdio>
#include <cstdlib>

#include "record/XmlPacketParser.h"
#include "record/XmlRowScanner.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray piece(reinterpret_cast<const char*>(data), qsizetype(size));
    RowBatch direct;
    if (!scanPlainRows(piece, direct))
        return 0;
    const PieceRows general = rowsOfPieceByReader(piece);
    if (!general.ok || !(general.rows == direct)) {
        std::fprintf(stderr, "plain rows read differently: %s\n", piece.left(200).constData());
        std::abort();
    }
    return 0;
}
