// The few facts the HID layer needs from a device's report descriptor: how long its longest input report is
// and whether it numbers its reports. The lengths always count one byte for the report ID, because every
// report reaches the handlers with its ID (0 when unnumbered) in byte 0.
#pragma once

#include <QByteArray>

class HidReportDescriptor {
public:
    // An invalid result (truncated item, unbalanced Pop) reports no reports at all.
    static HidReportDescriptor parse(const QByteArray& descriptor);

    bool isValid() const { return m_valid; }
    bool numbered() const { return m_numbered; }
    int inputReportLength() const { return m_inputLength; }  // 0 when the device has no input report
    int outputReportLength() const { return m_outputLength; }
    int featureReportLength() const { return m_featureLength; }

private:
    bool m_valid = false;
    bool m_numbered = false;
    int m_inputLength = 0;
    int m_outputLength = 0;
    int m_featureLength = 0;
};
