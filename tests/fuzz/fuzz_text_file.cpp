// Text data files, as other programs or damaged disks may leave them, into the loader.
#include <QCoreApplication>

#include "record/TextDataFile.h"
#include "tests/fuzz/FileHarness.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = fuzzing::scratchFile(data, size, ".txt");
    ReadingTable table;
    table.append({7, "12:00:00", "1.000", "V", "600.0V", "-"});
    TextDataFile::load(name, table, size % 2 ? QByteArrayView(",") : QByteArrayView("."));
    // Rows already in the table stay whatever the file holds.
    if (table.rowCount() < 1 || table.row(0).No != 7 || table.row(0).Value != "1.000")
        std::abort();
    fuzzing::checkTable(table);
    return 0;
}
