// tavril-cli annotations: convert annotation files between Tavril's own
// format, Raven selection tables, Audacity labels and Praat TextGrids; list
// their boxes; merge the Raven tables of many recordings into one.

#include "CliCommand.h"
#include "CliUtil.h"

#include "AnnotationExchange.h"
#include "CSoundFile.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

int Usage(const char* what)
{
    std::fprintf(stderr, "tavril-cli annotations: %s (see 'tavril-cli help annotations')\n", what);
    return 2;
}

bool FormatOption(const std::string& value, AnnotationFormat& f)
{
    f = AnnotationFormatFromName(value);
    if (f != AnnotationFormat::Unknown) return true;
    std::fprintf(stderr, "tavril-cli annotations: unknown format '%s' (tavril, raven, audacity, textgrid)\n",
                 value.c_str());
    return false;
}

// The format an output name asks for, or Unknown.
AnnotationFormat FormatForOutput(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    for (auto& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (name.ends_with(".textgrid")) return AnnotationFormat::TextGrid;
    if (name.ends_with(".log")) return AnnotationFormat::Tavril;
    if (name.find("selections") != std::string::npos || name.find("selection.table") != std::string::npos)
        return AnnotationFormat::Raven;
    return AnnotationFormat::Unknown;
}

bool ReadInput(const std::string& path, AnnotationFormat from, AnnotationFile& f, ExchangeInfo& info)
{
    std::string error;
    if (!std::filesystem::is_regular_file(path)) {
        std::fprintf(stderr, "tavril-cli annotations: %s: no such file\n", path.c_str());
        return false;
    }
    if (!ReadAnnotationsFile(path, from, f, info, error)) {
        std::fprintf(stderr, "tavril-cli annotations: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    for (const auto& w : info.warnings) std::fprintf(stderr, "tavril-cli annotations: %s: %s\n", path.c_str(), w.c_str());
    return true;
}

int RunConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    AnnotationFormat to = AnnotationFormat::Unknown, from = AnnotationFormat::Unknown;
    std::string sound;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--to" || a == "--from" || a == "--sound") && i + 1 >= args.size())
            return Usage(("option " + a + " needs a value").c_str());
        if (a == "--to") {
            if (!FormatOption(args[++i], to)) return 2;
        } else if (a == "--from") {
            if (!FormatOption(args[++i], from)) return 2;
        } else if (a == "--sound") {
            sound = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option '" + a + "'").c_str());
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return Usage("convert needs IN and OUT");
    if (to == AnnotationFormat::Unknown) to = FormatForOutput(files[1]);
    if (to == AnnotationFormat::Unknown) return Usage("cannot tell the output format from its name; give --to");
    AnnotationFile f;
    ExchangeInfo info;
    if (!ReadInput(files[0], from, f, info)) return 1;
    if (!sound.empty()) {
        CSoundFile s;
        if (!s.Open(sound)) {
            std::fprintf(stderr, "Error opening soundfile %s. The file may be corrupt\n", sound.c_str());
            return 1;
        }
        const double seconds = s.GetSampleRate() > 0 ? s.GetFrameCount() / s.GetSampleRate() : 0.0;
        // The recording's length is the TextGrid's domain; its name marks
        // every box that does not name another recording.
        if (seconds > info.domainEndSec) info.domainEndSec = seconds;
        for (const auto& r : f.Records())
            if (r->SoundFile().empty()) r->SetSoundFile(sound);
    }
    std::string error;
    if (!WriteAnnotationsFile(files[1], to, f, info, error)) {
        std::fprintf(stderr, "tavril-cli annotations: %s: %s\n", files[1].c_str(), error.c_str());
        return 1;
    }
    return 0;
}

int RunList(const std::vector<std::string>& args)
{
    bool json = false;
    AnnotationFormat from = AnnotationFormat::Unknown;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") json = true;
        else if (args[i] == "--from" && i + 1 < args.size()) {
            if (!FormatOption(args[++i], from)) return 2;
        } else if (args[i].size() > 1 && args[i][0] == '-') return Usage(("unknown option '" + args[i] + "'").c_str());
        else files.push_back(args[i]);
    }
    if (files.size() != 1) return Usage("list needs one FILE");
    AnnotationFile f;
    ExchangeInfo info;
    if (!ReadInput(files[0], from, f, info)) return 1;
    if (json) std::printf("[");
    bool first = true;
    for (const auto& r : f.Records()) {
        if (json) {
            std::string fields;
            for (const auto& x : r->ExtraFields())
                fields += std::string(fields.empty() ? "" : ", ") + JsonString(x.Key()) + ": " + JsonString(x.Text());
            std::printf("%s\n  {\"begin_s\": %s, \"end_s\": %s, \"low_hz\": %s, \"high_hz\": %s, \"channel\": %d, "
                        "\"label\": %s, \"sound_file\": %s, \"fields\": {%s}}",
                        first ? "" : ",", FormatExact(r->LeftSec(), 0).c_str(), FormatExact(r->RightSec(), 0).c_str(),
                        FormatExact(r->BottomHz(), 0).c_str(), FormatExact(r->TopHz(), 0).c_str(), r->Channel(),
                        JsonString(r->Comment()).c_str(), JsonString(r->SoundFile()).c_str(), fields.c_str());
        } else {
            std::printf("%s\t%s\t%s\t%s\t%d\t%s\n", FormatExact(r->LeftSec(), 6).c_str(),
                        FormatExact(r->RightSec(), 6).c_str(), FormatExact(r->BottomHz(), 1).c_str(),
                        FormatExact(r->TopHz(), 1).c_str(), r->Channel(), r->Comment().c_str());
        }
        first = false;
    }
    if (json) std::printf("%s]\n", first ? "" : "\n");
    return 0;
}

int RunMerge(const std::vector<std::string>& args)
{
    for (const auto& a : args)
        if (a.size() > 1 && a[0] == '-') return Usage(("unknown option '" + a + "'").c_str());
    if (args.size() < 2) return Usage("merge needs OUT and at least one IN");
    const std::vector<std::string> inputs(args.begin() + 1, args.end());
    for (const auto& in : inputs)
        if (std::filesystem::weakly_canonical(in) == std::filesystem::weakly_canonical(args[0]))
            return Usage("the merged table may not replace one of its inputs");
    AnnotationFile merged;
    ExchangeInfo info;
    std::string error;
    if (!MergeRavenTables(inputs, merged, info, error)) {
        std::fprintf(stderr, "tavril-cli annotations: %s\n", error.c_str());
        return 1;
    }
    for (const auto& w : info.warnings) std::fprintf(stderr, "tavril-cli annotations: %s\n", w.c_str());
    if (!WriteAnnotationsFile(args[0], AnnotationFormat::Raven, merged, info, error)) {
        std::fprintf(stderr, "tavril-cli annotations: %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    std::printf("%zu selections from %zu tables\n", merged.Count(), inputs.size());
    return 0;
}

int RunAnnotations(const std::vector<std::string>& args)
{
    if (args.empty()) return Usage("no action given (convert, list or merge)");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "convert") return RunConvert(rest);
    if (args[0] == "list") return RunList(rest);
    if (args[0] == "merge") return RunMerge(rest);
    return Usage(("unknown action '" + args[0] + "'").c_str());
}

} // namespace

extern const CliCommand kAnnotationsCommand = {
    "annotations",
    "convert, list and merge annotation files (Tavril, Raven, Audacity, TextGrid)",
    "usage: tavril-cli annotations convert IN OUT [--to tavril|raven|audacity|textgrid] [--from FORMAT] "
    "[--sound FILE]\n"
    "       tavril-cli annotations list FILE [--json] [--from FORMAT]\n"
    "       tavril-cli annotations merge OUT IN...\n"
    "\n"
    "convert  reads IN (its format found from its contents unless --from names it) and writes OUT in\n"
    "         the format --to names, or that OUT's name implies (.log Tavril, .TextGrid, *selections*).\n"
    "         Columns and tiers Tavril does not know are kept and written back. --sound names the\n"
    "         recording: its length becomes a TextGrid's time span and its name marks unnamed boxes.\n"
    "list     one line per box: begin (s), end (s), low (Hz), high (Hz), channel, label; or a JSON array.\n"
    "merge    joins Raven selection tables of many recordings into one, selections renumbered from 1,\n"
    "         each row keeping its recording in Begin File.\n",
    RunAnnotations,
};

} // namespace tavril::cli
