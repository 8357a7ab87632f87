#include "parser.h"

#include <cstring>

#include "charclass.h"

static bool IsSpace(char ch) { return CharClass::IsSpace(static_cast<unsigned char>(ch)); }
static long TextLength(char const* text) { return text ? static_cast<long>(std::strlen(text)) : 0; }

Parser::Parser() : string(nullptr), position(nullptr) {}
Parser::Parser(Str& text) : string(&text), position(text.buffer) {}

void Parser::SetString(Str& text) {
    string = &text;
    position = text.buffer;
}

void Parser::Begin() {
    if (string) position = string->buffer;
}

// Results replace the target's text; a target too small for the piece gets
// a buffer of twice its length.
void Parser::Store(Str& target, char const* from, long n) {
    if (target.size <= n) {
        char* block = Str::Allocate(2 * n);
        delete[] target.buffer;
        target.buffer = block;
        target.size = 2 * n;
    }
    std::memmove(target.buffer, from, n);
    target.buffer[n] = '\0';
    target.length = n;
}

bool Parser::Next(int n) {
    if (!string) return false;
    char* end = string->buffer + string->length;
    if (n > end - position) {
        position = end;
        return false;
    }
    position += n;
    return position < end;
}

bool Parser::Previous(int n) {
    if (!string) return false;
    if (n > position - string->buffer) {
        position = string->buffer;
        return false;
    }
    position -= n;
    return true;
}

bool Parser::SkipSpaces() {
    if (AtEnd()) return false;
    while (IsSpace(*position)) ++position;
    return *position != '\0';
}

bool Parser::GetToken(Str& target) {
    char const* from;
    char const* to;
    if (!GetToken(from, to)) {
        target.Clear();
        return false;
    }
    Store(target, from, to - from);
    return true;
}

bool Parser::GetToken(Str& target, char separator) {
    if (AtEnd()) {
        target.Clear();
        return false;
    }
    char* start = position;
    while (*position != '\0' && *position != separator) ++position;
    Store(target, start, position - start);
    if (*position != '\0') ++position;
    return true;
}

bool Parser::SkipToken(char separator, int n) {
    for (int i = 0; i < n; ++i) {
        if (AtEnd()) return false;
        while (*position != '\0' && *position != separator) ++position;
        if (*position == '\0') return false;
        ++position;
    }
    return true;
}

void Parser::SkipBack() {
    if (!string) return;
    char* start = string->buffer;
    if (position > start) --position;
    while (position > start && IsSpace(*position)) --position;
    while (position > start && !IsSpace(*position)) --position;
    if (IsSpace(*position)) ++position;
}

bool Parser::GetLine(Str& target) {
    if (AtEnd()) {
        target.Clear();
        return false;
    }
    char* start = position;
    while (*position != '\0' && *position != '\n') ++position;
    Store(target, start, position - start);
    if (*position == '\n') ++position;
    return true;
}

bool Parser::GetRight(Str& target) {
    if (AtEnd()) {
        target.Clear();
        return false;
    }
    char* start = position;
    position = string->buffer + string->length;
    Store(target, start, position - start);
    return true;
}

bool Parser::Contains(char const* text) {
    if (!string || TextLength(text) == 0) return false;
    char* hit = std::strstr(string->buffer, text);
    if (!hit) return false;
    position = hit;
    return true;
}
