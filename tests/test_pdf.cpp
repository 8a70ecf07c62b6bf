/*
 * test_pdf.cpp - the PDF export, read back with poppler and qpdf: texts at
 * their page positions in embedded TrueType fonts, the characters the
 * screen shows, pictures, lines and rectangles, the outline, link
 * annotations, document information, page formats, passwords, and the
 * messages and missing files after libharu errors. Also the export job of
 * the command line.
 */
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <map>
#include <regex>
#include <string>

#include <QImage>

#include "testutil.h"

#include "text/utilities.h"

#include "core/settings.h"
#include "document/archive.h"
#include "document/headlines.h"
#include "document/pagelist.h"
#include "pdf/fontcatalog.h"
#include "pdf/pdfexport.h"
#include "platform/assign.h"
#include "platform/breaksignal.h"
#include "platform/files.h"
#include "platform/fontinstall.h"
#include "gui/windows.h"
#include "platform/gui.h"
#include "view/geometry.h"

class Pdf : public ExportScratchTest {
protected:
    /* A text-like element whose baseline starts at page point (x, y from the top). */
    GElement *Text(uint32_t page, int type, const char *text, const char *font, uint32_t size,
                   uint32_t x, uint32_t y, uint8_t level = 1, const char *web = "", uint32_t target = 0)
    {
        GElement ge = MakeElement(type, type);
        std::strcpy(ge.edata.td.text, text);
        std::snprintf(ge.edata.td.fontname, 81, "%s.font", font);
        ge.edata.td.size = size;
        ge.edata.td.level = level;
        std::strcpy(ge.edata.td.link, web);
        ge.edata.td.page = target;
        ge.ex = xstart + x, ge.ey = ystart + y;
        ge.sx = ge.ex + 50, ge.sy = ge.ey - size;
        return AddGObject(page, &ge);
    }
    void Figure(uint32_t page, int type, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
    {
        GElement ge = MakeElement(type, type);
        ge.sx = xstart + x1, ge.sy = ystart + y1, ge.ex = xstart + x2, ge.ey = ystart + y2;
        AddGObject(page, &ge);
    }
    void Picture(uint32_t page, const char *name, int w, int h, uint32_t x, uint32_t y, const char *format)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        std::string path = std::string("PGT:PAG4/Bilder/") + name;
        if (format) {
            ASSERT_TRUE(img.save(QString::fromStdString(HostPath(path.c_str())), format));
        }
        GElement ge = MakeElement(ET_PICTURE, ET_PICTURE);
        std::strcpy(ge.edata.pd.fn, path.c_str());
        ge.sx = xstart + x, ge.sy = ystart + y - uint32_t(h), ge.ex = ge.sx + uint32_t(w), ge.ey = ystart + y;
        AddGObject(page, &ge);
    }
    bool Export() { return ExportProject(out.c_str(), xstart, ystart, xend, yend); }
};

struct Word {
    double xmin, ymin, xmax, ymax;
};

