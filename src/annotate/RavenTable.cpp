#include "AnnotationExchange.h"

#include "AtomicText.h"
#include "TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

namespace tavril {

namespace {

std::string Clean(const std::string& s)
{
    std::string out = s;
    for (auto& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

bool IsLabelColumn(const std::string& name)
{
    return name == "Annotation" || name == "Species" || name == "species" || name == "annotation";
}

} // namespace

bool ReadRavenTable(const std::string& bytes, AnnotationFile& out, ExchangeInfo& info, std::string& error)
{
    std::vector<std::string> lines;
    SplitLines(DecodeTextFile(bytes), lines);
    if (lines.empty()) {
        error = "The selection table is empty (no header line).";
        return false;
    }
    std::vector<std::string> names = SplitTabs(lines[0]);
    while (!names.empty() && names.back().empty()) names.pop_back();
    auto column = [&](std::initializer_list<const char*> alias) -> int {
        for (const char* a : alias)
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] == a) return int(i);
        return -1;
    };
    const int cSel = column({"Selection"});
    const int cView = column({"View"});
    const int cChan = column({"Channel"});
    const int cBegin = column({"Begin Time (s)"});
    const int cEnd = column({"End Time (s)"});
    const int cLow = column({"Low Freq (Hz)", "Low Frequency (Hz)"});
    const int cHigh = column({"High Freq (Hz)", "High Frequency (Hz)"});
    const int cFile = column({"Begin File"});
    int cLabel = -1;
    for (size_t i = 0; i < names.size() && cLabel < 0; ++i)
        if (IsLabelColumn(names[i])) cLabel = int(i);
    if (cBegin < 0 || cEnd < 0) {
        error = "Not a Raven selection table: the columns \"Begin Time (s)\" and \"End Time (s)\" are missing.";
        return false;
    }
    if (cLabel >= 0) info.labelColumn = names[size_t(cLabel)];
    const std::vector<int> known = {cSel, cView, cChan, cBegin, cEnd, cLow, cHigh, cFile, cLabel};

    // Rows of one selection measured in several views give one record.
    std::map<std::string, size_t> bySelection;
    std::vector<bool> fromSpectrogram;
    for (size_t li = 1; li < lines.size(); ++li) {
        if (lines[li].find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> f = SplitTabs(lines[li]);
        auto cell = [&](int c) { return c >= 0 && size_t(c) < f.size() ? f[size_t(c)] : std::string(); };
        double begin = 0, end = 0, low = 0, high = 0, chan = 1;
        if (!ParseDecimal(cell(cBegin), begin) || !ParseDecimal(cell(cEnd), end)) {
            info.warnings.push_back("Line " + std::to_string(li + 1) + " has no begin or end time; skipped.");
            continue;
        }
        ParseDecimal(cell(cLow), low);
        ParseDecimal(cell(cHigh), high);
        if (!ParseDecimal(cell(cChan), chan) || chan < 1) chan = 1;
        const bool spectrogram = cell(cView).rfind("Spectrogram", 0) == 0 || cView < 0;
        const std::string sel = cell(cSel);
        auto seen = sel.empty() ? bySelection.end() : bySelection.find(sel);
        // The spectrogram row of a selection carries its frequency bounds.
        if (seen != bySelection.end() && (!spectrogram || fromSpectrogram[seen->second])) continue;
        AnnotationRecord r(begin, end, low, high, int(chan), cell(cFile), cell(cLabel), "");
        for (size_t c = 0; c < names.size(); ++c) {
            if (names[c].empty() || std::find(known.begin(), known.end(), int(c)) != known.end()) continue;
            r.SetFieldText(names[c], c < f.size() ? f[c] : std::string());
        }
        if (seen != bySelection.end()) {
            *out.At(seen->second) = r;
            fromSpectrogram[seen->second] = true;
            continue;
        }
        if (!sel.empty()) bySelection[sel] = out.Count();
        fromSpectrogram.push_back(spectrogram);
        out.AddRecord(r);
    }
    return true;
}

std::string WriteRavenTable(const AnnotationFile& in, const std::string& labelColumn)
{
    bool anyFile = false;
    std::vector<std::string> extras;
    for (const auto& r : in.Records()) {
        anyFile = anyFile || !r->SoundFile().empty();
        for (const auto& f : r->ExtraFields())
            if (std::find(extras.begin(), extras.end(), f.Key()) == extras.end()) extras.push_back(f.Key());
    }
    const std::string label = labelColumn.empty() ? "Annotation" : Clean(labelColumn);
    std::string s = "Selection\tView\tChannel\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\tHigh Freq (Hz)\t" + label;
    if (anyFile) s += "\tBegin File";
    for (const auto& e : extras) s.append("\t").append(Clean(e));
    s += "\n";
    int n = 0;
    for (const auto& r : in.Records()) {
        s += std::to_string(++n);
        s += "\tSpectrogram 1\t" + std::to_string(std::max(1, r->Channel()));
        for (const std::string& v : {FormatExact(r->LeftSec(), 6), FormatExact(r->RightSec(), 6),
                                     FormatExact(std::min(r->BottomHz(), r->TopHz()), 1),
                                     FormatExact(std::max(r->BottomHz(), r->TopHz()), 1)})
            s.append("\t").append(v);
        s.append("\t").append(Clean(r->Comment()));
        if (anyFile) s.append("\t").append(Clean(r->SoundFile()));
        for (const auto& e : extras) {
            const AnnotationField* f = r->FindField(e);
            s += "\t";
            if (f) s += Clean(f->Text());
        }
        s += "\n";
    }
    return s;
}

bool MergeRavenTables(const std::vector<std::string>& paths, AnnotationFile& out, ExchangeInfo& info,
                      std::string& error)
{
    bool first = true;
    for (const auto& path : paths) {
        std::string bytes;
        if (!ReadTextFileBytes(path, bytes, error)) {
            error = path + ": " + error;
            return false;
        }
        AnnotationFile one;
        ExchangeInfo oneInfo;
        if (!ReadRavenTable(bytes, one, oneInfo, error)) {
            error = path + ": " + error;
            return false;
        }
        if (first) info.labelColumn = oneInfo.labelColumn;
        first = false;
        for (auto& w : oneInfo.warnings) info.warnings.push_back(path + ": " + w);
        std::string name = std::filesystem::path(path).filename().string();
        for (const char* cut : {".Table.", ".BirdNET.", ".selections"}) {
            const size_t p = name.find(cut);
            if (p != std::string::npos && p > 0) {
                name.resize(p);
                break;
            }
        }
        for (const auto& r : one.Records()) {
            AnnotationRecord copy = *r;
            if (copy.SoundFile().empty()) {
                const AnnotationField* bp = copy.FindField("Begin Path");
                copy.SetSoundFile(bp && !bp->Text().empty() ? bp->Text() : name);
            }
            out.AddRecord(copy);
        }
    }
    return true;
}

} // namespace tavril
