// Turns what arrives from the meter into frames: 21 hexadecimal digits, the low nibble of each byte,
// ending in "DA" at positions 20 and 21.
//
// Serial path: the digits of every chunk are appended to FrameStr; the first "DA" in it ends a frame. Only
// a "DA" at position 20 delivers (the whole of FrameStr, which may already hold the start of the next
// frame); every "DA" deletes everything up to its "A", which resynchronises after lost bytes by itself.
// Every "DA" of a chunk is handled in it, in order: a read made after the window was busy brings many
// frames at once, and none of them may be lost or held back for later polls. Digits without any "DA" are
// kept only up to a bound, since a "DA" after them could never stand at position 20.
//
// HID path: each input report carries in the low nibble of its first data byte the number of meter bytes
// that follow (1..9); a report without meter data ends the burst, and the low digits of the first 21
// collected bytes are the frame, delivered when they end in "DA".
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What one HID input report came to.
struct HidReportOutcome {
    QString reportText;               // "R 01  03 37 30 30 " : report ID, then every data byte
    bool carriedData = false;         // the report held meter bytes
    bool cut = false;                 // the report ended a burst: FrameStr holds the new cut
    std::optional<QByteArray> frame;  // the cut, when it ends in "DA" at 20 and 21
};

class FrameAssembler {
public:
    // Serial chunk in; the frames to decode out, in order: usually none or one. Each is FrameStr as it
    // stood when its "DA" was handled, so it may hold the start of what follows.
    QList<QByteArray> addBytes(const char* data, qint64 size);
    // One HID input report: the report ID and the bytes after it.
    HidReportOutcome addReport(quint8 reportId, const quint8* data, quint16 size);

    const QByteArray& FrameStr() const { return m_frameStr; }
    const QByteArray& HexBuf() const { return m_hexBuf; }
    bool BurstActive() const { return m_burstActive; }
    // Consecutive HID reports without meter data, for the USB link's watchdog.
    int NoDataCount() const { return m_noDataCount; }
    void resetNoDataCount() { m_noDataCount = 0; }

private:
    QByteArray m_frameStr;
    QByteArray m_hexBuf;
    bool m_burstActive = false;
    int m_noDataCount = 0;
};
