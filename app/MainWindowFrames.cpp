#include "app/MainWindowFrames.h"

#include <QPixmap>
#include <algorithm>

#include "app/MainWindow.h"
#include "display/LcdLabel.h"
#include "display/Cp936.h"
#include "ui_MainWindow.h"

namespace {

void applyPanel(const FramesState& s, const PanelChanges& changes)
{
    for (int i = 0; i < kPanelItemCount; ++i) {
        const PanelItem item = PanelItem(i);
        if (const auto& caption = changes.caption(item)) {
            const QString text = cp936::toUnicode(*caption);  // only the sigma mark is not plain ASCII
            if (s.panelLabels[i]->text() != text)
                s.panelLabels[i]->setText(text);
        }
        if (const auto visible = changes.visibility(item))
            s.panelWidgets[i]->setVisible(*visible);
    }
}

}  // namespace

void MainWindow::setupFrames()
{
    m_frames = std::make_unique<FramesState>(ui->KD->size(), ui->KD->palette().color(QPalette::Window));
    for (int i = 0; i < kPanelItemCount; ++i) {
        const QString name = QString::fromLatin1(panelItemName(PanelItem(i)));
        m_frames->panelWidgets[i] = findChild<QWidget*>(name);
        m_frames->panelLabels[i] = findChild<LcdLabel*>(name);
    }
}

void MainWindow::ShowData610(const QByteArray& frame)
{
    FramesState& s = *m_frames;
    const FrameResult r = s.take(frame, DecimalSep);
    ui->CONok->show();
    ui->CONokN->hide();
    DispInit(0);
    applyPanel(s, r.panel);
    if (r.profile) {
        KDsetup();
        chartSetRange(ScaleProfile::chartMaximum(*r.profile), ScaleProfile::chartMinimum(*r.profile));
    }
    if (r.dialPosition)
        KDrun(*r.dialPosition);
    if (r.bar) {
        // Maximum first; a position above it shows a full bar (the bar itself would ignore it).
        ui->PBar2->setMaximum(r.bar->maximum);
        ui->PBar2->setValue(std::clamp(r.bar->position, ui->PBar2->minimum(), r.bar->maximum));
    }
    // The admission test sees the value text before an overload turns it into "OL".
    if (r.chartPoint && AdmissionTest())
        chartAddValue(*r.chartPoint);
    s.settle(r);
    if (r.record)
        INDataToTable(1);
}

void MainWindow::COMM2ReceiveData(QObject* /*Sender*/, const char* DataPtr, qint32 DataSize)
{
    if (!DataPtr || DataSize <= 0)
        return;
    for (const QByteArray& frame : m_frames->assembler.addBytes(DataPtr, DataSize)) {
        ListBox1.append(QString::fromLatin1(frame));
        ShowData610(frame);
    }
}

void MainWindow::Read610(THidDevice* /*HidDev*/, quint8 ReportID, const quint8* Data, quint16 Size)
{
    ui->rsUSB->setText(QStringLiteral("USB"));
    const HidReportOutcome report = m_frames->assembler.addReport(ReportID, Data, Data ? Size : 0);
    if (report.carriedData)
        HistoryListBox.append(report.reportText);
    if (report.cut)
        ui->Label5->setText(QString::fromLatin1(m_frames->assembler.FrameStr()));
    if (report.frame)
        ShowData610(*report.frame);
}

void MainWindow::KDsetup()
{
    m_frames->dial.setup(m_frames->profile.ScaleDivisions, m_frames->profile.DialStep);
    ui->KD1->setPixmap(QPixmap::fromImage(m_frames->dial.picture()));
}

void MainWindow::KDrun(int position)
{
    m_frames->dial.run(position, m_frames->profile.DialStep);
    ui->KD1->setPixmap(QPixmap::fromImage(m_frames->dial.picture()));
}

const Reading& MainWindow::reading() const
{
    return m_frames->reading;
}

int MainWindow::DialZero() const
{
    return m_frames->profile.DialZero;
}
