// How much the resident memory of this process rose at its peak over a piece of work. The kernel's
// high-water mark is reset when the measurement starts, so earlier work does not count.
#pragma once

#include <QtGlobal>
#include <fstream>
#include <string>

class PeakMemory {
public:
    PeakMemory()
    {
        std::ofstream("/proc/self/clear_refs") << "5";
        m_start = statusKb("VmRSS:");
    }
    // True when the reset took: the mark then stands near the present size.
    bool valid() const { return statusKb("VmHWM:") - m_start < 16 * 1024; }
    qint64 growthMb() const { return (statusKb("VmHWM:") - m_start) / 1024; }

private:
    static qint64 statusKb(const std::string& field)
    {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(field, 0) == 0)
                return std::stoll(line.substr(field.size()));
        return 0;
    }
    qint64 m_start = 0;
};
