#include "CDisplayFile.h"

#include "SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;
using S = SettingsStore;

namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

std::string WindowSection(int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Settings for Window %d", n);
    return buf;
}

// Far more windows than a screen holds; a damaged count cannot make a load
// run for ever.
constexpr int kMaxWindows = 10000;

} // namespace

std::string SavingName(const std::string& path) { return path + ".saving"; }

bool ReplaceWithWritten(const std::string& temp, const std::string& path) {
    std::error_code ec;
    if (Exists(temp))
        fs::rename(temp, path, ec);
    else
        ec = std::make_error_code(std::errc::io_error);
    if (ec)
        fs::remove(temp, ec);
    return Exists(path) && !Exists(temp);
}

bool SameFileContents(const std::string& a, const std::string& b) {
    std::error_code ea, eb;
    const auto sizeA = fs::file_size(a, ea), sizeB = fs::file_size(b, eb);
    if (ea || eb || sizeA != sizeB)
        return false;
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb)
        return false;
    std::vector<char> ba(1 << 16), bb(1 << 16);
    while (fa && fb) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        if (fa.gcount() != fb.gcount() || !std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin()))
            return false;
    }
    return fa.eof() && fb.eof();
}

std::string PathFromStored(const std::string& stored) {
    std::string s = stored;
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool CDisplayFile::Save(const std::string& path, const std::vector<DisplayWindowRecord>& windows, bool exportSounds) {
    const std::string temp = SavingName(path);
    std::error_code ec;
    fs::remove(temp, ec);
    if (!WriteSections(temp, path, windows, exportSounds)) {
        fs::remove(temp, ec);
        return false;
    }
    if (!ReplaceWithWritten(temp, path)) {
        m_prompt.ShowMessage("Could not write the display file " + path + ".", "Tavril");
        return false;
    }
    return true;
}

bool CDisplayFile::WriteSections(const std::string& file, const std::string& displayPath,
                                 std::vector<DisplayWindowRecord> windows, bool exportSounds) {
    std::error_code ec;
    const fs::path displayAbs = fs::absolute(displayPath, ec);
    const fs::path folder = displayAbs.parent_path();
    S::WriteSettingInt(file, "Display info", "num windows", static_cast<int>(windows.size()));
    S::WriteSettingString(file, "Display info", "display file path", displayAbs.string());
    S::WriteSettingInt(file, "Display info", "display file version", 4);
    for (size_t n = 0; n < windows.size(); ++n) {
        DisplayWindowRecord& w = windows[n];
        const bool linked = w.soundPath.empty();
        if (!linked)
            w.soundPath = fs::absolute(w.soundPath, ec).string();
        if (!linked && exportSounds && Exists(w.soundPath)) {
            const fs::path source = w.soundPath;
            fs::path target = folder / source.filename();
            // A different file of the same name is never overwritten.
            for (int k = 2; Exists(target) && !fs::equivalent(target, source, ec) &&
                            !SameFileContents(source.string(), target.string());
                 ++k)
                target = folder / (source.stem().string() + " (" + std::to_string(k) + ")" +
                                   source.extension().string());
            if (!Exists(target)) {
                fs::copy_file(source, target, fs::copy_options::none, ec);
                if (ec) {
                    m_prompt.ShowMessage("Could not copy " + source.string() + " to " + target.string() + ": " +
                                             ec.message(),
                                         "Tavril");
                    return false;
                }
            }
            w.soundPath = target.string();
        }
        const std::string section = WindowSection(static_cast<int>(n));
        S::WriteSettingInt(file, section, "Window ID", w.windowId);
        S::WriteSettingInt(file, section, "Window scroll bar position", w.scrollPosition);
        S::WriteSettingString(file, section, "Sound file name", linked ? "" : w.soundPath);
        S::WriteSettingString(file, section, "Sound file title", linked ? "" : w.soundTitle);
        S::WriteSettingInt(file, section, "linked to window with ID", linked ? w.linkedToId : -1);
        S::WriteSettingLong(file, section, "window rect left", w.left);
        S::WriteSettingLong(file, section, "window rect top", w.top);
        S::WriteSettingLong(file, section, "window rect right", w.right);
        S::WriteSettingLong(file, section, "window rect bottom", w.bottom);
        S::WriteSettingLong(file, section, "Display bitmap file position", -1);
        w.settings.Save(file, static_cast<int>(n));
    }
    return true;
}

DisplayFileHeader CDisplayFile::ReadHeader(const std::string& path, bool inSettingsFile) {
    DisplayFileHeader h;
    h.count = S::ReadSettingInt(path, "Display info", "num windows", 0);
    if (h.count <= 0 && !inSettingsFile)
        h.count = kMaxWindows;
    h.count = std::clamp(h.count, 0, kMaxWindows);
    h.storedPath = S::ReadSettingString(path, "Display info", "display file path", "");
    h.version = S::ReadSettingInt(path, "Display info", "display file version", 0);
    return h;
}

bool CDisplayFile::ReadWindow(const std::string& path, int n, const WindowDisplaySettings& defaults,
                              DisplayWindowRecord& out) {
    const std::string section = WindowSection(n);
    out = DisplayWindowRecord{};
    out.left = S::ReadSettingLong(path, section, "window rect left", -100000);
    if (out.left < -99999)
        return false;
    out.soundPath = S::ReadSettingString(path, section, "Sound file name", "");
    out.soundTitle = S::ReadSettingString(path, section, "Sound file title", "");
    out.windowId = S::ReadSettingInt(path, section, "Window ID", -1);
    out.linkedToId = S::ReadSettingInt(path, section, "linked to window with ID", -1);
    out.top = S::ReadSettingLong(path, section, "window rect top", 0);
    out.right = S::ReadSettingLong(path, section, "window rect right", out.left + 400);
    out.bottom = S::ReadSettingLong(path, section, "window rect bottom", out.top + 200);
    out.scrollPosition = S::ReadSettingInt(path, section, "Window scroll bar position", 0);
    out.settings.CopyFrom(defaults);
    out.settings.Load(path, n);
    return true;
}

CDisplayFile::Search CDisplayFile::FindSound(const std::string& displayPath, const std::string& storedDisplayPath,
                                             const std::string& storedSound, const std::string& title,
                                             std::string& browseFolder, std::string& found) {
    std::error_code ec;
    const fs::path displayNow = fs::absolute(displayPath, ec);
    const fs::path sound = PathFromStored(storedSound);
    auto take = [&](const fs::path& p) {
        found = p.string();
        return Search::Found;
    };
    if (!storedDisplayPath.empty()) {
        const fs::path then = fs::path(PathFromStored(storedDisplayPath)).parent_path();
        const fs::path rel = sound.lexically_relative(then);
        if (!rel.empty() && *rel.begin() != "..") {
            const fs::path candidate = displayNow.parent_path() / rel;
            if (Exists(candidate))
                return take(candidate);
        }
    }
    if (Exists(sound))
        return take(sound);
    if (title.empty())
        return Search::Skip;
    const fs::path name = fs::path(PathFromStored(title)).filename();
    for (const fs::path& folder : {displayNow.parent_path(), fs::current_path(ec)})
        if (Exists(folder / name))
            return take(folder / name);
    if (!browseFolder.empty() && Exists(fs::path(browseFolder) / name))
        return take(fs::path(browseFolder) / name);
    const std::string question = "Couldn't find sound file " + storedSound + "\n\n" +
                                 "It may have been deleted or moved to a different directory.\n" +
                                 "If its been moved, re-save the display to store the new location." +
                                 "\n\nBrowse to find this file?";
    const IPrompt::Reply r = m_prompt.AskYesNoCancel(question, "Tavril");
    if (r == IPrompt::Reply::Cancel)
        return Search::Cancel;
    if (r == IPrompt::Reply::No)
        return Search::Skip;
    IPrompt::PathRequest req;
    req.title = "Browse for the file:";
    req.filter = "Wave files|*.wav|";
    std::string chosen;
    if (!m_prompt.ChoosePath(req, chosen) || !Exists(chosen))
        return Search::Skip;
    browseFolder = fs::path(chosen).parent_path().string();
    return take(chosen);
}

} // namespace tavril
