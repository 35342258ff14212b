#pragma once
// CMultiTool: "Apply Multiple Tools": the fixed chain band filter, background
// noise filter, maximize, ramp (each only when switched on) with one set of
// parameters, on one sound or on a batch of sound files.
//
// Apply() is a file-to-file operation like every tool (the document wraps it
// in an undo step named "Multi Tool"); intermediate versions go to hidden
// temporary files beside the destination and are removed afterwards.
// ApplyToFile() processes a user's file of any supported format and writes
// the result in that file's format, in place or under another name, through
// a file beside the target that replaces it only when complete.
//
// Ownership: uses, but does not own, the engine, tools and filter.
// Threading: one thread at a time.

#include <cstdint>
#include <string>

namespace tavril {

class CEditEngine;
class CSoundTools;
class CSoundFilter;
struct MultiToolSettings;

class CMultiTool {
public:
    CMultiTool(CEditEngine& engine, CSoundTools& tools, CSoundFilter& filter);

    // `destination` is an empty file in the source's format.
    int Apply(const std::string& source, const std::string& destination, const MultiToolSettings& settings,
              uint32_t channel);
    // `target` may equal `file` (in place). `defaultFormat` is used for names
    // without a known extension.
    int ApplyToFile(const std::string& file, const std::string& target, const MultiToolSettings& settings,
                    uint32_t channel, int32_t defaultFormat);

private:
    CEditEngine& m_engine;
    CSoundTools& m_tools;
    CSoundFilter& m_filter;
};

} // namespace tavril
