// The stamp's date text, made by the tool's own formatter, must be the text of
// the Windows variant-date conversion for locale 0x0409 with default flags.
#include "images/station_date.h"

#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, which it needs.
#include <oleauto.h>

#include <string>

namespace {

constexpr LCID US_ENGLISH = 0x0409;

std::string windows_date_text(const platform::LocalTime& time) {
    SYSTEMTIME parts{};
    parts.wYear = static_cast<WORD>(time.year);
    parts.wMonth = static_cast<WORD>(time.month);
    parts.wDay = static_cast<WORD>(time.day);
    parts.wHour = static_cast<WORD>(time.hour);
    parts.wMinute = static_cast<WORD>(time.minute);
    parts.wSecond = static_cast<WORD>(time.second);
    double variant_time = 0;
    BSTR text = nullptr;
    if (!::SystemTimeToVariantTime(&parts, &variant_time) ||
        ::VarBstrFromDate(variant_time, US_ENGLISH, 0, &text) != S_OK) {
        return "conversion failed";
    }
    char narrow[64] = "";
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    ::SysFreeString(text);
    return narrow;
}

TEST(StationDate, FormatterGivesTheTextOfTheVariantDateConversion) {
    const platform::LocalTime times[] = {
        {2010, 1, 1, 0, 0, 0},       // midnight: the date alone
        {2010, 1, 1, 0, 0, 1},       // a second past midnight: 12 AM
        {2009, 6, 15, 12, 0, 0},     // noon: 12 PM
        {2009, 6, 15, 11, 59, 59},   // the last second before noon
        {2009, 9, 5, 9, 5, 3},       // one-digit month, day, hour, minute, second
        {2009, 12, 31, 23, 59, 59},  // two-digit month, day and hour
        {2010, 10, 10, 10, 10, 10},  // two-digit hour before noon
        {2011, 2, 28, 13, 0, 0},     // first afternoon hour
        {2024, 2, 29, 0, 30, 0},     // leap day, half past midnight
        {1999, 11, 7, 22, 7, 0},
    };
    for (const platform::LocalTime& time : times) {
        char text[STATION_DATE_MAX_CHARS + 1];
        format_station_date(time, text, sizeof text);
        EXPECT_EQ(text, windows_date_text(time)) << time.year << "-" << time.month << "-" << time.day << " "
                                                 << time.hour << ":" << time.minute << ":" << time.second;
    }
}

}  // namespace
