#include "app/MainWindowSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <algorithm>

#include "app/MainWindow.h"
#include "app/MainWindowJournal.h"
#include "app/MainWindowRecord.h"
#include "chart/PageSizeEdit.h"
#include "record/SamplingInterval.h"
#include "ui_MainWindow.h"

namespace {

const QStringList linkNames{"COM1", "COM2", "COM3", "COM4", "USB"};  // LinkType 1..5
constexpr qint32 recordLimits[] = {1000, 5000, 10000, 50000, 100000, Recorder::limitless};
constexpr int maxTextLength = 32;
constexpr int maxItems = 64;
constexpr int positionLimit = 100000;

const QString keyRemember = QStringLiteral("RememberSettings");
const QString keyKeep = QStringLiteral("KeepRecordings");
const QString keyLink = QStringLiteral("Window/Link");
const QString keyLimit = QStringLiteral("Window/RecordLimit");
const QString keyRepeat = QStringLiteral("Window/Repeat");
const QString keyIntervalOn = QStringLiteral("Window/SamplingInterval");
const QString keyIntervalText = QStringLiteral("Window/SamplingIntervalText");
const QString keyPageSize = QStringLiteral("Window/PageSize");
const QString keyFill = QStringLiteral("Window/Fill");
const QString keyPosition = QStringLiteral("Window/Position");
const QString groupItems = QStringLiteral("RecordItems");
const QString groupFolders = QStringLiteral("Folders");
constexpr int maxPathLength = 4096;

// A value is taken only in the one form the program writes: "true"/"false", decimal numbers, plain text.
std::optional<bool> boolOf(const QVariant& value)
{
    const QString text = value.toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<QString> textOf(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() > maxTextLength)
        return std::nullopt;
    return text;
}

std::optional<qint32> limitOf(const QVariant& value)
{
    bool ok = false;
    const qint32 limit = value.toString().toInt(&ok);
    for (const qint32 known : recordLimits)
        if (ok && limit == known)
            return limit;
    return std::nullopt;
}

std::optional<QPoint> positionOf(const QVariant& value)
{
    const QStringList parts = value.toString().split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    bool okX = false, okY = false;
    const int x = parts[0].trimmed().toInt(&okX);
    const int y = parts[1].trimmed().toInt(&okY);
    if (!okX || !okY || qAbs(x) > positionLimit || qAbs(y) > positionLimit)
        return std::nullopt;
    return QPoint(x, y);
}

bool isItemName(const QString& name)
{
    if (name.isEmpty() || name.size() > maxTextLength)
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')) || c.unicode() >= 0x80)
            return false;
    return true;
}

bool isFolderKind(const QString& kind)
{
    return !kind.isEmpty() && kind.size() <= 8 && kind == Dialogs::folderKind(QStringLiteral("*.") + kind);
}

// The check items of the Record menu that the menu's own design does not hold: added items, stored
// generically so that any such item is remembered.
QList<QAction*> addedCheckItems(const MainWindow& form)
{
    QList<QAction*> items;
    for (QAction* item : form.ui->Rec->actions())
        if (item->isCheckable() && isItemName(item->objectName()) && item != form.journal().KeepRecordings &&
            item != form.settings().RememberSettings)
            items.append(item);
    return items;
}

RememberedSettings takeFrom(const MainWindow& form)
{
    const Ui::MainWindow& ui = *form.ui;
    RememberedSettings s;
    s.remember = form.settings().RememberSettings->isChecked();
    s.keepRecordings = form.journal().KeepRecordings->isChecked();
    if (form.LinkType >= 1 && form.LinkType <= 5)
        s.link = linkNames[form.LinkType - 1];
    s.recordLimit = form.record().recorder.RecordLimit;
    s.repeat = ui.RepeatSet->isChecked();
    s.intervalOn = ui.RecordSI->isChecked();
    s.intervalText = ui.RecordSITime->text();
    s.pageSize = ui.Maxrecord->text();
    s.fill = ui.BtFill->isChecked();
    s.position = form.pos();
    for (const QAction* item : addedCheckItems(form))
        s.checkedItems.insert(item->objectName(), item->isChecked());
    s.folders = form.dialogs().folders();
    return s;
}

void applyTo(MainWindow& form, const RememberedSettings& s)
{
    Ui::MainWindow& ui = *form.ui;
    if (s.link) {
        // Through the handlers, as the user's choice would go. A switch rather than a table of member
        // pointers: GCC's bounds check misreads an index into such a table.
        const int linkType = int(linkNames.indexOf(*s.link)) + 1;
        if (linkType != form.LinkType) {
            switch (linkType) {
            case 1: form.COM1Click(); break;
            case 2: form.COM2Click(); break;
            case 3: form.COM3Click(); break;
            case 4: form.COM4Click(); break;
            case 5: form.USBClick(); break;
            default: break;
            }
        }
    }
    if (s.recordLimit) {
        const auto limit = std::find(std::begin(recordLimits), std::end(recordLimits), *s.recordLimit);
        switch (limit - std::begin(recordLimits)) {
        case 0: form.set1kClick(); break;
        case 1: form.set5kClick(); break;
        case 2: form.set10kClick(); break;
        case 3: form.set50kClick(); break;
        case 4: form.set100kClick(); break;
        case 5: form.setlimitClick(); break;
        default: break;
        }
    }
    if (s.repeat)
        ui.RepeatSet->setChecked(*s.repeat);
    if (s.intervalOn)
        ui.RecordSI->setChecked(*s.intervalOn);
    if (s.intervalText)
        ui.RecordSITime->setText(*s.intervalText);
    if (s.pageSize) {
        ui.Maxrecord->setText(*s.pageSize);
        form.Timer2Timer();  // at once, not after a pause in typing
    }
    if (s.fill)
        ui.BtFill->setChecked(*s.fill);
    for (QAction* item : addedCheckItems(form)) {
        const auto stored = s.checkedItems.constFind(item->objectName());
        // Triggered, not just ticked, so the item's own handler follows.
        if (stored != s.checkedItems.constEnd() && *stored != item->isChecked())
            item->trigger();
    }
    if (!s.folders.isEmpty())
        form.dialogs().setFolders(s.folders);
    // Only where a screen still shows the window's corner.
    if (s.position)
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->availableGeometry().contains(*s.position)) {
                form.move(*s.position);
                break;
            }
}

