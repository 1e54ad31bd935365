// Remembered settings. Off by default, so every start is the window's own start; with "Remember settings"
// on, the link, the record limit, Repeat, the sampling interval, the chart's page size and Fill, the
// added check items of the Record menu (by object name), the folders last used for data files and
// pictures and the window's position are kept in
// $XDG_CONFIG_HOME/km610/km610.conf and put back after the start-up steps. The program never connects
// by itself. "Keep recordings on disk" is kept whether or not the others are.
#pragma once

#include <QMap>
#include <QPoint>
#include <QString>
#include <optional>

class QAction;

// What the settings file holds. Every value the reader cannot use is left unset and the window keeps
// its own start value for it.
struct RememberedSettings {
    bool remember = false;
    bool keepRecordings = true;
    std::optional<QString> link;        // "COM1".."COM4" or "USB"
    std::optional<qint32> recordLimit;  // one of the Record > RecordSet items
    std::optional<bool> repeat, intervalOn, fill;
    std::optional<QString> intervalText;  // the sampling interval box
    std::optional<QString> pageSize;      // the chart's page size box
    std::optional<QPoint> position;
    QMap<QString, bool> checkedItems;  // added check items of the Record menu, by object name
    QMap<QString, QString> folders;    // the file dialogs' folders, by kind (see Dialogs::folders)

    friend bool operator==(const RememberedSettings&, const RememberedSettings&) = default;
};

class SettingsFile {
public:
    static QString defaultPath();  // $XDG_CONFIG_HOME/km610/km610.conf, ~/.config when unset
    // A missing, unreadable, oversized, damaged or hostile file gives the defaults for what it cannot
    // give; never blocks (a FIFO or a device is not read).
    static RememberedSettings read(const QString& path);
    // Without `remember`, only the two switches are written. False when the file cannot be written.
    static bool write(const QString& path, const RememberedSettings& settings);

    static constexpr qint64 maxBytes = 64 * 1024;
};

struct SettingsState {
    QString path;
    QAction* RememberSettings = nullptr;
};
