// What one frame does to the virtual LCD panel after the panel's reset: which labels it switches on or off
// and which captions it writes. The items are named after the panel's labels; captions are code page 936
// byte strings ("\xA1\xC6" is the sigma of the wsg mark).
#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

enum class PanelItem {
    rsUSB,
    LabFUL,
    stor1,
    stor2,
    LabelA,
    LabelB,
    LabelC,
    LabelD,
    LabelF,
    Point1,
    Point2,
    Point3,
    kvar,
    labac,
    kvar1,
    freq,
    dc1,
    kwh,
    pg,
    Lab0,
    pf,
    Labtemp,
    c,
    f1,
    power,
    danger,
    Labmax,
    Labmin,
    LCDHold,
    Labclr,
    labMEM,
    wsg,
    ol1,
    ol2,
    ol3,
    Labtime,
    H_Time1,
    H_Time2,
    M_Time1,
    M_Time2,
    T_Point1,
    T_Point2,
    T_Point3,
    Count
};

constexpr int kPanelItemCount = int(PanelItem::Count);

// The object name of an item's label on the panel.
const char* panelItemName(PanelItem item);

class PanelChanges {
public:
    void show(PanelItem item) { m_visibility[index(item)] = 1; }
    void hide(PanelItem item) { m_visibility[index(item)] = 0; }
    void setCaption(PanelItem item, const QByteArray& caption) { m_captions[index(item)] = caption; }

    // true: switched on, false: switched off, none: left as it was.
    std::optional<bool> visibility(PanelItem item) const
    {
        const int v = m_visibility[index(item)];
        return v < 0 ? std::nullopt : std::optional<bool>(v == 1);
    }
    const std::optional<QByteArray>& caption(PanelItem item) const { return m_captions[index(item)]; }

private:
    static int index(PanelItem item) { return int(item); }

    std::array<std::int8_t, kPanelItemCount> m_visibility = filled();
    std::array<std::optional<QByteArray>, kPanelItemCount> m_captions;

    static constexpr std::array<std::int8_t, kPanelItemCount> filled()
    {
        std::array<std::int8_t, kPanelItemCount> a{};
        a.fill(-1);
        return a;
    }
};
