#include "link/LinuxHidConnection.h"

#include "link/HidReportDescriptor.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr quint8 StringDescriptorType = 3;

// A file descriptor closed when it goes out of scope.
struct ScopedFd {
    int fd;
    ~ScopedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

// Whether reports are numbered is learnt here, on the thread that opens the node, so that a reader
// thread needs nothing but the descriptors.
LinuxHidConnection::LinuxHidConnection(int fd, LinuxHidNodeInfo info)
    : m_fd(fd), m_wake(fd >= 0 ? ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1), m_info(std::move(info))
{
    if (m_fd >= 0)
        m_numbered = HidReportDescriptor::parse(reportDescriptor().value_or(QByteArray())).numbered();
}

LinuxHidConnection::~LinuxHidConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wake >= 0)
        ::close(m_wake);
}

std::optional<QList<quint16>> LinuxHidConnection::parseLanguageDescriptor(const QByteArray& descriptor)
{
    if (descriptor.size() < 2 || quint8(descriptor[1]) != StringDescriptorType)
        return std::nullopt;
    const int length = std::min(int(quint8(descriptor[0])), int(descriptor.size()));
    QList<quint16> languages;
    for (int i = 2; i + 1 < length; i += 2)
        languages.append(quint16(quint8(descriptor[i]) | (quint8(descriptor[i + 1]) << 8)));
    return languages;
}

// String 0 can only be asked of the USB device itself, which needs write access to its usbfs node; without
// it the list is unknown rather than empty.
std::optional<QList<quint16>> LinuxHidConnection::languageList()
{
    if (m_info.usbDeviceNode.isEmpty())
        return std::nullopt;
    const ScopedFd usb{::open(QFile::encodeName(m_info.usbDeviceNode).constData(), O_RDWR | O_CLOEXEC)};
    if (usb.fd < 0)
        return std::nullopt;
    unsigned char buffer[255] = {};
    usbdevfs_ctrltransfer request{};
    request.bRequestType = 0x80;  // device to host, standard, device
    request.bRequest = 6;         // GET_DESCRIPTOR
    request.wValue = StringDescriptorType << 8;
    request.wIndex = 0;
    request.wLength = sizeof buffer;
    request.timeout = 1000;
    request.data = buffer;
    const int received = ::ioctl(usb.fd, USBDEVFS_CONTROL, &request);
    if (received < 0)
        return std::nullopt;
    return parseLanguageDescriptor(QByteArray(reinterpret_cast<const char*>(buffer), received));
}

std::optional<QByteArray> LinuxHidConnection::reportDescriptor()
{
    if (m_fd >= 0) {
        int size = 0;
        if (::ioctl(m_fd, HIDIOCGRDESCSIZE, &size) >= 0) {
            hidraw_report_descriptor descriptor{};
            descriptor.size = quint32(size);
            if (::ioctl(m_fd, HIDIOCGRDESC, &descriptor) >= 0)
                return QByteArray(reinterpret_cast<const char*>(descriptor.value), size);
        }
    }
    QFile file(m_info.descriptorFile);
    if (m_info.descriptorFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

quint32 LinuxHidConnection::sendFeatureReport(const QByteArray& report)
{
    if (m_fd < 0)
        return EBADF;
    if (report.isEmpty())
        return EINVAL;
    QByteArray buffer = report;
    return ::ioctl(m_fd, HIDIOCSFEATURE(buffer.size()), buffer.data()) >= 0 ? 0 : quint32(errno);
}

quint32 LinuxHidConnection::startRead(quint8* buffer, int length)
{
    if (m_fd < 0 || length < 1)
        return EBADF;
    pollfd check{m_fd, POLLIN, 0};
    if (::poll(&check, 1, 0) > 0 && (check.revents & (POLLERR | POLLHUP | POLLNVAL)))
        return ENODEV;  // the device was unplugged under the open node
    m_buffer = buffer;
    m_length = length;
    return 0;
}

HidReadResult LinuxHidConnection::waitRead(int timeoutMs)
{
    if (!m_buffer)
        return {HidReadResult::Failed, 0, EINVAL};
    pollfd ready[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    const int polled = ::poll(ready, m_wake >= 0 ? 2 : 1, timeoutMs);
    if (polled == 0 || (polled < 0 && errno == EINTR))
        return {HidReadResult::Pending, 0, 0};
    if (polled < 0)
        return {HidReadResult::Failed, 0, quint32(errno)};
    if (m_wake >= 0 && (ready[1].revents & POLLIN)) {
        eventfd_t rung = 0;
        ::eventfd_read(m_wake, &rung);
        return {HidReadResult::Pending, 0, 0};
    }
    if (!(ready[0].revents & POLLIN))
        return {HidReadResult::Failed, 0, ENODEV};
    // hidraw hands an unnumbered report without an ID byte; every handler expects one in byte 0.
    const bool numbered = m_numbered;
    quint8* target = numbered ? m_buffer : m_buffer + 1;
    const int room = numbered ? m_length : m_length - 1;
    const ssize_t got = ::read(m_fd, target, std::size_t(room));
    if (got < 0)
        return errno == EAGAIN ? HidReadResult{HidReadResult::Pending, 0, 0}
                               : HidReadResult{HidReadResult::Failed, 0, quint32(errno)};
    if (got == 0)
        return {HidReadResult::Failed, 0, ENODEV};  // end of file: the node lost its device
    if (!numbered)
        m_buffer[0] = 0;
    const int bytes = int(got) + (numbered ? 0 : 1);
    m_buffer = nullptr;
    return {HidReadResult::Completed, bytes, 0};
}

void LinuxHidConnection::cancelRead()
{
    m_buffer = nullptr;
}

void LinuxHidConnection::interruptWait()
{
    if (m_wake >= 0)
        ::eventfd_write(m_wake, 1);
}
