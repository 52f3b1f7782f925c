// Calendar dates and times of day as OLE automation dates (days since
// 1899-12-30; the fraction is the time of day and, for days before that
// date, still counts forward from midnight, so 1899-12-29 06:00 is -1.25).
#pragma once

namespace dataaccess {

// The first and last days an OLE date can hold: 0100-01-01 and 9999-12-31.
bool IsInOleDateRange(int year, int month, int day);

double OleDateFrom(int year, int month, int day, int hour, int minute, int second,
                   unsigned long microsecond);

// A time of day alone (under 24 hours) as the fraction of a day.
double OleTimeOfDay(int hour, int minute, int second, unsigned long microsecond);

}  // namespace dataaccess
