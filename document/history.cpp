/*
 * history.cpp - the undo history of the open project (see history.h).
 *
 * The state of the project is its pages, a few header fields and its
 * imported files. After each command the pages are compared with the
 * snapshot of the state before; a page that changed gets a new snapshot,
 * one that did not keeps the old one, shared. A step holds the snapshots
 * of every page after it (one pointer a page, a copy only of the pages it
 * changed) and the header after it; the state before a step is the state
 * after the step before, or the base for the first step.
 *
 * A page snapshot is the page's element records in list order, with the
 * fields that only the running program uses cleared: list links,
 * selection, picture handles. (The pointer of the last move stays: the
 * element file keeps it.) Values that drawing
 * writes back (a textbox's place in its text, the text of a date or time
 * field) are left out of the comparison, so that showing a page is no
 * change; they are kept as they were.
 *
 * Files: the folders "Texte" and "Bilder" of PGT:PAG4 are listed after
 * each command. A file that appeared was made by the step; one that went
 * was taken away by HistoryDeleteFile, which moves it into "PGT:Undo"
 * instead of deleting it; one replaced in place was linked there first by
 * HistoryKeepFile. Each version of a file has a number and lies either in
 * its project folder or, by that number, in "PGT:Undo", never in both: an
 * undo moves the step's new versions out and its old versions back, a redo
 * the other way. The archive is packed from PGT:PAG4 alone, so it holds
 * what the project names, never what only the history keeps.
 *
 * Invariant between commands: `shot`, `head` and `listing` describe the
 * project as it is (but for the values drawing writes back), and equal the
 * state after steps[done - 1] (the base when done is 0).
 */
#include "document/history.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/settings.h"
#include "document/pagelist.h"
#include "document/records.h"
#include "platform/assign.h"
#include "platform/files.h"
#include "platform/strutil.h"

typedef std::shared_ptr<const std::vector<GElement>> PageShot;

typedef ProjectData HeaderShot;

/* One file a step changed: the version before and after it, 0 where the
 * file did not exist. `name` is relative to PGT:PAG4 ("Bilder/a.png"). */
struct FileChange {
    std::string name;
    uint64_t before, after;
};

struct Step {
    int name;                      /* catalog message naming the change */
    uint32_t page;                 /* the page shown when it was made */
    std::vector<PageShot> pages;   /* every page after the step */
    HeaderShot head;
    std::vector<FileChange> files;
    size_t bytes;                  /* what the step adds to the history */
};

/* The identity of a file as listed: a new version has a new inode (files
 * are replaced by renaming), a file changed in place a new time or size. */
struct FileId {
    ino_t ino;
    off_t size;
    long long mtime;
    bool operator!=(const FileId &o) const { return ino != o.ino || size != o.size || mtime != o.mtime; }
};
typedef std::map<std::string, FileId> Listing;

static bool active;
static std::vector<Step> steps;
static size_t done;              /* steps[0, done) are done; the rest can be redone */
static long saved_at;            /* `done` when last saved; -1 when that state is gone */
static size_t total_bytes;
static std::vector<PageShot> base, shot;
static HeaderShot base_head, head;
static Listing listing;
static uint64_t last_version;
/* Versions put into PGT:Undo during the command now running. */
static std::map<std::string, uint64_t> deleted_now, replaced_now;

static const char PROJECT_ROOT[] = "PGT:PAG4/";
static const char KEEP_DRAWER[] = "PGT:Undo";

/* ------------------------------------------------------------ records */

/* A record as the snapshot keeps it. */
static void Clean(GElement *ge)
{
    ge->node.ln_Succ = ge->node.ln_Pred = nullptr;
    ge->node.ln_Name = nullptr;
    ge->marked = 0;
    if (ge->node.ln_Type == ET_PICTURE) {
        PicData &pd = ge->edata.pd;
        pd.dsrc = pd.binst = pd.clip = pd.bitmap = pd.alpha = nullptr;
    }
}

