#include "parameters.h"

#include <cctype>
#include <iostream>

#include "fatalerror.h"
#include "parser.h"

Parameters::Parameters() : OverwriteOn(false) {}

bool Parameters::GetFileList(Str& name) const {
    if (FileList.Length() == 0) return false;
    name.Copy(FileList);
    return true;
}

void Parameters::SetDirectory(Str& field, Str const& dir) {
    if (dir == ".") {
        field.Clear();
        return;
    }
    field.Copy(dir);
    if (!field.CompareRight('/')) field.Append('/');
}

namespace {

bool EndsInBlank(Str const& piece) {
    return piece.Length() > 0 && std::isspace(static_cast<unsigned char>(piece.Get(piece.Length() - 1)));
}

// True when the piece just read was ended by a '-' (not by the end).
bool EndedBySeparator(Parser& parser) {
    parser.Previous(1);
    bool separator = parser.Get() == '-';
    parser.Next(1);
    return separator;
}

// The value of -dir or -list: the text up to the next " -", so that a value
// may hold blanks and inner '-' characters. The parser is left on the '-'
// that starts the next word.
void GetValue(Parser& parser, Str& value) {
    Str piece;
    value.Clear();
    bool separator = false;
    while (parser.GetToken(piece, '-')) {
        value.Append(piece);
        separator = EndedBySeparator(parser);
        if (EndsInBlank(piece) || !separator) break;
        value.Append('-');
    }
    value.RemoveEndSpaces();
    if (separator) parser.Previous(1);
}

[[noreturn]] void InvalidFlag(Str const& source, Str const& word) {
    FatalErrorLine("ERROR in ", source, ": invalid flag ", word);
}

}  // namespace

void Parameters::ParseFlags(Str const& source, Str& text) {
    Parser parser(text);
    Str word;
    Str value;
    while (parser.GetToken(word)) {
        char key = word.Length() < 2 ? '\0' : word.Get(1);
        if (key == 'o' && (word == "-o" || word == "-overwrite")) {
            OverwriteOn = true;
        } else if (key == 'd' && (word == "-d" || word == "-dir")) {
            GetValue(parser, value);
            if (value.Length() == 0) InvalidFlag(source, word);
            WorkDirectory.Copy(value);
            if (!WorkDirectory.CompareRight('/')) WorkDirectory.Append('/');
        } else if (key == 'l' && (word == "-l" || word == "-list")) {
            GetValue(parser, value);
            if (value.Length() == 0) InvalidFlag(source, word);
            FileList.Copy(value);
        } else {
            InvalidFlag(source, word);
        }
    }
}
