/*
 * ziparchive.cpp - packing and unpacking project archives with libzip.
 *
 * Packing writes a new archive beside the old one and renames it over the
 * old only when it is complete, so a failed save never costs the last good
 * archive; the new one is held while it is written, and those of saves
 * that died are swept (leftovers.h). Unpacking first checks every entry
 * and refuses the whole archive when any entry lies outside the top folder
 * (absolute, "..", another top folder), is a symbolic link, or is too
 * large; only then is anything written, and never through a link. A
 * failure of the system (a full disk) names the file it befell.
 */
#include "platform/ziparchive.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

#include "platform/assign.h"
#include "platform/files.h"
#include "platform/leftovers.h"

uint64_t UnzipLimit = 1ull << 30;
static const uint64_t unzip_max_entries = 200000;

static std::string ZipError(zip_t *za)
{
    return za ? zip_strerror(za) : "no archive";
}

/* ------------------------------------------------------------ failures */

/* A failure of the system on `file`; false, for the caller to return. */
static bool SystemFailure(const std::string &what, const std::string &file, int err, std::string &error,
                          FileFault &fault)
{
    error = what + " " + file + ": " + std::strerror(err);
    fault = FileFault{file, err};
    return false;
}

/* Why zip_close failed. Only a failure of writing the archive is the
 * archive's fault; reading a file into it may fail too, and that names no
 * file, so it is left in words. */
static void CloseFailure(zip_t *za, const std::string &dest, std::string &error, FileFault &fault)
{
    zip_error_t *ze = zip_get_error(za);
    error = zip_error_strerror(ze);
    int code = zip_error_code_zip(ze);
    bool writing = code == ZIP_ER_WRITE || code == ZIP_ER_TMPOPEN || code == ZIP_ER_RENAME ||
                   code == ZIP_ER_CLOSE || code == ZIP_ER_SEEK;
    if (writing && zip_error_system_type(ze) == ZIP_ET_SYS)
        fault = FileFault{dest, zip_error_code_system(ze)};
}

/* ------------------------------------------------------------ packing */

static bool AddTree(zip_t *za, const std::string &host, const std::string &entry, std::string &error,
                    FileFault &fault)
{
    if (zip_dir_add(za, (entry + "/").c_str(), ZIP_FL_ENC_UTF_8) < 0) {
        error = ZipError(za);
        return false;
    }
    std::vector<DirEntry> entries;
    if (!ListDirectory(host.c_str(), entries))
        return SystemFailure("cannot read", host, errno, error, fault);
    for (const DirEntry &e : entries) {
        std::string h = host + "/" + e.name, name = entry + "/" + e.name;
        if (e.kind == FK_DIR) {
            if (!AddTree(za, h, name, error, fault))
                return false;
        } else if (e.kind == FK_FILE) {
            zip_source_t *src = zip_source_file(za, h.c_str(), 0, -1);
            zip_int64_t i = src ? zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (i < 0) {
                if (src)
                    zip_source_free(src);
                error = "cannot add " + h + ": " + ZipError(za);
                return false;
            }
            zip_file_set_external_attributes(za, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, (0100644u) << 16);
        }
        /* links and special files never leave the working area */
    }
    return true;
}

/* Writes the archive `file` of the tree `src`; `dest` is where it goes. */
static bool WriteArchive(const std::string &src, const char *top, const std::string &file,
                         const std::string &dest, std::string &error, FileFault &fault)
{
    int zerr = 0;
    zip_t *za = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zerr);
        error = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return false;
    }
    bool ok = AddTree(za, src, top, error, fault);
    if (ok && zip_close(za) != 0) {
        CloseFailure(za, dest, error, fault);
        ok = false;
    }
    if (!ok)
        zip_discard(za);
    return ok;
}

/* Packs parent/top into `archive` with entries "top/...". The archive is
 * written in a folder of its own beside it (see leftovers.h) and renamed
 * into its place only when complete. */
bool ZipDirectory(const char *parent, const char *top, const char *archive, std::string &error,
                  FileFault *fault)
{
    std::string dest = HostPath(archive);
    SweepLeftoversBeside(dest, LEFTOVER_ARCHIVE);
    FileFault failed;
    std::string folder = dest + ".new-XXXXXX";
    int held = CreateHeld(folder, true);
    if (held < 0) {
        SystemFailure("cannot write beside", dest, errno, error, failed);
    } else {
        std::string file = folder + "/archive";
        bool ok = WriteArchive(HostPath(parent) + "/" + top, top, file, dest, error, failed);
        if (ok)
            chmod(file.c_str(), ReplacementMode(dest)); /* a replaced archive keeps its permissions */
        if (ok && rename(file.c_str(), dest.c_str()) != 0)
            ok = SystemFailure("cannot replace", dest, errno, error, failed);
        DeleteAll(folder.c_str());
        ReleaseHeld(held);
        if (ok)
            return true;
    }
    if (fault)
        *fault = failed;
    return false;
}

/* ------------------------------------------------------------ checking */

