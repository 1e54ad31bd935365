// The application shell through the real window: start-up state, quitting, the panel's reset and help.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

#include "app/GuardedApplication.h"
#include "app/PanelButton.h"
#include "app/MainWindow.h"
#include "display/LcdLabel.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WindowFixture.h"
#include "tests/support/TestSupport.h"
#include "ui_MainWindow.h"

namespace {

struct Window : WindowFixture {
    explicit Window(bool withHelp = true)
    {
        if (withHelp)
            QFile::copy(QStringLiteral(KM610_SOURCE_DIR "/docs/km610-help.html"), folder.filePath("km610-help.html"));
        makeWindow();
    }
    bool shown(const char* name) const
    {
        auto* w = form->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w && !w->isHidden();
    }
};

// Annunciators that the panel shows before the first frame, and those it keeps dark.
const char* const kDesignOn[] = {"LCDHold", "LcdAuto", "ol1",     "ol2",      "ol3",      "rsUSB",    "wsg",
                                 "power",   "labMEM",  "Labtime", "T_LabelF", "T_Point1", "T_Point2", "T_Point3",
                                 "dc1",     "freq",    "f1",      "pg",       "kvar1",    "Labmr",    "Labclr",
                                 "Labcal",  "Labtemp", "Labmax",  "Labmin",   "labac",    "danger",   "LabelF",
                                 "Point1",  "Point2",  "Point3",  "c",        "pf",       "kwh",      "kvar"};
const char* const kDesignOff[] = {"LabFUL", "Lab0", "labdc", "c1", "f", "hz", "T_dPoint1"};
const char* const kDigits[] = {"LabelA",  "LabelB",  "LabelC",  "LabelD", "H_Time1",
                               "H_Time2", "M_Time1", "M_Time2", "stor1",  "stor2"};

}  // namespace

TEST(Shell, StartUpState)
{
    Window w;
    MainWindow& f = *w.form;
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("KM610_620"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("58-30172 Interface Program Ver2.01"));
    EXPECT_TRUE(f.ui->COM1->isChecked());
    EXPECT_TRUE(f.ui->set10k->isChecked());
    EXPECT_TRUE(f.ui->FillP->isChecked());
    for (QAction* a :
         {f.ui->COM2, f.ui->COM3, f.ui->COM4, f.ui->set1k, f.ui->set5k, f.ui->set50k, f.ui->set100k, f.ui->setlimit})
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();
    EXPECT_TRUE(f.ui->RepeatSet->isChecked());
    EXPECT_EQ(f.LinkType, 5);
    EXPECT_EQ(f.DecimalSep, QStringLiteral("."));
    EXPECT_TRUE(f.ExePath.endsWith(QLatin1Char('/')));

    // Only "Graph" and "Record" show on the menu bar; hidden items stay hidden.
    QStringList visibleMenus;
    for (QAction* a : f.menuBar()->actions())
        if (a->isVisible())
            visibleMenus << a->text();
    EXPECT_EQ(visibleMenus, (QStringList{QStringLiteral("Graph"), QStringLiteral("Record")}));
    EXPECT_FALSE(f.ui->SearchR->isVisible());
    EXPECT_FALSE(f.ui->About2->isVisible());
    EXPECT_EQ(f.ui->HELP1->text(), QStringLiteral("  Help     "));
    EXPECT_EQ(f.ui->Savepicture->text(), QStringLiteral(" Save Whole"));
    EXPECT_EQ(f.ui->HELP1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(f.actions().contains(f.ui->HELP1));  // F1 works although its menu is hidden

    // Fixed size, no maximise button; the client area is 760 x 533 and scrolls to the stored-data strip.
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.ui->ClientScroll->viewport()->width(), 760);
    EXPECT_EQ(f.ui->ClientScroll->height(), 533);
    EXPECT_GE(f.ui->FormClient->height(), 602);
    EXPECT_EQ(f.ui->Chtshow->geometry(), QRect(379, 208, 371, 320));
    EXPECT_EQ(f.ui->DBGrid1->geometry(), QRect(4, 292, 375, 236));
    EXPECT_EQ(f.ui->PBar2->maximum(), 60);
    EXPECT_EQ(f.ui->PBar2->value(), 20);
}

// Pixels a picture draws; a picture that failed to load draws none.
int drawnPixels(const QPixmap& picture)
{
    const QImage image = picture.toImage();
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0;
    return drawn;
}

