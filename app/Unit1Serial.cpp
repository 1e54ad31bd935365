#include "app/Unit1Serial.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupSerial()
{
    m_serial = std::make_unique<SerialState>();
}

void TFrmTest::COMConClick()
{
}

void TFrmTest::BtCOM1Click()
{
}

void TFrmTest::btCOM2Click()
{
}

void TFrmTest::btCOM3Click()
{
}

void TFrmTest::BtCOM4Click()
{
}

void TFrmTest::COM1Click()
{
}

void TFrmTest::COM2Click()
{
}

void TFrmTest::COM3Click()
{
}

void TFrmTest::COM4Click()
{
}
