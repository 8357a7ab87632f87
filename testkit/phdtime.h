// The TIME line of the PHD files the programs write, for comparisons of
// files written at different moments.
#ifndef TESTKIT_PHDTIME_H
#define TESTKIT_PHDTIME_H

#include <string>

// A PHD file's text with the value of its TIME line replaced by "*".
std::string MaskTime(std::string const& phd);
// The value of a PHD file's TIME line.
std::string TimeOf(std::string const& phd);
// The standard library's date text, as "Thu Feb  7 09:05:07 2006".
bool IsDateText(std::string const& text);

#endif
