// Frames from the wire to the screen. frame_decode_us: serial bytes through the assembler and the decoder,
// no widgets. frame_display_us: the window's whole path for one frame (COMM2ReceiveData, ShowData610 with
// the panel, dial, bar, chart and recorder) on the offscreen platform; frame_screen_us adds the turn of
// the event loop that repaints the shown window (the panel, dial and bar, and the chart and grid that the
// frame also changed). Medians per frame; the meter sends at most about 11 frames a second (87 ms each).
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ScratchHome.h"
#include "app/MainWindow.h"
#include "display/DialPainter.h"
#include "display/FrameDecoder.h"
#include "link/FrameAssembler.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MeterGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 3000;  // fewer than the record limit, so every frame is recorded

std::vector<QByteArray> serialFrames()
{
    MeterGenerator generator(7);
    std::vector<QByteArray> frames;
    for (int i = 0; i < kFrames; ++i)
        frames.push_back(MeterGenerator::toSerialBytes(generator.nextFrame(), quint32(i)));
    return frames;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Work>
double medianMicroseconds(const std::vector<QByteArray>& frames, Work work)
{
    std::vector<double> times;
    times.reserve(frames.size());
    for (const QByteArray& bytes : frames) {
        const auto start = Clock::now();
        work(bytes);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    const ScratchHome home;
    QApplication app(argc, argv);
    const std::vector<QByteArray> frames = serialFrames();

    FrameAssembler assembler;
    const FrameDecoder decoder(".");
    Reading reading;
    ScaleProfile profile;
    QByteArray lastUnit;
    int decoded = 0;
    const double decode = medianMicroseconds(frames, [&](const QByteArray& bytes) {
        for (const QByteArray& frame : assembler.addBytes(bytes.constData(), bytes.size())) {
            const FrameResult r = decoder.decode(frame, reading, profile, lastUnit);
            reading = r.reading;
            lastUnit = r.LastUnitText;
            if (r.profile)
                profile.SetFullScale(*r.profile);
            decoded += r.record ? 1 : 0;
        }
    });

    ScriptedDialogs dialogs;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.decimalSep = QStringLiteral(".");
    double display = 0;
    {
        MainWindow window(env);
        display = medianMicroseconds(frames, [&](const QByteArray& bytes) {
            window.COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
        });
        dialogs.defaultAnswer = Dialogs::Yes;
    }
    double painted = 0;
    {
        dialogs.defaultAnswer = Dialogs::Ok;
        MainWindow window(env);
        window.show();
        QApplication::processEvents();
        painted = medianMicroseconds(frames, [&](const QByteArray& bytes) {
            window.COMM2ReceiveData(nullptr, bytes.constData(), qint32(bytes.size()));
            QApplication::processEvents();
        });
        dialogs.defaultAnswer = Dialogs::Yes;
    }
    // A change of unit redraws the dial face: the widest face has 2001 arc dots.
    DialPainter dial(QSize(369, 153));
    const double face = medianMicroseconds(std::vector<QByteArray>(50),
                                           [&](const QByteArray&) { dial.setup("10", 200); });

    std::printf("frame_decode_us: %.2f\n", decode);
    std::printf("frame_display_us: %.2f\n", display);
    std::printf("frame_screen_us: %.2f\n", painted);
    std::printf("dial_face_us: %.2f\n", face);
    std::printf("frames_recorded: %d\n", decoded);
    return 0;
}
