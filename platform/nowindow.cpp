/*
 * nowindow.cpp - the window system of the `pagimo` program, which runs the
 * PDF job, --help and --version without one: the job's process then loads
 * neither Qt's widgets nor its graphics, whose loading took most of a
 * one-page job. A window start hands the process over to the whole program
 * beside it, `pagimo-window` (PlatformRunWindowProgram). Pictures are
 * decoded by Qt's image readers in `pagimo-pictures.so`, loaded when a
 * job first needs one.
 *
 * Here stand, in place of the Qt platform files (qtapp, qtwindows,
 * qtgadgets, qtmenus, qtrequesters, rastport, picture), the calls the rest
 * of the program makes: as no window exists, gadgets, windows, menus and
 * drawing do nothing and report nothing; requesters print their text on
 * standard error, as the job's requesters do. A platform call that the
 * program's other files come to make must be added here too: the link of
 * `pagimo` names it.
 */
#include "platform/gui.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include "platform/assign.h"
#include "platform/breaksignal.h"
#include "platform/charset.h"
#include "platform/picture.h"
#include "platform/picturecalls.h"
#include "platform/rastport.h"

bool PlatformTrace;

/* ------------------------------------------------------------ the window's program */

/* A window start: the whole program takes over this process, with the
 * same arguments, so that it is the start the user made. */
void PlatformRunWindowProgram(char **argv)
{
    std::string program = ProgramDirectory() + "/pagimo-window";
    execv(program.c_str(), argv);
    std::fprintf(stderr, "pagimo: %s cannot be started: %s\n", program.c_str(), std::strerror(errno));
    std::exit(1);
}

/* ------------------------------------------------------------ application */

bool PlatformGuiInit(int argc, char **argv)
{
    (void)argc, (void)argv;
    return false;
}

int PlatformApplicationsMade(void)
{
    return 0;
}

bool PlatformApplicationExists(void)
{
    return false;
}

/* Qt is not run here; the picture readers' module is refused by the
 * loader when the Qt present is older than the one it was built with. */
bool PlatformRecentEnough(void)
{
    return true;
}

void PlatformGuiExit(void) {}
void PlatformWatchInstance(void) {}
void PlatformUnwatchInstance(void) {}
void PlatformSetPalette(const uint8_t rgb[16][3]) { (void)rgb; }
void PlatformProcessEvents(void) {}
void PlatformDelay(uint32_t ticks) { (void)ticks; }
void PlatformDumpGadgets(int win) { (void)win; }

bool PlatformTakeHandedProject(char *path, size_t size)
{
    (void)path, (void)size;
    return false;
}

/* PAGIMO_SCREEN=WxH gives the size; without a screen, the usual one. */
void PlatformScreenSize(uint32_t *width, uint32_t *height)
{
    const char *env = std::getenv("PAGIMO_SCREEN");
    unsigned w = 0, h = 0;
    if (!env || std::sscanf(env, "%ux%u", &w, &h) != 2 || !w || !h)
        w = 1920, h = 1200;
    *width = w;
    *height = h;
}

bool PlatformWaitEvents(void)
{
    return false;
}

bool PlatformTakeBreak(void)
{
    return BreakTake();
}

bool PlatformTakeMessage(int win, GuiMessage *msg)
{
    (void)win, (void)msg;
    return false;
}

void PlatformMousePos(int win, int32_t *x, int32_t *y)
{
    (void)win;
    *x = *y = 0;
}

uint16_t PlatformMessageQualifier(int win)
{
    (void)win;
    return 0;
}

/* ------------------------------------------------------------ windows */

bool PlatformWindowCreate(int win, const char *title, int width, int height, bool main)
{
    (void)win, (void)title, (void)width, (void)height, (void)main;
    return false;
}

bool PlatformWindowOpen(int win)
{
    (void)win;
    return false;
}

bool PlatformWindowExists(int win)
{
    (void)win;
    return false;
}

void PlatformWindowDestroy(int win) { (void)win; }
void PlatformWindowSetTitle(int win, const char *title) { (void)win, (void)title; }
void PlatformWindowSetBusy(int win, bool busy) { (void)win, (void)busy; }
void PlatformWindowRefreshFrame(int win) { (void)win; }

/* ------------------------------------------------------------ building */

