/*
 * catcomp.cpp - the built-in English texts of every message, as one byte
 * block of entries in id order: a 4-byte big-endian id, a 2-byte big-endian
 * even length L, then L bytes of NUL-terminated text (padded with one more
 * NUL where needed to make L even). The block is built at compile time from
 * the table below; texts are ISO 8859-1.
 */
#include "gui/localisation.h"

#include <array>
#include <cstddef>

static constexpr const char *builtin_texts[MSG_COUNT] = {
    /*   0 */ "Project",
    /*   1 */ "N|New",
    /*   2 */ "O|Open",
    /*   3 */ "C|Close",
    /*   4 */ "S|Save",
    /*   5 */ "a|Save as",
    /*   6 */ "Import",
    /*   7 */ "Export",
    /*   8 */ "C|Create PDF",
    /*   9 */ "A|About",
    /*  10 */ "Q|Quit",
    /*  11 */ "Edit",
    /*  12 */ "Page",
    /*  13 */ "+|Insert",
    /*  14 */ "-|Remove",
    /*  15 */ "X|Cut",
    /*  16 */ "C|Copy",
    /*  17 */ "V|Paste",
    /*  18 */ "DEL|Delete",
    /*  19 */ "M|Move",
    /*  20 */ "Extras",
    /*  21 */ "Preferences",
    /*  22 */ "Creative ideas and testing",
    /*  23 */ "Also thank you to",
    /*  24 */ "Translations",
    /*  25 */ "Icon created by",
    /*  26 */ "For the little \"fighter\"...",
    /*  27 */ "Page",
    /*  28 */ "unnamed",
    /*  29 */ "Letter",
    /*  30 */ "Letter Landscape",
    /*  31 */ "DIN A4",
    /*  32 */ "DIN A4 Landscape",
    /*  33 */ "DIN A5",
    /*  34 */ "DIN A5 Landscape",
    /*  35 */ "Open a saved project",
    /*  36 */ "Closes the current project",
    /*  37 */ "Saves the current project",
    /*  38 */ "Saves the current project under a new name",
    /*  39 */ "Creates the PDF file",
    /*  40 */ "Inserts a new empty page",
    /*  41 */ "Deletes the current page",
    /*  42 */ "Chooses the paper format",
    /*  43 */ "Selects a range of pages",
    /*  44 */ "Coordinates",
    /*  45 */ "Position in pixels",
    /*  46 */ "Position in mm",
    /*  47 */ "Shows the distance in pixels",
    /*  48 */ "Shows the distance in mm",
    /*  49 */ "Tools",
    /*  50 */ "Selects elements with the mouse",
    /*  51 */ "Draw a line",
    /*  52 */ "Insert text in page",
    /*  53 */ "Sets the font style",
    /*  54 */ "Current mode",
    /*  55 */ "Shows the current working mode",
    /*  56 */ "Text setup",
    /*  57 */ "Font name",
    /*  58 */ "Font size",
    /*  59 */ "Text to insert",
    /*  60 */ "Function",
    /*  61 */ "Deletes the selected elements",
    /*  62 */ "Copies the selected elements",
    /*  63 */ "Cuts the selected elements",
    /*  64 */ "Pastes the copied elements",
    /*  65 */ "Select mode",
    /*  66 */ "Draw a line",
    /*  67 */ "Insert a textline",
    /*  68 */ "Insert a Picture",
    /*  69 */ "Insert a textbox",
    /*  70 */ "Insert the current date",
    /*  71 */ "Insert the current time",
    /*  72 */ "Draw a rectangle",
    /*  73 */ "Insert the page number",
    /*  74 */ "Insert a link",
    /*  75 */ "Hint",
    /*  76 */ "A file of this name already exists.",
    /*  77 */ "This file could not be deleted: it is open.",
    /*  78 */ "Overwrite this file|Cancel",
    /*  79 */ "Replace %s with %s.font.",
    /*  80 */ "Font not found!",
    /*  81 */ "The font %s cannot be embedded\nbecause of license restrictions.",
    /*  82 */ "The font %s was not found.",
    /*  83 */ "The font %s has an unsupported format.",
    /*  84 */ "Do you want to leave the program?",
    /*  85 */ "Yes|No",
    /*  86 */ "The current project is not saved.",
    /*  87 */ "Continue|Cancel",
    /*  88 */ "Okay",
    /*  89 */ "The picture \"%s\" was not found.",
    /*  90 */ "The text \"%s\" was not found.",
    /*  91 */ "Invalid PNG image format. File: %s",
    /*  92 */ "Invalid JPEG image format. File: %s",
    /*  93 */ "Unsupported JPEG format. File: %s",
    /*  94 */ "Normal",
    /*  95 */ "Italic",
    /*  96 */ "Bold",
    /*  97 */ "Bold italic",
    /*  98 */ "Add a picture to the page.",
    /*  99 */ "Picture setup",
    /* 100 */ "Sets the picture to insert.",
    /* 101 */ "The path of the picture.",
    /* 102 */ "Insert Textfile",
    /* 103 */ "Insert a rectangle",
    /* 104 */ "Textbox setup",
    /* 105 */ "Sets the text file to insert.",
    /* 106 */ "Loads the text into the editor.",
    /* 107 */ "The path of the text file.",
    /* 108 */ "Sets the justification of the text.",
    /* 109 */ "Level for the Headline.",
    /* 110 */ "Left justification",
    /* 111 */ "Right justification",
    /* 112 */ "Center justification",
    /* 113 */ "Block justification",
    /* 114 */ "Text editor",
    /* 115 */ "Saves the text in the textbox's file.",
    /* 116 */ "Leaves the editor.",
    /* 117 */ "Starts the spelling check.",
    /* 118 */ "Inserts a text with the current date.",
    /* 119 */ "Inserts a text with the current time.",
    /* 120 */ "Inserts the page number.",
    /* 121 */ "Create PDF...",
    /* 122 */ "Advanced Tools",
    /* 123 */ "Object",
    /* 124 */ "Line",
    /* 125 */ "Text line",
    /* 126 */ "Picture",
    /* 127 */ "Textbox",
    /* 128 */ "Date",
    /* 129 */ "Time",
    /* 130 */ "Rectangle",
    /* 131 */ "Page number",
    /* 132 */ "Link",
    /* 133 */ "Lists all elements of the page.",
    /* 134 */ "ARexx-Tools",
    /* 135 */ "Choose an ARexx tool",
    /* 136 */ "nothing",
    /* 137 */ "Cannot find the ARexx port %s.",
    /* 138 */ "Move marked elements",
    /* 139 */ "Move mode",
    /* 140 */ "PDF settings",
    /* 141 */ "PDF Title",
    /* 142 */ "Author",
    /* 143 */ "Owner password",
    /* 144 */ "User password",
    /* 145 */ "Title of the PDF document",
    /* 146 */ "Author of the PDF document",
    /* 147 */ "Passwords of the PDF file: both must be set, and they must differ.",
    /* 148 */ "Selects the compression level",
    /* 149 */ "No compression",
    /* 150 */ "Only text",
    /* 151 */ "Only pictures",
    /* 152 */ "Only PDF metadata",
    /* 153 */ "Full compression",
    /* 154 */ "Level",
    /* 155 */ "No headline",
    /* 156 */ "Shows the current headline structure.",
    /* 157 */ "Table of contents",
    /* 158 */ "Ignore",
    /* 159 */ "Cancel",
    /* 160 */ "Spell checker",
    /* 161 */ "Is <%s> spelt correctly?",
    /* 162 */ "Add word",
    /* 163 */ "%ld files removed.",
    /* 164 */ "Imported Files",
    /* 165 */ "Delete a file with its element",
    /* 166 */ "Garbage collection",
    /* 167 */ "Removes unused files.",
    /* 168 */ "Preferences",
    /* 169 */ "Links",
    /* 170 */ "Website",
    /* 171 */ "Page",
    /* 172 */ "Links to a page or website.",
    /* 173 */ "Linked page of the document.",
    /* 174 */ "Linked website",
    /* 175 */ "Links",
    /* 176 */ "Automatic link correction.",
    /* 177 */ "The project could not be saved.\n%s",
    /* 178 */ "The project could not be opened.\n%s",
    /* 179 */ "The file %s could not be read or written.",
    /* 180 */ "The PDF could not be created (error %s).",
    /* 181 */ "The project has %lu pages; Pagimo holds at most %lu.",
    /* 182 */ "The path %s is too long.",
    /* 183 */ "The PDF %s would replace the project itself.",
    /* 184 */ "The file %s is write-protected; it was not replaced.",
    /* 185 */ "%s, page %s: %s",
    /* 186 */ "The font checker %s could not be started: no font can be embedded without it.",
    /* 187 */ "Page %lu holds %lu elements.\nRemove the page with all of them?",
    /* 188 */ "Remove page|Cancel",
    /* 189 */ "The export was stopped; no PDF was written.",
    /* 190 */ "The ARexx-tool %s failed; the picture stays as it was placed.",
    /* 191 */ "Spell checking needs the program %s, which is not installed.",
    /* 192 */ "Spell checking needs the dictionary %s, which is not installed.",
    /* 193 */ "The table %s cannot be read: %s.",
    /* 194 */ "The table %s holds no records.",
    /* 195 */ "Page %s names the field {%s}, which the table %s lacks.",
    /* 196 */ "The file name %s names the field {%s}, which the table %s lacks.",
    /* 197 */ "%s PDF files were written.",
    /* 198 */ "Merge...",
    /* 199 */ "Write all records into one PDF, or one PDF for each record, named from its fields?",
    /* 200 */ "One PDF|One per record|Cancel",
    /* 201 */ "Choose the table (CSV)",
    /* 202 */ "Name of the PDFs ({field} stands for a field)",
    /* 203 */ "The name %s holds no placeholder such as {Name}: each record needs a name of its own.",
    /* 204 */ "The spell checker hunspell stopped answering; the check is incomplete.",
    /* 205 */ "The project already holds a text named %s, with other contents.\nUse the project's text (and continue its boxes), or bring in the chosen file under a new name?",
    /* 206 */ "Project's text|New name|Cancel",
    /* 207 */ "The text has changes that are not saved.",
    /* 208 */ "Save|Discard|Cancel",
    /* 209 */ "One PDF file was written.",
    /* 210 */ "The file %s is no PNG or JPEG picture.",
    /* 211 */ "The disk is full: %s could not be written.",
    /* 212 */ "The file %s could not be read or written: %s.",
    /* 213 */ "The spelling check is complete.",
    /* 214 */ "Record %s: the field {%s} on page %s holds %s characters; a text line holds at most 65535.",
    /* 215 */ "Record %s, field {%s}: the characters %s cannot be shown in a text line and print as \"?\".",
    /* 216 */ "Z|Undo",
    /* 217 */ "Y,Shift+Z|Redo",
    /* 218 */ "Undo %s",
    /* 219 */ "Redo %s",
    /* 220 */ "Takes back the last change",
    /* 221 */ "Does again the change taken back last",
    /* 222 */ "Drawing",
    /* 223 */ "Delete",
    /* 224 */ "Cut",
    /* 225 */ "Paste",
    /* 226 */ "Move",
    /* 227 */ "Reshape",
    /* 228 */ "Change",
    /* 229 */ "Insert Page",
    /* 230 */ "Remove Page",
    /* 231 */ "Page Format",
    /* 232 */ "Text File",
    /* 233 */ "Picture",
    /* 234 */ "Text Editing",
    /* 235 */ "PDF Settings",
    /* 236 */ "Hyphenate textboxes",
    /* 237 */ "Breaks words at the ends of textbox lines with the dictionary %s.",
    /* 238 */ "Hyphenation needs the dictionary %s, which is not installed.",
    /* 239 */ "Page %s: the text %s does not fit its boxes; %s characters are left over.",
    /* 240 */ "The font %s lacks the characters %s.",
    /* 241 */ "One PDF of %s pages is more than this computer's memory can take. Export the table in slices with --records FROM-TO, or one PDF per record.",
    /* 242 */ "Record %s, page %s: the text %s does not fit its boxes; %s characters are left over.",
    /* 243 */ "The table %s holds %s records; --records %s names none of them.",
};

