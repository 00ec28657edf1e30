#pragma once

// The quick period choices of the summaries window.

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

enum class QuickChoice { Today, Yesterday, ThisWeek, ThisMonth, PreviousMonth, ThisYear };

// "Dziś", "Wczoraj", "Ten tydzień", "Ten miesiąc", "Poprzedni miesiąc", "Ten rok".
QString QuickChoiceName(QuickChoice choice);
// Every choice, in the order the window lists them.
QList<QuickChoice> QuickChoices();

// [from, to] of the choice seen from `today`, both inclusive; a week runs Monday to Sunday.
QPair<QDate, QDate> QuickPeriod(QuickChoice choice, QDate today);
