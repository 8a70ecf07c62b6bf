/*
 * ziparchive.cpp - packing and unpacking project archives with libzip.
 *
 * Packing writes a new archive beside the old one and renames it over the
 * old only when it is complete, so a failed save never costs the last good
 * archive. Unpacking first checks every entry and refuses the whole archive
 * when any entry lies outside the top folder (absolute, "..", another top
 * folder), is a symbolic link, or is too large; only then is anything
 * written, and never through a link.
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

uint64_t UnzipLimit = 1ull << 30;
static const uint64_t unzip_max_entries = 200000;

static std::string ZipError(zip_t *za)
{
    return za ? zip_strerror(za) : "no archive";
}

/* ------------------------------------------------------------ packing */

static bool AddTree(zip_t *za, const std::string &host, const std::string &entry, std::string &error)
{
    if (zip_dir_add(za, (entry + "/").c_str(), ZIP_FL_ENC_UTF_8) < 0) {
        error = ZipError(za);
        return false;
    }
    std::vector<DirEntry> entries;
    if (!ListDirectory(host.c_str(), entries)) {
        error = "cannot read " + host + ": " + std::strerror(errno);
        return false;
    }
    for (const DirEntry &e : entries) {
        std::string h = host + "/" + e.name, name = entry + "/" + e.name;
        if (e.kind == FK_DIR) {
            if (!AddTree(za, h, name, error))
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

/* Packs parent/top into `archive` with entries "top/...". */
bool ZipDirectory(const char *parent, const char *top, const char *archive, std::string &error)
{
    std::string dest = HostPath(archive);
    std::string tmp = dest + ".new-XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        error = "cannot write in the folder of " + dest + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    int zerr = 0;
    zip_t *za = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zerr);
        error = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        unlink(tmp.c_str());
        return false;
    }
    std::string src = HostPath(parent) + "/" + top;
    bool ok = AddTree(za, src, top, error);
    if (ok && zip_close(za) != 0) {
        error = ZipError(za);
        ok = false;
    }
    if (!ok) {
        zip_discard(za);
        unlink(tmp.c_str());
        return false;
    }
    chmod(tmp.c_str(), ReplacementMode(dest)); /* a replaced archive keeps its permissions */
    if (rename(tmp.c_str(), dest.c_str()) != 0) {
        error = "cannot replace " + dest + ": " + std::strerror(errno);
        unlink(tmp.c_str());
        return false;
    }
    return true;
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

/* Writes one entry; never more bytes than it declared. */
static bool ExtractFile(zip_t *za, zip_uint64_t i, uint64_t declared, const std::string &path,
                        std::string &error)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    zip_file_t *zf = fd >= 0 ? zip_fopen_index(za, i, 0) : nullptr;
    bool ok = zf != nullptr;
    uint64_t written = 0;
    char buf[65536];
    while (ok) {
        zip_int64_t n = zip_fread(zf, buf, sizeof(buf));
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        written += uint64_t(n);
        ok = written <= declared && write(fd, buf, size_t(n)) == n;
    }
    if (!ok)
        error = "cannot unpack " + path + (zf ? std::string(": ") + zip_file_strerror(zf) : std::string());
    if (zf)
        zip_fclose(zf);
    if (fd >= 0)
        ok = (close(fd) == 0) && ok;
    return ok;
}

static bool ExtractAll(zip_t *za, const std::string &root, std::string &error)
{
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_uint64_t i = 0; i < zip_uint64_t(count); i++) {
        zip_stat_t st;
        zip_stat_index(za, i, 0, &st);
        std::string name = st.name;
        if (!MakeDirs(root, name)) {
            error = "cannot make the folders of " + name;
            return false;
        }
        if (name.back() == '/')
            continue;
        if (!ExtractFile(za, i, (st.valid & ZIP_STAT_SIZE) ? st.size : 0, root + "/" + name, error))
            return false;
    }
    return true;
}

/* Unpacks an archive whose entries lie under `top` into parent/top. */
int UnzipArchive(const char *archive, const char *parent, const char *top, std::string &error)
{
    int zerr = 0;
    zip_t *za = zip_open(HostPath(archive).c_str(), ZIP_RDONLY, &zerr);
    if (!za) {
        error = "the file is not a ZIP archive";
        return UNZIP_UNREADABLE;
    }
    std::string root = HostPath(parent);
    bool ok = CheckEntries(za, top, error) && ExtractAll(za, root, error);
    zip_discard(za);
    if (!ok) {
        DeleteAll((std::string(parent) + top).c_str());
        return UNZIP_REFUSED;
    }
    return UNZIP_OK;
}
