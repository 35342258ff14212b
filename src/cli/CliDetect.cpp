// tavril-cli detect: the sound event detector over recordings on disk, one
// worker per file on up to --jobs threads, with optional clips and one Raven
// selection table for every detection of every file, and optionally each
// detection added to its recording's annotation file.

#include "CliCommand.h"
#include "CliUtil.h"

#include "AnnotationDetectionSink.h"
#include "AtomicFile.h"
#include "CFileDetector.h"
#include "CSoundFile.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli detect";

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help detect')\n", kName, message.c_str());
    return 2;
}

struct Options {
    std::vector<std::string> files;
    std::string settingsFile;
    std::string channels;
    std::string startS, stopS;
    std::string clipsDir;
    std::string raven;
    std::string comment;
    bool annotations = false;
    bool replaceAnnotations = false;
    unsigned jobs = 0;
};

int Parse(const std::vector<std::string>& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--settings") {
            if (!value(o.settingsFile)) return Usage("--settings needs a file");
        } else if (a == "--channels") {
            if (!value(o.channels)) return Usage("--channels needs a list such as 1,3-4");
        } else if (a == "--start-s" || a == "--stop-s") {
            if (!value(v) || !ParseDouble(v) || *ParseDouble(v) < 0)
                return Usage(a + " needs a number of seconds, 0 or more");
            (a == "--start-s" ? o.startS : o.stopS) = v;
        } else if (a == "--clips") {
            if (!value(o.clipsDir)) return Usage("--clips needs a folder");
        } else if (a == "--raven") {
            if (!value(o.raven)) return Usage("--raven needs an output file");
        } else if (a == "--comment") {
            if (!value(o.comment)) return Usage("--comment needs a text");
        } else if (a == "--annotations") {
            o.annotations = true;
        } else if (a == "--replace-annotations") {
            o.annotations = true;
            o.replaceAnnotations = true;
        } else if (a == "--jobs") {
            const auto n = value(v) ? ParseInteger(v) : std::nullopt;
            if (!n || *n < 1 || *n > 1024) return Usage("--jobs needs a number from 1 to 1024");
            o.jobs = unsigned(*n);
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty()) return Usage("no recording given");
    return 0;
}

std::time_t RecordingStart(const std::string& file)
{
    CSoundFile f;
    f.Open(file);
    RecordingTime t = f.GetRecordingStartTime();
    if (t.source == RecordingTime::Source::None) return std::time(nullptr);
    t.time.tm_isdst = -1;
    return std::mktime(&t.time);
}

std::string RavenTable(const std::vector<std::string>& files, const std::vector<FileDetectionReport>& reports,
                       const FileDetectorSettings& s)
{
    std::string out = "Selection\tView\tChannel\tBegin File\tBegin Time (s)\tEnd Time (s)\tLow Freq (Hz)\t"
                      "High Freq (Hz)\n";
    int selection = 0;
    char line[512];
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string name = std::filesystem::path(files[i]).filename().string();
        const double top = s.detector.freqMaxHz < 0 || s.detector.freqMaxHz < s.detector.freqMinHz
                               ? reports[i].sampleRate / 2
                               : s.detector.freqMaxHz;
        for (const FileDetection& d : reports[i].detections) {
            std::snprintf(line, sizeof line, "%d\tSpectrogram 1\t%d\t%s\t%.6f\t%.6f\t%.1f\t%.1f\n", ++selection,
                          d.channel, name.c_str(), d.startSec, d.startSec + d.durationSec,
                          double(s.detector.freqMinHz), top);
            out += line;
        }
    }
    return out;
}

int WriteText(const std::string& path, const std::string& text, std::string& error)
{
    const std::string temp = MakeTempBeside(path, ".txt", error);
    if (temp.empty()) return 0;
    {
        std::ofstream out(temp, std::ios::binary);
        out << text;
        out.flush();
        if (!out) {
            error = "could not write " + path;
            std::filesystem::remove(temp);
            return 0;
        }
    }
    return ReplaceWith(temp, path, error);
}

