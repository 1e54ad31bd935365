// Remembered settings: off by default and then nothing but the switches is stored; on, the window's
// choices come back at the next start; the settings reader on a table of bad files.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

#include "app/MainWindow.h"
#include "app/MainWindowJournal.h"
#include "app/MainWindowRecord.h"
#include "app/MainWindowSettings.h"
#include "tests/record/RecordTestSupport.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui_MainWindow.h"

using namespace recordtest;

namespace {

struct ConfigHome {
    QTemporaryDir dir;
    QByteArray before = qgetenv("XDG_CONFIG_HOME");
    ConfigHome() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path())); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", before); }
    QString file() const { return dir.filePath(QStringLiteral("km610/km610.conf")); }
    void write(const QByteArray& bytes) const
    {
        QDir().mkpath(dir.filePath(QStringLiteral("km610")));
        writeAll(file(), bytes);
    }
};

// File dialogs that keep their folders, as the toolkit's do.
struct FolderDialogs : ScriptedDialogs {
    QMap<QString, QString> kept;
    QMap<QString, QString> folders() const override { return kept; }
    void setFolders(const QMap<QString, QString>& folders) override { kept = folders; }
};

struct Window {
    FolderDialogs dialogs;
    std::unique_ptr<MainWindow> form;
    Window()
    {
        FormEnvironment env;
        env.dialogs = &dialogs;
        form = std::make_unique<MainWindow>(env);
    }
    Ui::MainWindow& ui() { return *form->ui; }
    QAction* remember() { return form->settings().RememberSettings; }
    QAction* keep() { return form->journal().KeepRecordings; }
};

// What a window shows of the remembered choices.
struct Shown {
    int linkType;
    qint32 limit;
    bool repeat, intervalOn, fill;
    QString intervalText, pageSize;
    friend bool operator==(const Shown&, const Shown&) = default;
};

Shown shownBy(Window& w)
{
    return {w.form->LinkType,
            w.form->record().recorder.RecordLimit,
            w.ui().RepeatSet->isChecked(),
            w.ui().RecordSI->isChecked(),
            w.ui().BtFill->isChecked(),
            w.ui().RecordSITime->text(),
            w.ui().Maxrecord->text()};
}

}  // namespace

TEST(Settings, OffByDefaultOnlyTheSwitchesAreStoredAndEveryStartIsTheUsualOne)
{
    ConfigHome home;
    Shown usual;
    {
        Window w;
        usual = shownBy(w);
        EXPECT_FALSE(w.remember()->isChecked());
        EXPECT_TRUE(w.keep()->isChecked());
        w.ui().set50k->trigger();
        w.ui().RepeatSet->setChecked(false);
    }
    EXPECT_FALSE(QFile::exists(home.file()));  // nothing asked to be stored
    {
        Window w;
        EXPECT_EQ(shownBy(w), usual);
        w.keep()->trigger();  // the journal's switch is stored either way
    }
    QSettings stored(home.file(), QSettings::IniFormat);
    EXPECT_EQ(stored.allKeys(), (QStringList{"KeepRecordings", "RememberSettings"}));
    Window w;
    EXPECT_FALSE(w.keep()->isChecked());
    EXPECT_FALSE(w.form->journal().journal);
}

TEST(Settings, RememberedChoicesComeBackAtTheNextStart)
{
    ConfigHome home;
    Shown chosen;
    {
        Window w;
        w.remember()->trigger();
        w.ui().COM3->trigger();
        w.ui().set50k->trigger();
        w.ui().RepeatSet->setChecked(false);
        w.ui().RecordSI->setChecked(true);
        w.ui().RecordSITime->setText(QStringLiteral("15"));
        w.ui().Maxrecord->setText(QStringLiteral("500"));
        w.ui().BtFill->setChecked(true);
        w.form->move(40, 30);
        // An added check item of the Record menu, as another part of the window adds one.
        QAction* reconnect = w.ui().Rec->addAction(QStringLiteral("Reconnect automatically"));
        reconnect->setObjectName(QStringLiteral("ReconnectAutomatically"));
        reconnect->setCheckable(true);
        reconnect->setChecked(false);
        w.dialogs.kept = {{QStringLiteral("xls"), home.dir.path()}, {QStringLiteral("bmp"), QDir::tempPath()}};
        chosen = shownBy(w);
    }
    EXPECT_EQ(chosen, (Shown{3, 50000, false, true, true, QStringLiteral("15"), QStringLiteral("500")}));
    const RememberedSettings stored = SettingsFile::read(home.file());
    EXPECT_TRUE(stored.remember);
    EXPECT_EQ(stored.checkedItems, (QMap<QString, bool>{{QStringLiteral("ReconnectAutomatically"), false}}));
    Window w;
    EXPECT_TRUE(w.remember()->isChecked());
    EXPECT_EQ(shownBy(w), chosen);
    EXPECT_EQ(w.form->pos(), QPoint(40, 30));
    EXPECT_TRUE(w.ui().set50k->isChecked());
    EXPECT_FALSE(w.ui().set10k->isChecked());
    EXPECT_TRUE(w.ui().COM3->isChecked());
    EXPECT_EQ(w.dialogs.kept, (QMap<QString, QString>{{QStringLiteral("xls"), home.dir.path()},
                                                      {QStringLiteral("bmp"), QDir::tempPath()}}));
    EXPECT_TRUE(w.dialogs.shown.isEmpty());

    // Turned off, the choices are forgotten at once.
    w.remember()->trigger();
    EXPECT_EQ(QSettings(home.file(), QSettings::IniFormat).allKeys(),
              (QStringList{"KeepRecordings", "RememberSettings"}));
}

