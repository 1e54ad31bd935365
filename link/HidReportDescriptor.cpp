#include "link/HidReportDescriptor.h"

#include <QHash>
#include <QList>
#include <algorithm>

namespace {

// Item prefix: bits 0-1 data size (0, 1, 2 or 4 bytes), bits 2-3 type, bits 4-7 tag.
enum ItemType { Main = 0, Global = 1, Local = 2 };
enum MainTag { Input = 0x8, Output = 0x9, Feature = 0xB };
enum GlobalTag { ReportSize = 0x7, ReportId = 0x8, ReportCount = 0x9, Push = 0xA, Pop = 0xB };
constexpr quint8 LongItemPrefix = 0xFE;

struct GlobalState {
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
};

// Bits of each report, per report ID, for one kind of main item.
using ReportBits = QHash<quint32, quint64>;

int longestReport(const ReportBits& bits)
{
    quint64 longest = 0;
    for (quint64 b : bits)
        longest = std::max(longest, (b + 7) / 8);
    return longest == 0 ? 0 : int(std::min<quint64>(longest + 1, 0xFFFF));
}

}  // namespace

HidReportDescriptor HidReportDescriptor::parse(const QByteArray& descriptor)
{
    HidReportDescriptor result;
    const auto* bytes = reinterpret_cast<const quint8*>(descriptor.constData());
    const qsizetype end = descriptor.size();
    GlobalState global;
    QList<GlobalState> stack;
    ReportBits input, output, feature;

    for (qsizetype pos = 0; pos < end;) {
        const quint8 prefix = bytes[pos];
        if (prefix == LongItemPrefix) {
            if (pos + 2 >= end)
                return {};
            pos += 3 + bytes[pos + 1];
            continue;
        }
        const int size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + size > end)
            return {};
        quint32 value = 0;
        for (int i = 0; i < size; ++i)
            value |= quint32(bytes[pos + 1 + i]) << (8 * i);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        pos += 1 + size;

        if (type == Global) {
            switch (tag) {
            case ReportSize: global.reportSize = value; break;
            case ReportCount: global.reportCount = value; break;
            case ReportId:
                global.reportId = value;
                result.m_numbered = true;
                break;
            case Push: stack.append(global); break;
            case Pop:
                if (stack.isEmpty())
                    return {};
                global = stack.takeLast();
                break;
            default: break;
            }
        } else if (type == Main) {
            const quint64 bits = quint64(global.reportSize) * global.reportCount;
            if (tag == Input)
                input[global.reportId] += bits;
            else if (tag == Output)
                output[global.reportId] += bits;
            else if (tag == Feature)
                feature[global.reportId] += bits;
        }
    }
    result.m_valid = true;
    result.m_inputLength = longestReport(input);
    result.m_outputLength = longestReport(output);
    result.m_featureLength = longestReport(feature);
    return result;
}
