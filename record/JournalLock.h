// An open recording journal held with an exclusive flock. The lock is what tells a journal being written
// by a running copy of the program from one left behind by a crash: the kernel drops it with the process,
// however the process ends, and a second copy (or a second window) cannot take it while the first lives.
#pragma once

#include <QString>

class JournalLock {
public:
    JournalLock() = default;
    JournalLock(JournalLock&& other) noexcept;
    JournalLock& operator=(JournalLock&& other) noexcept;
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;
    ~JournalLock();

    // A new file, created for appending and locked; invalid (with the system's reason) when the name is
    // taken or the file cannot be made.
    static JournalLock create(const QString& path, QString* error = nullptr);
    // An existing file opened for appending, locked without waiting; invalid while another holds it.
    static JournalLock take(const QString& path, QString* error = nullptr);

    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const QString& path() const { return m_path; }
    void close();

private:
    JournalLock(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    static JournalLock open(const QString& path, int flags, QString* error);

    int m_fd = -1;
    QString m_path;
};
