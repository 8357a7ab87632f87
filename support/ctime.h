// One moment of local time and its formatting.
#ifndef SUPPORT_CTIME_H
#define SUPPORT_CTIME_H

#include <ctime>

#include "str.h"

class CTime {
public:
    CTime();                        // the moment of construction
    explicit CTime(time_t moment);  // a fixed moment
    static CTime Unset();           // holds no time until Set()

    void Set();  // reads the clock
    time_t GetTimeT() const { return stamp; }
    // Codes: %D day, %M month, %Y year, %y year mod 100, %h hour, %m minute,
    // %s second (all two digits but %Y), %% a '%'; any other code gives 00.
    Str GetString(char const* format) const;
    Str GetCTime() const;  // ctime() text without its line feed

private:
    void Load(time_t moment);

    time_t stamp;
    struct tm localTime;
    bool valid;
};

#endif