void GBeginGroup(bool vertical, const char *label, int weight) { (void)vertical, (void)label, (void)weight; }
void GEndGroup(void) {}
void GGroupWidth(int width) { (void)width; }
void GGroupHeight(int height) { (void)height; }
void GMenuBarHeight(int height) { (void)height; }
void GAddButton(int id, const char *text, const char *hint, const char *image)
{
    (void)id, (void)text, (void)hint, (void)image;
}
void GAddChooser(int id, const char *const *labels, int count, int selected, const char *hint)
{
    (void)id, (void)labels, (void)count, (void)selected, (void)hint;
}
void GAddInteger(int id, int32_t min, int32_t max, int32_t value, const char *hint)
{
    (void)id, (void)min, (void)max, (void)value, (void)hint;
}
void GAddString(int id, int maxchars, const char *text, const char *hint, bool readonly)
{
    (void)id, (void)maxchars, (void)text, (void)hint, (void)readonly;
}
void GAddCheckBox(int id, const char *text, bool checked, const char *hint)
{
    (void)id, (void)text, (void)checked, (void)hint;
}
void GAddRadio(int id, const char *const *labels, int count, int selected, const char *hint)
{
    (void)id, (void)labels, (void)count, (void)selected, (void)hint;
}
void GAddListBrowser(int id, const char *const *columns, int ncols, bool tree, const char *hint)
{
    (void)id, (void)columns, (void)ncols, (void)tree, (void)hint;
}
void GAddClickTab(int id, const char *hint) { (void)id, (void)hint; }
void GAddPageArea(int left, int top, int width, int height) { (void)left, (void)top, (void)width, (void)height; }
void GAddZoomChooser(const char *fitpage, const char *fitwidth, const char *hint) { (void)fitpage, (void)fitwidth, (void)hint; }
void GGroupScrolls(void) {}
void GAddGauge(int id) { (void)id; }
void GAddTextEditor(int id) { (void)id; }
void GAddImage(const char *file, int maxwidth) { (void)file, (void)maxwidth; }
void GAddLabel(const char *text, bool bold) { (void)text, (void)bold; }
void GAddField(const char *label) { (void)label; }
void GAddSpace(void) {}

/* ------------------------------------------------------------ gadgets */

void GadgetSetDisabled(int id, bool disabled) { (void)id, (void)disabled; }
void GadgetSetSecret(int id) { (void)id; }
void GadgetSetText(int id, const char *text) { (void)id, (void)text; }
void GadgetSetUtf8Text(int id, const std::string &text) { (void)id, (void)text; }
void GadgetSetHint(int id, const char *hint) { (void)id, (void)hint; }
void GadgetSetNumber(int id, int32_t value) { (void)id, (void)value; }
void GadgetSetMax(int id, int32_t max) { (void)id, (void)max; }
void GadgetSetLabels(int id, const char *const *labels, int count) { (void)id, (void)labels, (void)count; }
void GadgetSetRows(int id, const std::vector<ListRow> &rows) { (void)id, (void)rows; }
void TabsSet(int id, const std::vector<std::string> &labels, int current) { (void)id, (void)labels, (void)current; }

void GadgetGetText(int id, char *buf, size_t size)
{
    (void)id;
    if (size)
        buf[0] = '\0';
}

std::string GadgetUtf8Text(int id)
{
    (void)id;
    return std::string();
}

std::string GadgetCell(int id, int row, int column)
{
    (void)id, (void)row, (void)column;
    return std::string();
}

int32_t GadgetNumber(int id)
{
    (void)id;
    return 0;
}

int GadgetListEvent(int id)
{
    (void)id;
    return 0;
}

int TabsCurrent(int id)
{
    (void)id;
    return -1;
}

int TabsCount(int id)
{
    (void)id;
    return 0;
}

/* ------------------------------------------------------------ menus */

void *PlatformMenuCreate(const std::vector<MenuDef> &defs, bool localimages)
{
    (void)defs, (void)localimages;
    return nullptr;
}

void PlatformMenuDispose(void *strip) { (void)strip; }
void PlatformMenuAttach(int win, void *strip, bool attach) { (void)win, (void)strip, (void)attach; }
void PlatformMenuSetItem(void *strip, int id, const char *label, bool enabled)
{
    (void)strip, (void)id, (void)label, (void)enabled;
}

int PlatformMenuNextSelection(void *strip, int previous)
{
    (void)strip, (void)previous;
    return -1;
}

/* ------------------------------------------------------------ requesters */

