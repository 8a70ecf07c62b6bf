/*
 * localisation.cpp - message lookup, catalogs and the label arrays (see
 * localisation.h).
 *
 * The user's language comes from LANGUAGE (a ":"-separated list, first
 * choice first), then LC_ALL, LC_MESSAGES and LANG. For each language
 * "ll_CC" the catalog of "ll_CC" is tried, then that of "ll".
 */
#include "gui/localisation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "text/utilities.h"

struct Catalog {
    bool present[MSG_COUNT];
    std::string texts[MSG_COUNT]; /* in the program's 8-bit set */
};

LocaleInfo localeinfo;

const char *page_chooser[7];
const char *style_chooser[5];
const char *justification_chooser[4];
const char *arexx_chooser[25];
const char *compression_chooser[6];
const char *level_chooser[12];
const char *page_section[30];
const char *rblinks[3];

/* Stands for the locale service: on this platform it is always there. */
static int locale_service;

/* ------------------------------------------------------------ lookup */

static uint32_t Be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

static const char *BuiltinText(int32_t stringNum)
{
    const unsigned char *p = CatCompBlock, *end = CatCompBlock + CatCompBlockSize;
    while (p + 6 <= end) {
        uint32_t len = uint32_t(p[4]) << 8 | p[5];
        if (Be32(p) == uint32_t(stringNum))
            return reinterpret_cast<const char *>(p + 6);
        p += 6 + len;
    }
    return "";
}

/* Ids outside 0..MSG_COUNT - 1 give an empty text. */
const char *GetString(LocaleInfo *li, int32_t stringNum)
{
    const char *builtin = BuiltinText(stringNum);
    if (!li || !li->li_LocaleBase || !li->li_Catalog || stringNum < 0 || stringNum >= MSG_COUNT)
        return builtin;
    Catalog *cat = li->li_Catalog;
    return cat->present[stringNum] ? cat->texts[stringNum].c_str() : builtin;
}

/* ------------------------------------------------------------ catalog files */

/* "\n", "\t" and "\\" stand for a line end, a tab and a backslash. */
static std::string Unescape(const char *s)
{
    std::string out;
    for (; *s; s++) {
        if (*s != '\\' || !s[1]) {
            out += *s;
            continue;
        }
        s++;
        out += *s == 'n' ? '\n' : *s == 't' ? '\t' : *s;
    }
    return out;
}

/* The placeholders of a text in their order: "%s", "%ld", ... A catalog
 * text is used only with exactly the placeholders of the built-in one, so a
 * broken catalog can never make the program read arguments it was not given. */
static std::string Placeholders(const char *text)
{
    std::string out;
    for (const char *p = text; *p; p++) {
        if (*p != '%')
            continue;
        size_t n = std::strspn(p + 1, "-+ #0123456789.lh");
        out.append(p, n + 2);
        if (p[n + 1] == '\0')
            break;
        p += n + 1;
    }
    return out;
}

static void ParseCatalogLine(Catalog *cat, char *line)
{
    line[std::strcspn(line, "\r\n")] = '\0';
    if (line[0] == '#' || line[0] == '\0')
        return;
    char *end;
    long id = std::strtol(line, &end, 10);
    if (end == line || (*end != ' ' && *end != '\t') || id < 0 || id >= MSG_COUNT)
        return;
    std::string utf8 = Unescape(end + 1);
    std::vector<char> text(utf8.size() + 1);
    CharsetFromUtf8(utf8.c_str(), text.data(), text.size());
    if (Placeholders(text.data()) != Placeholders(BuiltinText(id)))
        return;
    cat->texts[id] = text.data();
    cat->present[id] = true;
}

Catalog *OpenCatalogFile(const char *path)
{
    FILE *f = OpenFile(path, "r");
    if (!f)
        return nullptr;
    Catalog *cat = new Catalog();
    char line[4096];
    while (std::fgets(line, sizeof(line), f))
        ParseCatalogLine(cat, line);
    std::fclose(f);
    return cat;
}

void CloseCatalog(Catalog *cat)
{
    delete cat;
}

