/*
 * test_undo.cpp - undo and redo in the real main loop under the offscreen
 * platform: a long run of seeded random commands of every kind, each
 * taken back and done again, checked against the project's element file
 * and files; the saved state; the menu items that name the step.
 */
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <QImage>

#include "testutil.h"

#include "core/mainloop.h"
#include "document/elementfile.h"
#include "document/history.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "gui/menus.h"
#include "gui/windows.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "view/geometry.h"

class UndoTest : public MainLoopScratchTest {
};

static int32_t X(int32_t dx) { return int32_t(xstart) + dx; }
static int32_t Y(int32_t dy) { return int32_t(ystart) + dy; }

/* ------------------------------------------------------------ the state */

/* The project as the user would find it in a saved archive: the element
 * file and every imported file with its bytes. Left out are the selection
 * and where each textbox's text begins, which drawing writes for the page
 * shown (and so depends on which pages were shown since). */
static std::string ProjectState(void)
{
    struct Kept {
        GElement *e;
        uint8_t marked;
        uint32_t textpos;
    };
    std::vector<Kept> kept;
    for (uint32_t p = 1; p <= PDaten.count; p++)
        for (GElement *e : Elements(p)) {
            kept.push_back({e, e->marked, e->edata.tbd.textpos});
            e->marked = 0;
            if (e->node.ln_Type == ET_TEXTBOX)
                e->edata.tbd.textpos = 0;
        }
    bool written = WriteElementFile("T:state.pff");
    for (const Kept &k : kept) {
        k.e->marked = k.marked;
        if (k.e->node.ln_Type == ET_TEXTBOX)
            k.e->edata.tbd.textpos = k.textpos;
    }
    std::string state = written ? ReadTextFile(HostPath("T:state.pff")) : "(not written)";
    for (const char *folder : {"PGT:PAG4/Texte", "PGT:PAG4/Bilder"}) {
        std::vector<DirEntry> entries;
        ListDirectory(folder, entries);
        std::map<std::string, std::string> files;
        for (const DirEntry &e : entries)
            files[e.name] = ReadTextFile(HostPath((std::string(folder) + "/" + e.name).c_str()));
        for (auto &[name, bytes] : files)
            state += "\n" + name + "=" + std::to_string(std::hash<std::string>()(bytes));
    }
    return state;
}

/* ------------------------------------------------------------ gestures */

/* Where two states first differ, briefly: the states are long. */
static std::string Difference(const std::string &a, const std::string &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        i++;
    auto near = [i](const std::string &s) {
        std::string out;
        for (size_t k = i >= 16 ? i - 16 : 0; k < s.size() && k < i + 48; k++)
            out += s[k] >= 32 && s[k] < 127 ? s[k] : '.';
        return out;
    };
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at " +
           std::to_string(i) + ":\n  " + near(a) + "\n  " + near(b);
}

#define EXPECT_STATE(a, b) EXPECT_TRUE((a) == (b)) << Difference(a, b)

static void WritePicture(const std::string &path, int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    img.save(QString::fromStdString(path), "PNG");
}

/* Selects one element alone, as a click on its row of the object list. */
static bool SelectByList(GElement *ge)
{
    for (int row = 0; row < GadgetRowCount(GID_OBJLIST); row++)
        if (GetObjListNode(uint32_t(row) + 1) == ge)
            return GadgetClickRow(GID_OBJLIST, row);
    return false;
}

static GElement *OfType(std::mt19937 &rng, uint32_t page, int type)
{
    std::vector<GElement *> found;
    for (GElement *e : Elements(page))
        if (type == 0 || e->node.ln_Type == type)
            found.push_back(e);
    return found.empty() ? nullptr : found[rng() % found.size()];
}

struct RandomRun {
    std::mt19937 rng{20261207};
    std::string scratch;
    std::vector<std::string> model; /* the states the history can reach */
    size_t at = 0;                  /* where in `model` the project is */
    std::function<void()> then;     /* the second half of a command */
    bool checking = false;          /* an undo or redo was posted */
    bool absorbing = false;         /* the command was a copy: no step */
    int commands = 0, undos = 0, redos = 0;
    std::map<int, int> kinds;
    size_t base = 0;                /* history steps before the run */
    std::string end;
    size_t end_done = 0;
};

