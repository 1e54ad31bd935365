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
class UsbLink;
struct ReportState;
struct JournalState;
struct SettingsState;

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
    bool FormCloseQuery();  // asks "Are you sure quit?"; true when the close may go ahead
    void Panel3Click();     // the "EXIT" panel: closes the window, asking first
    void HELP1Click();      // F1: opens the help document at its contents
    void About2Click();     // the hidden "About..." item: does nothing
    QString GetDecimalSep() const;
    void DispInit(int mode);  // 0: every annunciator, sign and point of the panel off; 1: all on
    void EngertimerTimer();   // blinks the colon of the panel's time display (the timer is never started)
    QString helpFilePath() const;

    // Module-level state of the program
    QString DecimalSep;
    QString ExePath;
    int LinkType = 0;                 // 1..4: COM1..COM4, 5: USB
    BoundedLog ListBox1{1000};        // one line per serial frame
    BoundedLog HistoryListBox{1000};  // HID reports and device arrivals/removals
    QTimer ConTimer, SampInterTime, Engertimer, Timer2;

    // ---- Frames: assembler, decoder, dial and bar (MainWindowFrames.cpp)
    void ShowData610(const QByteArray& frame);  // decodes one frame onto the panel, dial, bar, chart and table
    void COMM2ReceiveData(QObject* Sender, const char* DataPtr, qint32 DataSize);         // serial bytes to frames
    void Read610(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);  // USB report to frames
    void KDsetup();            // draws the dial face of the scale profile in force
    void KDrun(int position);  // moves the dial's pointer to a position of the scale
    const Reading& reading() const;
    int DialZero() const;  // the dial position that shows zero, from the scale profile in force
    FramesState& frames() const { return *m_frames; }

    // ---- Recording: table, interval, data files (MainWindowRecord.cpp)
    bool AdmissionTest() const;    // the one test the decoder and the recorder share
    void INDataToTable(int kind);  // records the reading as a row when the admission test passes
    void ClearRClick();            // deletes every row (after a warning) and clears the chart
    void set1kClick();             // Record, RecordSet: at most 1000 rows
    void set5kClick();             // ... 5000 rows
    void set10kClick();            // ... 10000 rows
    void set50kClick();            // ... 50000 rows
    void set100kClick();           // ... 100000 rows
    void setlimitClick();          // ... no limit
    void SearchRClick();           // the hidden " Search" item: does nothing
    void RecordSITimeChange();     // a new sampling interval restarts the countdown
    void SampInterTimeTimer();     // counts the sampling interval down, once a second
    void Save_asClick();           // saves the table as a text or XML data file
    void OpenClick();              // opens a data file into the table
    RecordState& record() const { return *m_record; }

    // ---- Chart: pager and view commands (MainWindowChart.cpp)
    int chartAddValue(double value);             // AddValue, page number shown on Bt10
    void chartSetRange(double max, double min);  // the unit's vertical range, both ends at once
    void chartClear();                           // Clear, page number shown on Bt10
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordChange();  // a page size typed: applied once typing pauses (Timer2)
    void Timer2Timer();      // applies the page size typed into Maxrecord
    void BtFillClick();      // the "Fill" box: shows or hides the area under the curve
    void FillPClick();       // Graph, " Fill": flips the fill, the "Fill" box follows
    void TbSxClick();        // the enlarge and restore pictures: the chart over the window, or back
    void BtSaveClick();      // saves the chart as shown as a bitmap file
    ChartState& chart() const { return *m_chart; }

    // ---- Serial link (MainWindowSerial.cpp)
    void COMConClick();  // "COM Connect": opens or closes the chosen serial port
    void BtCOM1Click();  // the port panel: steps COM1 -> COM2
    void btCOM2Click();  // ... COM2 -> COM3
    void btCOM3Click();  // ... COM3 -> COM4
    void BtCOM4Click();  // ... COM4 -> COM1
    void COM1Click();    // the hidden ComSet menu: the link is COM1
    void COM2Click();    // ... COM2
    void COM3Click();    // ... COM3
    void COM4Click();    // ... COM4
    SerialState& serial() const { return *m_serial; }

    // ---- USB link (MainWindowUsb.cpp; the workflow and Hidctl's handlers live in link/UsbLink)
    void HidCtlDeviceChange();  // the link's device list shown in DevListBox
    void USBConClick();         // connects or disconnects the USB cable
    void Panel2Click();         // the "USB Connect" panel: connects over USB, or ends the link in use
    void USBClick();            // the hidden ComSet menu: the link is USB
    void Panel1Click();         // the hidden link panel: steps to the next link, COM1 .. COM4, USB
    void ReadBtnClick();        // stops reading the cable chosen in the device list
    void SetFeatureClick();     // sends the cable its configuration report
    void ConTimerTimer();       // the USB no-data watchdog; shows the link indicator as down until a frame
    void showLinkDown();        // the link indicator shows "not connected" until the next frame
    UsbLink& usb() const { return *m_usb; }

    // ---- Reports (MainWindowReport.cpp)
    void MajPrintClick();       // previews (and prints) the report of the reading table
    void SpeedButton6Click();   // the stored-data strip's size button: a smaller window and chart
    void SpeedButton7Click();   // previews the stored-data report
    void Report1BeforePrint();  // puts the page total on the reading table's report
    void Report2BeforePrint();  // puts the page total on the stored-data report
    ReportState& report() const { return *m_report; }

    // ---- Recording journal and Record > Recordings… (MainWindowJournal.cpp)
    void journalRowAdmitted();  // after INDataToTable appended a row
    void journalTableEmptied();
    void restoreRecording();  // offers a recording left open by a crash
    void RecordingsClick();
    JournalState& journal() const { return *m_journal; }

    // ---- Remembered settings (MainWindowSettings.cpp)
    SettingsState& settings() const { return *m_settings; }
    void storeSettings();  // at quit

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
    void setupJournal();
    void setupSettings();

    FormEnvironment m_env;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    std::unique_ptr<FramesState> m_frames;
    std::unique_ptr<RecordState> m_record;
    std::unique_ptr<ChartState> m_chart;
    std::unique_ptr<SerialState> m_serial;
    std::unique_ptr<UsbLink> m_usb;
    std::unique_ptr<ReportState> m_report;
    std::unique_ptr<JournalState> m_journal;
    std::unique_ptr<SettingsState> m_settings;
};