TEST(Shell, ThePicturesAreDrawnAtTheirSizes)
{
    Window w;
    const struct {
        const char* label;
        QSize size;
    } pictures[] = {{"power", {64, 58}},  {"danger", {26, 42}}, {"CONok", {32, 32}},
                    {"CONokN", {32, 32}}, {"TbFd", {25, 25}},   {"TbSx", {25, 25}}};
    for (const auto& p : pictures) {
        auto* label = w.form->findChild<QLabel*>(QString::fromLatin1(p.label));
        ASSERT_NE(label, nullptr) << p.label;
        EXPECT_EQ(label->pixmap().deviceIndependentSize().toSize(), p.size) << p.label;
        EXPECT_GT(drawnPixels(label->pixmap()), p.size.width()) << p.label;
    }
    for (QToolButton* button : {w.form->ui->MajPrint, w.form->ui->SpeedButton7})
        EXPECT_GT(drawnPixels(button->icon().pixmap(20, 20)), 100) << button->objectName().toStdString();
}

TEST(Shell, PanelStartsInItsDesignState)
{
    Window w;
    for (const char* name : kDesignOn)
        EXPECT_TRUE(w.shown(name)) << name;
    for (const char* name : kDesignOff)
        EXPECT_FALSE(w.shown(name)) << name;
    for (const char* name : kDigits) {
        EXPECT_TRUE(w.shown(name)) << name;
        EXPECT_EQ(w.form->findChild<LcdLabel*>(QString::fromLatin1(name))->text(), QStringLiteral("8")) << name;
    }
}

TEST(Shell, DispInitSwitchesAnnunciatorsButNeverDigits)
{
    Window w;
    MainWindow& f = *w.form;
    f.ui->LabelB->setText(QStringLiteral("3"));
    f.ui->hz->setVisible(true);

    f.DispInit(0);
    for (const char* name : kDesignOn)
        EXPECT_FALSE(w.shown(name)) << name;
    for (const char* name : {"LabFUL", "Lab0", "labdc", "c1", "f", "T_dPoint1"})
        EXPECT_FALSE(w.shown(name)) << name;
    for (const char* name : kDigits)
        EXPECT_TRUE(w.shown(name)) << name;
    EXPECT_TRUE(w.shown("hz"));
    EXPECT_EQ(f.ui->LabelB->text(), QStringLiteral("3"));

    f.DispInit(1);
    for (const char* name : kDesignOn) {
        if (QByteArray(name) != "rsUSB") {
            EXPECT_TRUE(w.shown(name)) << name;
        }
    }
    EXPECT_FALSE(w.shown("rsUSB"));
    for (const char* name : {"LabFUL", "Lab0", "labdc", "c1", "f", "T_dPoint1"})
        EXPECT_TRUE(w.shown(name)) << name;
    EXPECT_EQ(f.ui->LabelB->text(), QStringLiteral("3"));

    f.DispInit(0);
    f.DispInit(2);  // any other mode changes nothing
    EXPECT_FALSE(w.shown("LCDHold"));
    f.DispInit(1);
    f.DispInit(-1);
    EXPECT_TRUE(w.shown("LCDHold"));
}

TEST(Shell, QuitAsksAndNoKeepsEverything)
{
    Window w;
    MainWindow& f = *w.form;
    f.show();
    f.ui->RepeatSet->setChecked(false);

    // Each way of closing asks; No keeps the window and its state.
    const std::function<void()> ways[] = {[&] { f.close(); }, [&] { f.Panel3Click(); },
                                          [&] { emit f.ui->Panel3->clicked(); },
                                          [&] { QApplication::closeAllWindows(); }};
    int asked = 0;
    for (const auto& closeIt : ways) {
        w.dialogs.answers = {Dialogs::No};
        closeIt();
        ++asked;
        ASSERT_EQ(w.dialogs.shown.size(), asked);
        const auto& box = w.dialogs.shown.last();
        EXPECT_EQ(box.text, QStringLiteral("Are you sure quit?"));
        EXPECT_EQ(box.caption, QStringLiteral("KM610_KM620"));
        EXPECT_EQ(box.icon, Dialogs::Icon::Question);
        EXPECT_EQ(box.buttons, Dialogs::Yes | Dialogs::No);
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.ui->RepeatSet->isChecked());
    }

    w.dialogs.answers = {Dialogs::Yes};
    f.Panel3Click();
    EXPECT_FALSE(f.isVisible());
}

