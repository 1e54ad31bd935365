#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/HelpViewer.h"
#include "app/MainWindowChart.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowJournal.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowReport.h"
#include "app/MainWindowSerial.h"
#include "app/MainWindowSettings.h"
#include "app/MainWindowUsb.h"
#include "ui_MainWindow.h"

namespace {

const QColor kPanelGrey(0xE8, 0xE8, 0xE8);
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
constexpr int kClientWidth = 760;
constexpr int kClientHeight = 533;

void setColour(QWidget* widget, const QColor& colour, QPalette::ColorRole role = QPalette::Window)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A picture of the window, drawn from its SVG resource at the size the window shows it.
QPixmap picture(const char* name, QSize size)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name))).pixmap(size);
}

}  // namespace

// The window's pictures are compiled into its library, which registers them only when asked to.
static void registerPictures()
{
    Q_INIT_RESOURCE(icons);
}

MainWindow::MainWindow(FormEnvironment env, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_env(std::move(env))
{
    if (m_env.dialogs) {
        m_dialogs = m_env.dialogs;
    } else {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    registerPictures();
    ui->setupUi(this);
    applyStoredLayout();
    // The components of the stored layout, in the order the window creates them.
    setupFrames();
    setupSerial();
    setupUsb();
    setupReport();
    bindComponents();
    FormCreate();
    // Added after the start-up the window has always had: the journal's, the links' and the settings' menu
    // items, the remembered settings, then the offer to restore a recording a crash left open.
    setupJournal();
    ui->Rec->addAction(serial().ReconnectAutomatically);
    setupSettings();
    restoreRecording();
}

MainWindow::~MainWindow()
{
    // Settings are taken from the widgets before they go; the journal is closed on disk.
    storeSettings();
    m_settings.reset();
    m_journal.reset();
    // Links stop before the widgets they feed go away.
    m_usb.reset();
    m_serial.reset();
    delete ui;
}

void MainWindow::applyStoredLayout()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The window's own text is Arial 8 (Liberation Sans here, its metric twin); the panel's labels carry
    // their own fonts. The menu bar's height, and so the window's, follows from it.
    QFont formFont(QStringLiteral("Liberation Sans"));
    formFont.setPixelSize(11);
    setFont(formFont);
    // The client area is 760 x 533; the stored-data strip below it is reached with the vertical scroll bar.
    // The scroll area fills the client area (the stored layout puts it in one), so it and its scroll bars
    // stay inside the window whatever size the window is given later.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ui->ClientScroll->setWidget(ui->FormClient);
    ui->FormClient->setFixedSize(kClientWidth, ui->DBGrid2->geometry().bottom() + 4);
    setFixedSize(kClientWidth + scrollBar, menuBar()->sizeHint().height() + kClientHeight);
    QPalette scrollPalette = ui->ClientScroll->verticalScrollBar()->palette();
    scrollPalette.setColor(QPalette::Button, palette().color(QPalette::Active, QPalette::Highlight).lighter(150));
    ui->ClientScroll->verticalScrollBar()->setPalette(scrollPalette);

    // The interval box sits over the run of blanks inside the interval check box's caption, so the two
    // read as "Sampling Interval <n> 'S".
    const QString caption = ui->RecordSI->text();
    const QString before = caption.left(caption.indexOf(QLatin1String("  ")));
    QStyleOptionButton option;
    option.initFrom(ui->RecordSI);
    const int textLeft = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, ui->RecordSI).left();
    const int blanksLeft = ui->RecordSI->x() + textLeft +
                           ui->RecordSI->fontMetrics().horizontalAdvance(before + QLatin1Char(' '));
    ui->RecordSITime->move(blanksLeft, ui->RecordSITime->y());

    for (QWidget* w : {static_cast<QWidget*>(ui->Panel4), static_cast<QWidget*>(ui->Panel5),
                       static_cast<QWidget*>(ui->Panel6), static_cast<QWidget*>(ui->MainDisplay)})
        setColour(w, kPanelGrey);
    setColour(ui->KD, Qt::white);
    for (QWidget* w : {ui->BtCOM1, ui->BtCOM2, ui->BtCOM3, ui->BtCOM4})
        setColour(w, kSkyBlue);
    setColour(ui->DBGrid2, kSkyBlue, QPalette::Base);
    for (QWidget* w : {ui->Panel2, ui->Panel3})
        w->setCursor(Qt::PointingHandCursor);

    ui->power->setPixmap(picture("power", QSize(64, 58)));
    ui->danger->setPixmap(picture("danger", QSize(26, 42)));
    ui->CONok->setPixmap(picture("link-up", QSize(32, 32)));     // frames are arriving
    ui->CONokN->setPixmap(picture("link-down", QSize(32, 32)));  // no frames

    QStyle* s = style();
    ui->BtSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->BtNew->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton1->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->SpeedButton2->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton3->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    const QIcon printer(QStringLiteral(":/icons/printer.svg"));
    ui->MajPrint->setIcon(printer);
    ui->SpeedButton4->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    ui->SpeedButton6->setIcon(s->standardIcon(QStyle::SP_TitleBarNormalButton));
    ui->SpeedButton8->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->SpeedButton9->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton7->setIcon(printer);
    ui->TbFd->setPixmap(picture("enlarge", QSize(25, 25)));
    ui->TbSx->setPixmap(picture("restore", QSize(25, 25)));
    for (QWidget* w : {ui->TbFd, ui->TbSx})
        w->setCursor(Qt::PointingHandCursor);

    // Hidden menus stay hidden; their items' shortcuts still work because the window holds the items too.
    ui->Comset->menuAction()->setVisible(false);
    ui->About1->menuAction()->setVisible(false);
    addAction(ui->HELP1);

    ConTimer.setInterval(100);
    SampInterTime.setInterval(1000);
    Engertimer.setInterval(500);
    Timer2.setInterval(500);
    ConTimer.start();
    SampInterTime.start();
}

