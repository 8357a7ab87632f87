#include "contig.h"

void Assembly::Process(Parameters&) {}
