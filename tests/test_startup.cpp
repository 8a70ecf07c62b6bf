/*
 * test_startup.cpp - the start-up as a user meets it: the built program run
 * in a scratch directory, with its tool types, its configuration file, the
 * working area, the break signal and a second start.
 */
#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "testutil.h"

#include "core/settings.h"
#include "core/startup.h"
#include "platform/assign.h"
#include "platform/files.h"

class Startup : public ProgramScratchTest {
protected:

    /* Starts the program in `cwd` with the given tool types; its standard
     * output goes to a file named after the run. */
    pid_t Start(const std::vector<std::string> &args, const std::string &out)
    {
        return StartPagimo(args, cwd, scratch + "/" + out);
    }

    static int Finish(pid_t pid, int seconds = 20)
    {
        for (int i = 0; i < seconds * 100; i++) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }

    static bool WaitFor(const std::string &path, int seconds = 20)
    {
        for (int i = 0; i < seconds * 100; i++) {
            if (HostExists(path))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string Output(const std::string &out) { return ReadTextFile(scratch + "/" + out); }

};

TEST_F(Startup, MissingImageSetEndsWithItsMessage)
{
    DeleteAll((scratch + "/tbimages").c_str());
    pid_t pid = Start({"debug=off"}, "out");
    EXPECT_EQ(Finish(pid), 0);
    EXPECT_EQ(Output("out"), "Pagimo needs AISS! Sorry!\n");
    EXPECT_FALSE(HostExists(cwd + "/PagimoOS4.cfg"));
}

TEST_F(Startup, FirstStartCreatesTheConfigurationAndBreakShutsDown)
{
    pid_t pid = Start({"Debug=Off"}, "out");
    ASSERT_TRUE(WaitFor(scratch + "/T/PAG4/Bilder"));
    ASSERT_TRUE(WaitFor(scratch + "/T/PagimoScreen"));
    std::string cfg = ReadTextFile(cwd + "/PagimoOS4.cfg");
    ASSERT_EQ(cfg.size(), 2048u);
    EXPECT_EQ((unsigned char)cfg[0], 0xC0);
    EXPECT_EQ(cfg.find_first_not_of('\0', 1), std::string::npos);
    EXPECT_TRUE(HostExists(scratch + "/T/PAG4/Texte"));

    kill(pid, SIGINT);
    EXPECT_EQ(Finish(pid), 0);
    EXPECT_EQ(ReadTextFile(cwd + "/PagimoOS4.cfg"), cfg);
    EXPECT_FALSE(HostExists(scratch + "/T/PAG4")) << "the working area is removed";
    EXPECT_FALSE(HostExists(scratch + "/T/PagimoScreen"));
    EXPECT_EQ(Output("out"), "");
}

TEST_F(Startup, StoredConfigurationIsReadAndWrittenBackUnchanged)
{
    std::string stored(2048, '\0');
    stored[0] = 0x40;
    WriteTextFile(cwd + "/PagimoOS4.cfg", stored);
    pid_t pid = Start({}, "out");
    ASSERT_TRUE(WaitFor(scratch + "/T/PagimoScreen"));
    kill(pid, SIGTERM);
    EXPECT_EQ(Finish(pid), 0);
    EXPECT_EQ(ReadTextFile(cwd + "/PagimoOS4.cfg"), stored);
    EXPECT_NE(Output("out").find("flags 0x40"), std::string::npos) << Output("out");
}

TEST_F(Startup, SecondStartHandsOverToTheFirst)
{
    pid_t first = Start({}, "first");
    ASSERT_TRUE(WaitFor(scratch + "/T/PagimoScreen"));
    pid_t second = Start({}, "second");
    EXPECT_EQ(Finish(second), 0);
    EXPECT_EQ(Output("second"), "") << "it ends before reading any tool type";
    for (int i = 0; i < 500 && Output("first").find("another start") == std::string::npos; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(Output("first").find("another start asked"), std::string::npos);
    pid_t third = Start({"story.pfz"}, "third");
    EXPECT_EQ(Finish(third), 0);
    for (int i = 0; i < 500 && Output("first").find("-> OpenProjectPath(") == std::string::npos; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(Output("first").find("-> OpenProjectPath(" + cwd + "/story.pfz)"), std::string::npos)
        << "the project of a second start opens in the first";
    kill(first, SIGINT);
    EXPECT_EQ(Finish(first), 0);
}

TEST_F(Startup, PathsFallBackAsTheToolTypesSay)
{
    std::string own = scratch + "/own";
    mkdir(own.c_str(), 0700);
    pid_t pid = Start({"DATAPATH=/no/such/drawer", "TempPath=" + own}, "out");
    ASSERT_TRUE(WaitFor(own + "/PAG4/Texte")) << "PGT: follows an existing TempPath";
    kill(pid, SIGINT);
    EXPECT_EQ(Finish(pid), 0);
    EXPECT_NE(Output("out").find("  DataPath=<" + ProgramDataDir() + ">"), std::string::npos)
        << Output("out");

    pid = Start({"TempPath=/no/such/temp"}, "out2");
    EXPECT_TRUE(WaitFor(scratch + "/T/PAG4/Texte")) << "a missing TempPath falls back to T:";
    kill(pid, SIGINT);
    EXPECT_EQ(Finish(pid), 0);
}

TEST(ToolTypes, NamesIgnoreCaseAndValuesFollowTheRules)
{
    char a0[] = "pagimo", a1[] = "pcolor=7", a2[] = "DEBUG=oFf", a3[] = "LocalImages=TRUE",
         a4[] = "Flag";
    char *argv[] = {a0, a1, a2, a3, a4};
    ToolTypes tt = ReadToolTypes(5, argv);
    EXPECT_STREQ(FindToolType(tt, "PColor"), "7");
    EXPECT_STREQ(FindToolType(tt, "flag"), "");
    EXPECT_EQ(FindToolType(tt, "PCol"), nullptr);
    EXPECT_EQ(FindToolType(tt, "DataPath"), nullptr);
    Debug = 1;
    ApplyToolTypes(tt);
    EXPECT_EQ(Debug, 0);
    EXPECT_EQ(PCReg, 7);
    EXPECT_TRUE(LocalImages);
    EXPECT_STREQ(Language, "Deutsch");
    EXPECT_STREQ(DataPath, "");

    for (auto [value, pen] : std::vector<std::pair<std::string, int>>{
             {"abc", 0}, {"  -3x", -3}, {"+12", 12}, {"", 0}, {"99999999999", 2147483647}}) {
        ApplyToolTypes({"PColor=" + value});
        EXPECT_EQ(PCReg, pen) << value;
    }
    ApplyToolTypes({"Debug=Offline", "LocalImages=yes", "iSpellLanguage=english"});
    EXPECT_EQ(PCReg, 2);
    EXPECT_FALSE(LocalImages);
    EXPECT_STREQ(Language, "english");
    Debug = 0;
}

TEST(Version, TextsComeFromTheVersionString)
{
    MakeVersionTexts();
    EXPECT_STREQ(VNumber, "V1.00");
    EXPECT_STREQ(VDate, "06.12.2026");
    EXPECT_STREQ(Version, "PagimoOS4 V1.00 2026");
    EXPECT_EQ(std::string(VersionString).rfind("$VER: Pagimo ", 0), 0u);
}
