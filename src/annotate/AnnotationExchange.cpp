#include "AnnotationExchange.h"

#include "AtomicText.h"
#include "TextEncoding.h"

#include <cctype>
#include <filesystem>

namespace tavril {

namespace {

std::string Lower(std::string s)
{
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

AnnotationFormat AnnotationFormatFromName(const std::string& name)
{
    const std::string n = Lower(name);
    if (n == "tavril") return AnnotationFormat::Tavril;
    if (n == "raven") return AnnotationFormat::Raven;
    if (n == "audacity") return AnnotationFormat::Audacity;
    if (n == "textgrid" || n == "praat") return AnnotationFormat::TextGrid;
    return AnnotationFormat::Unknown;
}

const char* AnnotationFormatName(AnnotationFormat f)
{
    switch (f) {
    case AnnotationFormat::Tavril: return "tavril";
    case AnnotationFormat::Raven: return "raven";
    case AnnotationFormat::Audacity: return "audacity";
    case AnnotationFormat::TextGrid: return "textgrid";
    default: return "unknown";
    }
}

AnnotationFormat DetectAnnotationFormat(const std::string& path, const std::string& bytes)
{
    const std::string text = DecodeTextFile(bytes.substr(0, 4096));
    std::vector<std::string> lines;
    SplitLines(text, lines);
    const std::string first = lines.empty() ? std::string() : lines[0];
    if (first.find("ooTextFile") != std::string::npos) return AnnotationFormat::TextGrid;
    if (first.find("Begin Time (s)") != std::string::npos) return AnnotationFormat::Raven;
    for (const auto& l : lines) {
        if (l.rfind("fieldkey:", 0) == 0 || l.rfind("an:\t", 0) == 0 || l.rfind("selected:\t", 0) == 0)
            return AnnotationFormat::Tavril;
    }
    if (!lines.empty()) {
        const size_t tab = first.find('\t');
        double v = 0;
        if (tab != std::string::npos && ParseDecimal(first.substr(0, tab), v)) return AnnotationFormat::Audacity;
    }
    const std::string name = Lower(std::filesystem::path(path).filename().string());
    if (name.ends_with(".textgrid")) return AnnotationFormat::TextGrid;
    if (name.find("selections") != std::string::npos || name.find("selection.table") != std::string::npos)
        return AnnotationFormat::Raven;
    if (name.ends_with(".log")) return AnnotationFormat::Tavril;
    return lines.empty() ? AnnotationFormat::Audacity : AnnotationFormat::Tavril;
}

bool ReadAnnotationsFile(const std::string& path, AnnotationFormat format, AnnotationFile& out, ExchangeInfo& info,
                         std::string& error)
{
    if (format == AnnotationFormat::Tavril) {
        // Reading for an export must not rewrite the file it reads.
        error.clear();
        out.Load(path, &error, false);
        return error.empty();
    }
    std::string bytes;
    if (!ReadTextFileBytes(path, bytes, error)) return false;
    if (format == AnnotationFormat::Unknown) format = DetectAnnotationFormat(path, bytes);
    switch (format) {
    case AnnotationFormat::Raven: return ReadRavenTable(bytes, out, info, error);
    case AnnotationFormat::Audacity: return ReadAudacityLabels(bytes, out, info, error);
    case AnnotationFormat::TextGrid: return ReadTextGrid(bytes, out, info, error);
    case AnnotationFormat::Tavril: return ReadAnnotationsFile(path, AnnotationFormat::Tavril, out, info, error);
    default: error = "Unknown annotation format."; return false;
    }
}

bool WriteAnnotationsFile(const std::string& path, AnnotationFormat format, AnnotationFile& in,
                          const ExchangeInfo& info, std::string& error)
{
    std::string text;
    switch (format) {
    case AnnotationFormat::Tavril: return in.Save(path, false, false, CivilTime{}, &error);
    case AnnotationFormat::Raven: text = WriteRavenTable(in, info.labelColumn); break;
    case AnnotationFormat::Audacity: text = WriteAudacityLabels(in); break;
    case AnnotationFormat::TextGrid: text = WriteTextGrid(in, info.domainStartSec, info.domainEndSec); break;
    default: error = "Unknown annotation format."; return false;
    }
    return WriteTextFileAtomically(path, text, error);
}

} // namespace tavril
