#include "output/main_layout.h"

MainLayout ComputeMainLayout(int windowWidth)
{
    MainLayout l;
    const int d = windowWidth - MainLayout::kDesignWidth;
    const int k = d / 5;
    l.topCenterLeft = 59 + d / 2;
    l.bottomButtons = {{{24, 137},
                        {182, 52},
                        {246, 52},
                        {310, 52},
                        {376, 81 + k},
                        {470 + k, 89 + k},
                        {574 + 2 * k, 89 + k},
                        {675 + 3 * k, 89 + k},
                        {776 + 4 * k, 113 + k}}};
    l.statusWidths = {120, 190 + d / 3, 140, 190 + d / 3, 80, 100};
    return l;
}

LabelButtonPlace LabelButtonPlaceFor(bool valueTotalShown)
{
    return valueTotalShown ? LabelButtonPlace{174, 25} : LabelButtonPlace{152, 47};
}
