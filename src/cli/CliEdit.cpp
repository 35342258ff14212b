// tavril-cli edit: one editing command on a sound file, run through a
// document exactly as the sound window runs it (new version, save), so the
// output equals what the program itself would write. The new version is
// written from IN in one pass into a working copy beside OUT and renamed
// into place.

#include "CliCommand.h"
#include "CliUtil.h"

#include "CConsolePrompt.h"
#include "CEditEngine.h"
#include "CMultiTool.h"
#include "CSoundClipboard.h"
#include "CSoundFilter.h"
#include "CSoundTools.h"
#include "CTavrilDoc.h"
#include "CTempFiles.h"
#include "EditDialogSettings.h"
#include "FileSafety.h"
#include "SoundConvert.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sys/statvfs.h>
#include <string>
#include <vector>

namespace tavril::cli {

namespace {

constexpr const char* kName = "tavril-cli edit";

enum class Op {
    None, Delete, Trim, Amplify, Maximize, Ramp, Reverse, InsertSilence, InsertNoise, InsertTone, Filter,
    NoiseFilter, Envelope
};

struct Options {
    std::string in, out;
    long long channel = 0;
    std::optional<double> fromS, toS;
    Op op = Op::None;
    std::vector<double> numbers;  // the operation's own numbers
    ToneParams tone;
    FilterSettings filter;
    std::string envelope;
    double resolutionMs = 0.0;
};

int Usage(const std::string& text)
{
    std::fprintf(stderr, "%s: %s (see 'tavril-cli help edit')\n", kName, text.c_str());
    return 2;
}

std::string ParentFolder(const std::string& path)
{
    const std::string parent = std::filesystem::absolute(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// Free bytes for this user in the file system holding `folder`; all when
// it cannot be told (the write itself then reports a full disk).
uint64_t FreeBytes(const std::string& folder)
{
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return UINT64_MAX;
    return uint64_t(st.f_bavail) * st.f_frsize;
}

int ModulationType(const std::string& name)
{
    if (name == "sine") return kModSine;
    if (name == "square") return kModSquare;
    if (name == "triangle") return kModTriangle;
    return -1;
}

// Takes `n` numbers after args[i]; false with `error` set when they are not there.
bool TakeNumbers(const std::vector<std::string>& args, size_t& i, size_t n, std::vector<double>& out,
                 std::string& error)
{
    const std::string option = args[i];
    for (size_t k = 0; k < n; ++k) {
        if (i + 1 >= args.size()) {
            error = option + " needs " + std::to_string(n) + " number" + (n > 1 ? "s" : "");
            return false;
        }
        const auto v = ParseDouble(args[++i]);
        if (!v || !std::isfinite(*v)) {
            error = option + ": '" + args[i] + "' is not a number";
            return false;
        }
        out.push_back(*v);
    }
    return true;
}

int RunEditCommand(const std::vector<std::string>& allArgs)
{
    std::vector<std::string> operands;
    const std::vector<std::string> args = SplitOperands(allArgs, operands);
    Options o;
    std::string error;
    auto setOp = [&](Op op) {
        if (o.op != Op::None) {
            error = "give one operation only";
            return false;
        }
        o.op = op;
        return true;
    };
    bool filterExtras = false, resolutionGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool ok = true;
        std::vector<double> nums;
        if (a == "-o") {
            if (i + 1 >= args.size()) return Usage("-o needs a file name");
            o.out = args[++i];
        } else if (a == "--channel") {
            if (i + 1 >= args.size()) return Usage("--channel needs a number");
            const auto v = ParseInteger(args[++i]);
            if (!v || *v < 0 || *v > 65535) return Usage("--channel: '" + args[i] + "' is not a channel number");
            o.channel = *v;
        } else if (a == "--from-s" || a == "--to-s") {
            ok = TakeNumbers(args, i, 1, nums, error);
            if (ok && nums[0] < 0) return Usage(a + " must not be negative");
            if (ok) (a == "--from-s" ? o.fromS : o.toS) = nums[0];
        } else if (a == "--delete") {
            ok = setOp(Op::Delete);
        } else if (a == "--trim") {
            ok = setOp(Op::Trim);
        } else if (a == "--maximize") {
            ok = setOp(Op::Maximize);
        } else if (a == "--reverse") {
            ok = setOp(Op::Reverse);
        } else if (a == "--noise-filter") {
            ok = setOp(Op::NoiseFilter);
        } else if (a == "--amplify") {
            ok = setOp(Op::Amplify) && TakeNumbers(args, i, 1, o.numbers, error);
        } else if (a == "--ramp") {
            ok = setOp(Op::Ramp) && TakeNumbers(args, i, 2, o.numbers, error);
        } else if (a == "--insert-silence") {
            ok = setOp(Op::InsertSilence) && TakeNumbers(args, i, 1, o.numbers, error);
        } else if (a == "--insert-noise") {
            ok = setOp(Op::InsertNoise) && TakeNumbers(args, i, 2, o.numbers, error);
        } else if (a == "--insert-tone") {
            ok = setOp(Op::InsertTone) && TakeNumbers(args, i, 3, o.numbers, error);
        } else if (a == "--fm" || a == "--am") {
            if (i + 1 >= args.size()) return Usage(a + " needs a waveform and two numbers");
            const int type = ModulationType(args[++i]);
            if (type < 0) return Usage(a + ": waveform must be sine, square or triangle");
            ok = TakeNumbers(args, i, 2, nums, error);
            if (ok && a == "--fm") {
                o.tone.fmType = type;
                o.tone.fmRateHz = nums[0];
                o.tone.fmRangeHz = nums[1];
            } else if (ok) {
                o.tone.amType = type;
                o.tone.amRateHz = nums[0];
                o.tone.amRange = nums[1] / 100.0;
            }
        } else if (a == "--filter") {
            ok = setOp(Op::Filter) && TakeNumbers(args, i, 2, o.numbers, error);
        } else if (a == "--amp-reduction" || a == "--freq-ramp" || a == "--time-ramp") {
            ok = TakeNumbers(args, i, 1, nums, error);
            if (ok && nums[0] < 0) return Usage(a + " must not be negative");
            filterExtras = true;
            if (ok) {
                if (a == "--amp-reduction") o.filter.ampReductionPct = nums[0];
                else if (a == "--freq-ramp") o.filter.freqRampHz = nums[0];
                else o.filter.timeRampMs = nums[0];
            }
        } else if (a == "--envelope") {
            if (i + 1 >= args.size()) return Usage("--envelope needs a file");
            ok = setOp(Op::Envelope);
            o.envelope = args[++i];
        } else if (a == "--resolution") {
            ok = TakeNumbers(args, i, 1, nums, error);
            resolutionGiven = true;
            if (ok) o.resolutionMs = nums[0];
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else if (o.in.empty()) {
            o.in = a;
        } else {
            return Usage("more than one input file");
        }
        if (!ok) return Usage(error);
    }
    for (const std::string& a : operands) {
        if (!o.in.empty()) return Usage("more than one input file");
        o.in = a;
    }
    if (o.in.empty()) return Usage("no input file");
    if (o.out.empty()) return Usage("no output file (-o OUT)");
    if (o.op == Op::None) return Usage("no operation given");
    if ((o.tone.fmType || o.tone.amType) && o.op != Op::InsertTone) return Usage("--fm and --am go with --insert-tone");
    for (double v : o.numbers)
        if (v < 0) return Usage("negative values are not allowed");
    if (filterExtras && o.op != Op::Filter) return Usage("--amp-reduction, --freq-ramp and --time-ramp go with --filter");
    if (resolutionGiven && o.op != Op::Envelope) return Usage("--resolution goes with --envelope");
    if (o.fromS && o.toS && *o.toS < *o.fromS) return Usage("--to-s lies before --from-s");

    CConsolePrompt prompt;
    CTempFiles temps;
    if (!temps.Start()) {
        std::fprintf(stderr, "%s: the temporary folder %s cannot be used\n", kName, temps.Folder().c_str());
        return 1;
    }
    // Working copies of earlier runs that were killed go first.
    temps.CleanUpStale();
    CSoundClipboard clipboard;
    CEditEngine engine;
    CSoundTools tools(engine);
    CSoundFilter filter(engine);
    CMultiTool multi(engine, tools, filter);
    CTavrilDoc doc(DocServices{prompt, temps, clipboard, engine, tools, filter, multi, ""});
    doc.PlaceWorkingCopiesNear(o.out);
    if (!doc.OpenDocument(o.in)) {
        std::fprintf(stderr, "%s: %s does not exist\n", kName, o.in.c_str());
        return 1;
    }
    // Held from the reading of IN to the save: a second edit of the same
    // file stops here instead of overwriting this one's result.
    if (!doc.LockForEditing()) {
        std::fprintf(stderr, "%s: %s\n", kName, LockedMessage(o.in).c_str());
        return 1;
    }
    // A WAV is read where it is; other formats are edited through the WAV
    // working copy, whose format the positions below are taken from.
    CSoundFile* sound = doc.IsMetafile()                  ? nullptr
                        : SourceFormat(o.in) == kFormatWav ? doc.SoundForReading()
                                                           : doc.SoundForEditing();
    if (!sound || !sound->EnsureOpen()) {
        std::fprintf(stderr, "%s: %s cannot be read as a sound%s%s\n", kName, o.in.c_str(),
                     engine.LastError().empty() ? "" : ": ", engine.LastError().c_str());
        return 1;
    }
    const double rate = sound->GetSampleRate();
    const uint32_t frames = sound->GetFrameCount();
    const uint32_t channels = sound->GetChannels();
    sound->Close();
    if (o.channel >= channels) {
        std::fprintf(stderr, "%s: %s has no channel %lld (channels are counted from 0)\n", kName, o.in.c_str(),
                     o.channel);
        return 2;
    }
    if (o.op == Op::InsertSilence || o.op == Op::InsertNoise || o.op == Op::InsertTone) {
        // Refused before anything is written: the new sound must fit a WAV
        // and the disks that hold the working copies and the result.
        const double added = std::trunc(o.numbers[0] * rate / 1000.0);
        const double total = added + frames;
        const uint64_t bytesPerFrame = uint64_t(channels) * ((sound->GetBitsPerSample() + 7) / 8);
        if (total > 4294967295.0 || total * bytesPerFrame > 4294967295.0 - 64)
            return Usage("the sound would become longer than a WAV file can hold (4 GB)");
        const uint64_t need = static_cast<uint64_t>(total) * bytesPerFrame;
        for (const std::string& where : {temps.Folder().string(), ParentFolder(o.out)}) {
            const uint64_t free = FreeBytes(where);
            if (free < need) {
                std::fprintf(stderr, "%s: not enough free space in %s: the result needs %llu bytes, %llu are free\n",
                             kName, where.c_str(), static_cast<unsigned long long>(need),
                             static_cast<unsigned long long>(free));
                return 1;
            }
        }
    }
    const uint32_t channel = static_cast<uint32_t>(o.channel);
    auto toFrame = [&](double s) {
        const double f = std::trunc(s * rate);
        return f >= frames ? frames : static_cast<uint32_t>(f);
    };
    FrameSelection sel;
    if (o.fromS || o.toS) {
        sel.left = o.fromS ? toFrame(*o.fromS) : 0;
        sel.right = o.toS ? toFrame(*o.toS) : frames;
    }
    const uint32_t position = o.fromS ? toFrame(*o.fromS) : 0;
    const bool wholeChannel = o.op == Op::Amplify || o.op == Op::Maximize || o.op == Op::Ramp || o.op == Op::Envelope;
    if (wholeChannel && (o.fromS || o.toS))
        return Usage("this tool works on the whole channel; --from-s and --to-s do not apply to it");
    const bool insertion = o.op == Op::InsertSilence || o.op == Op::InsertNoise || o.op == Op::InsertTone;
    if (insertion && o.toS) return Usage("an insertion goes at --from-s; --to-s does not apply to it");
    const bool needsRange = o.op == Op::Delete || o.op == Op::Trim;
    if (needsRange && sel.Length() < 1) {
        std::fprintf(stderr, "%s: --delete and --trim need a range (--from-s S --to-s E) of at least one frame\n",
                     kName);
        return 2;
    }

    bool done = false;
    const auto& n = o.numbers;
    switch (o.op) {
    case Op::Delete: done = doc.DeleteSelection(sel); break;
    case Op::Trim: done = doc.Trim(sel); break;
    case Op::Amplify: done = doc.Amplify(n[0], channel); break;
    case Op::Maximize: done = doc.Maximize(channel); break;
    case Op::Ramp: done = doc.Ramp(n[0], n[1], channel); break;
    case Op::Reverse: done = doc.Reverse(sel, channel); break;
    case Op::InsertSilence: done = doc.InsertSilence(position, n[0], channel); break;
    case Op::InsertNoise: done = doc.InsertNoise(position, n[0], n[1], channel); break;
    case Op::InsertTone: {
        ToneParams t = o.tone;
        t.durationMs = n[0];
        t.freqHz = n[1];
        t.amplitude = n[2] / 100.0;
        done = doc.InsertTone(position, t, channel);
        break;
    }
    case Op::Filter: {
        FilterSettings f = o.filter;
        f.hipassFreqHz = n[0];
        f.lopassFreqHz = n[1];
        done = doc.PresetFilter(sel, channel, f);
        break;
    }
    case Op::NoiseFilter: done = doc.FilterNoise(sel, channel); break;
    case Op::Envelope: done = doc.AmplitudeEnvelope(o.envelope, o.resolutionMs, channel); break;
    case Op::None: break;
    }
    if (!done) {
        // Commands that did nothing (a duration below 1 ms) say so; failures
        // have already been reported through the prompt.
        if (o.op == Op::InsertSilence || o.op == Op::InsertNoise || o.op == Op::InsertTone)
            std::fprintf(stderr, "%s: nothing to insert (the duration is below 1 ms)\n", kName);
        return 1;
    }
    if (!doc.SaveDocument(o.out)) return 1;
    if (!doc.DroppedChunks().empty()) {
        std::string ids;
        for (const std::string& id : doc.DroppedChunks()) ids += (ids.empty() ? "" : ", ") + id;
        std::fprintf(stderr, "%s: note: %s has no place for the chunks %s of %s; they were not written\n", kName,
                     o.out.c_str(), ids.c_str(), o.in.c_str());
    }
    return 0;
}

} // namespace

extern const CliCommand kEditCommand = {
    "edit",
    "apply one editing command or tool to a sound file",
    "Usage: tavril-cli edit IN -o OUT [--channel N] [--from-s S --to-s E] OPERATION\n"
    "Runs one command on IN the way a sound window runs it and saves the result\n"
    "as OUT, in the format OUT's name asks for (the default file format for\n"
    "unknown names). IN itself is never changed unless OUT names it. Tools work\n"
    "on one channel, N counted from 0 (default 0). The range --from-s/--to-s is\n"
    "in seconds; without it the whole sound is used. Insertions go after the\n"
    "frame at --from-s (at the very start when it is 0, the default).\n"
    "Operations:\n"
    "  --delete | --trim            remove / keep only the range (range required)\n"
    "Amplify, maximize, ramp and envelope work on the whole channel and refuse a\n"
    "range; insertions take --from-s only.\n"
    "  --amplify PCT                multiply by PCT/100, limited to the value range\n"
    "  --maximize                   raise the channel to just below full scale\n"
    "  --ramp BEGIN_MS END_MS       fade in and out\n"
    "  --reverse                    reverse the range (or the whole channel)\n"
    "  --insert-silence MS\n"
    "  --insert-noise MS PCT\n"
    "  --insert-tone MS FREQ_HZ PCT [--fm sine|square|triangle RATE_HZ RANGE_HZ]\n"
    "                               [--am sine|square|triangle RATE_HZ RANGE_PCT]\n"
    "                               (RANGE_HZ is the peak-to-peak swing)\n"
    "  --filter HIGHPASS_HZ LOWPASS_HZ [--amp-reduction PCT --freq-ramp HZ --time-ramp MS]\n"
    "                               band-pass when HIGHPASS < LOWPASS, band-stop otherwise;\n"
    "                               0 switches an edge off\n"
    "  --noise-filter               remove what does not rise above the noise floor\n"
    "  --envelope FILE [--resolution MS]  apply FILE's envelope (exact when MS < 1)\n"
    "Exit status 0 on success, 1 when the command or the save failed, 2 for bad\n"
    "arguments.\n",
    RunEditCommand,
};

} // namespace tavril::cli
