// The main window of the KM610/620 interface program. It is a thin switchboard: the rules live in the
// subsystem libraries, and the handlers here keep the names the meter program has always used so that
// every component event reads the same as the window's design.
//
// The handlers are split over one source file per subsystem (MainWindowFrames.cpp, MainWindowRecord.cpp,
// MainWindowChart.cpp, MainWindowSerial.cpp, MainWindowUsb.cpp, MainWindowReport.cpp); each keeps its own state struct.
#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QTime>
#include <QTimer>
#include <functional>
#include <memory>

#include "dialogs/Dialogs.h"
#include "display/Reading.h"
#include "link/BoundedLog.h"

namespace Ui {
class MainWindow;
}
class HidPlatform;
class THidDevice;
struct FramesState;
struct RecordState;
struct ChartState;
struct SerialState;
struct UsbState;
struct ReportState;

// What the window takes from its surroundings. Every field has a default taken from the system, so the
// program passes an empty environment and tests replace what they need.
struct FormEnvironment {
    Dialogs* dialogs = nullptr;                // message boxes and file dialogs; null: the toolkit's own
    std::shared_ptr<HidPlatform> hidPlatform;  // HID devices; null: the Linux hidraw platform
    std::function<QTime()> clock;              // time of admission of a reading; null: the system clock
    QString decimalSep;                        // empty: the system locale's decimal separator
    QString exePath;                           // empty: the program file's folder
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(FormEnvironment env = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow* ui;  // every component of the stored layout, by its name
    Dialogs& dialogs() const { return *m_dialogs; }

    // ---- Application shell (MainWindow.cpp)
    void FormCreate();
    bool FormCloseQuery();  // true when the close may go ahead
    void Panel3Click();
    void HELP1Click();
    void About2Click();
    QString GetDecimalSep() const;
    void DispInit(int mode);
    void EngertimerTimer();
    QString helpFilePath() const;

    // Module-level state of the program
    QString DecimalSep;
    QString ExePath;
    int LinkType = 0;  // 1..4: COM1..COM4, 5: USB
    BoundedLog ListBox1{1000};        // one line per serial frame
    BoundedLog HistoryListBox{1000};  // HID reports and device arrivals/removals
    QTimer ConTimer, SampInterTime, Engertimer, Timer2, Timer1;

    // ---- Frames: assembler, decoder, dial and bar (MainWindowFrames.cpp)
    void ShowData610(const QByteArray& frame);
    void COMM2ReceiveData(QObject* Sender, const char* DataPtr, qint32 DataSize);
    void Read610(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);
    void KDsetup(int unused);
    void KDrun(int position);
    const Reading& reading() const;
    int DialZero() const;  // the dial position that shows zero, from the scale profile in force
    FramesState& frames() const { return *m_frames; }

    // ---- Recording: table, interval, data files (MainWindowRecord.cpp)
    bool AdmissionTest() const;  // the one test the decoder and the recorder share
    void INDataToTable(int kind);
    void ClearRClick();
    void set1kClick();
    void set5kClick();
    void set10kClick();
    void set50kClick();
    void set100kClick();
    void setlimitClick();
    void SearchRClick();
    void RecordSITimeChange();
    void SampInterTimeTimer();
    void Save_asClick();
    void OpenClick();
    RecordState& record() const { return *m_record; }

    // ---- Chart: pager and view commands (MainWindowChart.cpp)
    int chartAddValue(double value);            // AddValue, page number shown on Bt10
    void chartSetRange(double max, double min);  // SetValueMax then SetValueMin
    void chartClear();                           // Clear, page number shown on Bt10
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordChange();
    void Timer2Timer();
    void BtFillClick();
    void FillPClick();
    void TbSxClick();
    void BtSaveClick();
    ChartState& chart() const { return *m_chart; }

    // ---- Serial link (MainWindowSerial.cpp)
    void COMConClick();
    void BtCOM1Click();
    void btCOM2Click();
    void btCOM3Click();
    void BtCOM4Click();
    void COM1Click();
    void COM2Click();
    void COM3Click();
    void COM4Click();
    SerialState& serial() const { return *m_serial; }

    // ---- USB link (MainWindowUsb.cpp)
    void HidCtlArrival(THidDevice* HidDev);
    bool HidCtlEnumerate(THidDevice* HidDev, int Idx);
    void HidCtlDeviceChange();
    void HidCtlDeviceDataError(THidDevice* HidDev, quint32 Error);
    void HidCtlRemoval(THidDevice* HidDev);
    void USBConClick();
    void Panel2Click();
    void USBClick();
    void Panel1Click();
    void ReadBtnClick();
    void SetFeatureClick();
    void ConTimerTimer();
    UsbState& usb() const { return *m_usb; }

    // ---- Reports (MainWindowReport.cpp)
    void MajPrintClick();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void Report1BeforePrint();
    void Report2BeforePrint();
    ReportState& report() const { return *m_report; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void bindComponents();
    void applyStoredLayout();
    // Each subsystem's part of the window is created by its own file.
    void setupFrames();
    void setupRecord();
    void setupChart();
    void setupSerial();
    void setupUsb();
    void setupReport();

    FormEnvironment m_env;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    std::unique_ptr<FramesState> m_frames;
    std::unique_ptr<RecordState> m_record;
    std::unique_ptr<ChartState> m_chart;
    std::unique_ptr<SerialState> m_serial;
    std::unique_ptr<UsbState> m_usb;
    std::unique_ptr<ReportState> m_report;
};