/* The values drawing writes back, left out of a comparison. */
static void MaskDrawn(GElement *ge)
{
    uint8_t t = ge->node.ln_Type;
    if (t == ET_TEXTBOX)
        ge->edata.tbd.textpos = 0;
    else if (t == ET_DATE || t == ET_TIME)
        std::memset(ge->edata.td.text, 0, sizeof(ge->edata.td.text));
}

/* `kept` is a cleaned record. Records are copied whole wherever they are
 * made or copied, so their padding compares too. */
static bool SameRecord(const GElement &live, const GElement &kept)
{
    GElement a = live, b = kept;
    Clean(&a);
    if (std::memcmp(&a, &b, sizeof(a)) == 0)
        return true;
    MaskDrawn(&a);
    MaskDrawn(&b);
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

static bool SamePage(const PageNode *pn, const PageShot &kept)
{
    if (!kept || pn->count != kept->size())
        return false;
    size_t i = 0;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n), i++)
        if (!SameRecord(*reinterpret_cast<GElement *>(n), (*kept)[i]))
            return false;
    return true;
}

static PageShot TakePage(const PageNode *pn)
{
    auto recs = std::make_shared<std::vector<GElement>>();
    recs->reserve(pn->count);
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        recs->push_back(*reinterpret_cast<GElement *>(n));
        Clean(&recs->back());
    }
    return recs;
}

/* The snapshot of every page: the one kept where a page did not change.
 * A page inserted or removed shifts the pages behind it by one, so each
 * page is looked for at its old place shifted as the page before it was,
 * and one place either side: the pages behind keep their snapshots. */
static std::vector<PageShot> TakePages(size_t *copied)
{
    std::vector<PageShot> now;
    long i = 0, shift = 0;
    for (Node *p = GetHead(&pages); p; p = GetSucc(p), i++) {
        const PageNode *pn = reinterpret_cast<PageNode *>(p);
        PageShot kept;
        for (long d : {shift, shift - 1, shift + 1}) {
            long j = i + d;
            if (j >= 0 && j < long(shot.size()) && SamePage(pn, shot[size_t(j)])) {
                kept = shot[size_t(j)], shift = d;
                break;
            }
        }
        if (!kept) {
            kept = TakePage(pn);
            *copied += pn->count * sizeof(GElement);
        }
        now.push_back(kept);
    }
    return now;
}

static bool SamePages(const std::vector<PageShot> &a, const std::vector<PageShot> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i])
            return false;
    return true;
}

/* ------------------------------------------------------------ the header */

/* The header as a step keeps it: what the user changes (page format,
 * clipboard page, PDF settings), not the page count, which follows the
 * pages, nor the screen size and the time stamps, which saving writes. */
static HeaderShot TakeHeader(void)
{
    HeaderShot h = PDaten;
    h.count = h.width = h.height = 0;
    std::memset(h.created, 0, sizeof(h.created));
    std::memset(h.changed, 0, sizeof(h.changed));
    return h;
}

static void PutHeader(const HeaderShot &h)
{
    ProjectData kept = PDaten;
    PDaten = h;
    PDaten.count = kept.count, PDaten.width = kept.width, PDaten.height = kept.height;
    std::memcpy(PDaten.created, kept.created, sizeof(kept.created));
    std::memcpy(PDaten.changed, kept.changed, sizeof(kept.changed));
}

/* ------------------------------------------------------------ files */

