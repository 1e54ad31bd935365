// The table's XML data packet (saved under ".xml"):
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//     <FIELD attrname="No" fieldtype="i4"/>
//     <FIELD attrname="time" fieldtype="string" WIDTH="20"/>  ... Value, Unit, V_Range, I_Range alike
//   </FIELDS><PARAMS/></METADATA><ROWDATA>
//     <ROW No="1" time="12:00:01" Value="230.5" Unit="V" V_Range="600.0V" I_Range="40.0A"/> ...
//   </ROWDATA></DATAPACKET>
// Texts are written untrimmed, an empty text as an empty attribute.
//
// Packets written by other tools are read too: without an encoding declaration their attribute values
// are code page 936 bytes; rows may carry a RowState (1 original, 2 deleted, 4 inserted, 8 modified),
// PARAMS may carry attributes such as CHANGE_LOG, and a missing attribute is an empty field.
#pragma once

#include <QString>
#include <optional>

#include "record/ReadingTable.h"

class WorkProgress;

class XmlDataPacket {
public:
    // Writes through a temporary file that replaces the target only when complete.
    // A cancel through `progress` fails the save and the load.
    static bool save(const ReadingTable& table, const QString& fileName, WorkProgress* progress = nullptr);
    // The packet's rows, or nothing when the file cannot be read or is no packet of these six fields.
    static std::optional<ReadingTable> load(const QString& fileName, WorkProgress* progress = nullptr);
};
