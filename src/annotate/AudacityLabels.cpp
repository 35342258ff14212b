#include "AnnotationExchange.h"

#include "AtomicText.h"
#include "TextEncoding.h"

namespace tavril {

namespace {

// Audacity reads a decimal comma as well as a point.
bool ParseLabelNumber(std::string text, double& v)
{
    for (auto& c : text)
        if (c == ',') c = '.';
    return ParseDecimal(text, v);
}

std::string Clean(const std::string& s)
{
    std::string out = s;
    for (auto& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

} // namespace

bool ReadAudacityLabels(const std::string& bytes, AnnotationFile& out, ExchangeInfo& info, std::string& error)
{
    std::vector<std::string> lines;
    SplitLines(DecodeTextFile(bytes), lines);
    AnnotationRecord* last = nullptr;
    bool lastHasBand = false;
    for (size_t li = 0; li < lines.size(); ++li) {
        const std::string& line = lines[li];
        if (line.empty()) continue;
        const std::vector<std::string> f = SplitTabs(line);
        if (f[0] == "\\") {
            double low = 0, high = 0;
            if (!last || lastHasBand) continue;  // continuation lines reserved for later fields
            if (f.size() < 3 || !ParseLabelNumber(f[1], low) || !ParseLabelNumber(f[2], high)) {
                info.warnings.push_back("Line " + std::to_string(li + 1) + ": unreadable frequency line skipped.");
                continue;
            }
            // An undefined bound stays -1 so that it is written back as such.
            last->SetBox(last->LeftSec(), last->RightSec(), low, high, last->Channel());
            lastHasBand = true;
            continue;
        }
        double start = 0, end = 0;
        if (!ParseLabelNumber(f[0], start)) {
            info.warnings.push_back("Line " + std::to_string(li + 1) + " is not a label; skipped.");
            last = nullptr;
            continue;
        }
        std::string text;
        size_t firstExtra = 3;
        if (f.size() >= 2 && ParseLabelNumber(f[1], end)) {
            text = f.size() >= 3 ? f[2] : std::string();
        } else {
            // The older two-field form: a point label and its text.
            end = start;
            text = f.size() >= 2 ? f[1] : std::string();
            firstExtra = 2;
        }
        AnnotationRecord r(start, end, 0, 0, 1, "", text, "");
        // Further fields (a detector's confidence) are kept, named by position.
        for (size_t i = firstExtra; i < f.size(); ++i) r.SetFieldText("field " + std::to_string(i + 1), f[i]);
        last = out.AddRecord(r);
        lastHasBand = false;
    }
    (void)error;
    return true;
}

std::string WriteAudacityLabels(const AnnotationFile& in)
{
    std::string s;
    for (const auto& r : in.Records()) {
        s += FormatExact(r->LeftSec(), 6) + "\t" + FormatExact(r->RightSec(), 6) + "\t" + Clean(r->Comment()) + "\n";
        if (r->BottomHz() != 0 || r->TopHz() != 0)
            s += "\\\t" + FormatExact(r->BottomHz(), 6) + "\t" + FormatExact(r->TopHz(), 6) + "\n";
    }
    return s;
}

} // namespace tavril
