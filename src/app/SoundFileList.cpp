#include "SoundFileList.h"

#include "CDisplayFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavril {

namespace fs = std::filesystem;

bool WriteSoundFileList(const std::string& path, const std::vector<std::string>& sounds) {
    const std::string temp = SavingName(path);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& s : sounds)
            out << s << "\r\n";
        if (!out.flush()) {
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    return ReplaceWithWritten(temp, path);
}

std::vector<std::string> ReadSoundFileList(const std::string& path) {
    std::vector<std::string> names;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return names;
    std::error_code ec;
    const fs::path base = fs::absolute(path, ec).parent_path();
    std::string line;
    for (int lines = 0; lines < 100000 && std::getline(in, line); ++lines) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos)
            continue;
        fs::path p = PathFromStored(line.substr(start));
        if (p.is_relative())
            p = base / p;
        names.push_back(p.lexically_normal().string());
    }
    return names;
}

} // namespace tavril
