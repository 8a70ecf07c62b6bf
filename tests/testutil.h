/*
 * testutil.h - what the tests share: a private scratch directory with every
 * assign pointed into it, a fresh memory pool and empty lists, and small
 * file helpers. No test touches the user's home or the real "T:".
 */
#ifndef PAGIMO_TESTS_TESTUTIL_H
#define PAGIMO_TESTS_TESTUTIL_H

#include <string>

#include <gtest/gtest.h>

struct GElement;

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string scratch;   /* host path of the test's own directory */
};

std::string MakeScratchDir(void);
void WriteTextFile(const std::string &path, const std::string &text);
std::string ReadTextFile(const std::string &path);
bool HostExists(const std::string &path);
GElement MakeElement(int type, int pri);
std::string PagimoBinary(void);
std::string ProgramDataDir(void);

#endif
