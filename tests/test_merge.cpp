/*
 * test_merge.cpp - the pieces of a merge: reading CSV tables as
 * spreadsheets write them, filling placeholders, and naming one PDF per
 * record. The whole merge through the program is in test_cli.cpp.
 */
#include <set>
#include <string>

#include "testutil.h"

#include "document/mergetable.h"
#include "document/placeholders.h"

static MergeTable Table(const std::string &csv)
{
    MergeTable t;
    std::string why;
    EXPECT_EQ(ParseMergeTable(csv, &t, &why), TABLE_OK) << why;
    return t;
}

TEST(MergeTable, SpreadsheetExportsReadAsTheyWereMeant)
{
    /* UTF-8 with a byte-order mark, CR LF, quotes around commas, quotes
     * and line ends, and blank lines at the end. */
    MergeTable t = Table("\xEF\xBB\xBFName,Anrede,Ort\r\n"
                         "M\xC3\xBCller,Herr,\"K\xC3\xB6ln, Altstadt\"\r\n"
                         "\"Schmidt \"\"Schmiddi\"\"\",Frau,\"Zeile eins\nZeile zwei\"\r\n"
                         "Kurz\r\n"
                         "\r\n,,\r\n");
    ASSERT_EQ(t.names.size(), 3u);
    EXPECT_EQ(t.names[0], "Name") << "the byte-order mark is no part of the first name";
    ASSERT_EQ(t.records.size(), 3u) << "empty lines are no records";
    EXPECT_EQ(t.separator, ',');
    EXPECT_EQ(t.records[0][0], "M\xFCller") << "8-bit for the texts of elements";
    EXPECT_EQ(t.records_utf8[0][0], "M\xC3\xBCller") << "UTF-8 for file names";
    EXPECT_EQ(t.records[0][2], "K\xF6ln, Altstadt");
    EXPECT_EQ(t.records[1][0], "Schmidt \"Schmiddi\"");
    EXPECT_EQ(t.records[1][2], "Zeile eins\nZeile zwei");
    EXPECT_EQ(t.records[2][1], "") << "missing fields are empty";

    /* German spreadsheets: semicolons, commas inside values, 8-bit text. */
    MergeTable g = Table("Name;Betrag;Ort\nM\xFCller;1,50;\"A;B\"\n");
    EXPECT_EQ(g.separator, ';');
    ASSERT_EQ(g.records.size(), 1u);
    EXPECT_EQ(g.records[0][0], "M\xFCller");
    EXPECT_EQ(g.records_utf8[0][0], "M\xC3\xBCller");
    EXPECT_EQ(g.records[0][1], "1,50");
    EXPECT_EQ(g.records[0][2], "A;B");

    /* A quote inside an unquoted field is a character of it. */
    MergeTable q = Table("Id,Ort,Stadt,Kreis\n"
                         "2095257564,37\xC2\xB0" "36'37.8\"N 121\xC2\xB0" "2'17.9\"W,Modesto,Stanislaus\n");
    ASSERT_EQ(q.records.size(), 1u);
    EXPECT_EQ(q.records[0][1], "37\xB0" "36'37.8\"N 121\xB0" "2'17.9\"W");
    EXPECT_EQ(q.records[0][3], "Stanislaus");

    /* Text exports: tabs, found from the header line like semicolons; in
     * UTF-16 as "Unicode text" writes it. */
    MergeTable tsv = Table("Name\tAnrede; Titel\tOrt\n\"M\xFCller\"\tHerr\tK\xF6ln, Altstadt\n");
    EXPECT_EQ(tsv.separator, '\t');
    ASSERT_EQ(tsv.names.size(), 3u);
    EXPECT_EQ(tsv.names[1], "Anrede; Titel");
    EXPECT_EQ(tsv.records[0][0], "M\xFCller");
    EXPECT_EQ(tsv.records[0][2], "K\xF6ln, Altstadt");
    EXPECT_EQ(Table("Name,Ort;Land\tX\nA,B;C\tD\n").separator, ',') << "a comma on a tie";
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : std::u16string(u"Name\tOrt\r\n\u02A4\U0001F600\tK\u00F6ln\r\n"))
        utf16 += char(u & 0xFF), utf16 += char(u >> 8);
    MergeTable u16 = Table(utf16);
    ASSERT_EQ(u16.records.size(), 1u);
    EXPECT_EQ(u16.records_utf8[0][0], "\xCA\xA4\xF0\x9F\x98\x80");
    EXPECT_EQ(u16.records[0][1], "K\xF6ln");
    EXPECT_EQ(Table("Name,Ort,,\nA,B,,\n").records.size(), 1u) << "empty names at the end are no duplicates";

    /* What cannot be read as meant is refused, naming the line. */
    MergeTable none;
    std::string why;
    EXPECT_EQ(ParseMergeTable("Name,Ort\nA,\"x\ny\"\n\nB,\"open\nC,D\n", &none, &why), TABLE_MALFORMED)
        << "an unclosed quote does not swallow the records after it";
    EXPECT_NE(why.find("line 5"), std::string::npos) << why;
    EXPECT_EQ(ParseMergeTable("Name,Ort,X\nA,\"b\"c,d\nE,\"F\",G\n", &none, &why), TABLE_MALFORMED)
        << "nor does a quoted field going on after its closing quote";
    EXPECT_NE(why.find("line 2"), std::string::npos) << why;
    EXPECT_EQ(ParseMergeTable("Name,Ort,Name\nA,B,C\n", &none, &why), TABLE_MALFORMED);
    EXPECT_NE(why.find("{Name} twice (columns 1 and 3)"), std::string::npos) << why;
    EXPECT_EQ(ParseMergeTable(std::string("Name\nBert\nAn\0na\n", 17), &none, &why), TABLE_MALFORMED);
    EXPECT_NE(why.find("NUL byte (in line 3)"), std::string::npos) << why;
    EXPECT_EQ(ParseMergeTable("Name,Ort\n", &none, &why), TABLE_EMPTY);
    EXPECT_EQ(ParseMergeTable("", &none, &why), TABLE_EMPTY);
    EXPECT_EQ(ReadMergeTable("/nonexistent/table.csv", &none, &why), TABLE_UNREADABLE);
}

