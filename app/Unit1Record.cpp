#include "app/Unit1Record.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

void TFrmTest::setupRecord()
{
    m_record = std::make_unique<RecordState>();
}

bool TFrmTest::AdmissionTest() const
{
    return false;
}

void TFrmTest::INDataToTable(int /*kind*/)
{
}

void TFrmTest::ClearRClick()
{
}

void TFrmTest::set1kClick()
{
}

void TFrmTest::set5kClick()
{
}

void TFrmTest::set10kClick()
{
}

void TFrmTest::set50kClick()
{
}

void TFrmTest::set100kClick()
{
}

void TFrmTest::setlimitClick()
{
}

void TFrmTest::SearchRClick()
{
}

void TFrmTest::RecordSITimeChange()
{
}

void TFrmTest::SampInterTimeTimer()
{
}

void TFrmTest::Save_asClick()
{
}

void TFrmTest::OpenClick()
{
}