void store(MainWindow& form)
{
    SettingsFile::write(form.settings().path, takeFrom(form));
}

}  // namespace

QString SettingsFile::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/km610/km610.conf");
}

RememberedSettings SettingsFile::read(const QString& path)
{
    RememberedSettings s;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || info.size() > maxBytes)
        return s;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return s;
    s.keepRecordings = boolOf(file.value(keyKeep)).value_or(true);
    s.remember = boolOf(file.value(keyRemember)).value_or(false);
    if (!s.remember)
        return s;
    if (const std::optional<QString> link = textOf(file.value(keyLink)); link && linkNames.contains(*link))
        s.link = link;
    s.recordLimit = limitOf(file.value(keyLimit));
    s.repeat = boolOf(file.value(keyRepeat));
    s.intervalOn = boolOf(file.value(keyIntervalOn));
    if (const std::optional<QString> text = textOf(file.value(keyIntervalText));
        text && SamplingInterval::isIntervalText(*text))
        s.intervalText = text;
    if (const std::optional<QString> text = textOf(file.value(keyPageSize)); text && pageSizeFromText(*text))
        s.pageSize = text;
    s.fill = boolOf(file.value(keyFill));
    s.position = positionOf(file.value(keyPosition));
    file.beginGroup(groupItems);
    const QStringList names = file.childKeys();
    for (const QString& name : names.first(std::min<qsizetype>(names.size(), maxItems)))
        if (const std::optional<bool> checked = boolOf(file.value(name)); checked && isItemName(name))
            s.checkedItems.insert(name, *checked);
    file.endGroup();
    // A folder that is gone is not offered again.
    file.beginGroup(groupFolders);
    const QStringList kinds = file.childKeys();
    for (const QString& kind : kinds.first(std::min<qsizetype>(kinds.size(), maxItems))) {
        const QVariant value = file.value(kind);
        const QString folder = value.typeId() == QMetaType::QString ? value.toString() : QString();
        if (isFolderKind(kind) && folder.size() <= maxPathLength && QDir::isAbsolutePath(folder) &&
            QFileInfo(folder).isDir())
            s.folders.insert(kind, folder);
    }
    return s;
}

bool SettingsFile::write(const QString& path, const RememberedSettings& s)
{
    // What is there and is no settings file of ours (a folder, a device, something huge) stays untouched.
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || info.size() > maxBytes))
        return false;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSettings file(path, QSettings::IniFormat);
    file.clear();
    auto boolText = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    file.setValue(keyRemember, boolText(s.remember));
    file.setValue(keyKeep, boolText(s.keepRecordings));
    if (s.remember) {
        auto put = [&file](const QString& key, const auto& value, auto toText) {
            if (value)
                file.setValue(key, toText(*value));
        };
        const auto same = [](const QString& text) { return text; };
        put(keyLink, s.link, same);
        put(keyLimit, s.recordLimit, [](qint32 v) { return QString::number(v); });
        put(keyRepeat, s.repeat, boolText);
        put(keyIntervalOn, s.intervalOn, boolText);
        put(keyIntervalText, s.intervalText, same);
        put(keyPageSize, s.pageSize, same);
        put(keyFill, s.fill, boolText);
        put(keyPosition, s.position, [](const QPoint& p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); });
        for (auto item = s.checkedItems.constBegin(); item != s.checkedItems.constEnd(); ++item)
            file.setValue(groupItems + QLatin1Char('/') + item.key(), boolText(item.value()));
        for (auto folder = s.folders.constBegin(); folder != s.folders.constEnd(); ++folder)
            if (isFolderKind(folder.key()))
                file.setValue(groupFolders + QLatin1Char('/') + folder.key(), folder.value());
    }
    file.sync();
    return file.status() == QSettings::NoError;
}

void MainWindow::setupSettings()
{
    m_settings = std::make_unique<SettingsState>();
    m_settings->path = SettingsFile::defaultPath();
    m_settings->RememberSettings = ui->Rec->addAction(QStringLiteral("Remember settings"));
    m_settings->RememberSettings->setObjectName(QStringLiteral("RememberSettings"));
    m_settings->RememberSettings->setCheckable(true);

    const RememberedSettings stored = SettingsFile::read(m_settings->path);
    KeepRecordingsOnDisk(*this, stored.keepRecordings);
    m_settings->RememberSettings->setChecked(stored.remember);
    if (stored.remember)
        applyTo(*this, stored);
    // The two switches are stored as soon as the user changes them.
    connect(m_settings->RememberSettings, &QAction::triggered, this, [this] { store(*this); });
    connect(m_journal->KeepRecordings, &QAction::triggered, this, [this] { store(*this); });
}

void MainWindow::storeSettings()
{
    // At quit only with the item on: with it off, nothing but the two switches is ever stored.
    if (m_settings && m_settings->RememberSettings->isChecked())
        store(*this);
}