TEST(MergeTable, PlaceholdersAreFilledAndBracesDoubledStayBraces)
{
    MergeTable t = Table("Name,Anrede\nM\xC3\xBCller,Herr\n");
    std::string out, missing;
    ASSERT_TRUE(FillPlaceholders("Sehr geehrter {Anrede} {Name}, {{Rabatt}} }x{", &t, 0, false, &out, &missing));
    EXPECT_EQ(out, "Sehr geehrter Herr M\xFCller, {Rabatt} }x{");
    ASSERT_TRUE(FillPlaceholders("{Name}", &t, 0, true, &out, &missing));
    EXPECT_EQ(out, "M\xC3\xBCller");
    EXPECT_FALSE(FillPlaceholders("Hallo {Vorname}", &t, 0, false, &out, &missing));
    EXPECT_EQ(missing, "Vorname");
    EXPECT_TRUE(HasPlaceholders("a {Name} b"));
    EXPECT_FALSE(HasPlaceholders("a {{Name}} b {} {\n}"));

    /* Braces that start no placeholder, however many, cost one pass. */
    std::string braces;
    for (int i = 0; i < 500000; i++)
        braces += "{x";
    ASSERT_TRUE(FillPlaceholders(braces + "{a{Name}{Anrede}\n{b\n}{Name}}}", &t, 0, false, &out, &missing));
    EXPECT_EQ(out, braces + "{aM\xFCllerHerr\n{b\n}M\xFCller}");
    EXPECT_TRUE(HasPlaceholders(braces + "{Name}"));
    EXPECT_FALSE(HasPlaceholders(braces + "{}"));

    /* A value longer than any element field is filled whole. */
    std::string longname(300, 'x');
    MergeTable l = Table("Name\n" + longname + "\n");
    ASSERT_TRUE(FillPlaceholders("Hallo {Name}!", &l, 0, false, &out, &missing));
    EXPECT_EQ(out, "Hallo " + longname + "!");
}

TEST(MergeTable, OnePdfPerRecordGetsANameOfItsOwn)
{
    MergeTable t = Table("Name,Nr\nM\xC3\xBCller,1\nM\xC3\xBCller,2\n\"A/B: \"\"C\"\"\",3\n,4\nM\xC3\xBCller,5\n");
    std::set<std::string> used;
    EXPECT_EQ(RecordFileName("out/{Name}.pdf", &t, 0, &used), "out/M\xC3\xBCller.pdf");
    EXPECT_EQ(RecordFileName("out/{Name}.pdf", &t, 1, &used), "out/M\xC3\xBCller-2.pdf");
    EXPECT_EQ(RecordFileName("out/{Name}.pdf", &t, 2, &used), "out/A_B_ _C_.pdf") << "no folders from values";
    EXPECT_EQ(RecordFileName("out/{Name}.pdf", &t, 3, &used), "out/4.pdf") << "an empty name is the number";
    EXPECT_EQ(RecordFileName("out/{Name}.pdf", &t, 4, &used), "out/M\xC3\xBCller-3.pdf");

    /* No value climbs out of the folder or makes a name too long. */
    MergeTable d = Table("Dir,Name\n..,escaped\n.,here\nok," + std::string(150, 'x') + "\xC3\xA4" +
                         std::string(150, 'y') + "\n");
    used.clear();
    EXPECT_EQ(RecordFileName("out/{Dir}/{Name}.pdf", &d, 0, &used), "out/__/escaped.pdf");
    EXPECT_EQ(RecordFileName("out/{Dir}/{Name}.pdf", &d, 1, &used), "out/_/here.pdf");
    std::string cut = RecordFileName("out/{Dir}/{Name}.pdf", &d, 2, &used);
    EXPECT_LE(cut.size() - std::string("out/ok/").size(), 255u);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".pdf");
    EXPECT_EQ(cut.find("\xC3.pdf"), std::string::npos) << "not cut inside a character";
}
