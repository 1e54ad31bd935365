#include "app/Unit1Report.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupReport()
{
    m_report = std::make_unique<ReportState>();
}

void TFrmTest::MajPrintClick()
{
}

void TFrmTest::SpeedButton6Click()
{
}

void TFrmTest::SpeedButton7Click()
{
}

void TFrmTest::Report1BeforePrint()
{
}

void TFrmTest::Report2BeforePrint()
{
}
