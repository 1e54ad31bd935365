// The rows a report prints: the six texts of each row of the reading table, in table order.
#pragma once

#include <QByteArray>

class ReportRows {
public:
    // The printed columns, in table order.
    enum Field { No, Time, Value, Unit, VRange, IRange, FieldCount };

    virtual ~ReportRows() = default;
    virtual int count() const = 0;
    // A field as code page 936 bytes; No as decimal text.
    virtual QByteArray text(int row, int field) const = 0;
};
