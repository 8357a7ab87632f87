#include "ctime.h"

#include <cstring>

CTime::CTime() { Set(); }

CTime::CTime(time_t moment) { Load(moment); }

CTime CTime::Unset() {
    CTime none(static_cast<time_t>(0));
    std::memset(&none.localTime, 0, sizeof none.localTime);
    none.valid = false;
    return none;
}

void CTime::Set() { Load(time(nullptr)); }

void CTime::Load(time_t moment) {
    stamp = moment;
    valid = localtime_r(&stamp, &localTime) != nullptr;
}

// Appends the value with at least `digits` digits, zero-padded on the left.
static void AppendDigits(Str& text, long value, size_t digits) {
    char number[Str::NumberSize];
    for (size_t n = Str::IntegerText(value, number); n < digits; ++n) text.Append('0');
    text.Append(number);
}

Str CTime::GetString(char const* format) const {
    Str text;
    if (!valid || !format) return text;
    for (char const* f = format; *f; ++f) {
        if (*f != '%') {
            text.Append(*f);
            continue;
        }
        if (!*++f) break;  // a lone '%' at the end writes nothing
        switch (*f) {
        case 'D': AppendDigits(text, localTime.tm_mday, 2); break;
        case 'M': AppendDigits(text, localTime.tm_mon + 1, 2); break;
        case 'Y': AppendDigits(text, localTime.tm_year + 1900L, 4); break;
        case 'y': AppendDigits(text, (localTime.tm_year % 100 + 100) % 100, 2); break;
        case 'h': AppendDigits(text, localTime.tm_hour, 2); break;
        case 'm': AppendDigits(text, localTime.tm_min, 2); break;
        case 's': AppendDigits(text, localTime.tm_sec, 2); break;
        case '%': text.Append('%'); break;
        default: text.Append("00"); break;
        }
    }
    return text;
}

Str CTime::GetCTime() const {
    Str text;
    char line[64];
    if (!valid || !asctime_r(&localTime, line)) return text;
    size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '\n') line[n - 1] = '\0';
    text.Append(line);
    return text;
}
