#pragma once

// Where the main window's controls go for a given width: the centre panel
// stays centred and five bottom buttons share the extra width.

#include <QRect>
#include <array>

struct MainLayout {
    static constexpr int kDesignWidth = 920;
    static constexpr int kDesignHeight = 573;

    int topCenterLeft = 59;
    // BBusun, BBmasa, BBtara, BBprice, BBwz, BBmaterial, BBbox, BBwytop, BBklient: (left, width).
    std::array<std::pair<int, int>, 9> bottomButtons{};
    // Status bar panel widths, 0..5.
    std::array<int, 6> statusWidths{};
    // The label button: top and height, depending on the value total.
    int printButtonTop = 174;
    int printButtonHeight = 25;
};

// Whole-number divisions as the window grows: d = width - 920, k = d / 5.
MainLayout ComputeMainLayout(int windowWidth, bool valueTotalShown);

inline constexpr std::array<const char *, 9> kBottomButtonNames{
    "BBusun", "BBmasa", "BBtara", "BBprice", "BBwz", "BBmaterial", "BBbox", "BBwytop", "BBklient"};
