#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/MainWindowChart.h"
#include "app/MainWindowFrames.h"
#include "app/MainWindowJournal.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowReport.h"
#include "app/MainWindowSerial.h"
#include "app/MainWindowSettings.h"
#include "app/MainWindowUsb.h"
#include "display/LcdPictures.h"
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

// A small printer, for the buttons that print.
QIcon printerIcon()
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 9, 6));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 9, 6));
    p.drawLine(QPointF(7, 15), QPointF(13, 15));
    return QIcon(pixmap);
}

// The chart's enlarge and restore pictures: four corner arrows pointing out, or in.
QPixmap cornerArrows(bool outwards)
{
    QPixmap pixmap(25, 25);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x40, 0x90), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF centre(12.5, 12.5);
    for (const QPointF corner : {QPointF(4, 4), QPointF(21, 4), QPointF(4, 21), QPointF(21, 21)}) {
        const QPointF inner = centre + (corner - centre) * 0.35;
        const QPointF tip = outwards ? corner : inner;
        const QPointF tail = outwards ? inner : corner;
        p.drawLine(tail, tip);
        const QPointF back = (tail - tip) * 0.45;
        p.drawLine(tip, tip + QPointF(back.x(), 0));
        p.drawLine(tip, tip + QPointF(0, back.y()));
    }
    return pixmap;
}

}  // namespace

MainWindow::MainWindow(FormEnvironment env, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_env(std::move(env))
{
    if (m_env.dialogs) {
        m_dialogs = m_env.dialogs;
    } else {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    ui->setupUi(this);
    applyStoredLayout();
    // The components of the stored layout, in the order the window creates them.
    setupFrames();
    setupSerial();
    setupUsb();
    setupReport();
    bindComponents();
    FormCreate();
    // Added after the start-up the window has always had: the journal's and the settings' menu items,
    // the remembered settings, then the offer to restore a recording a crash left open.
    setupJournal();
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
    // The client area is 760 x 533; the stored-data strip below it is reached with the vertical scroll bar.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ui->ClientScroll->setGeometry(0, 0, kClientWidth + scrollBar, kClientHeight);
    ui->ClientScroll->setWidget(ui->FormClient);
    ui->FormClient->setFixedSize(kClientWidth, ui->DBGrid2->geometry().bottom() + 4);
    setFixedSize(kClientWidth + scrollBar, menuBar()->sizeHint().height() + kClientHeight);
    QPalette scrollPalette = ui->ClientScroll->verticalScrollBar()->palette();
    scrollPalette.setColor(QPalette::Button, palette().color(QPalette::Active, QPalette::Highlight).lighter(150));
    ui->ClientScroll->verticalScrollBar()->setPalette(scrollPalette);

    // The window's own text is Arial 8 (Liberation Sans here, its metric twin); the panel's labels carry
    // their own fonts.
    QFont formFont(QStringLiteral("Liberation Sans"));
    formFont.setPixelSize(11);
    setFont(formFont);
    // The interval box sits over the run of blanks inside the interval check box's caption, so the two
    // read as "Sampling Interval <n> 'S".
    const QString caption = ui->RecordSI->text();
    const QString before = caption.left(caption.indexOf(QLatin1String("  ")));
    QStyleOptionButton option;
    option.initFrom(ui->RecordSI);
    const int textLeft = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, ui->RecordSI).left();
    const int blanksLeft = ui->RecordSI->x() + textLeft + ui->RecordSI->fontMetrics().horizontalAdvance(before + QLatin1Char(' '));
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

    ui->power->setPixmap(LcdPictures::power(QSize(64, 58)));
    ui->danger->setPixmap(LcdPictures::danger(QSize(26, 42)));
    ui->CONok->setPixmap(LcdPictures::linkUp(QSize(32, 32)));
    ui->CONokN->setPixmap(LcdPictures::linkDown(QSize(32, 32)));

    QStyle* s = style();
    ui->BtSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->BtNew->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton1->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->SpeedButton2->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton3->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    ui->MajPrint->setIcon(printerIcon());
    ui->SpeedButton4->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    ui->SpeedButton6->setIcon(s->standardIcon(QStyle::SP_TitleBarNormalButton));
    ui->SpeedButton8->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    ui->SpeedButton9->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->SpeedButton7->setIcon(printerIcon());
    ui->TbFd->setPixmap(cornerArrows(true));
    ui->TbSx->setPixmap(cornerArrows(false));
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
    KDsetup(1);
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
    return ExePath + QStringLiteral("km610-help.html");
}

void MainWindow::HELP1Click()
{
    const QString path = helpFilePath();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        dialogs().message(QStringLiteral("The help file %1 cannot be opened: %2.")
                              .arg(path, info.exists() ? QStringLiteral("it is not readable")
                                                       : QStringLiteral("no such file")),
                          QStringLiteral("KM610_620"), Dialogs::Icon::Information, Dialogs::Ok);
        return;
    }
    auto* viewer = findChild<QDialog*>(QStringLiteral("HelpViewer"));
    if (!viewer) {
        viewer = new QDialog(this);
        viewer->setObjectName(QStringLiteral("HelpViewer"));
        viewer->setWindowTitle(QStringLiteral("KM610_620 Help"));
        viewer->resize(640, 560);
        auto* browser = new QTextBrowser(viewer);
        browser->setObjectName(QStringLiteral("HelpBrowser"));
        browser->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(viewer);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
    }
    // Opened at its contents, the start of the document.
    auto* browser = viewer->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    browser->setSource(QUrl::fromLocalFile(path));
    browser->scrollToAnchor(QStringLiteral("contents"));
    viewer->show();
    viewer->raise();
}

void MainWindow::About2Click() {}

void MainWindow::DispInit(int mode)
{
    if (mode != 0 && mode != 1)
        return;
    const bool on = mode == 1;
    QWidget* const annunciators[] = {
        ui->LCDHold, ui->LcdAuto, ui->ol1,      ui->ol2,      ui->ol3,      ui->rsUSB,    ui->wsg,
        ui->power,   ui->labMEM,  ui->Labtime,  ui->Labcal,   ui->Labmin,   ui->dc1,      ui->freq,
        ui->f1,      ui->c1,      ui->c,        ui->pg,       ui->kvar1,    ui->Labmr,    ui->Labclr,
        ui->Labtemp, ui->Labmax,  ui->labdc,    ui->labac,    ui->f,        ui->pf,       ui->kvar,
        ui->kwh,     ui->danger,  ui->LabelF,   ui->T_LabelF, ui->Point1,   ui->Point2,   ui->Point3,
        ui->T_Point1, ui->T_Point2, ui->T_Point3, ui->T_dPoint1, ui->Lab0, ui->labMEM, ui->LabFUL};
    for (QWidget* w : annunciators)
        if (!(on && w == ui->rsUSB))
            w->setVisible(on);
}

void MainWindow::EngertimerTimer()
{
    ui->T_dPoint1->setVisible(!ui->T_dPoint1->isVisible());
}