TEST(Shell, DeleteAndTabWorkInTheFilteredEditBoxes)
{
    Window w;
    MainWindow& f = *w.form;
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    // The keys as X11 delivers them: Delete and Tab carry the texts 0x7F and 0x09.
    for (QLineEdit* box : {f.ui->RecordSITime, f.ui->Maxrecord}) {
        const std::string name = box->objectName().toStdString();
        box->setFocus();
        box->setText(QStringLiteral("123"));
        box->setCursorPosition(0);
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
        EXPECT_EQ(box->text(), QStringLiteral("23")) << name;

        QApplication::clipboard()->setText(QStringLiteral("9"));
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
        EXPECT_EQ(box->text(), QStringLiteral("23")) << name << ": Ctrl+V stays blocked";

        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Tab, QStringLiteral("\t"), Qt::NoModifier);
        EXPECT_NE(QApplication::focusWidget(), box) << name << ": Tab moves on to the next control";
    }
}

TEST(Shell, HelpOpensTheDocumentAtItsContents)
{
    Window w;
    w.form->HELP1Click();
    auto* viewer = w.form->findChild<QDialog*>(QStringLiteral("HelpViewer"));
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    auto* browser = viewer->findChild<QTextBrowser*>();
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Recording readings")));
    EXPECT_TRUE(w.dialogs.shown.isEmpty());
    w.form->HELP1Click();  // a second request reuses the same viewer
    EXPECT_EQ(w.form->findChildren<QDialog*>(QStringLiteral("HelpViewer")).size(), 1);
}

TEST(Shell, InstalledHelpIsFoundUnderShare)
{
    // Installed, the program sits in bin/ and its help document in share/km610/.
    QTemporaryDir prefix;
    const QString installed = prefix.filePath(QStringLiteral("share/km610/km610-help.html"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")) && QDir(prefix.path()).mkpath("share/km610"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KM610_SOURCE_DIR "/docs/km610-help.html"), installed));
    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.exePath = prefix.filePath(QStringLiteral("bin"));
    env.decimalSep = QStringLiteral(".");
    MainWindow form(env);
    EXPECT_EQ(form.helpFilePath(), installed);
    form.HELP1Click();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_NE(form.findChild<QDialog*>(QStringLiteral("HelpViewer")), nullptr);
    dialogs.defaultAnswer = Dialogs::Yes;  // let the window go
}

TEST(Shell, MissingHelpIsReportedWithItsName)
{
    Window w(false);
    w.form->HELP1Click();
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_TRUE(w.dialogs.lastText().contains(w.form->helpFilePath()));
    EXPECT_TRUE(w.dialogs.lastText().contains(QStringLiteral("no such file")));
    EXPECT_EQ(w.form->findChild<QDialog*>(QStringLiteral("HelpViewer")), nullptr);
}

TEST(Shell, AnErrorInAHandlerIsReportedAndTheProgramRunsOn)
{
    auto* app = dynamic_cast<GuardedApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    QStringList reported;
    app->setErrorReporter([&](const QString& text) { reported << text; });
    QTimer failing;
    failing.setSingleShot(true);
    QObject::connect(&failing, &QTimer::timeout, [] { throw std::runtime_error("Broken handler"); });
    failing.start(0);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported, QStringList{QStringLiteral("Broken handler")});
    // The event loop goes on delivering.
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    EXPECT_TRUE(testsupport::waitUntil([&] { return later; }));
    app->setErrorReporter({});
}

TEST(Shell, ErrorsWhileAnErrorBoxIsOpenAreShownWhenItCloses)
{
    auto* app = dynamic_cast<GuardedApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    const auto failSoon = [](const char* text) { QTimer::singleShot(0, [text] { throw std::runtime_error(text); }); };
    QStringList boxes;
    app->setErrorReporter([&](const QString& text) {
        boxes << text;
        if (boxes.size() > 1)
            return;
        // The first box is open: the program runs on under it and fails three more times, once repeating.
        for (const char* text : {"Port lost", "Port lost", "Table full"})
            failSoon(text);
        testsupport::pump(100);
    });
    failSoon("Broken handler");
    EXPECT_TRUE(testsupport::waitUntil([&] { return boxes.size() == 2; }));
    testsupport::pump(50);
    EXPECT_EQ(boxes, (QStringList{QStringLiteral("Broken handler"), QStringLiteral("Port lost\nTable full")}));
    app->setErrorReporter({});
}
