#include "app/Unit1Chart.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupChart()
{
    m_chart = std::make_unique<ChartState>();
}

int TFrmTest::chartAddValue(double /*value*/)
{
    return 1;
}

void TFrmTest::chartSetRange(double /*max*/, double /*min*/)
{
}

void TFrmTest::chartClear()
{
}

void TFrmTest::BtFirstClick()
{
}

void TFrmTest::BTPreviousClick()
{
}

void TFrmTest::BtNextClick()
{
}

void TFrmTest::BTlastClick()
{
}

void TFrmTest::MaxrecordChange()
{
}

void TFrmTest::Timer2Timer()
{
}

void TFrmTest::BtFillClick()
{
}

void TFrmTest::FillPClick()
{
}

void TFrmTest::TbSxClick()
{
}

void TFrmTest::BtSaveClick()
{
}