static RandomRun *run;
static void Record(void);

/* Draws with a tool: a box of random size on the page. */
static void DrawWith(int tool)
{
    std::mt19937 &r = run->rng;
    int32_t x = 20 + int32_t(r() % 400), y = 20 + int32_t(r() % 600);
    Press(tool);
    Drag(X(x), Y(y), X(x + 20 + int32_t(r() % 100)), Y(y + 20 + int32_t(r() % 100)));
}

static void PasteSomewhere(void)
{
    Choose(GID_PROJ_PAGES, int32_t(run->rng() % PDaten.count));
    run->then = [] { Press(GID_PASTE); };
}

/* One command of the kind `kind` on the page shown; false when it found
 * nothing to work on. */
static bool Command(int kind)
{
    std::mt19937 &r = run->rng;
    uint32_t page = Loop.aktpage;
    GElement *ge;
    switch (kind) {
    case 0: DrawWith(GID_RECT); return true;
    case 1: DrawWith(GID_LINE); return true;
    case 2:
        Press(GID_TEXTE);
        run->then = [] {
            std::mt19937 &r = run->rng;
            GadgetSetText(GID_TEXTCONT, ("Text " + std::to_string(r() % 100)).c_str());
            Click(X(50 + int32_t(r() % 300)), Y(50 + int32_t(r() % 500)));
        };
        return true;
    case 3:
        if (!(ge = OfType(r, page, 0)) || !SelectByList(ge))
            return false;
        if (r() % 2)
            Press(GID_DELETE);
        else
            PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
        return true;
    case 4:
    case 5:
        if (!(ge = OfType(r, page, 0)) || !SelectByList(ge))
            return false;
        Press(kind == 4 ? GID_CUT : GID_COPY);
        run->absorbing = kind == 5;
        run->then = [] {
            Record();
            PasteSomewhere();
        };
        return true;
    case 6:
    case 7: { /* a move; the second kind moves off the page */
        if (!(ge = OfType(r, page, 0)) || !SelectByList(ge))
            return false;
        Press(GID_MOVE);
        int32_t d = kind == 6 ? 10 + int32_t(r() % 40) : 560;
        Drag(X(20), Y(20), X(20 + d), Y(20 + (kind == 6 ? d / 2 : 800)));
        return true;
    }
    case 8: /* a reshape by the end handle */
        if (!(ge = OfType(r, page, ET_RECT)) || !SelectByList(ge))
            return false;
        Drag(int32_t(ge->ex), int32_t(ge->ey), int32_t(ge->ex) + 15, int32_t(ge->ey) + 10);
        return true;
    case 9:
        if (!(ge = OfType(r, page, ET_TEXT)) || !SelectByList(ge))
            return false;
        GadgetSetNumber(GID_FONTSIZE, 8 + int32_t(r() % 10));
        Press(GID_FONTSIZE);
        return true;
    case 10:
        if (!(ge = OfType(r, page, ET_TEXT)) || !SelectByList(ge))
            return false;
        Choose(GID_HEADLINE_LEVEL, int32_t(r() % 3));
        return true;
    case 11:
        if (!(ge = OfType(r, page, ET_TEXTBOX)) || !SelectByList(ge))
            return false;
        Choose(GID_JUSTIFICATION, int32_t(r() % 4));
        return true;
    case 12: /* a name typed into the object list */
        if (GadgetRowCount(GID_OBJLIST) == 0)
            return false;
        return GadgetEditCell(GID_OBJLIST, 0, 0, ("n" + std::to_string(r() % 50)).c_str());
    case 13:
        if (PDaten.count >= 5)
            return false;
        Press(GID_TAB_ADD);
        return true;
    case 14:
        if (PDaten.count <= 1)
            return false;
        RequesterScriptAdd("1"); /* remove a page that holds elements */
        Press(GID_TAB_REMOVE);
        return true;
    case 15:
        Choose(GID_PAGE_FORMAT, int32_t(r() % 6));
        return true;
    case 16:
        if (!(ge = OfType(r, page, ET_TEXTBOX)) || !SelectByList(ge))
            return false;
        RequesterScriptAdd((run->scratch + (r() % 2 ? "/story.txt" : "/other.txt")).c_str());
        Press(GID_TEXTADD);
        return true;
    case 17:
        if (!(ge = OfType(r, page, ET_PICTURE)) || !SelectByList(ge))
            return false;
        RequesterScriptAdd((run->scratch + "/blue.png").c_str());
        Press(GID_PICTUREADD);
        return true;
    case 18: /* the editor saves a new text; leaving is the second step */
        if (!(ge = OfType(r, page, ET_TEXTBOX)) || !SelectByList(ge))
            return false;
        Press(GID_TEXTEDT);
        run->then = [] {
            if (!PlatformWindowExists(WIN_EDITOR))
                return;
            GadgetSetUtf8Text(GID_TEXTEDITOR, "Edited " + std::to_string(run->rng() % 1000) + " words.");
            Press(GID_SAVETEXT, 0, WIN_EDITOR);
            Press(GID_QUITEDITOR, 0, WIN_EDITOR);
        };
        return true;
    case 19:
        GadgetSetText(GID_PDF_TITLE, ("Title " + std::to_string(r() % 9)).c_str());
        Press(GID_PDF_TITLE);
        return true;
    case 20:
        Choose(GID_PDF_COMPRESSION, int32_t(r() % 5));
        return true;
    case 21: /* a picture placed with the tool */
        GadgetSetText(GID_PICTUREPATH, "");
        Press(GID_PICTURES);
        RequesterScriptAdd((run->scratch + "/red.png").c_str());
        Drag(X(300), Y(400), X(340), Y(430));
        return true;
    case 22: /* a textbox continuing the story's chain */
        Press(GID_TEXTBOX);
        run->then = [] {
            GadgetSetText(GID_TEXTPATH, "PGT:PAG4/Texte/story.txt");
            Drag(X(40), Y(600), X(300), Y(700));
        };
        return true;
    case 23: { /* a drag in select mode from a point of the element */
        if (!(ge = OfType(r, page, 0)) || !SelectByList(ge))
            return false;
        bool rect = ge->node.ln_Type == ET_RECT;
        int32_t x = int32_t(ge->sx + ge->ex) / 2, y = rect ? int32_t(ge->sy) : int32_t(ge->sy + ge->ey) / 2;
        Drag(x, y, x + int32_t(r() % 81) - 40, y + int32_t(r() % 81) - 40);
        return true;
    }
    case 24: { /* an arrow key, with Shift or without */
        if (!(ge = OfType(r, page, 0)) || !SelectByList(ge))
            return false;
        int key = RAWKEY_UP + int(r() % 4) + (r() % 2 ? RAWKEY_SHIFTED : 0);
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, uint16_t(key), 0, 0);
        return true;
    }
    case 25: { /* a picture sized by its end handle, freely with Shift */
        if (!(ge = OfType(r, page, ET_PICTURE)) || !SelectByList(ge))
            return false;
        int32_t x = int32_t(ge->ex), y = int32_t(ge->ey);
        int32_t tx = x + int32_t(r() % 61) - 20, ty = y + int32_t(r() % 61) - 20;
        uint16_t qual = r() % 2 ? uint16_t(QUAL_SHIFT) : 0;
        PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEBUTTONS, 0, SELECTDOWN, x, y, qual);
        PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEMOVE, 0, 0, tx, ty, qual);
        PlatformPostMessage(WIN_PROJECT, WMHI_MOUSEBUTTONS, 0, SELECTUP, tx, ty, qual);
        return true;
    }
    case 26: /* everything selected: no change */
        Menu(MENU_SELECT_ALL);
        return true;
    default: { /* another page is shown: no change */
        Choose(GID_PROJ_PAGES, int32_t(r() % PDaten.count));
        return true;
    }
    }
}

