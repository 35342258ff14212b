#include "AnnotationExchange.h"

#include "AtomicText.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tavril {

namespace {

struct Token {
    enum Kind { Number, String, Flag } kind;
    std::string text;
    double number = 0;
};

// Praat's free-standing tokens: numbers, "strings" (with "" for a quote,
// possibly spanning lines) and <flags>; key words, '=' and "!" comments are
// not data.
std::vector<Token> Tokenize(const std::string& t)
{
    std::vector<Token> out;
    const size_t n = t.size();
    size_t i = 0;
    while (i < n) {
        const char c = t[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '!') {
            while (i < n && t[i] != '\n' && t[i] != '\r') ++i;
        } else if (c == '"') {
            std::string s;
            ++i;
            while (i < n) {
                if (t[i] == '"') {
                    if (i + 1 < n && t[i + 1] == '"') {
                        s += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                s += t[i++];
            }
            out.push_back({Token::String, s});
        } else {
            const size_t b = i;
            while (i < n && t[i] != ' ' && t[i] != '\t' && t[i] != '\r' && t[i] != '\n') ++i;
            const std::string w = t.substr(b, i - b);
            double v = 0;
            if (w.size() > 2 && w.front() == '<' && w.back() == '>') out.push_back({Token::Flag, w});
            else if (ParseDecimal(w, v)) out.push_back({Token::Number, w, v});
        }
    }
    return out;
}

std::string Quote(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += "\"\"";
        else if (c == '\r' || c == '\n' || c == '\t') out += ' ';
        else out += c;
    }
    return out + "\"";
}

std::string Num(double v) { return FormatExact(v, 0); }

} // namespace

bool ReadTextGrid(const std::string& bytes, AnnotationFile& result, ExchangeInfo& info, std::string& error)
{
    // Records go to `result` only when the whole grid has been read.
    AnnotationFile out;
    const std::string text = DecodeTextFile(bytes);
    if (text.find("ooTextFile") == std::string::npos) {
        error = "Not a Praat TextGrid text file (no \"ooTextFile\" header).";
        return false;
    }
    const std::vector<Token> tok = Tokenize(text);
    size_t k = 0;
    auto num = [&](double& v) {
        if (k < tok.size() && tok[k].kind == Token::Number) {
            v = tok[k++].number;
            return true;
        }
        return false;
    };
    auto str = [&](std::string& s) {
        if (k < tok.size() && tok[k].kind == Token::String) {
            s = tok[k++].text;
            return true;
        }
        return false;
    };
    std::string fileType, cls;
    // "ooTextFile" (or "ooTextFile short") then the class name.
    if (!str(fileType) || !str(cls) || cls != "TextGrid") {
        error = "Not a TextGrid: the object class is not \"TextGrid\".";
        return false;
    }
    double xmin = 0, xmax = 0, tiersD = 0;
    if (!num(xmin) || !num(xmax)) {
        error = "The TextGrid has no time domain.";
        return false;
    }
    info.domainStartSec = xmin;
    info.domainEndSec = xmax;
    if (k < tok.size() && tok[k].kind == Token::Flag) {
        if (tok[k].text == "<absent>") return true;
        ++k;
    }
    if (!num(tiersD) || tiersD < 0) {
        error = "The TextGrid's number of tiers is missing.";
        return false;
    }
    for (size_t tier = 0; tier < size_t(tiersD) && k < tok.size(); ++tier) {
        std::string tierClass, name;
        double txmin = 0, txmax = 0, countD = 0;
        if (!str(tierClass) || !str(name) || !num(txmin) || !num(txmax) || !num(countD) || countD < 0) {
            error = "Tier " + std::to_string(tier + 1) + " of the TextGrid is incomplete.";
            return false;
        }
        const bool intervals = tierClass == "IntervalTier";
        // Each item takes at least two tokens; a count beyond what is left
        // is a damaged file, not a reason to loop.
        const size_t count = size_t(std::min(countD, double(tok.size())));
        for (size_t j = 0; j < count; ++j) {
            double a = 0, b = 0;
            std::string label;
            const bool ok = intervals ? (num(a) && num(b) && str(label)) : (num(a) && str(label));
            if (!ok) {
                error = "Item " + std::to_string(j + 1) + " of tier \"" + name + "\" is incomplete.";
                return false;
            }
            if (!intervals) b = a;
            if (intervals && label.empty()) continue;  // gaps between annotations
            AnnotationRecord r(a, b, 0, 0, 1, "", label, "");
            r.SetFieldText("tier", name);
            out.AddRecord(r);
        }
    }
    for (const auto& r : out.Records()) result.AddRecord(*r);
    return true;
}

std::string WriteTextGrid(const AnnotationFile& in, double domainStart, double domainEnd)
{
    struct Tier {
        std::string name;
        bool points = false;
        std::vector<const AnnotationRecord*> items;
        double lastEnd = -1e300;
    };
    std::vector<Tier> tiers;
    std::map<std::string, std::vector<size_t>> byName;
    double lo = domainStart, hi = domainEnd;
    for (const auto& r : in.Records()) {
        lo = std::min(lo, r->LeftSec());
        hi = std::max(hi, r->RightSec());
    }
    if (!(hi > lo)) hi = lo + 1;
    std::vector<const AnnotationRecord*> sorted;
    for (const auto& r : in.Records()) sorted.push_back(r.get());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const AnnotationRecord* a, const AnnotationRecord* b) { return a->LeftSec() < b->LeftSec(); });
    for (const AnnotationRecord* r : sorted) {
        const AnnotationField* f = r->FindField("tier");
        const std::string name = f ? f->Text() : "channel " + std::to_string(r->Channel());
        const bool point = !(r->LeftSec() < r->RightSec());
        Tier* home = nullptr;
        for (size_t idx : byName[name]) {
            Tier& t = tiers[idx];
            // Intervals of a tier may not overlap, points must increase.
            if (t.points == point && (point ? r->LeftSec() > t.lastEnd : r->LeftSec() >= t.lastEnd)) {
                home = &t;
                break;
            }
        }
        if (!home) {
            byName[name].push_back(tiers.size());
            tiers.push_back({name, point, {}, -1e300});
            home = &tiers.back();
        }
        home->items.push_back(r);
        home->lastEnd = r->RightSec();
    }
    std::string s = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
    s += "xmin = " + Num(lo) + " \nxmax = " + Num(hi) + " \n";
    if (tiers.empty()) return s + "tiers? <absent> \n";
    s += "tiers? <exists> \nsize = " + std::to_string(tiers.size()) + " \nitem []: \n";
    for (size_t t = 0; t < tiers.size(); ++t) {
        const Tier& tier = tiers[t];
        s += "    item [" + std::to_string(t + 1) + "]:\n";
        s += std::string("        class = \"") + (tier.points ? "TextTier" : "IntervalTier") + "\" \n";
        s += "        name = " + Quote(tier.name) + " \n";
        s += "        xmin = " + Num(lo) + " \n        xmax = " + Num(hi) + " \n";
        if (tier.points) {
            s += "        points: size = " + std::to_string(tier.items.size()) + " \n";
            for (size_t j = 0; j < tier.items.size(); ++j) {
                s += "        points [" + std::to_string(j + 1) + "]:\n";
                s += "            number = " + Num(tier.items[j]->LeftSec()) + " \n";
                s += "            mark = " + Quote(tier.items[j]->Comment()) + " \n";
            }
            continue;
        }
        // Gap-free from the domain start to its end: empty intervals between.
        std::vector<std::tuple<double, double, std::string>> iv;
        double at = lo;
        for (const AnnotationRecord* r : tier.items) {
            if (r->LeftSec() > at) iv.emplace_back(at, r->LeftSec(), "");
            iv.emplace_back(r->LeftSec(), r->RightSec(), r->Comment());
            at = r->RightSec();
        }
        if (hi > at) iv.emplace_back(at, hi, "");
        s += "        intervals: size = " + std::to_string(iv.size()) + " \n";
        for (size_t j = 0; j < iv.size(); ++j) {
            s += "        intervals [" + std::to_string(j + 1) + "]:\n";
            s += "            xmin = " + Num(std::get<0>(iv[j])) + " \n";
            s += "            xmax = " + Num(std::get<1>(iv[j])) + " \n";
            s += "            text = " + Quote(std::get<2>(iv[j])) + " \n";
        }
    }
    return s;
}

} // namespace tavril
