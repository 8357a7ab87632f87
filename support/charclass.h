// The white space of the text readers and writers: space, tab, line feed,
// vertical tab, form feed and carriage return (isspace in the C locale).
#ifndef SUPPORT_CHARCLASS_H
#define SUPPORT_CHARCLASS_H

inline bool IsSpace(unsigned char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }

#endif
