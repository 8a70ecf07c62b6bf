/*
 * pictures.cpp - run-time resources of picture elements and the import of
 * picture files.
 *
 * A picture element holds its decoded picture (platform/picture.h) in
 * `dsrc` and `bitmap` while the page view shows it; the handles mean
 * nothing outside one run and are null until the first drawing. The
 * element's box is its size on the page, `width` and `height` the
 * picture's own. Imported files are copied into "PGT:PAG4/Bilder" under a
 * name not yet used there, so that the project archive carries them.
 */
#include "view/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/settings.h"
#include "document/records.h"
#include "gui/layouts.h"
#include "gui/localisation.h"
#include "gui/windows.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/picture.h"
#include "platform/strutil.h"
#include "text/arexxtools.h"
#include "text/utilities.h"

static const char PICTURE_DRAWER[] = "PGT:PAG4/Bilder";

/* The drawer of the last picture chosen, for the next request. */
static char lastdrawer[256];

/* ------------------------------------------------------------ resources */

/* Loads the element's picture. The element's box (sx, sy)-(ex, ey) is
 * where it shows; a box without area (a record that never had one) takes
 * the picture's own size from its top-left corner. With `ask` (an element
 * being made) a missing file lets the user choose another; a drawn page
 * never asks, it shows the element as missing. Invariant: `dsrc` and
 * `bitmap` are both null or both the same picture. */
bool LoadPicture(GElement *ge, bool ask)
{
    PicData &pd = ge->edata.pd;
    FreePicResources(ge);
    if (!pd.fn[0])
        GadgetGetText(GID_PICTUREPATH, pd.fn, sizeof(pd.fn));
    if (!FileExists(pd.fn)) {
        char chosen[256] = "";
        if (!ask || !SetPicture(chosen, ge))
            return false;
        GadgetSetText(GID_PICTUREPATH, pd.fn);
    }
    uint32_t w = 0, h = 0;
    void *pic = PictureLoad(pd.fn, &w, &h);
    if (!pic || w == 0) {
        PictureFree(pic);
        return false;
    }
    pd.dsrc = pd.bitmap = pic;
    pd.width = w;
    pd.height = h;
    if (ge->ex <= ge->sx || ge->ey <= ge->sy)
        FitPicture(ge, ge->sx, ge->sy, w, h);
    return true;
}

/* The largest box of the loaded picture's proportions that the box of
 * width by height at (left, top) holds, from that corner; never less than
 * a pixel either way. */
void FitPicture(GElement *ge, uint32_t left, uint32_t top, uint32_t width, uint32_t height)
{
    const PicData &pd = ge->edata.pd;
    uint32_t w = width, h = height;
    if (pd.width && pd.height) {
        double scale = std::min(double(width) / pd.width, double(height) / pd.height);
        w = uint32_t(std::lround(pd.width * scale)), h = uint32_t(std::lround(pd.height * scale));
    }
    ge->sx = left, ge->sy = top;
    ge->ex = left + (w ? w : 1), ge->ey = top + (h ? h : 1);
}

/* Whether the user gave the picture a size of its own: its box is not the
 * loaded picture's. */
bool PictureResized(const GElement *ge)
{
    const PicData &pd = ge->edata.pd;
    return ge->ex - ge->sx != pd.width || ge->ey - ge->sy != pd.height;
}

void FreePicResources(GElement *node)
{
    if (!node || node->node.ln_Type != ET_PICTURE)
        return;
    PicData &pd = node->edata.pd;
    PictureFree(pd.dsrc);
    pd.dsrc = pd.binst = pd.clip = pd.bitmap = pd.alpha = nullptr;
}

/* ------------------------------------------------------------ importing */

static std::string FilePart(const std::string &path)
{
    size_t slash = path.find_last_of("/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static std::string DrawerPart(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

/* Copies the chosen file into the project's pictures under a free name;
 * `fn` (256 characters) gets the copy's path, and the tool chosen in the
 * ARexx chooser runs on it for a picture element. A copy that fails leaves
 * the element without a new picture and says which file failed, and why. */
bool SetPicture(char *fn, GElement *elem)
{
    DebugPrint("-> SetPicture()\n");
    std::string chosen;
    if (!PlatformFileRequest(WIN_PROJECT, GetString(&localeinfo, MSG_INSERT_PICTURE), lastdrawer, "",
                             "(#?.jpeg|#?.jpg|#?.png)", false, chosen))
        return false;
    std::string drawer = DrawerPart(chosen), name = FilePart(chosen);
    Strlcpy(lastdrawer, drawer.c_str(), sizeof(lastdrawer));
    if (name.empty())
        return false;
    char freename[256];
    if (!CreateFreeFilename(PICTURE_DRAWER, name.c_str(), freename) || !freename[0])
        return false;
    char target[256];
    if (std::snprintf(target, sizeof(target), "%s/%s", PICTURE_DRAWER, freename) >= int(sizeof(target)))
        return false;
    FileFault fault;
    if (!CopyFile(chosen.c_str(), target, &fault)) {
        GuiFileFault(WIN_PROJECT, fault.file.c_str(), fault.err);
        return false;
    }
    /* A file that is no picture is not kept: the project would carry it
     * for nothing, and no tool can run on it. */
    if (!PictureDecodes(target)) {
        DeleteFile(target);
        GuiHint(WIN_PROJECT, MSG_NOT_A_PICTURE, chosen.c_str());
        return false;
    }
    Strlcpy(fn, target, 256);
    if (elem && elem->node.ln_Type == ET_PICTURE)
        Strlcpy(elem->edata.pd.fn, fn, sizeof(elem->edata.pd.fn));
    /* The copy is in place whatever the tool does: a tool that cannot run
     * or fails has said so and left the picture as it was chosen. */
    CheckARexxTool(elem && elem->node.ln_Type == ET_PICTURE ? elem : nullptr);
    return true;
}
