// Everything a program needs to read and write its files: the block-
// buffered reader and writer, the parser that cuts the lines read, and
// directories.
#ifndef SUPPORT_FILEIO_H
#define SUPPORT_FILEIO_H

#include "directory.h"
#include "filereader.h"
#include "filewriter.h"
#include "parser.h"
#include "str.h"
#include "strlist.h"

#endif
