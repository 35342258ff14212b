#pragma once
// AnnotationMetafile: a metafile (see MetafileText) whose keys can be set,
// and the linking of an annotation file to a sound through one. SetKey
// rewrites the file on disk atomically and reads it again. One thread at a
// time.

#include "MetafileText.h"

#include <string>
#include <vector>

namespace tavril {

class AnnotationMetafile : public MetafileText {
public:
    // Rewrites the file with one "key=value" line: first, with every other
    // line after it (old lines of the key dropped), or, with `atEnd`, after
    // all lines. Member lines are copied unchanged; lines end with CR LF. The
    // file is replaced atomically and read again.
    bool SetKey(const std::string& key, const std::string& value, bool atEnd = false, std::string* error = nullptr);
    bool SetStartTime(const CivilTime& t, std::string* error = nullptr);
    bool SetStartDate(const CivilTime& t, std::string* error = nullptr);
    bool SetAnnotationFile(const std::string& name, std::string* error = nullptr);
};

// Result of linking an annotation file to a sound file.
struct AnnotationLinkResult {
    bool ok = false;
    std::string metafilePath;
    std::string annotationPath;
    std::vector<std::string> notes;  // messages to show before the outcome
    std::string message;             // the final message (success or failure)
};

// The metafile that links a sound to its annotations: a metafile is its own;
// a plain WAV/AIFF sound's is "<name> metafile.txt" beside it (made by
// AddAnnotationLink); empty for anything else.
std::string LinkMetafileOf(const std::string& soundPath);

// Links `annotationName` (".log" added without an extension) to a sound: a
// plain WAV/AIFF sound gets a metafile "<name> metafile.txt" beside it; with
// `annotationFolder` the metafile is copied there and the annotation file
// lives there too. The annotation file is created when missing and the
// metafile's "annotationfile" key set. Files made before a failure stay.
AnnotationLinkResult AddAnnotationLink(const std::string& soundPath, const std::string& annotationName,
                                       const std::string& annotationFolder);

} // namespace tavril