/* An entry name is acceptable when it is "top/" or lies below it, with no
 * empty, "." or ".." part and no backslash. */
static bool NameInside(const char *name, const std::string &top)
{
    std::string n(name);
    if (n.compare(0, top.size() + 1, top + "/") != 0 || n.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    while (start < n.size()) {
        size_t slash = n.find('/', start);
        std::string part = n.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return true;
}

static bool IsLink(zip_t *za, zip_uint64_t i)
{
    zip_uint8_t opsys;
    zip_uint32_t attr;
    if (zip_file_get_external_attributes(za, i, 0, &opsys, &attr) != 0)
        return false;
    return opsys == ZIP_OPSYS_UNIX && ((attr >> 16) & S_IFMT) == S_IFLNK;
}

static bool CheckEntries(zip_t *za, const std::string &top, std::string &error)
{
    zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || uint64_t(count) > unzip_max_entries) {
        error = "the archive holds too many entries";
        return false;
    }
    uint64_t total = 0;
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); i++) {
        zip_stat_t st;
        if (zip_stat_index(za, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            error = "an entry of the archive cannot be read";
            return false;
        }
        if (!NameInside(st.name, top)) {
            error = std::string("the entry \"") + st.name + "\" lies outside " + top + "/";
            return false;
        }
        if (IsLink(za, i)) {
            error = std::string("the entry \"") + st.name + "\" is a symbolic link";
            return false;
        }
        uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        total += size;
        if (size > UnzipLimit || total > UnzipLimit) {
            error = std::string("the entry \"") + st.name + "\" is too large for a project";
            return false;
        }
    }
    return true;
}

/* ------------------------------------------------------------ unpacking */

static bool MakeDirs(const std::string &root, const std::string &rel)
{
    std::string path = root;
    size_t start = 0;
    while (start < rel.size()) {
        size_t slash = rel.find('/', start);
        if (slash == std::string::npos)
            break;
        path += "/" + rel.substr(start, slash - start);
        struct stat st;
        if (mkdir(path.c_str(), 0755) != 0 &&
            (errno != EEXIST || lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return false;
        start = slash + 1;
    }
    return true;
}

/* Copies one entry's data to `fd`; never more bytes than it declared. */
static bool CopyEntry(zip_file_t *zf, int fd, uint64_t declared, const std::string &path,
                      std::string &error, FileFault &fault)
{
    uint64_t written = 0;
    char buf[65536];
    for (;;) {
        zip_int64_t n = zip_fread(zf, buf, sizeof(buf));
        if (n == 0)
            return true;
        if (n < 0) {
            error = "cannot unpack " + path + ": " + zip_file_strerror(zf);
            return false;
        }
        written += uint64_t(n);
        if (written > declared) {
            error = "cannot unpack " + path + ": the entry holds more than it declares";
            return false;
        }
        if (!WriteAll(fd, buf, size_t(n)))
            return SystemFailure("cannot unpack", path, errno, error, fault);
    }
}

static bool ExtractFile(zip_t *za, zip_uint64_t i, uint64_t declared, const std::string &path,
                        std::string &error, FileFault &fault)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return SystemFailure("cannot unpack", path, errno, error, fault);
    zip_file_t *zf = zip_fopen_index(za, i, 0);
    bool ok = zf && CopyEntry(zf, fd, declared, path, error, fault);
    if (zf)
        zip_fclose(zf);
    else
        error = "cannot unpack " + path + ": " + ZipError(za);
    if (close(fd) != 0 && ok)
        ok = SystemFailure("cannot unpack", path, errno, error, fault);
    return ok;
}

static bool ExtractAll(zip_t *za, const std::string &root, std::string &error, FileFault &fault)
{
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); i++) {
        zip_stat_t st;
        zip_stat_index(za, i, 0, &st);
        std::string name = st.name;
        if (!MakeDirs(root, name))
            return SystemFailure("cannot make the folders of", root + "/" + name, errno, error, fault);
        if (name.back() == '/')
            continue;
        if (!ExtractFile(za, i, (st.valid & ZIP_STAT_SIZE) ? st.size : 0, root + "/" + name, error, fault))
            return false;
    }
    return true;
}

/* Unpacks an archive whose entries lie under `top` into parent/top. */
int UnzipArchive(const char *archive, const char *parent, const char *top, std::string &error,
                 FileFault *fault)
{
    int zerr = 0;
    zip_t *za = zip_open(HostPath(archive).c_str(), ZIP_RDONLY, &zerr);
    if (!za) {
        error = "the file is not a ZIP archive";
        return UNZIP_UNREADABLE;
    }
    std::string root = HostPath(parent);
    FileFault failed;
    bool ok = CheckEntries(za, top, error) && ExtractAll(za, root, error, failed);
    zip_discard(za);
    if (!ok) {
        DeleteAll((std::string(parent) + top).c_str());
        if (fault)
            *fault = failed;
        return UNZIP_REFUSED;
    }
    return UNZIP_OK;
}
