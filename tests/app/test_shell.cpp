// The application shell through the real window: start-up state, quitting, the panel's reset and help.
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTextBrowser>
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
const char* const kDesignOn[] = {"LCDHold", "LcdAuto", "ol1",    "ol2",     "ol3",     "rsUSB",  "wsg",    "power",
                                 "labMEM",  "Labtime", "T_LabelF", "T_Point1", "T_Point2", "T_Point3", "dc1",
                                 "freq",    "f1",      "pg",     "kvar1",   "Labmr",   "Labclr", "Labcal", "Labtemp",
                                 "Labmax",  "Labmin",  "labac",  "danger",  "LabelF",  "Point1", "Point2", "Point3",
                                 "c",       "pf",      "kwh",    "kvar"};
const char* const kDesignOff[] = {"LabFUL", "Lab0", "labdc", "c1", "f", "hz", "T_dPoint1"};
const char* const kDigits[] = {"LabelA", "LabelB", "LabelC", "LabelD", "H_Time1", "H_Time2",
                               "M_Time1", "M_Time2", "stor1", "stor2"};

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
    for (QAction* a : {f.ui->COM2, f.ui->COM3, f.ui->COM4, f.ui->set1k, f.ui->set5k, f.ui->set50k, f.ui->set100k,
                       f.ui->setlimit})
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
