#include "app/Unit1Usb.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupUsb()
{
    m_usb = std::make_unique<UsbState>();
}

void TFrmTest::HidCtlArrival(THidDevice* /*HidDev*/)
{
}

bool TFrmTest::HidCtlEnumerate(THidDevice* /*HidDev*/, int /*Idx*/)
{
    return false;
}

void TFrmTest::HidCtlDeviceChange()
{
}

void TFrmTest::HidCtlDeviceDataError(THidDevice* /*HidDev*/, quint32 /*Error*/)
{
}

void TFrmTest::HidCtlRemoval(THidDevice* /*HidDev*/)
{
}

void TFrmTest::USBConClick()
{
}

void TFrmTest::Panel2Click()
{
}

void TFrmTest::USBClick()
{
}

void TFrmTest::Panel1Click()
{
}

void TFrmTest::ReadBtnClick()
{
}

void TFrmTest::SetFeatureClick()
{
}

void TFrmTest::ConTimerTimer()
{
}