/* The words pdftotext finds on a page, by text (the first of each). */
static std::map<std::string, Word> Words(const std::string &pdf, int page)
{
    std::string html = Shell("pdftotext -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) +
                             " '" + pdf + "' -");
    std::regex word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    std::map<std::string, Word> words;
    for (std::sregex_iterator it(html.begin(), html.end(), word), end; it != end; ++it)
        words.emplace((*it)[5], Word{std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
    return words;
}

TEST_F(Pdf, EveryKindOfElementLandsWhereThePageShowsIt)
{
    AddPageList(nullptr);
    AddPageList(nullptr);
    std::strcpy(PDaten.title, "Test \xe4 title");
    std::strcpy(PDaten.author, "Ada");
    std::strcpy(PDaten.created, "06 12 2026 16 45");
    std::strcpy(PDaten.changed, "31 12 2026 23 59");
    PDaten.maxlevel = 4;
    Text(1, ET_TEXT, "Hello", "DejaVu Sans", 20, 72, 100, 2);
    Text(1, ET_TEXT, "Subsection", "DejaVu Sans Bold", 14, 72, 150, 3);
    Text(1, ET_DATE, "06-Dec-2026", "DejaVu Serif", 10, 300, 200);
    Text(1, ET_PAGENO, "  1", "DejaVu Sans", 10, 500, 800);
    Text(1, ET_LINK, "Website", "DejaVu Sans", 12, 72, 300, 0, "https://example.org/pagimo");
    Text(1, ET_LINK, "Onward", "DejaVu Sans", 12, 72, 340, 0, "", 2);
    Text(1, ET_LINK, "Nowhere", "DejaVu Sans", 12, 72, 380, 0, "", 9);
    Figure(1, ET_LINE, 100, 400, 300, 400);
    Figure(1, ET_RECT, 300, 500, 200, 450);
    Picture(1, "shot.png", 200, 100, 10, 120, "PNG");
    Picture(1, "photo.jpg", 64, 48, 300, 700, "JPG");
    Text(2, ET_TEXT, "Gr\xfc\xdf" "e Caf\xe9 \x80" "5 \x84" "quoted\x93 \xe0\xe8\xea\xf1", "DejaVu Serif", 16, 60, 80, 2);
    /* A caption at a headline's height comes first, so the list misses the headline. */
    Text(2, ET_TEXT, "Caption", "DejaVu Sans", 10, 300, 400, 1);
    Text(2, ET_TEXT, "Missed", "DejaVu Sans", 10, 60, 400, 2);
    HLManager(); /* the outline shows what the table of contents lists */
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());

    EXPECT_NE(Shell("qpdf --check '" + out + "'").find("No syntax or stream encoding errors"), std::string::npos);
    std::string fonts = Shell("pdffonts '" + out + "'");
    std::regex embedded("DejaVuSans[^\\n]*TrueType[^\\n]*yes");
    EXPECT_TRUE(std::regex_search(fonts, embedded)) << fonts;
    size_t sans = 0;
    for (size_t at = fonts.find("+DejaVuSans,"); at != std::string::npos; at = fonts.find("+DejaVuSans,", at + 1))
        sans++;
    EXPECT_EQ(sans, 1u) << "one font embedded once for all its elements\n" << fonts;

    std::map<std::string, Word> w = Words(out, 1);
    ASSERT_TRUE(w.count("Hello")) << "no Hello";
    EXPECT_NEAR(w["Hello"].xmin, 72, 2);
    EXPECT_LT(w["Hello"].ymin, 100);
    EXPECT_GT(w["Hello"].ymax, 100) << "the baseline lies inside the word's box";
    /* A date field shows the day of the export, whatever it was saved with. */
    char today[81];
    ActualDate(DATE_TEXT, today, sizeof(today));
    ASSERT_TRUE(w.count(today)) << "no " << today;
    EXPECT_NEAR(w[today].xmin, 300, 2);
    EXPECT_NEAR(w["Subsection"].xmin, 72, 2);
    std::string page2 = Shell("pdftotext -f 2 -l 2 '" + out + "' -");
    EXPECT_NE(page2.find("Gr\xc3\xbc\xc3\x9f" "e Caf\xc3\xa9 \xe2\x82\xac" "5 \xe2\x80\x9equoted\xe2\x80\x9c \xc3\xa0\xc3\xa8\xc3\xaa\xc3\xb1"),
              std::string::npos) << "the PDF shows the characters the screen shows: " << page2;

    std::string info = Shell("pdfinfo '" + out + "'");
    EXPECT_NE(info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           Test \xc3\xa4 title"), std::string::npos) << info;
    EXPECT_NE(info.find("Author:          Ada"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         Pagimo for Linux"), std::string::npos) << info;
    EXPECT_NE(info.find("CreationDate:    Sun Dec  6 16:45:00 2026"), std::string::npos) << info;
    EXPECT_NE(info.find("ModDate:         Thu Dec 31 23:59:00 2026"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           2"), std::string::npos);

    std::string images = Shell("pdfimages -list '" + out + "'");
    EXPECT_TRUE(std::regex_search(images, std::regex("image\\s+200\\s+100"))) << images;
    EXPECT_TRUE(std::regex_search(images, std::regex("image\\s+64\\s+48\\s+rgb\\s+3\\s+8\\s+jpeg"))) << images;
    std::string page1 = Shell("qpdf --qdf --object-streams=disable '" + out + "' - | tr -d '\\r'");
    EXPECT_NE(page1.find("10 722 cm"), std::string::npos) << "the picture's lower-left corner is (10, 722)";
    EXPECT_NE(page1.find("100 442 m\n300 442 l"), std::string::npos) << "the line";
    EXPECT_NE(page1.find("200 342 100 50 re"), std::string::npos) << "the rectangle, whatever the corner order";

    std::string json = Shell("qpdf --json '" + out + "'");
    EXPECT_NE(json.find("\"/URI\": \"u:https://example.org/pagimo\""), std::string::npos) << "the web link";
    size_t links = 0;
    for (size_t at = json.find("\"/Subtype\": \"/Link\""); at != std::string::npos;
         at = json.find("\"/Subtype\": \"/Link\"", at + 1))
        links++;
    EXPECT_EQ(links, 2u) << "web link and page link; the link to a missing page has none";
    EXPECT_TRUE(std::regex_search(json, std::regex("\"/Border\": \\[\\s*0,\\s*0,\\s*0\\s*\\][\\s\\S]*"
                                                   "\"/Dest\": \"[0-9]+ 0 R\"[\\s\\S]*\"/Rect\": \\[\\s*72,\\s*502,")))
        << "the page link covers its text from the baseline up, without a border";
    EXPECT_TRUE(std::regex_search(json, std::regex("\"/Rect\": \\[\\s*72,\\s*542,"))) << "the web link's rectangle";
    std::string outline = Shell("qpdf --json --json-key=outlines '" + out + "'");
    /* qpdf lists an entry's kids before its title: Subsection inside Hello,
     * both with the second page's headline under the project's root. */
    std::regex nested("\"title\": \"Subsection\"[\\s\\S]*\"title\": \"Hello\"[\\s\\S]*"
                      "\"title\": \"Gr\xc3\xbc\xc3\x9f" "e Caf\xc3\xa9 \xe2\x82\xac" "5[^\"]*\"[\\s\\S]*\"title\": \"unnamed\"");
    EXPECT_TRUE(std::regex_search(outline, nested)) << outline;
    EXPECT_EQ(outline.find("Missed"), std::string::npos) << "no entry the table of contents lacks";
}

TEST_F(Pdf, FormatsEmptyProjectsAndPasswords)
{
    PDaten.pageformat = 3;
    xend = xstart + 842, yend = ystart + 595; /* where the page view puts a landscape page */
    AddPageList(nullptr);
    AddPageList(nullptr);
    Text(2, ET_TEXT, "Wide", "DejaVu Sans", 12, 20, 20);
    std::strcpy(PDaten.opassword, "owner");
    std::strcpy(PDaten.upassword, "reader");
    ASSERT_TRUE(Export());
    EXPECT_NE(Shell("pdfinfo -upw reader '" + out + "'").find("Page size:       842 x 595 pts"), std::string::npos);
    std::string enc = Shell("qpdf --show-encryption --password=owner '" + out + "'");
    EXPECT_NE(enc.find("R = 3"), std::string::npos) << enc;
    EXPECT_NE(enc.find("print low resolution: not allowed"), std::string::npos) << enc;
    EXPECT_NE(enc.find("modify annotations: not allowed"), std::string::npos) << enc;
    EXPECT_NE(enc.find("extract for any purpose: not allowed"), std::string::npos) << enc;
    std::string dict = Shell("qpdf --show-object=trailer --password=owner '" + out + "'");
    std::string encdict = Shell("qpdf --qdf --password=owner --decrypt '" + out + "' - >/dev/null; "
                                "qpdf --json --json-key=encrypt --password=owner '" + out + "'");
    EXPECT_NE(encdict.find("\"bits\": 128"), std::string::npos) << encdict;
    std::string user = Shell("pdftotext -upw reader '" + out + "' -");
    EXPECT_EQ(user.find("Incorrect password"), std::string::npos) << user;
    EXPECT_NE(Shell("pdftotext -upw wrong '" + out + "' -").find("Incorrect password"), std::string::npos);
    EXPECT_NE(Shell("pdftotext -opw owner '" + out + "' -").find("Wide"), std::string::npos);

    std::strcpy(PDaten.upassword, "OWNER");
    ASSERT_TRUE(Export());
    EXPECT_NE(Shell("qpdf --show-encryption '" + out + "'").find("File is not encrypted"), std::string::npos)
        << "passwords that differ only in case";
    PDaten.upassword[0] = '\0';
    ASSERT_TRUE(Export());
    EXPECT_NE(Shell("qpdf --show-encryption '" + out + "'").find("File is not encrypted"), std::string::npos);

    FreeLists(0);
    PDaten.count = 0;
    std::strcpy(PDaten.title, "Nothing");
    PDaten.maxlevel = 2;
    ASSERT_TRUE(Export());
    EXPECT_NE(Shell("qpdf --check '" + out + "'").find("No syntax or stream encoding errors"), std::string::npos);
    std::string raw = ReadTextFile(out);
    EXPECT_NE(raw.find("/Count 0"), std::string::npos) << "a document without pages";
    EXPECT_NE(Shell("qpdf --json '" + out + "'").find("\"/Title\": \"u:Nothing\""), std::string::npos)
        << "with its information";
    EXPECT_EQ(Shell("qpdf --json --json-key=outlines '" + out + "'").find("\"title\""), std::string::npos)
        << "no headline, no outline";
}

TEST_F(Pdf, LibharuErrorsShowTheirMessageAndWriteNothing)
{
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Fine", "DejaVu Sans", 12, 20, 20);
    WriteTextFile(scratch + "/T/PAG4/Bilder/bad.png", "\x89PNG\r\n\x1a\n but broken");
    Picture(1, "bad.png", 10, 10, 50, 100, nullptr);
    WriteTextFile(out, "an older file");
    EXPECT_FALSE(Export());
    ASSERT_FALSE(RequesterLog.empty());
    EXPECT_EQ(RequesterLog.back(), "Hint|Invalid PNG image format. File: PGT:PAG4/Bilder/bad.png|Okay");
    EXPECT_EQ(ReadTextFile(out), "an older file") << "a failed export keeps the old file";
    RequesterScriptAdd(out.c_str());
    RequesterScriptAdd("1"); /* Overwrite this file */
    EXPECT_FALSE(CreateProject(xstart, ystart, xend, yend, nullptr, nullptr));
    EXPECT_EQ(RequesterLog[RequesterLog.size() - 2], "Hint|A file of this name already exists.|Overwrite this file|Cancel");
    EXPECT_EQ(ReadTextFile(out), "an older file") << "Create PDF deletes nothing before the new file is complete";
    unlink(out.c_str());

    FreeLists(0);
    PDaten.count = 0;
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Lost", "No Such Font", 12, 20, 20);
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), "Hint|The font No Such Font was not found.|Okay");
    EXPECT_FALSE(HostExists(out));

    FreeLists(0);
    PDaten.count = 0;
    AddPageList(nullptr);
    WriteTextFile(scratch + "/T/PAG4/Bilder/bad.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "garbage garbage");
    Picture(1, "bad.jpg", 10, 10, 50, 100, nullptr);
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), "Hint|Invalid JPEG image format. File: PGT:PAG4/Bilder/bad.jpg|Okay");
    EXPECT_FALSE(HostExists(out));

    FreeLists(0);
    PDaten.count = 0;
    AddPageList(nullptr);
    Picture(1, "gone.png", 10, 10, 50, 100, nullptr);
    EXPECT_FALSE(Export());
    EXPECT_EQ(RequesterLog.back(), "Hint|The file PGT:PAG4/Bilder/gone.png could not be read or written.|Okay");

    FreeLists(0);
    PDaten.count = 0;
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Again", "DejaVu Sans", 12, 20, 20);
    EXPECT_FALSE(ExportProject("/no/such/dir/x.pdf", xstart, ystart, xend, yend));
    EXPECT_EQ(RequesterLog.back(),
              "Hint|The file /no/such/dir/x.pdf could not be read or written: No such file or directory.|Okay");
    EXPECT_TRUE(Export()) << "an export after an error works";
}

/* The job opens a window to lay its page out, and the window's events are
 * processed then: a SIGTERM that came before must still stop the export,
 * not be taken by the window's watch and forgotten. */
TEST_F(Pdf, AJobStopsForABreakThatCameBeforeItsWindowOpened)
{
    AddPageList(nullptr);
    Text(1, ET_TEXT, "Never", "DejaVu Sans", 12, 20, 20);
    ASSERT_TRUE(BreakInit());
    BreakTake();
    PlatformGuiExit();
    PlatformGuiInit(0, nullptr); /* now with the break's descriptor to watch */
    PdfJob = true;
    raise(SIGTERM);
    GUIOpenWindow(WIN_PROJECT, nullptr, nullptr, false, 0);
    bool exported = Export();
    GUICloseWindow(WIN_PROJECT, false);
    PdfJob = false;
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    EXPECT_FALSE(exported);
    EXPECT_FALSE(HostExists(out));
    ASSERT_FALSE(RequesterLog.empty());
    EXPECT_NE(RequesterLog.back().find("page 1: The export was stopped"), std::string::npos) << RequesterLog.back();
}

/* The offset of a table in a TrueType file. */
static size_t TableOffset(const std::string &ttf, const char *tag)
{
    auto u16 = [&](size_t at) { return size_t(uint8_t(ttf[at])) << 8 | uint8_t(ttf[at + 1]); };
    for (size_t i = 0; i < u16(4); i++) {
        size_t rec = 12 + 16 * i;
        if (!ttf.compare(rec, 4, tag))
            return u16(rec + 8) << 16 | u16(rec + 10);
    }
    return 0;
}

TEST_F(Pdf, PicturesAndFontsThatLibharuMishandles)
{
    AddPageList(nullptr);
    std::string il = scratch + "/T/PAG4/Bilder/interlaced.png";
    Shell("convert -size 40x30 xc:red -interlace PNG 'PNG24:" + il + "'");
    ASSERT_NE(Shell("identify -verbose '" + il + "'").find("Interlace: PNG"), std::string::npos);
    Picture(1, "interlaced.png", 40, 30, 50, 100, nullptr);
    std::strcpy(PDaten.created, "31 04 2026 10 00"); /* no such day */
    ASSERT_TRUE(Export()) << (RequesterLog.empty() ? "" : RequesterLog.back());
    EXPECT_TRUE(std::regex_search(Shell("pdfimages -list '" + out + "'"), std::regex("image\\s+40\\s+30")));
    EXPECT_EQ(Shell("pdfinfo '" + out + "'").find("CreationDate"), std::string::npos) << "an impossible date is left out";

    /* The font file goes bad after the catalogue was made. */
    std::string link = scratch + "/fonts/_TrueType/DejaVuSans.ttf";
    std::string ttf = ReadTextFile(link);
    ASSERT_GT(ttf.size(), 1000u);
    size_t hhea = TableOffset(ttf, "hhea");
    ASSERT_GT(hhea, 0u);
    ttf[hhea + 34] = '\xFF', ttf[hhea + 35] = '\xFF'; /* more metrics than glyphs */
    unlink(link.c_str());
    WriteTextFile(link, ttf);
    Text(1, ET_TEXT, "Broken", "DejaVu Sans", 12, 20, 20);
    EXPECT_FALSE(Export()) << "refused, not crashed";
    EXPECT_EQ(RequesterLog.back(), "Hint|The font FONTS:_TrueType/DejaVuSans.ttf has an unsupported format.|Okay");
    EXPECT_TRUE(std::regex_search(Shell("pdfimages -list '" + out + "'"), std::regex("image\\s+40\\s+30")))
        << "the PDF of the export before stays";
}

TEST_F(Pdf, CommandLineJobExportsAProjectWithoutAWindow)
{
    /* Positions as the page view of a 1920x1200 screen gives them. */
    PlatformScreenSize(&ScreenWidth, &ScreenHeight);
    ASSERT_TRUE(GUIOpenWindow(WIN_PROJECT, nullptr, nullptr, false, 0));
    CreateEmptyPage(2);
    GUICloseWindow(WIN_PROJECT, false);
    AddPageList(nullptr);
    Text(1, ET_TEXT, "From the shell", "DejaVu Sans", 12, 40, 40);
    std::strcpy(DataPath, scratch.c_str());
    SetProjectName("job");
    ASSERT_EQ(SaveProject(false), 0u);
    std::string env = "cd '" + scratch + "' && PAGIMO_ASSIGN_T='" + scratch + "/T2' PAGIMO_ASSIGN_FONTS='" +
                      scratch + "/fonts' PAGIMO_ASSIGN_TBIMAGES='" + ProgramDataDir() + "/tbimages' DISPLAY= ";
    std::string bin = PagimoBinary();
    /* The working area of a running window must survive the job. */
    CreateDirTree((scratch + "/T2/PAG4/Bilder").c_str());
    WriteTextFile(scratch + "/T2/PAG4/Bilder/keep.png", "in use");
    std::string run = Shell(env + bin + " Debug=Off --pdf result.pdf job.pfz 2>&1; echo rc=$?");
    EXPECT_EQ(ReadTextFile(scratch + "/T2/PAG4/Bilder/keep.png"), "in use") << "the job works apart";
    EXPECT_NE(run.find("rc=0"), std::string::npos) << run;
    EXPECT_NE(Shell("pdftotext '" + scratch + "/result.pdf' -").find("From the shell"), std::string::npos);

    run = Shell(env + bin + " --pdf example.pdf '" PAGIMO_SOURCE_DIR "/examples/example.pfz' 2>&1; echo rc=$?");
    EXPECT_NE(run.find("rc=0"), std::string::npos) << "the shipped example: " << run;
    std::string text = Shell("pdftotext '" + scratch + "/example.pdf' -");
    EXPECT_NE(text.find("Welcome to Pagimo"), std::string::npos) << text;
    EXPECT_NE(text.find("Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln"), std::string::npos);
    EXPECT_NE(Shell("pdfinfo '" + scratch + "/example.pdf'").find("Pages:           3"), std::string::npos);
    EXPECT_NE(text.find("Polski: Zażółć gęślą jaźń · Ελληνικά ·\nКириллица · ← → ↔ · 5 € · „Zitat“"), std::string::npos)
        << "the textbox chain ends on the third page with its line of scripts: " << text;
    std::string lines = Shell("pdftotext -layout '" + scratch + "/example.pdf' -");
    EXPECT_NE(lines.find("Sei-\n"), std::string::npos) << "and is hyphenated: " << lines;
    run = Shell(env + bin + " --pdf letters.pdf --merge '" PAGIMO_SOURCE_DIR "/examples/letter.csv' '" PAGIMO_SOURCE_DIR
                "/examples/letter.pfz' 2>&1; echo rc=$?");
    EXPECT_EQ(run, "rc=0\n") << "the shipped letter merges without a word to say";
    text = Shell("pdftotext '" + scratch + "/letters.pdf' -");
    EXPECT_NE(text.find("Liebe/r Zofia Łęcka,"), std::string::npos) << text;
    EXPECT_NE(text.find("Liebe/r Анна Петрова,"), std::string::npos) << text;
    EXPECT_NE(Shell("pdfinfo '" + scratch + "/letters.pdf'").find("Pages:           4"), std::string::npos);

    WriteTextFile(scratch + "/broken.pfz", "garbage");
    run = Shell(env + bin + " --pdf broken.pdf broken.pfz Debug=Off 2>&1; echo rc=$?");
    EXPECT_NE(run.find("The project could not be opened."), std::string::npos) << run;
    EXPECT_NE(run.find("rc=1"), std::string::npos) << run;
    EXPECT_FALSE(HostExists(scratch + "/broken.pdf"));

    run = Shell(env + bin + " --pdf x.pdf missing.pfz Debug=Off 2>&1; echo rc=$?");
    EXPECT_NE(run.find("the file does not exist"), std::string::npos) << run;
    EXPECT_NE(run.find("rc=1"), std::string::npos);
    run = Shell(env + bin + " --pdf /no/such/dir/x.pdf job.pfz Debug=Off 2>&1; echo rc=$?");
    EXPECT_NE(run.find("The file /no/such/dir/x.pdf could not be read or written: No such file or directory."),
              std::string::npos) << run;
    EXPECT_NE(run.find("rc=1"), std::string::npos);
}
