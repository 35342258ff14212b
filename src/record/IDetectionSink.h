#pragma once
// IDetectionSink: where detections saved as annotations go. The annotation
// library provides the implementation that adds them to the recording's
// annotation file; tests use a recording double.
//
// Threading: one file worker calls one sink; a sink shared by several
// workers must serialise itself.

#include <string>

namespace tavril {

struct DetectionAnnotation {
    double leftSec = 0.0;
    double rightSec = 0.0;
    double bottomHz = 0.0;
    double topHz = 0.0;
    int channel = 1;  // counted from 1
    std::string comment;
};

class IDetectionSink {
public:
    virtual ~IDetectionSink() = default;
    // Before the first detection of `recording`; `replace` asks for the
    // recording's earlier annotations to be dropped when Finish writes.
    virtual void Begin(const std::string& recording, bool replace) = 0;
    virtual void Add(const std::string& recording, const DetectionAnnotation& annotation) = 0;
    // Writes what was added. 0 with `error` set when it could not.
    virtual int Finish(const std::string& recording, std::string& error) = 0;
};

} // namespace tavril
