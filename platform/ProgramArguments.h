#pragma once
// The words the program was started with, as UTF-8.
#include <string>
#include <vector>

namespace kerfmax {

// argv[1..argc-1]. On Windows the narrow argv holds the words in the ANSI
// code page, which loses Chinese file names, so the wide command line is
// split instead.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace kerfmax