void MainWindow::bindComponents()
{
    connect(&ConTimer, &QTimer::timeout, this, &MainWindow::ConTimerTimer);
    connect(&SampInterTime, &QTimer::timeout, this, &MainWindow::SampInterTimeTimer);
    connect(&Engertimer, &QTimer::timeout, this, &MainWindow::EngertimerTimer);
    connect(&Timer2, &QTimer::timeout, this, &MainWindow::Timer2Timer);

    connect(ui->COMCon, &QPushButton::clicked, this, &MainWindow::COMConClick);
    connect(ui->USBCon, &QPushButton::clicked, this, &MainWindow::USBConClick);
    connect(ui->ReadBtn, &QPushButton::clicked, this, &MainWindow::ReadBtnClick);
    connect(ui->SetFeature, &QPushButton::clicked, this, &MainWindow::SetFeatureClick);
    connect(ui->Panel1, &PanelButton::clicked, this, &MainWindow::Panel1Click);
    connect(ui->Panel2, &PanelButton::clicked, this, &MainWindow::Panel2Click);
    connect(ui->Panel3, &PanelButton::clicked, this, &MainWindow::Panel3Click);
    connect(ui->BtCOM1, &PanelButton::clicked, this, &MainWindow::BtCOM1Click);
    connect(ui->BtCOM2, &PanelButton::clicked, this, &MainWindow::btCOM2Click);
    connect(ui->BtCOM3, &PanelButton::clicked, this, &MainWindow::btCOM3Click);
    connect(ui->BtCOM4, &PanelButton::clicked, this, &MainWindow::BtCOM4Click);

    connect(ui->SpeedButton1, &QToolButton::clicked, this, &MainWindow::Save_asClick);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &MainWindow::ClearRClick);
    connect(ui->SpeedButton3, &QToolButton::clicked, this, &MainWindow::OpenClick);
    connect(ui->MajPrint, &QToolButton::clicked, this, &MainWindow::MajPrintClick);
    connect(ui->SpeedButton6, &QToolButton::clicked, this, &MainWindow::SpeedButton6Click);
    connect(ui->SpeedButton7, &QToolButton::clicked, this, &MainWindow::SpeedButton7Click);
    connect(ui->RecordSITime, &QLineEdit::textChanged, this, &MainWindow::RecordSITimeChange);

    // The fill box follows ticks set by code as well as clicks.
    connect(ui->BtFill, &QCheckBox::toggled, this, &MainWindow::BtFillClick);
    connect(ui->Maxrecord, &QLineEdit::textChanged, this, &MainWindow::MaxrecordChange);
    connect(ui->BtSave, &QToolButton::clicked, this, &MainWindow::BtSaveClick);
    connect(ui->BtNew, &QToolButton::clicked, this, &MainWindow::ClearRClick);
    connect(ui->BtFirst, &QToolButton::clicked, this, &MainWindow::BtFirstClick);
    connect(ui->BTPrevious, &QToolButton::clicked, this, &MainWindow::BTPreviousClick);
    connect(ui->BtNext, &QToolButton::clicked, this, &MainWindow::BtNextClick);
    connect(ui->BTlast, &QToolButton::clicked, this, &MainWindow::BTlastClick);
    connect(ui->TbFd, &PanelButton::clicked, this, &MainWindow::TbSxClick);
    connect(ui->TbSx, &PanelButton::clicked, this, &MainWindow::TbSxClick);

    connect(ui->COM1, &QAction::triggered, this, &MainWindow::COM1Click);
    connect(ui->COM2, &QAction::triggered, this, &MainWindow::COM2Click);
    connect(ui->COM3, &QAction::triggered, this, &MainWindow::COM3Click);
    connect(ui->COM4, &QAction::triggered, this, &MainWindow::COM4Click);
    connect(ui->USB, &QAction::triggered, this, &MainWindow::USBClick);
    connect(ui->Savepicture, &QAction::triggered, this, &MainWindow::BtSaveClick);
    connect(ui->FirstP, &QAction::triggered, this, &MainWindow::BtFirstClick);
    connect(ui->NextP, &QAction::triggered, this, &MainWindow::BtNextClick);
    connect(ui->LastP, &QAction::triggered, this, &MainWindow::BTlastClick);
    connect(ui->PrivousP, &QAction::triggered, this, &MainWindow::BTPreviousClick);
    connect(ui->FillP, &QAction::triggered, this, &MainWindow::FillPClick);
    connect(ui->New1, &QAction::triggered, this, &MainWindow::ClearRClick);
    connect(ui->SaveR, &QAction::triggered, this, &MainWindow::Save_asClick);
    connect(ui->set1k, &QAction::triggered, this, &MainWindow::set1kClick);
    connect(ui->set5k, &QAction::triggered, this, &MainWindow::set5kClick);
    connect(ui->set10k, &QAction::triggered, this, &MainWindow::set10kClick);
    connect(ui->set50k, &QAction::triggered, this, &MainWindow::set50kClick);
    connect(ui->set100k, &QAction::triggered, this, &MainWindow::set100kClick);
    connect(ui->setlimit, &QAction::triggered, this, &MainWindow::setlimitClick);
    connect(ui->ClearR, &QAction::triggered, this, &MainWindow::ClearRClick);
    connect(ui->SearchR, &QAction::triggered, this, &MainWindow::SearchRClick);
    connect(ui->HELP1, &QAction::triggered, this, &MainWindow::HELP1Click);
    connect(ui->About2, &QAction::triggered, this, &MainWindow::About2Click);
}