/* ------------------------------------------------------------ languages */

static void AddLanguages(std::vector<std::string> &langs, const char *value, bool list)
{
    std::string all(value ? value : "");
    size_t start = 0;
    while (start <= all.size() && !all.empty()) {
        size_t stop = list ? all.find(':', start) : std::string::npos;
        std::string code = all.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
        code = code.substr(0, code.find_first_of(".@"));
        if (!code.empty() && code != "C" && code != "POSIX") {
            langs.push_back(code);
            if (code.find('_') != std::string::npos)
                langs.push_back(code.substr(0, code.find('_')));
        }
        if (stop == std::string::npos)
            break;
        start = stop + 1;
    }
}

static std::vector<std::string> UserLanguages(void)
{
    std::vector<std::string> langs;
    AddLanguages(langs, std::getenv("LANGUAGE"), true);
    for (const char *var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *v = std::getenv(var);
        if (v && *v) {
            AddLanguages(langs, v, false);
            break;
        }
    }
    return langs;
}

/* The catalog of the user's first language that has one; "" for none. */
std::string CatalogPathFor(void)
{
    for (const std::string &lang : UserLanguages()) {
        std::string path = "PROGDIR:catalogs/" + lang + "/pagimo.catalog";
        if (PathExists(path.c_str()))
            return path;
    }
    return std::string();
}

/* ------------------------------------------------------------ start-up */

bool InitLocalisation(void)
{
    DebugPrint("-> InitLocalisation()\n");
    localeinfo.li_LocaleBase = &locale_service;
    localeinfo.li_Catalog = nullptr;
    std::string path = CatalogPathFor();
    if (!path.empty())
        localeinfo.li_Catalog = OpenCatalogFile(path.c_str());
    DebugPrint("   catalog: %s\n", localeinfo.li_Catalog ? path.c_str() : "none, built-in texts");
    return true;
}

void CloseLocalisation(void)
{
    DebugPrint("-> CloseLocalisation()\n");
    CloseCatalog(localeinfo.li_Catalog);
    localeinfo.li_Catalog = nullptr;
}

static void FillLabels(const char **labels, int first, int count)
{
    for (int i = 0; i < count; i++)
        labels[i] = GetString(&localeinfo, first + i);
}

/* The labels made rather than looked up ("Level 3", "025 - 036") live
 * here, so that each call replaces the texts of the call before instead of
 * taking new ones: the windows of the program and every catalog the fuzz
 * harness tries call it again. */
static std::string level_labels[10], section_labels[29];

void LocalizeChooser(void)
{
    DebugPrint("-> LocalizeChooser()\n");
    FillLabels(page_chooser, 29, 6);
    page_chooser[6] = nullptr;
    FillLabels(style_chooser, 94, 4);
    style_chooser[4] = nullptr;
    FillLabels(justification_chooser, 110, 4);
    arexx_chooser[0] = GetString(&localeinfo, 136);
    arexx_chooser[1] = nullptr;
    FillLabels(compression_chooser, 149, 5);
    compression_chooser[5] = nullptr;
    level_chooser[0] = GetString(&localeinfo, 155);
    for (int i = 1; i <= 10; i++) {
        level_labels[i - 1] = std::string(GetString(&localeinfo, 154)) + " " + std::to_string(i);
        level_chooser[i] = level_labels[i - 1].c_str();
    }
    level_chooser[11] = nullptr;
    for (int k = 0; k < 29; k++) {
        char range[16];
        std::snprintf(range, sizeof(range), "%03d - %03d", 12 * k + 1, 12 * k + 12);
        section_labels[k] = range;
        page_section[k] = section_labels[k].c_str();
    }
    page_section[29] = nullptr;
}

void LocalizeRadioButtons(void)
{
    DebugPrint("-> LocalizeRadioButtons()\n");
    rblinks[0] = GetString(&localeinfo, 170);
    rblinks[1] = GetString(&localeinfo, 171);
    rblinks[2] = nullptr;
}

/* The hints are looked up while the windows are built. */
void LocalizeHints(void)
{
}
