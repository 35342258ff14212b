#include "KlipFileName.h"

#include <cstdio>
#include <filesystem>

namespace tavril {

namespace {

std::string Clean(std::string s)
{
    for (char& c : s)
        if (c == '/' || c == '\0') c = '_';
    return s;
}

std::string Two(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

bool ComposeKlipName(const std::string& templ, const KlipNameInputs& in, std::string& name)
{
    const std::tm& date = in.useFileDate ? in.fileTime : in.useCursorTime ? in.cursorTime : in.now;
    const std::tm& time = in.useCursorTime ? in.cursorTime : in.useFileDate ? in.fileTime : in.now;
    std::string out;
    for (size_t i = 0; i < templ.size(); ++i) {
        const char c = templ[i];
        if (c != '%' || i + 1 >= templ.size()) {
            out += c;
            continue;
        }
        const char f = templ[++i];
        switch (f) {
        case 'f': out += Clean(std::filesystem::path(in.soundFileName).stem().string()); break;
        case 'c': out += std::to_string(in.channel + 1); break;
        case 'e': {
            std::string text;
            if (!in.askText || !in.askText(text)) return false;
            out += Clean(text);
            break;
        }
        case 'y': out += Two((date.tm_year + 1900) % 100); break;
        case 'm': out += Two(date.tm_mon + 1); break;
        case 'd': out += Two(date.tm_mday); break;
        case 'H': out += Two(time.tm_hour); break;
        case 'M': out += Two(time.tm_min); break;
        case 'S': out += Two(time.tm_sec); break;
        case '%': out += '%'; break;
        default:
            out += '%';
            out += f;
            break;
        }
    }
    name = out;
    return true;
}

} // namespace tavril
