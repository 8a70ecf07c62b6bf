/*
 * driver.cpp - runs a fuzz harness without libFuzzer: every regular file in
 * the folders (or the files) named on the command line is read whole and
 * handed to LLVMFuzzerTestOneInput once. A fault shows as a crash or a
 * sanitizer report; the driver itself ends with 0 when every input ran, and
 * with 1 when an input could not be read or none was found.
 */
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fs = std::filesystem;

/* ------------------------------------------------------------ the inputs */

static bool RunFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "driver: cannot read %s\n", path.c_str());
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    /* An allocation of the exact size, so that reading past the end is seen
     * by the address sanitizer as it would be under libFuzzer. */
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + !bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    return true;
}

/* Sorted, so that a failure names the same input on every run. */
static std::vector<fs::path> Inputs(const char *arg)
{
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
        for (const auto &e : fs::directory_iterator(arg, ec))
            if (e.is_regular_file() && e.path().filename() != "README.md")
                files.push_back(e.path());
    } else if (fs::is_regular_file(arg, ec)) {
        files.push_back(arg);
    }
    std::sort(files.begin(), files.end());
    return files;
}

/* ------------------------------------------------------------ main */

int main(int argc, char **argv)
{
    size_t ran = 0;
    for (int i = 1; i < argc; i++) {
        for (const fs::path &p : Inputs(argv[i])) {
            std::fprintf(stderr, "driver: %s\n", p.c_str());
            if (!RunFile(p))
                return 1;
            ran++;
        }
    }
    std::fprintf(stderr, "driver: %zu inputs ran\n", ran);
    return ran ? 0 : 1;
}
