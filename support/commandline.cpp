#include "commandline.h"

CommandLine::CommandLine(int argc, char** argv) : words(" ") {
    for (int i = 1; i < argc; ++i) words.AppendToken(argv[i]);
}