void RequesterSetPrint(bool print) { (void)print; }

/* What a requester says goes to standard error; the answer is the
 * rightmost button, as a cancelled requester gives. */
int PlatformEasyRequest(int win, const char *title, const char *text, const char *buttons)
{
    (void)win, (void)title, (void)buttons;
    std::fprintf(stderr, "pagimo: %s\n", CharsetToUtf8(text ? text : "").c_str());
    std::fflush(stderr);
    return 0;
}

bool PlatformFileRequest(int win, const char *title, const char *drawer, const char *file, const char *pattern,
                         bool save, std::string &path)
{
    (void)win, (void)title, (void)drawer, (void)file, (void)pattern, (void)save;
    path.clear();
    return false;
}

/* ------------------------------------------------------------ drawing */

RastPort *WindowRastPort(int win)
{
    (void)win;
    return nullptr;
}

void SetAPen(RastPort *rp, uint8_t pen) { (void)rp, (void)pen; }
void SetDrMd(RastPort *rp, uint8_t mode) { (void)rp, (void)mode; }
void Move(RastPort *rp, int32_t x, int32_t y) { (void)rp, (void)x, (void)y; }
void Draw(RastPort *rp, int32_t x, int32_t y) { (void)rp, (void)x, (void)y; }
void RectFill(RastPort *rp, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { (void)rp, (void)x1, (void)y1, (void)x2, (void)y2; }
void DrawEllipse(RastPort *rp, int32_t cx, int32_t cy, int32_t rx, int32_t ry) { (void)rp, (void)cx, (void)cy, (void)rx, (void)ry; }
void WritePixel(RastPort *rp, int32_t x, int32_t y) { (void)rp, (void)x, (void)y; }
void RefreshArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { (void)x1, (void)y1, (void)x2, (void)y2; }
void DrawPicture(RastPort *rp, const void *picture, int32_t x, int32_t y, int32_t width, int32_t height)
{
    (void)rp, (void)picture, (void)x, (void)y, (void)width, (void)height;
}
void DrawHandle(RastPort *rp, int32_t x, int32_t y, bool on) { (void)rp, (void)x, (void)y, (void)on; }
void DrawGlyphRun(RastPort *rp, const char *file, double em, int32_t x, int32_t baseline, const uint32_t *glyphs,
                  const double *offsets, size_t count)
{
    (void)rp, (void)file, (void)em, (void)x, (void)baseline, (void)glyphs, (void)offsets, (void)count;
}
void PlatformShowPage(int32_t left, int32_t top, int32_t right, int32_t bottom) { (void)left, (void)top, (void)right, (void)bottom; }
void PlatformSetZoom(int how) { (void)how; }
double PlatformZoom(void) { return 1.0; }

/* ------------------------------------------------------------ pictures */

/* The picture readers, loaded at their first use; null when they cannot
 * be, and then no picture can be read. */
static const PictureCalls *Pictures(void)
{
    static const PictureCalls *calls;
    static bool tried;
    if (!tried) {
        tried = true;
        std::string module = ProgramDirectory() + "/pagimo-pictures.so";
        void *handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto entry = handle ? reinterpret_cast<const PictureCalls *(*)(void)>(dlsym(handle, "PagimoPictureCalls")) : nullptr;
        calls = entry ? entry() : nullptr;
        if (!calls)
            std::fprintf(stderr, "pagimo: %s cannot be loaded: %s\n", module.c_str(), handle ? "no entry" : dlerror());
    }
    return calls;
}

bool PictureSize(const char *path, uint32_t *width, uint32_t *height)
{
    *width = *height = 0;
    return Pictures() && Pictures()->size(path, width, height);
}

bool PictureDecodes(const char *path)
{
    return Pictures() && Pictures()->decodes(path);
}

void *PictureLoad(const char *path, uint32_t *width, uint32_t *height)
{
    *width = *height = 0;
    return Pictures() ? Pictures()->load(path, width, height) : nullptr;
}

void PictureFree(void *picture)
{
    if (picture && Pictures())
        Pictures()->free(picture);
}

bool PictureRead(const char *path, PictureData *pd)
{
    return Pictures() && Pictures()->read(path, pd);
}

bool PictureDecode(PictureData *pd, bool samples)
{
    return Pictures() && Pictures()->decode(pd, samples);
}

void PictureRelease(void)
{
    if (Pictures())
        Pictures()->release();
}
