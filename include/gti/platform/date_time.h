// TDateTime and the calendar of the platform.
//
// A TDateTime counts days since 1899-12-30 00:00 as a double; the fraction is the time of day.
// Data files store it as its 8 bytes. The calendar here is the real (Gregorian) one, extended
// backwards; the station's own 32-bit time values use a simpler calendar (see gti/time).
#pragma once

// A date-time as days since 1899-12-30, the fraction being the time of day.
class TDateTime {
public:
    // 1899-12-30 00:00.
    constexpr TDateTime() noexcept = default;
    // The date-time `days` days after 1899-12-30 00:00.
    constexpr TDateTime(double days) noexcept : val_(days) {}
    // The count of days, for arithmetic and comparison.
    constexpr operator double() const noexcept { return val_; }
    constexpr double value() const noexcept { return val_; }

private:
    double val_ = 0.0;
};

namespace lib {

// Calendar fields of a date-time (month and day counted from 1).
struct date_fields {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Clock fields of a time of day.
struct time_fields {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The date part of (year, month, day), counted in whole days like the platform's date encoder.
// Fields outside their range are not rejected: day 0 is the last day of the month before, and a
// day past the month's end runs into the next month.
double encode_date(int year, int month, int day) noexcept;

// The time part of (hour, minute, second, millisecond) as a fraction of a day.
double encode_time(int hour, int minute, int second, int millisecond) noexcept;

// Splits a date-time into calendar and clock fields. The time of day is taken to the nearest
// millisecond; a time that rounds up to midnight moves to the next day. Values before 1899-12-30
// keep the platform's convention: the integer part is the day, the fraction's magnitude the time.
// Returns false (and leaves the fields zero) for values that are not finite or lie outside
// the platform's years 1 to 9999.
bool decode_date_time(TDateTime value, date_fields& date, time_fields& time) noexcept;

// The current local wall-clock time as a date-time.
TDateTime now();

}  // namespace lib
