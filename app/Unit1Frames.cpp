#include "app/Unit1Frames.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupFrames()
{
    m_frames = std::make_unique<FramesState>();
}

void TFrmTest::ShowData610(const QByteArray& /*frame*/)
{
}

void TFrmTest::COMM2ReceiveData(QObject* /*Sender*/, const char* /*DataPtr*/, qint32 /*DataSize*/)
{
}

void TFrmTest::Read610(THidDevice* /*HidDev*/, quint8 /*ReportID*/, const quint8* /*Data*/, quint16 /*Size*/)
{
}

void TFrmTest::KDsetup(int /*unused*/)
{
}

void TFrmTest::KDrun(int /*position*/)
{
}

const Reading& TFrmTest::reading() const
{
    static const Reading r;
    return r;
}

int TFrmTest::DialZero() const
{
    return 600;
}
