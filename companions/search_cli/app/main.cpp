// Skerrow: ends with exit code 1 when the file named first holds the text given second (without
// regard to letter case), and 0 in every other case, so that a batch job can branch on it
// ("[ $? -eq 1 ]"). It never prints anything and never asks anything.
#include "companions/search_cli/file_search.h"

#include <string>
#include <vector>

int main(int argc, char** argv) { return skerrow::exitCodeFor(std::vector<std::string>(argv + 1, argv + argc)); }