static void ListFolder(const char *folder, Listing *out)
{
    std::vector<DirEntry> entries;
    if (!ListDirectory((std::string(PROJECT_ROOT) + folder).c_str(), entries))
        return;
    std::string host = HostPath((std::string(PROJECT_ROOT) + folder).c_str());
    for (const DirEntry &e : entries) {
        struct stat st;
        if (e.kind != FK_FILE || lstat((host + "/" + e.name).c_str(), &st) != 0)
            continue;
        (*out)[std::string(folder) + "/" + e.name] =
            FileId{st.st_ino, st.st_size, (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    }
}

static Listing ListFiles(void)
{
    Listing l;
    ListFolder("Texte", &l);
    ListFolder("Bilder", &l);
    return l;
}

/* A kept version's program path, and its host path. */
static std::string KeptName(uint64_t version)
{
    return std::string(KEEP_DRAWER) + "/" + std::to_string(version);
}

static std::string KeptPath(uint64_t version)
{
    return HostPath(KeptName(version).c_str());
}

static std::string ProjectPath(const std::string &name)
{
    return HostPath((PROJECT_ROOT + name).c_str());
}

static void DropKept(uint64_t version)
{
    if (version)
        unlink(KeptPath(version).c_str());
}

/* A version goes into PGT:Undo or comes back; false when the system
 * refused, which leaves the file where it was. */
static bool Stow(const std::string &name, uint64_t version)
{
    if (!CreateDirTree(KEEP_DRAWER))
        return false;
    return rename(ProjectPath(name).c_str(), KeptPath(version).c_str()) == 0;
}

static bool Unstow(uint64_t version, const std::string &name)
{
    return rename(KeptPath(version).c_str(), ProjectPath(name).c_str()) == 0;
}

/* The name inside PGT:PAG4 of a project file, empty for any other path. */
static std::string ProjectName(const char *path)
{
    size_t n = sizeof(PROJECT_ROOT) - 1;
    if (!path || Strnicmp(path, PROJECT_ROOT, n) != 0 || !IsProjectFile(path))
        return std::string();
    return std::string(path + n);
}

bool HistoryDeleteFile(const char *path)
{
    std::string name = ProjectName(path);
    if (!active || name.empty() || FileKindOf(path) != FK_FILE)
        return DeleteFile(path);
    uint64_t version = ++last_version;
    if (!Stow(name, version))
        return DeleteFile(path);
    if (!deleted_now.emplace(name, version).second)
        DropKept(version); /* made and deleted again in one command */
    return true;
}

/* A hard link keeps the old contents when the file is replaced by
 * renaming a new one over it; a copy serves where links are refused. */
void HistoryKeepFile(const char *path)
{
    std::string name = ProjectName(path);
    if (!active || name.empty() || replaced_now.count(name) || FileKindOf(path) != FK_FILE ||
        !CreateDirTree(KEEP_DRAWER))
        return;
    uint64_t version = ++last_version;
    std::string host = HostPath(path), kept = KeptPath(version);
    if (link(host.c_str(), kept.c_str()) == 0 || CopyFile(path, KeptName(version).c_str()))
        replaced_now[name] = version;
}

static bool SameContents(uint64_t version, const std::string &name)
{
    std::string a, b;
    return ReadWholeFile(KeptName(version).c_str(), &a) &&
           ReadWholeFile((PROJECT_ROOT + name).c_str(), &b) && a == b;
}

static uint64_t TakeVersion(std::map<std::string, uint64_t> &from, const std::string &name)
{
    auto it = from.find(name);
    if (it == from.end())
        return 0;
    uint64_t v = it->second;
    from.erase(it);
    return v;
}

/* What the command did to the files, from the listings before and after
 * and the versions it put away. A file that went without being put away
 * cannot come back and is not part of the step. */
static std::vector<FileChange> FileChanges(const Listing &now)
{
    std::vector<FileChange> changes;
    for (const auto &[name, id] : listing)
        if (!now.count(name))
            if (uint64_t before = TakeVersion(deleted_now, name))
                changes.push_back(FileChange{name, before, 0});
    for (const auto &[name, id] : now) {
        auto old = listing.find(name);
        if (old == listing.end()) {
            changes.push_back(FileChange{name, TakeVersion(deleted_now, name), ++last_version});
        } else if (old->second != id) {
            uint64_t before = TakeVersion(replaced_now, name);
            if (!before)
                before = TakeVersion(deleted_now, name);
            if (before && SameContents(before, name))
                DropKept(before); /* written again as it was */
            else if (before)
                changes.push_back(FileChange{name, before, ++last_version});
        }
    }
    return changes;
}

/* Versions put away by a command that the step did not take. */
static void DropUnclaimed(void)
{
    for (const auto &[name, version] : deleted_now)
        DropKept(version);
    for (const auto &[name, version] : replaced_now)
        DropKept(version);
    deleted_now.clear();
    replaced_now.clear();
}

static void MoveFilesBack(const Step &s)
{
    for (size_t i = s.files.size(); i-- > 0;) {
        const FileChange &f = s.files[i];
        if (f.after)
            Stow(f.name, f.after);
        if (f.before)
            Unstow(f.before, f.name);
    }
}

static void MoveFilesForward(const Step &s)
{
    for (const FileChange &f : s.files) {
        if (f.before)
            Stow(f.name, f.before);
        if (f.after)
            Unstow(f.after, f.name);
    }
}

/* ------------------------------------------------------------ steps */

/* The oldest step can no longer be undone: the versions before it go. */
static void DropOldest(void)
{
    Step &s = steps.front();
    for (const FileChange &f : s.files)
        DropKept(f.before);
    base = s.pages;
    base_head = s.head;
    total_bytes -= s.bytes;
    steps.erase(steps.begin());
    done--;
    saved_at = saved_at > 0 ? saved_at - 1 : -1;
}

/* A new change after undos: the steps undone go, with the versions only
 * they could bring back. */
static void DropRedoable(void)
{
    while (steps.size() > done) {
        for (const FileChange &f : steps.back().files)
            DropKept(f.after);
        total_bytes -= steps.back().bytes;
        steps.pop_back();
    }
    if (saved_at > long(done))
        saved_at = -1;
}

static void Trim(void)
{
    while (steps.size() > HISTORY_MIN_STEPS && total_bytes > HISTORY_MAX_BYTES && done > 0)
        DropOldest();
}

static const std::vector<PageShot> &PagesBefore(size_t k)
{
    return k == 0 ? base : steps[k - 1].pages;
}

static const HeaderShot &HeaderBefore(size_t k)
{
    return k == 0 ? base_head : steps[k - 1].head;
}

/* ------------------------------------------------------------ taking */

/* No step is kept, nor any version only the steps needed. */
static void Forget(void)
{
    steps.clear();
    base.clear();
    shot.clear();
    listing.clear();
    done = 0;
    saved_at = 0;
    total_bytes = 0;
    deleted_now.clear();
    replaced_now.clear();
    DeleteAll(KEEP_DRAWER);
}

void HistoryReset(void)
{
    Forget();
    size_t copied = 0;
    shot = TakePages(&copied);
    base = shot;
    head = base_head = TakeHeader();
    listing = ListFiles();
    active = true;
}

/* The program ends or the project closes for good: nothing is kept. */
void HistoryEnd(void)
{
    if (active)
        Forget();
    active = false;
}

bool HistoryCheckpoint(int name, uint32_t page)
{
    if (!active)
        return false;
    size_t copied = 0;
    std::vector<PageShot> now = TakePages(&copied);
    HeaderShot h = TakeHeader();
    Listing files = ListFiles();
    std::vector<FileChange> changes = FileChanges(files);
    DropUnclaimed();
    listing = files;
    if (SamePages(now, shot) && std::memcmp(&h, &head, sizeof(h)) == 0 && changes.empty())
        return false;
    DropRedoable();
    size_t bytes = sizeof(Step) + copied + now.size() * sizeof(PageShot) + changes.size() * 64;
    steps.push_back(Step{name, page, now, h, std::move(changes), bytes});
    total_bytes += bytes;
    done = steps.size();
    shot = std::move(now);
    head = h;
    Trim();
    DebugPrint("   history: step %zu (%d), %zu bytes in all\n", done, name, total_bytes);
    return true;
}

/* What changed stays without becoming a step (a copy's clipboard marks). */
void HistoryAbsorb(void)
{
    if (!active)
        return;
    size_t copied = 0;
    std::vector<PageShot> now = TakePages(&copied);
    DropUnclaimed();
    head = TakeHeader();
    if (done > 0) {
        steps[done - 1].pages = now;
        steps[done - 1].head = head;
    } else {
        base = now;
        base_head = head;
    }
    shot = std::move(now);
    listing = ListFiles();
}

/* ------------------------------------------------------------ going back and forth */

/* The project takes the state `target`; only pages whose snapshot differs
 * from the present one are made anew. */
static void PutPages(const std::vector<PageShot> &target)
{
    SetPageCount(uint32_t(target.size()));
    size_t i = 0;
    for (Node *p = GetHead(&pages); p && i < target.size(); p = GetSucc(p), i++)
        if (i >= shot.size() || shot[i] != target[i])
            SetPageElements(reinterpret_cast<PageNode *>(p), target[i]->data(), target[i]->size());
    shot = target;
}

/* The first page on which `from` and `to` differ, 0 for none. */
static uint32_t FirstChangedPage(const std::vector<PageShot> &from, const std::vector<PageShot> &to)
{
    size_t n = std::max(from.size(), to.size());
    for (size_t i = 0; i < n; i++)
        if (i >= from.size() || i >= to.size() || from[i] != to[i])
            return uint32_t(i + 1);
    return 0;
}

/* Selects on the page shown the elements that the other state lacks. */
static uint32_t MarkTouched(uint32_t page, const std::vector<PageShot> &other)
{
    PageNode *pn = GetPageNode(page);
    if (!pn)
        return 0;
    const std::vector<GElement> *theirs = page <= other.size() ? other[page - 1].get() : nullptr;
    std::vector<bool> used(theirs ? theirs->size() : 0, false);
    uint32_t touched = 0;
    for (Node *n = GetHead(&pn->page); n; n = GetSucc(n)) {
        GElement *ge = reinterpret_cast<GElement *>(n);
        bool found = false;
        for (size_t i = 0; theirs && i < theirs->size() && !found; i++)
            if (!used[i] && SameRecord(*ge, (*theirs)[i]))
                used[i] = found = true;
        ge->marked = found ? 0 : 1;
        touched += !found;
    }
    return touched;
}

static void Show(HistoryShown *shown, const Step &s, const std::vector<PageShot> &now,
                 const std::vector<PageShot> &other)
{
    uint32_t page = FirstChangedPage(other, now);
    if (page == 0)
        page = s.page;
    if (page > PDaten.count)
        page = PDaten.count;
    if (page < 1)
        page = 1;
    shown->page = page;
    shown->touched = MarkTouched(page, other);
}

bool HistoryUndo(HistoryShown *shown)
{
    if (!active || done == 0)
        return false;
    const Step &s = steps[done - 1];
    MoveFilesBack(s);
    const std::vector<PageShot> &target = PagesBefore(done - 1);
    PutPages(target);
    head = HeaderBefore(done - 1);
    PutHeader(head);
    listing = ListFiles();
    done--;
    Show(shown, s, target, s.pages);
    return true;
}

bool HistoryRedo(HistoryShown *shown)
{
    if (!active || done >= steps.size())
        return false;
    const Step &s = steps[done];
    MoveFilesForward(s);
    PutPages(s.pages);
    head = s.head;
    PutHeader(head);
    listing = ListFiles();
    done++;
    Show(shown, s, s.pages, PagesBefore(done - 1));
    return true;
}

/* ------------------------------------------------------------ what the menus show */

int HistoryUndoName(void)
{
    return active && done > 0 ? steps[done - 1].name : 0;
}

int HistoryRedoName(void)
{
    return active && done < steps.size() ? steps[done].name : 0;
}

size_t HistorySteps(void)
{
    return steps.size();
}

size_t HistoryDone(void)
{
    return done;
}

size_t HistoryBytes(void)
{
    return total_bytes;
}

void HistoryMarkSaved(void)
{
    saved_at = long(done);
}

bool HistoryAtSaved(void)
{
    return saved_at == long(done);
}
