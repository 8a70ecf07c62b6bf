/*
 * makehyphen.cpp - compiles the installed hyphenation dictionaries at build
 * time: `makehyphen FOLDER... -- DICTIONARY...` writes the compiled copy of
 * each dictionary (hyphendict.h) into every folder, made if missing, so
 * that neither the program nor its tests wait for libhyphen to build the
 * German patterns. A dictionary reached by several links is compiled once.
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "text/hyphendict.h"

int main(int argc, char **argv)
{
    std::vector<std::string> folders;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; i++) {
        folders.push_back(argv[i]);
        mkdir(argv[i], 0755);
    }
    std::set<std::string> done;
    int failed = 0;
    for (i++; i < argc; i++) {
        char *real = realpath(argv[i], nullptr);
        std::string file = real ? real : argv[i];
        std::free(real);
        if (!done.insert(file).second)
            continue;
        if (!CompileHyphenDictionary(file, folders)) {
            std::fprintf(stderr, "makehyphen: %s could not be compiled\n", file.c_str());
            failed = 1;
        }
    }
    return failed;
}
