// Writes through a FileWriter into a temporary file and returns its bytes.
#ifndef TESTS_SUPPORT_WRITTEN_H
#define TESTS_SUPPORT_WRITTEN_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "filewriter.h"

template <class Write>
std::string Written(Write write) {
    char path[] = "/tmp/written_XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    FileWriter out;
    EXPECT_TRUE(out.Open(path));
    write(out);
    EXPECT_TRUE(out.Close());
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    unlink(path);
    return text.str();
}

#endif
