#include "record/IntervalValidator.h"

#include "record/SamplingInterval.h"

QValidator::State IntervalValidator::validate(QString& input, int& /*pos*/) const
{
    return SamplingInterval::isIntervalText(input) ? Acceptable : Invalid;
}
