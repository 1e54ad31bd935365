#include "display/PanelChanges.h"

namespace {

constexpr std::array<const char*, kPanelItemCount> kNames{
    "rsUSB",   "LabFUL",  "stor1",   "stor2",   "LabelA",   "LabelB",   "LabelC",   "LabelD", "LabelF",
    "Point1",  "Point2",  "Point3",  "kvar",    "labac",    "kvar1",    "freq",     "dc1",    "kwh",
    "pg",      "Lab0",    "pf",      "Labtemp", "c",        "f1",       "power",    "danger", "Labmax",
    "Labmin",  "LCDHold", "Labclr",  "labMEM",  "wsg",      "ol1",      "ol2",      "ol3",    "Labtime",
    "H_Time1", "H_Time2", "M_Time1", "M_Time2", "T_Point1", "T_Point2", "T_Point3",
};

}  // namespace

const char* panelItemName(PanelItem item)
{
    return kNames[int(item)];
}
