// The rows of a packet as this program and the usual tools write them: nothing but empty ROW elements
// whose attribute values are plain text. The general XML reader spends some twenty times longer on each
// such row than it takes to read it directly, so plain rows are read here, and whatever is not plain
// is left to the general reader, whose verdict then holds.
#pragma once

#include <QByteArrayView>

class RowBatch;

// Reads a piece of a packet's ROWDATA in UTF-8 that holds only whitespace and plain rows. False as soon
// as it meets anything else: a comment, another element, a character reference, a value with a line
// end or tab, bytes that are no UTF-8, a number in any but the plain decimal form; the rows read so far
// are then of no use.
bool scanPlainRows(QByteArrayView piece, RowBatch& rows);
