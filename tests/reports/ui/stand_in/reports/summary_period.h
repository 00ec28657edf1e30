#pragma once

// Stand-in for the quick period declarations, used only while the logic's
// own header is missing from this tree (src/reports/ui/CMakeLists.txt).

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

enum class QuickChoice { Today, Yesterday, ThisWeek, ThisMonth, PreviousMonth, ThisYear };

QString QuickChoiceName(QuickChoice choice);
QList<QuickChoice> QuickChoices();
QPair<QDate, QDate> QuickPeriod(QuickChoice choice, QDate today);