void MainWindow::FormCreate()
{
    DecimalSep = GetDecimalSep();
    setupChart();
    ExePath = m_env.exePath.isEmpty() ? QCoreApplication::applicationDirPath() : m_env.exePath;
    if (!ExePath.endsWith(QLatin1Char('/')))
        ExePath += QLatin1Char('/');
    ui->COM1->setChecked(true);
    ui->set10k->setChecked(true);
    setupRecord();
    KDsetup();
    KDrun(DialZero());
    ui->RepeatSet->setChecked(true);
    LinkType = 5;
    setWindowTitle(QStringLiteral("58-30172 Interface Program Ver2.01"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString MainWindow::GetDecimalSep() const
{
    if (!m_env.decimalSep.isEmpty())
        return m_env.decimalSep.left(10);
    return MeterState::systemDecimalSeparator();
}

bool MainWindow::FormCloseQuery()
{
    return dialogs().message(QStringLiteral("Are you sure quit?"), QStringLiteral("KM610_KM620"),
                             Dialogs::Icon::Question, Dialogs::Yes | Dialogs::No) == Dialogs::Yes;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void MainWindow::Panel3Click()
{
    close();
}

QString MainWindow::helpFilePath() const
{
    // Beside the program in a build tree; under share/km610 once installed, where bin/ holds no documents.
    const QString beside = ExePath + QStringLiteral("km610-help.html");
    const QString installed = QDir::cleanPath(ExePath + QStringLiteral("../share/km610/km610-help.html"));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

void MainWindow::HELP1Click()
{
    const QString path = helpFilePath();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        dialogs().message(
            QStringLiteral("The help file %1 cannot be opened: %2.")
                .arg(path, info.exists() ? QStringLiteral("it is not readable") : QStringLiteral("no such file")),
            QStringLiteral("KM610_620"), Dialogs::Icon::Information, Dialogs::Ok);
        return;
    }
    auto* viewer = findChild<HelpViewer*>();
    if (!viewer)
        viewer = new HelpViewer(this);
    viewer->showDocument(path);
}

void MainWindow::About2Click() {}

void MainWindow::DispInit(int mode)
{
    if (mode != 0 && mode != 1)
        return;
    const bool on = mode == 1;
    QWidget* const annunciators[] = {ui->LCDHold,  ui->LcdAuto,  ui->ol1,       ui->ol2,     ui->ol3,    ui->rsUSB,
                                     ui->wsg,      ui->power,    ui->labMEM,    ui->Labtime, ui->Labcal, ui->Labmin,
                                     ui->dc1,      ui->freq,     ui->f1,        ui->c1,      ui->c,      ui->pg,
                                     ui->kvar1,    ui->Labmr,    ui->Labclr,    ui->Labtemp, ui->Labmax, ui->labdc,
                                     ui->labac,    ui->f,        ui->pf,        ui->kvar,    ui->kwh,    ui->danger,
                                     ui->LabelF,   ui->T_LabelF, ui->Point1,    ui->Point2,  ui->Point3, ui->T_Point1,
                                     ui->T_Point2, ui->T_Point3, ui->T_dPoint1, ui->Lab0,    ui->labMEM, ui->LabFUL};
    for (QWidget* w : annunciators)
        if (!(on && w == ui->rsUSB))
            w->setVisible(on);
}

void MainWindow::EngertimerTimer()
{
    ui->T_dPoint1->setVisible(!ui->T_dPoint1->isVisible());
}