int RunDetect(const std::vector<std::string>& args)
{
    Options o;
    if (int bad = Parse(args, o)) return bad;
    FileDetectorSettings settings;
    if (!o.settingsFile.empty() && !std::filesystem::exists(o.settingsFile))
        return Usage("settings file '" + o.settingsFile + "' does not exist");
    settings.Load(o.settingsFile);
    if (!o.channels.empty()) {
        settings.useChannelList = true;
        settings.channelList = o.channels;
    }
    if (!o.startS.empty()) settings.startTime = o.startS;
    if (!o.stopS.empty()) settings.stopTime = o.stopS;
    if (!o.clipsDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.clipsDir, ec);
        if (!std::filesystem::is_directory(o.clipsDir)) return Usage("cannot use '" + o.clipsDir + "' for clips");
        settings.saveAsClips = true;
        settings.series.seriesPath = o.clipsDir;
    } else {
        settings.saveAsClips = false;
    }
    // Earlier annotations go only when asked for here, never because a
    // settings file left over from the desktop program says so.
    settings.saveAsAnnotation = o.annotations;
    settings.deletePrevAnnotations = o.replaceAnnotations;
    AnnotationDetectionSink sink(o.settingsFile);

    const size_t n = o.files.size();
    std::vector<FileDetectionReport> reports(n);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < n; i = next++) {
            FileDetectorSettings s = settings;
            // Clip names of each recording start from its own name unless a
            // series pattern was set.
            if (s.saveAsClips && s.series.seriesName.find_first_not_of(' ') == std::string::npos)
                s.series.seriesName = std::filesystem::path(o.files[i]).stem().string() + " ch%c %n";
            CFileDetector detector;
            detector.SetRecordingStart(RecordingStart(o.files[i]));
            detector.SetComment(o.comment);
            detector.SetSink(&sink);
            reports[i] = detector.Run(o.files[i], s);
        }
    };
    const unsigned jobs = unsigned(std::min<size_t>(n, o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency())));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobs; ++t) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();

    int status = 0;
    for (size_t i = 0; i < n; ++i) {
        const FileDetectionReport& r = reports[i];
        if (!r.opened) {
            std::fprintf(stderr, "%s: %s\n", kName, r.error.c_str());
            status = 1;
            continue;
        }
        if (!r.error.empty()) {
            std::fprintf(stderr, "%s: %s\n", kName, r.error.c_str());
            status = 1;
        }
        std::printf("%s\n", o.files[i].c_str());
        for (size_t k = 0; k < r.channels.size() && k < r.counts.size(); ++k) {
            std::printf("ch#%d #detections = %d\n", r.channels[k], r.counts[k]);
            for (const FileDetection& d : r.detections)
                if (d.channel == r.channels[k])
                    std::printf("  start %.3f s  duration %.3f s%s%s\n", d.startSec, d.durationSec,
                                d.clipFile.empty() ? "" : "  ", d.clipFile.c_str());
        }
    }
    if (!o.raven.empty()) {
        std::string error;
        if (!WriteText(o.raven, RavenTable(o.files, reports, settings), error)) {
            std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
            status = 1;
        }
    }
    return status;
}

} // namespace

extern const CliCommand kDetectCommand = {
    "detect",
    "find sound events in recordings",
    "Usage: tavril-cli detect FILE... [--settings INI] [--channels LIST] [--start-s S] [--stop-s S]\n"
    "                         [--clips DIR] [--raven OUT.txt] [--annotations | --replace-annotations]\n"
    "                         [--comment TEXT] [--jobs N]\n"
    "Runs the sound event detector over each recording with the settings of the\n"
    "\"Sound Detector Details for file detector\" and \"Recording file detector\" sections\n"
    "(default settings file, or INI). For each file it prints the file name, then per\n"
    "analysed channel 'ch#N #detections = COUNT' and each detection's start and\n"
    "duration in seconds (padded by \"buffer before\" and \"buffer after\").\n"
    "  --channels LIST   channels to analyse, e.g. 1,3-4 (default all)\n"
    "  --start-s/--stop-s  the time range (default the whole file)\n"
    "  --clips DIR       write each detection as a one-channel WAV clip, named by the\n"
    "                    clip series pattern, or 'NAME chC   N.wav' when none is set\n"
    "  --raven OUT.txt   one Raven selection table of every detection of every file\n"
    "                    (Begin Time is seconds from the start of Begin File)\n"
    "  --annotations     add each detection (its time span, the band from \"freq min\"\n"
    "                    to \"freq max\", its channel) to the recording's annotation\n"
    "                    file, the one its annotation link names; earlier ones stay\n"
    "  --replace-annotations  as --annotations, but the recording's earlier\n"
    "                    annotations are replaced by this run's detections\n"
    "  --comment TEXT    the comment given to each detection annotation\n"
    "  --jobs N          files analysed on N threads (default: all cores); the\n"
    "                    output is the same for every N\n"
    "Exit status 0 when every file was analysed, 1 otherwise, 2 for a usage error.\n",
    RunDetect,
};

} // namespace tavril::cli
