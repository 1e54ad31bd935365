#include "record/RecordAdmission.h"

#include "record/SamplingInterval.h"

bool RecordAdmission::numberAvailable(const RecordControls& controls) const
{
    return RecordNo <= RecordLimit && m_interval.gateOpen(controls.intervalOn);
}

bool RecordAdmission::admissionTest(const QByteArray& valueText, const RecordControls& controls) const
{
    return numberAvailable(controls) && (controls.repeatSet || valueText != LastValue);
}

bool RecordAdmission::admit(const QByteArray& valueText, const RecordControls& controls, const RowWriter& write)
{
    if (!numberAvailable(controls))
        return false;
    const bool admitted = admissionTest(valueText, controls);
    // The box only ever holds an interval; a text set otherwise records nothing and changes nothing.
    if (admitted && (!m_interval.reload(controls.intervalText) || !write(RecordNo)))
        return false;
    ++RecordNo;
    LastValue = valueText;
    return admitted;
}
