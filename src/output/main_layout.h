#pragma once

// Where the main window's controls go for a given width: the centre panel
// stays centred, five bottom buttons share the extra width and two status
// panels take a third of it each.
//
// The width is the window's width() in Qt terms, the area the controls are
// placed in. The minimum size binds exactly that area, so at the minimum the
// extra width is 0 and every control is at its design place; the frame the
// window manager adds around it is neither known before the window is mapped
// nor the same on every desktop, so it takes no part.

#include <array>
#include <utility>

struct MainLayout {
    static constexpr int kDesignWidth = 920;
    static constexpr int kDesignHeight = 573;

    int topCenterLeft = 59;
    // BBusun, BBmasa, BBtara, BBprice, BBwz, BBmaterial, BBbox, BBwytop, BBklient: (left, width).
    std::array<std::pair<int, int>, 9> bottomButtons{};
    // Status bar panel widths, 0..5.
    std::array<int, 6> statusWidths{};
};

// d = width - 920, k = d / 5; divisions drop the remainder.
MainLayout ComputeMainLayout(int windowWidth);

// The label button (BBdrukuj) in its group: it takes the value total's room
// when that total is hidden.
struct LabelButtonPlace {
    int top = 174;
    int height = 25;
};
LabelButtonPlace LabelButtonPlaceFor(bool valueTotalShown);

inline constexpr std::array<const char *, 9> kBottomButtonNames{
    "BBusun", "BBmasa", "BBtara", "BBprice", "BBwz", "BBmaterial", "BBbox", "BBwytop", "BBklient"};