TEST(Settings, BadFilesGiveTheDefaultsForWhatTheyCannotGive)
{
    ConfigHome home;
    const RememberedSettings defaults;
    struct Case {
        const char* what;
        QByteArray bytes;
        RememberedSettings expected;
    };
    RememberedSettings onlyRemember;
    onlyRemember.remember = true;
    RememberedSettings usable = onlyRemember;
    usable.link = QStringLiteral("USB");
    usable.recordLimit = 100000;
    const QByteArray remember = "[General]\nRememberSettings=true\n";
    const Case cases[] = {
        {"empty", "", defaults},
        {"binary", QByteArray("\x00\xFF\xFE[\x01=\n\x00\x00garbage", 17), defaults},
        {"not INI at all", "<?xml version=\"1.0\"?><settings remember=\"true\"/>", defaults},
        {"remember not a boolean", "[General]\nRememberSettings=1\nKeepRecordings=yes\n", defaults},
        {"unknown link and limit", remember + "[Window]\nLink=COM9\nRecordLimit=12345\n", onlyRemember},
        {"limit out of range", remember + "[Window]\nRecordLimit=99999999999999999999\n", onlyRemember},
        {"interval that stops recording", remember + "[Window]\nSamplingIntervalText=-5\n", onlyRemember},
        {"interval too long", remember + "[Window]\nSamplingIntervalText=99999999999\n", onlyRemember},
        {"page size no number", remember + "[Window]\nPageSize=abc\n", onlyRemember},
        {"position far away", remember + "[Window]\nPosition=\"99999999,1\"\n", onlyRemember},
        {"position not a point", remember + "[Window]\nPosition=@Point(1 2)\n", onlyRemember},
        {"list where text belongs", remember + "[Window]\nLink=COM1, COM2\nRepeat=true, false\n", onlyRemember},
        {"item names that are no names", remember + "[RecordItems]\n..%2F..=true\nA%20B=false\nX=maybe\n",
         onlyRemember},
        {"folders gone, relative or of no kind",
         remember + "[Folders]\nxls=/no/such/folder\nbmp=relative/folder\n..=/tmp\nverylongkind=/tmp\n", onlyRemember},
        {"usable beside unusable", remember + "[Window]\nLink=USB\nRecordLimit=100000\nFill=sometimes\n", usable},
        {"huge", remember + "[Window]\nLink=USB\n" + QByteArray(SettingsFile::maxBytes, '#'), defaults},
    };
    for (const Case& c : cases) {
        home.write(c.bytes);
        EXPECT_EQ(SettingsFile::read(home.file()), c.expected) << c.what;
    }
    for (int i = 0; i < 100; ++i) {
        QByteArray noise(200, '\0');
        for (char& b : noise)
            b = char(std::rand() % 256);
        home.write(remember + noise);
        SettingsFile::read(home.file());  // must come back, whatever the bytes
    }

    QFile::remove(home.file());
    EXPECT_EQ(SettingsFile::read(home.file()), defaults);  // missing
    QDir().mkpath(home.file());
    EXPECT_EQ(SettingsFile::read(home.file()), defaults);  // a folder
    EXPECT_FALSE(SettingsFile::write(home.file(), onlyRemember));
    QDir(home.file()).removeRecursively();
    ASSERT_EQ(mkfifo(QFile::encodeName(home.file()).constData(), 0600), 0);
    EXPECT_EQ(SettingsFile::read(home.file()), defaults);  // a FIFO would block a reader
    EXPECT_FALSE(SettingsFile::write(home.file(), onlyRemember));
}

TEST(Settings, FileDialogKindIsTheFirstExtensionOfItsFilter)
{
    EXPECT_EQ(Dialogs::folderKind(QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt)")),
              QStringLiteral("xls"));
    EXPECT_EQ(Dialogs::folderKind(QStringLiteral("Bitmaps (*.BMP)")), QStringLiteral("bmp"));
    EXPECT_EQ(Dialogs::folderKind(QStringLiteral("All files (*)")), QString());
}

TEST(Settings, AWindowStartsAsUsualWhateverTheFileHolds)
{
    ConfigHome home;
    Shown usual;
    {
        Window w;
        usual = shownBy(w);
    }
    home.write("[General]\nRememberSettings=true\n[Window]\nLink=COM0\nRecordLimit=-1\nRepeat=2\n"
               "SamplingIntervalText=\"1;2\"\nPageSize=0\nPosition=\"-5,x\"\n[RecordItems]\nRecordings=false\n");
    Window w;
    EXPECT_EQ(shownBy(w), usual);
    EXPECT_TRUE(w.remember()->isChecked());
    EXPECT_TRUE(w.keep()->isChecked());
}
