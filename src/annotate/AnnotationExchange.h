#pragma once
// Exchange of annotations with the programs bioacousticians already use:
// Raven selection tables, Audacity label files and Praat TextGrids. Readers
// are lenient and lose nothing: a column or tier Tavril does not understand
// becomes an extra field of each record and is written back by the writer of
// the same format. Writers are strict (what the other program's own importer
// accepts). Free functions over AnnotationFile; stateless, any thread.

#include "AnnotationFile.h"

#include <string>
#include <vector>

namespace tavril {

enum class AnnotationFormat { Tavril, Raven, Audacity, TextGrid, Unknown };

// By content first (a TextGrid header, a Raven header line, Audacity's
// number-TAB-number lines), then by name; Tavril's own files are the rest.
AnnotationFormat DetectAnnotationFormat(const std::string& path, const std::string& bytes);
AnnotationFormat AnnotationFormatFromName(const std::string& name);  // "raven", "audacity", ...
const char* AnnotationFormatName(AnnotationFormat f);

// What a reader learnt about the file beyond the records.
struct ExchangeInfo {
    std::string labelColumn = "Annotation";  // Raven: the column the labels came from
    double domainStartSec = 0;               // TextGrid: the grid's time domain
    double domainEndSec = -1;                //   (-1: not known)
    std::vector<std::string> warnings;       // lines skipped, repairs made
};

// Raven selection table: header line, TAB-separated rows. A selection
// measured in several views (one row each) gives one record, from its
// Spectrogram row. The label column ("Annotation", "Species" or "species")
// becomes the comment, "Begin File" the sound file name; every other column
// beyond the seven standard ones is an extra field.
bool ReadRavenTable(const std::string& bytes, AnnotationFile& out, ExchangeInfo& info, std::string& error);
// Columns: Selection (from 1), View ("Spectrogram 1"), Channel, the four
// bounds, the label column, "Begin File" when any record names a sound, then
// every extra field. LF line ends, UTF-8, no trailing TAB.
std::string WriteRavenTable(const AnnotationFile& in, const std::string& labelColumn = "Annotation");

// Audacity labels: "start TAB end TAB text" and optional "\ TAB low TAB high"
// lines (-1: bound not defined, kept as a negative frequency).
bool ReadAudacityLabels(const std::string& bytes, AnnotationFile& out, ExchangeInfo& info, std::string& error);
std::string WriteAudacityLabels(const AnnotationFile& in);

// Praat TextGrid, long or short text format, UTF-8 or UTF-16 with a BOM.
// Labelled intervals and points become records whose extra field "tier"
// names their tier (channel 1); empty intervals are the gaps between them.
bool ReadTextGrid(const std::string& bytes, AnnotationFile& out, ExchangeInfo& info, std::string& error);
// Long format; one interval tier per tier name (records without one go to a
// tier per channel), overlapping records moved to further tiers, gaps filled
// with empty intervals, points (start = end) on text tiers.
std::string WriteTextGrid(const AnnotationFile& in, double domainStartSec = 0, double domainEndSec = -1);

// Reads any of the formats (and Tavril's own) from a file.
bool ReadAnnotationsFile(const std::string& path, AnnotationFormat format, AnnotationFile& out, ExchangeInfo& info,
                         std::string& error);
// Writes one of the formats atomically. For Tavril's own format the records
// are saved with Save.
bool WriteAnnotationsFile(const std::string& path, AnnotationFormat format, AnnotationFile& in,
                          const ExchangeInfo& info, std::string& error);

// Raven tables of many recordings as one: selections renumbered from 1, each
// record keeping the recording it came from (its Begin File, else the name
// in Begin Path, else the table's own name up to ".Table." or ".selections").
bool MergeRavenTables(const std::vector<std::string>& paths, AnnotationFile& out, ExchangeInfo& info,
                      std::string& error);

} // namespace tavril