/* The state reached by the command just done joins the model, unless the
 * command changed nothing. */
static void Record(void)
{
    std::string now = ProjectState();
    if (run->absorbing) {
        run->absorbing = false;
        run->model[run->at] = now;
        return;
    }
    if (now == run->model[run->at])
        return;
    run->model.resize(run->at + 1);
    run->model.push_back(now);
    run->at++;
}

/* One tick of the run: the second half of a command, or a check of where
 * the last action left the project and the next action: mostly a command,
 * now and then an undo or redo, after which the project must be the
 * model's state there. */
static void Tick(void)
{
    if (run->then) {
        std::function<void()> f = std::move(run->then);
        run->then = nullptr;
        f();
        return;
    }
    if (run->checking) {
        run->checking = false;
        std::string now = ProjectState();
        ASSERT_TRUE(now == run->model[run->at])
            << "after " << run->undos << " undos, " << run->redos << " redos, " << run->commands
            << " commands: " << Difference(now, run->model[run->at]);
    }
    Record();
    RequesterScriptClear(); /* answers a command did not take */
    unsigned roll = run->rng() % 10;
    if (roll < 2 && run->at > 0) {
        run->undos++, run->at--, run->checking = true;
        run->rng() % 2 ? Menu(MENU_UNDO) : Press(GID_UNDO);
        return;
    }
    if (roll < 3 && run->at + 1 < run->model.size()) {
        run->redos++, run->at++, run->checking = true;
        Press(GID_REDO);
        return;
    }
    int kind = int(run->rng() % 28);
    if (Command(kind)) {
        run->kinds[kind]++;
        run->commands++;
    }
}

