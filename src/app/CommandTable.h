#pragma once
// CommandTable: the program's whole command vocabulary in one place.
//
// Every command has one identifier, a receiver (the active sound view, the
// main frame, the application or the window framework), an enable rule and a
// status-bar prompt whose optional second line is the toolbar tooltip. Menu
// rows place commands in the two menu bars, the sound window's context menu
// and the insertion menu, each with its own text ("&" marks the mnemonic,
// "\t" precedes the key shown). Key rows bind keys to commands. The GUI builds
// every menu item, shortcut and toolbar button from these tables and nothing
// else, so what the user sees cannot drift from what is tested.
//
// Plain data, built once and immutable afterwards; safe to read from any thread.

#include <string>
#include <string_view>
#include <vector>

namespace tavril {

enum class Cmd : int {
    None = 0,
    // File
    FileNew, FileOpen, FileLoadInto, FileRevert, FileCloseWindow, FileCloseAll, FileSave, FileSaveAs,
    FileSaveAll, FileRename, ImportHeaderless, ImportFileList, ExportSpectrogramText, ExportDisplayTextList,
    ExportDisplayAndSounds, SetDefaultFormat, FileDeleteAndClose, MergeDisplay, SaveDisplay, SaveSettings,
    Print, PrintSetup, PrintPreview, ExportFigure, AppExit,
    // Edit
    Undo, Cut, Copy, CopyChannel, Paste, Trim, DeleteSelection, KlipSave, KlipSettings, CopyBitmap,
    // View
    ViewWaveform, ViewSpectrogram, TimeScaleFit, ZoomIn, ZoomOut, Darker, Lighter, HideCursors,
    HideTitleBars, ViewToolbar, ViewStatusBar,
    // User menu
    EditUserMenu,
    // Options
    WindowSettings, DefaultWindowSettings, RecordingSettings, LoopSettings, VirtualRecorders, NewWindowSizing, OpenUsingActive,
    OpenUsingDefault, PlayEntire, PlayClipboard, LoopPlayback, StartRecording, SetPriority,
    // Tools
    FormatInfo, AddAnnotationLink, ViewAnnotationFile, SaveAnnotations, AnnotationSettings, ImportAnnotations,
    ExportAnnotations, Amplify,
    Maximize, Ramp, Reverse, InsertSilence, InsertNoise, InsertTone, AmplitudeEnvelope, FilterSettings,
    PresetFilter, FilterFreqCursors, FilterNoise, DetectSounds, Correlate, AnalyseSound, MultipleTools,
    MultipleToolsSettings,
    // Log file
    LogCurrent, LogSettings, LogBegin, LogView, LogComment, LogClear,
    // Playback trials
    TrialSettings, TrialTrigger, TrialStartTimer, TrialShowTimer, TrialRecording, TrialSaveBuffer,
    // Playback speed
    PlaySpeedNormal, PlaySpeedHalf, PlaySpeedQuarter, PlaySpeedEighth,
    // Window
    WindowNew, WindowCascade, WindowTile, WindowArrangeIcons, ResizeHeightWidth, ResizeHeight, ResizeWidth,
    Rearrange, FitScreen, SnapToGrid, StackBelow, DefaultTemplate,
    // Help
    HelpTopics, About, ContextHelp,
    // Context menu only
    EditAnnotation, RedefineAnnotationBox, PlayAnnotation, KlipAnnotation, DeleteAnnotation, DeleteAndLoadNext,
    // Keys only
    CursorHome, CursorEnd, CursorTopFreq, CursorBottomFreq, StepTimeLeft, StepTimeRight, StepFreqUp,
    StepFreqDown, ToggleCursorPair, Channel1, Channel2, Channel3, Channel4, Channel5, Channel6, Channel7,
    Channel8, Channel9, Channel10, NeighbourLeft, NeighbourRight, NeighbourUp, NeighbourDown, PrevAnnotation,
    NextAnnotation, AnnotationStepUp, AnnotationStepDown, EditSelectionAnnotation, DeleteSelectedAnnotation,
    PrevFileInFolder, NextFileInFolder, PauseRecording, SaveRecordingBuffer, StopAll, ReloadAnnotations,
    RedrawAll, GoToTime, NextPane, PrevPane,
    // Placeholders in menus filled at run time
    RecentFileList, UserMenuList,
    Count
};

// Who handles a command. ViewOrFrame goes to the active view when there is
// one and to the frame otherwise.
enum class Receiver { View, Frame, App, ViewOrFrame, Framework };

// When a command is enabled.
enum class EnableRule {
    Always,       // whatever is open
    NeedsView,    // a sound window is active
    FixedScale,   // the active window uses the fixed time scale
    TwoWindows,   // at least two sound windows are open
    Later,        // its behaviour belongs to a later part of the program: present, disabled
};

enum class MenuKind { Short, Full, Context, Insertion };

struct CommandInfo {
    Cmd id;
    const char* name;    // identifier for tests and the help window
    Receiver receiver;
    EnableRule rule;
    const char* prompt;  // status-bar prompt, "\n" then the tooltip when there is one
};

// One entry of a menu. `path` names the submenu chain, levels joined by '|'
// ("&File|Import"). A row with Cmd::None and text "-" is a separator.
struct MenuRow {
    MenuKind menu;
    const char* path;
    const char* text;
    Cmd id;
};

// One key binding. `key` uses the portable key names of the GUI toolkit
// ("Ctrl+N", "Alt+PgUp", "Shift+F6").
struct KeyRow {
    const char* key;
    Cmd id;
};

const std::vector<CommandInfo>& CommandInfos();
const std::vector<MenuRow>& MenuRows();
const std::vector<KeyRow>& KeyRows();
// Toolbar buttons in order; Cmd::None is a gap.
const std::vector<Cmd>& ToolbarRows();

// Lookup by identifier; never null for an identifier below Cmd::Count.
const CommandInfo* FindCommand(Cmd id);
// All keys bound to a command, in table order.
std::vector<std::string> KeysFor(Cmd id);
// The prompt's first line (status bar) and second line (tooltip, may be empty).
std::string PromptStatusText(const CommandInfo& info);
std::string PromptTooltip(const CommandInfo& info);
// Receiver as the short letter used in documentation: "V", "F", "A", "V/F", "framework".
const char* ReceiverName(Receiver r);
const char* EnableRuleName(EnableRule r);

} // namespace tavril