static constexpr size_t TextLength(const char *s)
{
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

/* Text plus terminator, rounded up to an even length. */
static constexpr size_t FieldLength(const char *s)
{
    return (TextLength(s) + 2) & ~size_t(1);
}

static constexpr size_t BlockSize(void)
{
    size_t size = 0;
    for (const char *s : builtin_texts)
        size += 6 + FieldLength(s);
    return size;
}

static constexpr std::array<unsigned char, BlockSize()> MakeBlock(void)
{
    std::array<unsigned char, BlockSize()> b{};
    size_t at = 0;
    for (unsigned id = 0; id < MSG_COUNT; id++) {
        const char *s = builtin_texts[id];
        size_t len = FieldLength(s);
        b[at++] = (unsigned char)(id >> 24);
        b[at++] = (unsigned char)(id >> 16);
        b[at++] = (unsigned char)(id >> 8);
        b[at++] = (unsigned char)id;
        b[at++] = (unsigned char)(len >> 8);
        b[at++] = (unsigned char)len;
        for (size_t i = 0; i < len; i++)
            b[at++] = i < TextLength(s) ? (unsigned char)s[i] : 0;
    }
    return b;
}

static constexpr std::array<unsigned char, BlockSize()> catcomp_block = MakeBlock();

const unsigned char *const CatCompBlock = catcomp_block.data();
const size_t CatCompBlockSize = catcomp_block.size();
