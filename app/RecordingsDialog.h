// Record > Recordings…: the journals on disk with their start, end, number of readings and size. "Open"
// puts the chosen one into the table; "Show Folder" opens the folder in the desktop's file manager.
#pragma once

#include <QDialog>
#include <QList>

#include "record/JournalFolder.h"

class QTableWidget;

class RecordingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordingsDialog(const JournalFolder& folder, QWidget* parent = nullptr);

    void reload();
    QTableWidget* list() const { return m_list; }
    // The chosen journal's file, or an empty text when none is chosen.
    QString chosenFile() const;
    // "2026-12-10 14:05:09" in the offset of the reading; empty when unknown.
    static QString localText(const std::optional<RowInstant>& instant);

signals:
    void openRequested(const QString& fileName);

private:
    const JournalFolder& m_folder;
    QTableWidget* m_list;
    QList<JournalFolder::Entry> m_entries;
};
