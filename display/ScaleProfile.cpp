#include "display/ScaleProfile.h"

#include <array>

namespace {

struct ProfileValues {
    const char* divisions;
    int fullScale, dialZero, barMax, dialStep;
    double chartMax;
};

constexpr std::array<ProfileValues, 4> kProfiles{{
    {"6", 600, 600, 600, 120, 600},       // V, KW, KVA
    {"10", 1000, 1000, 1000, 200, 1000},  // A, KWh
    {"4", 400, 400, 400, 80, 1300},       // degrees Celsius
    {"7", 1000, 1000, 1000, 200, 1},      // power factor
}};

bool known(int profile)
{
    return profile >= 0 && profile < int(kProfiles.size());
}

}  // namespace

void ScaleProfile::SetFullScale(int profile)
{
    if (!known(profile))
        return;
    const ProfileValues& p = kProfiles[profile];
    ScaleDivisions = p.divisions;
    FullScale = p.fullScale;
    DialZero = p.dialZero;
    BarMax = p.barMax;
    DialStep = p.dialStep;
}

std::optional<int> ScaleProfile::profileForUnit(const QByteArray& unitText)
{
    if (unitText == "V" || unitText == "KW" || unitText == "KVA")
        return 0;
    if (unitText == "A" || unitText == "KWh")
        return 1;
    if (unitText == "\xA1\xE6")  // degrees Celsius in code page 936
        return 2;
    if (unitText == "PF")
        return 3;
    return std::nullopt;
}

double ScaleProfile::chartMaximum(int profile)
{
    return known(profile) ? kProfiles[profile].chartMax : 0.0;
}

double ScaleProfile::chartMinimum(int profile)
{
    return -chartMaximum(profile);
}