TEST_F(UndoTest, ThousandRandomCommandsAreTakenBackAndDoneAgainExactly)
{
    RandomRun r;
    run = &r;
    r.scratch = scratch;
    WriteTextFile(scratch + "/story.txt", "Once upon a time there was a story long enough to flow from box to box "
                                          "across two pages of the project, and it went on.");
    WriteTextFile(scratch + "/other.txt", "Another text.");
    WritePicture(scratch + "/red.png", 40, 30, qRgb(255, 0, 0));
    WritePicture(scratch + "/blue.png", 30, 20, qRgb(0, 0, 255));
    std::vector<std::function<void()>> s;
    /* The project: a picture and a textbox chain over two pages. */
    s.push_back([] { Command(21); });
    s.push_back([this] {
        RequesterScriptAdd((scratch + "/story.txt").c_str());
        Press(GID_TEXTBOX);
        Drag(X(40), Y(100), X(300), Y(160));
        Press(GID_TAB_ADD);
    });
    s.push_back([] { Choose(GID_PROJ_PAGES, 1); });
    s.push_back([] { Command(22); });
    s.push_back([] { Tick(); });
    s.push_back([] {
        ASSERT_EQ(PDaten.count, 2u);
        ASSERT_EQ(Elements(2).size(), 1u) << "the chain's second box";
        run->model = {ProjectState()};
        run->at = 0;
        run->base = HistoryDone();
    });
    for (int i = 0; i < 2600; i++)
        s.push_back(Tick);
    /* Everything taken back gives the state of the start, everything done
     * again the state of the end, as files and element file. */
    s.push_back([] { run->then ? Tick() : Record(); });
    s.push_back([] {
        Record();
        run->end = ProjectState();
        run->end_done = HistoryDone();
        for (size_t i = run->base; i < run->end_done; i++)
            Press(GID_UNDO);
    });
    s.push_back([] {
        EXPECT_EQ(HistoryDone(), run->base);
        EXPECT_STATE(ProjectState(), run->model[0]) << "all undone";
        for (size_t i = run->base; i < run->end_done; i++)
            Menu(MENU_REDO);
    });
    s.push_back([] {
        EXPECT_EQ(HistoryDone(), run->end_done);
        EXPECT_STATE(ProjectState(), run->end) << "all redone";
    });
    EXPECT_TRUE(Run(s));
    EXPECT_GE(r.commands, 1000);
    EXPECT_GE(r.undos, 100);
    EXPECT_GE(r.redos, 50);
    for (int kind = 0; kind < 28; kind++)
        EXPECT_GT(r.kinds[kind], 10) << "command kind " << kind;
}

/* Undoing back to the saved state is saved again; the items name the step
 * they would take back or do again, and are off when there is none. */
