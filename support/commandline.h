// The command line of the detector and the converter as one text: every
// word framed by blanks (" -dir x -o "), so that a search for " -version "
// finds the word whole. Both programs answer -version and -h or -help
// before any flag is parsed, under their banner.
#ifndef SUPPORT_COMMANDLINE_H
#define SUPPORT_COMMANDLINE_H

#include <iostream>

#include "str.h"

class CommandLine {
public:
    CommandLine(int argc, char** argv);

    Str& GetWords() { return words; }

    // The rule printed under a program's banner and under its option table.
    static Str Rule() { return Str('-', 62); }

    // True when the run ends here: -version (looked for first) printed the
    // build line; or, after the rule, -h or -help printed the option table
    // with `showHelp`. Otherwise only the rule is printed.
    template <class Help>
    bool Answers(Str const& build, Help showHelp) {
        if (words.Contains(" -version ")) {
            std::cerr << "Build " << build << "\n" << std::endl;
            return true;
        }
        std::cerr << Rule() << std::endl;
        if (!words.Contains(" -h ") && !words.Contains(" -help ")) return false;
        showHelp();
        return true;
    }

private:
    Str words;
};

#endif
