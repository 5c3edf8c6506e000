// Local date and time as the stamp records them, in the US-English form
// "12/31/2009 11:59:59 PM": no leading zeros in month, day and hour, the
// date alone at exactly midnight, "Invalid DateTime" when there is no usable
// time. The longest text is 22 characters.
#pragma once

#include <cstddef>

#include "platform/local_time.h"

inline constexpr size_t STATION_DATE_MAX_CHARS = 22;

// `capacity` must leave room for STATION_DATE_MAX_CHARS and the terminator.
void format_station_date(const platform::LocalTime& time, char* out, size_t capacity);

// The station's clock now, in that form.
void current_station_date(char* out, size_t capacity);