TEST_F(UndoTest, TheSavedStateAndTheItemsFollowTheHistory)
{
    static std::string archive;
    archive = scratch + "/saved.pfz";
    auto Item = [](int menu) {
        return PlatformMenuItemText(MenuStrip, menu) + (PlatformMenuItemEnabled(MenuStrip, menu) ? "" : " (off)");
    };
    std::vector<std::function<void()>> s;
    s.push_back([&] {
        EXPECT_EQ(Item(MENU_UNDO), "Undo (off)");
        EXPECT_EQ(Item(MENU_REDO), "Redo (off)");
        EXPECT_TRUE(GadgetDisabled(GID_UNDO));
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_UNDO), "Ctrl+Z");
        EXPECT_EQ(PlatformMenuShortcut(MenuStrip, MENU_REDO), "Ctrl+Y;Ctrl+Shift+Z");
        Press(GID_RECT);
        Drag(X(100), Y(100), X(200), Y(150));
    });
    s.push_back([] {
        RequesterScriptAdd(archive.c_str());
        Press(GID_SAVEAS);
    });
    s.push_back([&] {
        ASSERT_EQ(Loop.saved, 1);
        EXPECT_EQ(Item(MENU_UNDO), "Undo Drawing") << "saving is no step";
        GElement *rect = Elements(1)[0];
        ASSERT_TRUE(SelectByList(rect));
        Press(GID_MOVE);
        Drag(X(10), Y(10), X(40), Y(30));
    });
    s.push_back([&] {
        EXPECT_EQ(Loop.saved, 0);
        EXPECT_EQ(Item(MENU_UNDO), "Undo Move");
        EXPECT_FALSE(GadgetDisabled(GID_UNDO));
        EXPECT_EQ(GadgetHint(GID_UNDO), "Undo Move");
        Menu(MENU_UNDO);
    });
    s.push_back([&] {
        EXPECT_EQ(Loop.saved, 1) << "back at the saved state";
        EXPECT_EQ(Item(MENU_REDO), "Redo Move");
        EXPECT_EQ(Loop.marked, 1) << "the moved rectangle is selected";
        EXPECT_EQ(Loop.aktpage, 1u);
        Press(GID_UNDO);
    });
    s.push_back([&] {
        EXPECT_EQ(Loop.saved, 0) << "before the saved state";
        EXPECT_TRUE(Elements(1).empty());
        EXPECT_EQ(Item(MENU_UNDO), "Undo (off)");
        EXPECT_EQ(Item(MENU_REDO), "Redo Drawing");
        Press(GID_REDO);
    });
    s.push_back([] {
        EXPECT_EQ(Loop.saved, 1) << "redone up to the saved state";
        Press(GID_TAB_ADD);
    });
    s.push_back([&] {
        EXPECT_EQ(Item(MENU_UNDO), "Undo Insert Page");
        EXPECT_EQ(Item(MENU_REDO), "Redo (off)") << "a new change ends what could be redone";
        EXPECT_EQ(Loop.saved, 0);
        Press(GID_UNDO);
    });
    s.push_back([] {
        EXPECT_EQ(PDaten.count, 1u);
        EXPECT_EQ(Loop.saved, 1);
        ASSERT_TRUE(SelectByList(Elements(1)[0]));
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_LEFT, 0, 0);
    });
    s.push_back([&] {
        EXPECT_EQ(Item(MENU_UNDO), "Undo Move") << "an arrow moves the selection";
        Click(X(500), Y(700));
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_RIGHT, 0, 0);
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
        Menu(MENU_SELECT_ALL);
    });
    s.push_back([&] {
        EXPECT_EQ(Loop.marked, 1);
        EXPECT_EQ(Item(MENU_UNDO), "Undo Move") << "keys without a selection and selecting are no steps";
        EXPECT_EQ(Item(MENU_REDO), "Redo (off)");
        PlatformPostMessage(WIN_PROJECT, WMHI_RAWKEY, 0, RAWKEY_DELETE, 0, 0);
    });
    s.push_back([&] {
        EXPECT_TRUE(Elements(1).empty());
        EXPECT_EQ(Item(MENU_UNDO), "Undo Delete");
        /* Closing empties the history: opening, like saving, is no step. */
        RequesterScriptAdd("2");
        Press(GID_CLOSE);
    });
    s.push_back([&] {
        EXPECT_EQ(Item(MENU_UNDO), "Undo (off)");
        EXPECT_EQ(Item(MENU_REDO), "Redo (off)");
    });
    EXPECT_TRUE(Run(s));
}
