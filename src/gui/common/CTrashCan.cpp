#include "common/CTrashCan.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tavril {

namespace fs = std::filesystem;

namespace {

// The Path key holds the original path percent-encoded like a URL path.
std::string EncodePath(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char ch : path) {
        if (std::isalnum(ch) || std::strchr("/-_.~", ch)) {
            out += static_cast<char>(ch);
        } else {
            out += '%';
            out += hex[ch >> 4];
            out += hex[ch & 15];
        }
    }
    return out;
}

bool MakeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return false;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string CTrashCan::Folder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.local/share/Trash";
}

bool CTrashCan::Move(const std::string& path, std::string& trashedAs, std::string& error)
{
    std::error_code ec;
    const fs::path source = fs::absolute(path, ec);
    struct stat src {};
    if (ec || ::lstat(source.c_str(), &src) != 0) {
        error = "the file cannot be found";
        return false;
    }
    const std::string trash = Folder();
    fs::create_directories(fs::path(trash).parent_path(), ec);
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!MakeFolder(trash) || !MakeFolder(files) || !MakeFolder(info)) {
        error = "the trash folder " + trash + " cannot be made";
        return false;
    }
    struct stat dst {};
    if (::stat(files.c_str(), &dst) != 0 || dst.st_dev != src.st_dev) {
        error = "the file is on another file system than the trash";
        return false;
    }

    // Claim a free name by creating its info file exclusively.
    const std::string name = source.filename().string();
    const std::string stem = source.stem().string();
    const std::string ext = source.extension().string();
    std::string chosen;
    std::string infoPath;
    int fd = -1;
    for (int i = 1; i < 10000 && fd < 0; ++i) {
        chosen = i == 1 ? name : stem + "." + std::to_string(i) + ext;
        infoPath = info + "/" + chosen + ".trashinfo";
        if (fs::exists(files + "/" + chosen, ec)) continue;
        fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = "no name is free in the trash folder " + trash;
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text = "[Trash Info]\nPath=" + EncodePath(source.string()) + "\nDeletionDate=" + date + "\n";
    const bool written = WriteAll(fd, text);
    ::close(fd);
    const std::string target = files + "/" + chosen;
    if (!written || ::rename(source.c_str(), target.c_str()) != 0) {
        error = written ? std::strerror(errno) : "the trash's record cannot be written";
        ::unlink(infoPath.c_str());
        return false;
    }
    trashedAs = target;
    return true;
}

} // namespace tavril
