#pragma once
// CFrameKeyRouter: the keys the main frame sees before any widget: the shift
// state the views read, the table keys that a menu title's Alt+letter would
// also claim (the command wins), and typed characters no key of the table
// took, which go to the frame's typed-character owners.
//
// Owned by the main frame, which outlives it. UI thread only.

#include "CommandTable.h"

#include <map>
#include <string>

class QEvent;
class QObject;

namespace tavril {

class CCommandActions;
class CMainFrame;
struct FrameFlags;

class CFrameKeyRouter {
public:
    CFrameKeyRouter(CMainFrame& frame, FrameFlags& flags) : m_frame(frame), m_flags(flags) {}

    // The table keys that equal a top-level menu's mnemonic.
    void CollectMnemonicKeys(const CCommandActions& actions);
    // True when the event was taken.
    bool Filter(QObject* watched, QEvent* e);

private:
    CMainFrame& m_frame;
    FrameFlags& m_flags;
    std::map<std::string, Cmd> m_mnemonicKeys;
};

} // namespace tavril
