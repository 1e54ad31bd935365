#include "record/DataFiles.h"

#include <QFileInfo>

#include "record/DatedCsvFile.h"
#include "record/ReadingTable.h"
#include "record/TextDataFile.h"
#include "record/XmlDataPacket.h"

namespace {
const QString xmlExtension = QStringLiteral(".xml");
const QString csvExtension = QStringLiteral(".csv");
}  // namespace

QString DataFiles::extensionOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool DataFiles::savesAsXml(const QString& fileName)
{
    return extensionOf(fileName).compare(xmlExtension, Qt::CaseInsensitive) == 0;
}

bool DataFiles::opensAsXml(const QString& fileName)
{
    return extensionOf(fileName) == xmlExtension;
}

bool DataFiles::savesAsDatedCsv(const QString& fileName)
{
    return extensionOf(fileName).compare(csvExtension, Qt::CaseInsensitive) == 0;
}

bool DataFiles::opensAsDatedCsv(const QString& fileName)
{
    // A ".csv" that is not of this form, such as a text file saved under that name, opens as it always has.
    return savesAsDatedCsv(fileName) && DatedCsvFile::hasHeader(fileName);
}

bool DataFiles::save(const ReadingTable& table, const QList<QByteArray>& titles, const QString& fileName,
                     WorkProgress* progress)
{
    if (savesAsXml(fileName))
        return XmlDataPacket::save(table, fileName, progress);
    if (savesAsDatedCsv(fileName))
        return DatedCsvFile::save(table, fileName, progress);
    return TextDataFile::save(table, titles, fileName, progress);
}

bool DataFiles::open(const QString& fileName, ReadingTable& table, QByteArrayView decimalSep, WorkProgress* progress)
{
    if (opensAsDatedCsv(fileName))
        return DatedCsvFile::load(fileName, table, progress);
    if (!opensAsXml(fileName))
        return TextDataFile::load(fileName, table, decimalSep, progress);
    std::optional<ReadingTable> packet = XmlDataPacket::load(fileName, progress);
    if (!packet)
        return false;
    table = std::move(*packet);
    return true;
}
