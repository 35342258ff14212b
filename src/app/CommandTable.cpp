#include "CommandTable.h"

#include <algorithm>
#include <array>

namespace tavril {

namespace {

using R = Receiver;
using E = EnableRule;

#define TAVRIL_CMD(id, recv, rule, prompt) CommandInfo{Cmd::id, #id, R::recv, E::rule, prompt}

std::vector<CommandInfo> BuildInfos() {
    std::vector<CommandInfo> v = {
        // File
        TAVRIL_CMD(FileNew, Frame, Always, "Create a new window\nNew"),
        TAVRIL_CMD(FileOpen, Frame, Always, "Open an existing sound file, display file, or settings file\nOpen"),
        TAVRIL_CMD(FileLoadInto, ViewOrFrame, NeedsView, "Loads a new sound file into the currently selected window."),
        TAVRIL_CMD(FileRevert, ViewOrFrame, NeedsView,
                   "Reverts sound file in the selected window to most recently saved version."),
        TAVRIL_CMD(FileCloseWindow, View, NeedsView, "Close the currently selected window\nClose"),
        TAVRIL_CMD(FileCloseAll, Frame, NeedsView, "Closes all windows in display"),
        TAVRIL_CMD(FileSave, View, NeedsView, "Save the soundfile in the currently selected window\nSave"),
        TAVRIL_CMD(FileSaveAs, ViewOrFrame, NeedsView,
                   "Save the sound in the selected window with the option to give it a new file name"),
        TAVRIL_CMD(FileSaveAll, Frame, NeedsView, "Saves the modified files in all currently open windows"),
        TAVRIL_CMD(FileRename, ViewOrFrame, NeedsView, "Rename the sound file in the selected window"),
        TAVRIL_CMD(ImportHeaderless, Frame, Always,
                   "Import a sound file with no header, converts to WAV or AIFF file"),
        TAVRIL_CMD(ImportFileList, Frame, Always, "Creates a display using a text file list of sound file path names"),
        TAVRIL_CMD(ExportSpectrogramText, Frame, NeedsView,
                   "Saves spectrograph data in currently selected window to a tab-delimited text file"),
        TAVRIL_CMD(ExportDisplayTextList, Frame, NeedsView,
                   "Creates a text file containing a list of the pathnames of all sounds in the current display"),
        TAVRIL_CMD(ExportDisplayAndSounds, Frame, NeedsView,
                   "Saves the display and copies its sound files to a chosen folder"),
        TAVRIL_CMD(SetDefaultFormat, Frame, Always, "Set the default file format"),
        TAVRIL_CMD(FileDeleteAndClose, ViewOrFrame, NeedsView, "Deletes the currently selected file and closes the window"),
        TAVRIL_CMD(MergeDisplay, Frame, Always, "Merges (adds) a previously saved display group to the screen"),
        TAVRIL_CMD(SaveDisplay, Frame, Always, "Save the current display for later recall"),
        TAVRIL_CMD(SaveSettings, Frame, Always, "Saves user specified settings so that they can be loaded later "),
        TAVRIL_CMD(Print, ViewOrFrame, NeedsView, "Print the active window, or entire display\nPrint"),
        TAVRIL_CMD(PrintSetup, Frame, Always, "Change the printer and printing options\nPrint Setup"),
        TAVRIL_CMD(PrintPreview, View, NeedsView, "Preview printing of display\nPrint Preview"),
        TAVRIL_CMD(ExportFigure, View, NeedsView,
                   "Writes the active window as a figure: a PDF or SVG file with vector text, or a PNG picture"),
        TAVRIL_CMD(AppExit, App, Always, "Quit the application; prompts to save documents\nExit"),
        // Edit
        TAVRIL_CMD(Undo, View, NeedsView, "Undo the last action\nUndo"),
        TAVRIL_CMD(Cut, View, NeedsView, "Cut the selection and put it on the Clipboard\nCut"),
        TAVRIL_CMD(Copy, View, NeedsView, "Copy the selected waveform and put it on the Clipboard\nCopy"),
        TAVRIL_CMD(CopyChannel, View, NeedsView, "Copies the time-cursor defined waveform in only the selected channel"),
        TAVRIL_CMD(Paste, View, NeedsView, "Insert Clipboard contents at left cursor point\nPaste Insert"),
        TAVRIL_CMD(Trim, View, NeedsView, "Trim soundfile to currently selected time cursors\nTrim selection"),
        TAVRIL_CMD(DeleteSelection, View, NeedsView, "Delete selection"),
        TAVRIL_CMD(KlipSave, View, NeedsView, "Clips out the selected sound and saves it to a separate sound file"),
        TAVRIL_CMD(KlipSettings, View, NeedsView, "Change settings for Klip n' Save"),
        TAVRIL_CMD(CopyBitmap, View, NeedsView, "Copy current window image to clipboard\nCopy window"),
        // View
        TAVRIL_CMD(ViewWaveform, View, NeedsView, "View soundfile as a waveform\nView as waveform"),
        TAVRIL_CMD(ViewSpectrogram, View, NeedsView, "View soundfile as a spectragram\nView as spectragram"),
        TAVRIL_CMD(TimeScaleFit, Frame, NeedsView,
                   "When checked, stretches the spectrograph timescale to fit the window, when unchecked, window "
                   "uses fixed time scale settings"),
        TAVRIL_CMD(ZoomIn, View, FixedScale, "Zoom into active display for a closer look"),
        TAVRIL_CMD(ZoomOut, View, FixedScale, "Zoom out of active display to see more "),
        TAVRIL_CMD(Darker, View, NeedsView, "Increases the spectragram gain to make the spectragram appear darker"),
        TAVRIL_CMD(Lighter, View, NeedsView, "Decreases the spectragram gain to make the spectragram appear lighter"),
        TAVRIL_CMD(HideCursors, Frame, Always, "Toggles between hiding and allowing window cursors to be visible"),
        TAVRIL_CMD(HideTitleBars, Frame, Always, "Removes the titlebar above each window to increase display space"),
        TAVRIL_CMD(ViewToolbar, Framework, Always, "Show or hide the toolbar\nToggle ToolBar"),
        TAVRIL_CMD(ViewStatusBar, Framework, Always, "Show or hide the status bar\nToggle StatusBar"),
        // User menu
        TAVRIL_CMD(EditUserMenu, Frame, Always, "Edit the list of files shown in the user menu"),
        // Options
        TAVRIL_CMD(WindowSettings, View, NeedsView, "Set window view settings\nWindow view settings"),
        TAVRIL_CMD(DefaultWindowSettings, Frame, Always, "Set the display settings that new windows start from"),
        TAVRIL_CMD(RecordingSettings, ViewOrFrame, Always, "Set recording options"),
        TAVRIL_CMD(LoopSettings, Frame, Always, "Set options for loop playback mode"),
        TAVRIL_CMD(VirtualRecorders, Frame, Always, "Settings for virtual recorder list"),
        TAVRIL_CMD(NewWindowSizing, Frame, Always, "Set new window sizing"),
        TAVRIL_CMD(OpenUsingActive, Frame, Always, "Use the settings of the currently active window"),
        TAVRIL_CMD(OpenUsingDefault, Frame, Always, "Use saved default window settings"),
        TAVRIL_CMD(PlayEntire, Frame, NeedsView, "Play the entire soundfile\nPlay soundfile"),
        TAVRIL_CMD(PlayClipboard, View, NeedsView, "Play the sound on the clipboard"),
        TAVRIL_CMD(LoopPlayback, Frame, NeedsView, "Continuous playback loop with inter-sound delay"),
        TAVRIL_CMD(StartRecording, Frame, Always, "Start recording to the current window\nstart recording"),
        TAVRIL_CMD(SetPriority, Frame, Always, "Set the priority of the program's sound work"),
        // Tools
        TAVRIL_CMD(FormatInfo, View, NeedsView, "Change sample rate, number of channels, number of data bits, etc"),
        TAVRIL_CMD(AddAnnotationLink, Frame, Always, "Link an annotation file to a sound file"),
        TAVRIL_CMD(ViewAnnotationFile, View, NeedsView, "View the annotation file of the selected window"),
        TAVRIL_CMD(SaveAnnotations, View, NeedsView, "Save all annotations of the selected sound file"),
        TAVRIL_CMD(AnnotationSettings, Frame, Always, "Change the general annotation settings"),
        TAVRIL_CMD(ImportAnnotations, View, NeedsView,
                   "Read the annotations of a Raven table, Audacity label file or Praat TextGrid into the window"),
        TAVRIL_CMD(ExportAnnotations, View, NeedsView,
                   "Write the window's annotations as a Raven table, Audacity label file or Praat TextGrid"),
        TAVRIL_CMD(Amplify, View, NeedsView, "Amplify or attenuate signal"),
        TAVRIL_CMD(Maximize, View, NeedsView, "Maximize loudest part of signal"),
        TAVRIL_CMD(Ramp, View, NeedsView, "Place a ramp at beginning and/or end of signal"),
        TAVRIL_CMD(Reverse, View, NeedsView, "Reverses the signal so that it plays backwards"),
        TAVRIL_CMD(InsertSilence, View, NeedsView, "Inserts silence into the signal"),
        TAVRIL_CMD(InsertNoise, View, NeedsView, "Inserts random noise into signal"),
        TAVRIL_CMD(InsertTone, View, NeedsView, "Inserts a pure tone into the signal"),
        TAVRIL_CMD(AmplitudeEnvelope, View, NeedsView, "Apply amplitude envelope of a sound file to selected sound"),
        TAVRIL_CMD(FilterSettings, View, NeedsView, "Change filter settings"),
        TAVRIL_CMD(PresetFilter, View, NeedsView, "Filter signal using fixed filter settings"),
        TAVRIL_CMD(FilterFreqCursors, View, NeedsView, "Use Frequency cursors to set upper and lower frequency limits of filter"),
        TAVRIL_CMD(FilterNoise, View, NeedsView, "Filters out noise in the signal's background"),
        TAVRIL_CMD(DetectSounds, View, NeedsView, "Detect sound events in the sound file"),
        TAVRIL_CMD(Correlate, ViewOrFrame, NeedsView, "Correlate the sound with another sound file"),
        TAVRIL_CMD(AnalyseSound, View, Later, "Analyse the sound"),
        TAVRIL_CMD(MultipleTools, View, NeedsView, "Run multiple sound tools on sound in active window"),
        TAVRIL_CMD(MultipleToolsSettings, ViewOrFrame, Always, "Change the settings of the multiple tools"),
        // Log file
        TAVRIL_CMD(LogCurrent, Frame, Always, "Choose the current logfile"),
        TAVRIL_CMD(LogSettings, Frame, Always, "Change logfile settings"),
        TAVRIL_CMD(LogBegin, Frame, Always, "Begin or stop logging data"),
        TAVRIL_CMD(LogView, Frame, Always, "View the logfile"),
        TAVRIL_CMD(LogComment, Frame, Always, "Enter a comment into the logfile"),
        TAVRIL_CMD(LogClear, Frame, Always, "Clear the logfile"),
        // Playback trials
        TAVRIL_CMD(TrialSettings, Frame, Always, "Change playback trial settings"),
        TAVRIL_CMD(TrialTrigger, Frame, Always, "Arm or disarm the trial start trigger"),
        TAVRIL_CMD(TrialStartTimer, Frame, Always, "Start a playback trial by hand, or stop the running one"),
        TAVRIL_CMD(TrialShowTimer, Frame, Always, "Show or hide the trial timer window"),
        TAVRIL_CMD(TrialRecording, Frame, Always, "Turn the trial recorder on or off"),
        TAVRIL_CMD(TrialSaveBuffer, Frame, Always, "Save the trial recorder's buffer to the trial sound file now"),
        // Playback speed
        TAVRIL_CMD(PlaySpeedNormal, Frame, Always, "Play sounds at their own speed"),
        TAVRIL_CMD(PlaySpeedHalf, Frame, Always, "Play sounds at half speed: twice as long, an octave lower"),
        TAVRIL_CMD(PlaySpeedQuarter, Frame, Always, "Play sounds at a quarter speed: four times as long, two octaves lower"),
        TAVRIL_CMD(PlaySpeedEighth, Frame, Always, "Play sounds at an eighth speed: eight times as long, three octaves lower"),
        // Window
        TAVRIL_CMD(WindowNew, Framework, NeedsView, "Open another window on the active sound\nNew Window"),
        TAVRIL_CMD(WindowCascade, Framework, NeedsView, "Arrange windows so they overlap\nCascade Windows"),
        TAVRIL_CMD(WindowTile, Framework, NeedsView, "Arrange windows as non-overlapping tiles\nTile Windows"),
        TAVRIL_CMD(WindowArrangeIcons, Framework, NeedsView, "Arrange icons at the bottom of the window\nArrange Icons"),
        TAVRIL_CMD(ResizeHeightWidth, Frame, TwoWindows, "Give every window the height and width of the active window"),
        TAVRIL_CMD(ResizeHeight, Frame, TwoWindows, "Give every window the height of the active window"),
        TAVRIL_CMD(ResizeWidth, Frame, TwoWindows, "Give every window the width of the active window"),
        TAVRIL_CMD(Rearrange, Frame, TwoWindows, "Lay all windows out on their grid of rows and columns"),
        TAVRIL_CMD(FitScreen, Frame, TwoWindows, "Scale all windows so that the display fits the screen"),
        TAVRIL_CMD(SnapToGrid, Frame, Always, "Snap moved or sized windows to the new window sizing grid"),
        TAVRIL_CMD(StackBelow, Frame, Always, "Stack new displays below the currently active one"),
        TAVRIL_CMD(DefaultTemplate, View, NeedsView,
                   "Use the display settings of the active window as the default for new windows"),
        // Help
        TAVRIL_CMD(HelpTopics, Frame, Always, "List Help topics\nHelp Topics"),
        TAVRIL_CMD(About, App, Always, "Display program information, version number and copyright\nAbout"),
        TAVRIL_CMD(ContextHelp, Frame, Always, "Display help for clicked on buttons, menus and windows\nHelp"),
        // Context menu only
        TAVRIL_CMD(EditAnnotation, View, NeedsView, "Edit the selected annotation"),
        TAVRIL_CMD(RedefineAnnotationBox, View, NeedsView, "Set the selected annotation's box to the cursors"),
        TAVRIL_CMD(PlayAnnotation, View, Later, "Play the selected annotation"),
        TAVRIL_CMD(KlipAnnotation, View, NeedsView, "Clip out the selected annotation and save it"),
        TAVRIL_CMD(DeleteAnnotation, View, NeedsView, "Delete the selected annotation"),
        TAVRIL_CMD(DeleteAndLoadNext, Frame, NeedsView, "Delete the file and load the next file of its series"),
        // Keys only
        TAVRIL_CMD(CursorHome, View, NeedsView, "Move the left time cursor to the start of the sound"),
        TAVRIL_CMD(CursorEnd, View, NeedsView, "Move the right time cursor to the end of the sound"),
        TAVRIL_CMD(CursorTopFreq, View, NeedsView, "Move the upper frequency cursor to half the sample rate"),
        TAVRIL_CMD(CursorBottomFreq, View, NeedsView, "Move the lower frequency cursor to 0 Hz"),
        TAVRIL_CMD(StepTimeLeft, View, NeedsView, "Step a time cursor one column earlier"),
        TAVRIL_CMD(StepTimeRight, View, NeedsView, "Step a time cursor one column later"),
        TAVRIL_CMD(StepFreqUp, View, NeedsView, "Step a frequency cursor one row up"),
        TAVRIL_CMD(StepFreqDown, View, NeedsView, "Step a frequency cursor one row down"),
        TAVRIL_CMD(ToggleCursorPair, View, NeedsView, "Toggle which cursor of each pair the stepping keys move"),
        TAVRIL_CMD(Channel1, View, NeedsView, "Show only channel 1"),
        TAVRIL_CMD(Channel2, View, NeedsView, "Show only channel 2"),
        TAVRIL_CMD(Channel3, View, NeedsView, "Show only channel 3"),
        TAVRIL_CMD(Channel4, View, NeedsView, "Show only channel 4"),
        TAVRIL_CMD(Channel5, View, NeedsView, "Show only channel 5"),
        TAVRIL_CMD(Channel6, View, NeedsView, "Show only channel 6"),
        TAVRIL_CMD(Channel7, View, NeedsView, "Show only channel 7"),
        TAVRIL_CMD(Channel8, View, NeedsView, "Show only channel 8"),
        TAVRIL_CMD(Channel9, View, NeedsView, "Show only channel 9"),
        TAVRIL_CMD(Channel10, View, NeedsView, "Show only channel 10"),
        TAVRIL_CMD(NeighbourLeft, Frame, NeedsView, "Activate the window to the left"),
        TAVRIL_CMD(NeighbourRight, Frame, NeedsView, "Activate the window to the right"),
        TAVRIL_CMD(NeighbourUp, Frame, NeedsView, "Activate the window above"),
        TAVRIL_CMD(NeighbourDown, Frame, NeedsView, "Activate the window below"),
        TAVRIL_CMD(PrevAnnotation, View, NeedsView, "Select the previous annotation"),
        TAVRIL_CMD(NextAnnotation, View, NeedsView, "Select the next annotation"),
        TAVRIL_CMD(AnnotationStepUp, View, NeedsView, "Annotation stepping up"),
        TAVRIL_CMD(AnnotationStepDown, View, NeedsView, "Annotation stepping down"),
        TAVRIL_CMD(EditSelectionAnnotation, View, NeedsView, "Edit the annotation of the current selection"),
        TAVRIL_CMD(DeleteSelectedAnnotation, View, NeedsView, "Delete the selected annotation"),
        TAVRIL_CMD(PrevFileInFolder, View, NeedsView, "Load the previous file of the folder into the window"),
        TAVRIL_CMD(NextFileInFolder, View, NeedsView, "Load the next file of the folder into the window"),
        TAVRIL_CMD(PauseRecording, Frame, Always, "Pause or resume the running recording"),
        TAVRIL_CMD(SaveRecordingBuffer, Frame, Always, "Save the recording buffer"),
        TAVRIL_CMD(StopAll, Frame, Always, "Stop recording or playback"),
        TAVRIL_CMD(ReloadAnnotations, View, NeedsView, "Reload the annotations from their file"),
        TAVRIL_CMD(RedrawAll, Frame, Always, "Redraw every sound window"),
        TAVRIL_CMD(GoToTime, Frame, NeedsView, "Go to a time in the sound file"),
        TAVRIL_CMD(NextPane, Framework, NeedsView, "Switch to the next window pane\nNext Pane"),
        TAVRIL_CMD(PrevPane, Framework, NeedsView, "Switch back to the previous window pane\nPrevious Pane"),
        // Placeholders
        TAVRIL_CMD(RecentFileList, Framework, Always, "Open this document"),
        TAVRIL_CMD(UserMenuList, Frame, Always, "Open this file of the user menu"),
    };
    std::sort(v.begin(), v.end(), [](const CommandInfo& a, const CommandInfo& b) { return a.id < b.id; });
    return v;
}

#undef TAVRIL_CMD

constexpr MenuKind S = MenuKind::Short;
constexpr MenuKind F = MenuKind::Full;
constexpr MenuKind X = MenuKind::Context;
constexpr MenuKind I = MenuKind::Insertion;

std::vector<MenuRow> BuildMenus() {
    return {
        // ---- Short bar (no sound window open)
        {S, "&File", "&New\tCtrl+N", Cmd::FileNew},
        {S, "&File", "&Open...\tCtrl+O", Cmd::FileOpen},
        {S, "&File", "-", Cmd::None},
        {S, "&File", "P&rint Setup...", Cmd::PrintSetup},
        {S, "&File", "-", Cmd::None},
        {S, "&File", "Recent File", Cmd::RecentFileList},
        {S, "&File", "-", Cmd::None},
        {S, "&File", "E&xit", Cmd::AppExit},
        {S, "&View", "&Toolbar", Cmd::ViewToolbar},
        {S, "&View", "&Status Bar", Cmd::ViewStatusBar},
        {S, "&Options", "&Window display options", Cmd::DefaultWindowSettings},
        {S, "&Options", "Recording (&Acquisition) options", Cmd::RecordingSettings},
        {S, "&Options", "New Window Sizing options", Cmd::NewWindowSizing},
        {S, "&Options|&Open New Windows Using:", "&Currently Active Window Settings", Cmd::OpenUsingActive},
        {S, "&Options|&Open New Windows Using:", "&Default Settings", Cmd::OpenUsingDefault},
        {S, "&Options", "Set System Priority ", Cmd::SetPriority},
        {S, "&Help", "&Help Topics", Cmd::HelpTopics},
        {S, "&Help", "-", Cmd::None},
        {S, "&Help", "&About Tavril...", Cmd::About},

        // ---- Full bar (at least one sound window open)
        {F, "&File", "&New Window\tCtrl+N", Cmd::FileNew},
        {F, "&File", "&Open File...\tCtrl+O", Cmd::FileOpen},
        {F, "&File", "Load File &Into Selected Window\tCtrl+L", Cmd::FileLoadInto},
        {F, "&File", "&Revert to Previously Saved", Cmd::FileRevert},
        {F, "&File", "&Close Selected Window", Cmd::FileCloseWindow},
        {F, "&File", "C&lose All Windows", Cmd::FileCloseAll},
        {F, "&File", "-", Cmd::None},
        {F, "&File", "&Save Selected Sound\tCtrl+S", Cmd::FileSave},
        {F, "&File", "Save Selected Sound &As...\tCtrl+A", Cmd::FileSaveAs},
        {F, "&File", "Save Sounds in All Windows", Cmd::FileSaveAll},
        {F, "&File", "Rename Selected Sound\tShift-R", Cmd::FileRename},
        {F, "&File", "-", Cmd::None},
        {F, "&File|Import", "Headerless Binary File", Cmd::ImportHeaderless},
        {F, "&File|Import", "File List as Display", Cmd::ImportFileList},
        {F, "&File|Export", "Selected Spectrograph to Text File", Cmd::ExportSpectrogramText},
        {F, "&File|Export", "Display to text file list", Cmd::ExportDisplayTextList},
        {F, "&File|Export", "Display AND sound files to specified location", Cmd::ExportDisplayAndSounds},
        {F, "&File", "Set Default Sound File Format", Cmd::SetDefaultFormat},
        {F, "&File", "Delete Sound File and Close Window", Cmd::FileDeleteAndClose},
        {F, "&File", "-", Cmd::None},
        {F, "&File", "&Merge a Display", Cmd::MergeDisplay},
        {F, "&File", "Sa&ve Entire Display", Cmd::SaveDisplay},
        {F, "&File", "Save Selected Settings", Cmd::SaveSettings},
        {F, "&File", "-", Cmd::None},
        {F, "&File", "&Print Window(s)\tCtrl+P", Cmd::Print},
        {F, "&File", "Print Pre&view", Cmd::PrintPreview},
        {F, "&File", "Pri&nt Setup...", Cmd::PrintSetup},
        {F, "&File", "Export &Figure...", Cmd::ExportFigure},
        {F, "&File", "-", Cmd::None},
        {F, "&File", "Recent File", Cmd::RecentFileList},
        {F, "&File", "-", Cmd::None},
        {F, "&File", "E&xit\tAlt+X", Cmd::AppExit},

        {F, "&Edit", "&Undo\tCtrl+Z", Cmd::Undo},
        {F, "&Edit", "-", Cmd::None},
        {F, "&Edit", "Cu&t\tCtrl+X", Cmd::Cut},
        {F, "&Edit", "&Copy Sound\tCtrl+C", Cmd::Copy},
        {F, "&Edit", "Copy Sound in Selected Channel", Cmd::CopyChannel},
        {F, "&Edit", "&Paste Insert\tCtrl+V", Cmd::Paste},
        {F, "&Edit", "&Trim Waveform Selection\tCtrl+T", Cmd::Trim},
        {F, "&Edit", "&Delete Selection\tDelete", Cmd::DeleteSelection},
        {F, "&Edit", "-", Cmd::None},
        {F, "&Edit", "&Klip n' Save Selection\tCtrl+K", Cmd::KlipSave},
        {F, "&Edit", "Klip n' Save Settings", Cmd::KlipSettings},
        {F, "&Edit", "-", Cmd::None},
        {F, "&Edit", "Copy &Bitmap of Current Window", Cmd::CopyBitmap},

        {F, "&View", "As &Waveform\tAlt+W", Cmd::ViewWaveform},
        {F, "&View", "As &Spectragram\tAlt+S", Cmd::ViewSpectrogram},
        {F, "&View", "-", Cmd::None},
        {F, "&View", "Make Time Scale Fit Window\tAlt+T", Cmd::TimeScaleFit},
        {F, "&View", "Zoom &In Timescale\tAlt+ Page Up", Cmd::ZoomIn},
        {F, "&View", "Zoom &Out Timescale\tAlt+ Page Down", Cmd::ZoomOut},
        {F, "&View", "-", Cmd::None},
        {F, "&View", "Make Spectragram Darker\tAlt + Up Arrow", Cmd::Darker},
        {F, "&View", "Make Spectragram Lighter\tAlt + Down Arrow", Cmd::Lighter},
        {F, "&View", "-", Cmd::None},
        {F, "&View", "&Hide All Cursors\tShift+H", Cmd::HideCursors},
        {F, "&View", "Hide Window Title Bars", Cmd::HideTitleBars},
        {F, "&View", "-", Cmd::None},
        {F, "&View", "&Toolbar", Cmd::ViewToolbar},
        {F, "&View", "S&tatus Bar", Cmd::ViewStatusBar},

        {F, "&User-Menu", "Edit Menu List", Cmd::EditUserMenu},
        {F, "&User-Menu", "-", Cmd::None},
        {F, "&User-Menu", "User Menu", Cmd::UserMenuList},

        {F, "&Options", "Active &Window Settings\tCtrl+W", Cmd::WindowSettings},
        {F, "&Options", "Recording Settings\tCtrl+R", Cmd::RecordingSettings},
        {F, "&Options", "Loop Playback Mode Settings", Cmd::LoopSettings},
        {F, "&Options", "Virtual Recorder List", Cmd::VirtualRecorders},
        {F, "&Options", "-", Cmd::None},
        {F, "&Options", "New Window Sizing Options", Cmd::NewWindowSizing},
        {F, "&Options|&Open New Windows Using:", "&Currently Active Window Settings", Cmd::OpenUsingActive},
        {F, "&Options|&Open New Windows Using:", "&Default Settings", Cmd::OpenUsingDefault},
        {F, "&Options", "-", Cmd::None},
        {F, "&Options", "&Play Entire Soundfile\tP", Cmd::PlayEntire},
        {F, "&Options", "Play Copied &Clipboard\tShift+C", Cmd::PlayClipboard},
        {F, "&Options", "&Loop Playback\tShift+L", Cmd::LoopPlayback},
        {F, "&Options", "-", Cmd::None},
        {F, "&Options", "Start &Recording\tR", Cmd::StartRecording},
        {F, "&Options", "-", Cmd::None},
        {F, "&Options", "Set System Priority ", Cmd::SetPriority},

        {F, "&Tools", "View / Edit Soundfile Format Info", Cmd::FormatInfo},
        {F, "&Tools|Annotation", "Add Annotation Link to Sound File", Cmd::AddAnnotationLink},
        {F, "&Tools|Annotation", "View Selected Window's Annotation File", Cmd::ViewAnnotationFile},
        {F, "&Tools|Annotation", "Save All Annotations for Selected Sound File", Cmd::SaveAnnotations},
        {F, "&Tools|Annotation", "General Annotation Settings", Cmd::AnnotationSettings},
        {F, "&Tools|Annotation", "Import annotations...", Cmd::ImportAnnotations},
        {F, "&Tools|Annotation", "Export annotations...", Cmd::ExportAnnotations},
        {F, "&Tools", "-", Cmd::None},
        {F, "&Tools", "&Amplify\tAlt+A", Cmd::Amplify},
        {F, "&Tools", "&Maximize\tAlt+M", Cmd::Maximize},
        {F, "&Tools", "&Ramp\tAlt+R", Cmd::Ramp},
        {F, "&Tools", "Reverse ", Cmd::Reverse},
        {F, "&Tools", "Insert Silence\tInsert", Cmd::InsertSilence},
        {F, "&Tools", "Insert Noise", Cmd::InsertNoise},
        {F, "&Tools", "Insert Tone", Cmd::InsertTone},
        {F, "&Tools", "Amplitude Envelope", Cmd::AmplitudeEnvelope},
        {F, "&Tools", "-", Cmd::None},
        {F, "&Tools", "&Filter Settings", Cmd::FilterSettings},
        {F, "&Tools", "&Preset Filter\tCtrl+F", Cmd::PresetFilter},
        {F, "&Tools", "&Filter Using Freq Cursors\tShift+F", Cmd::FilterFreqCursors},
        {F, "&Tools", "Filter Out Background Noise\tAlt+N", Cmd::FilterNoise},
        {F, "&Tools", "-", Cmd::None},
        {F, "&Tools", "Detect sounds in sound file", Cmd::DetectSounds},
        {F, "&Tools", "Correlate With Another Soundfile", Cmd::Correlate},
        {F, "&Tools", "Analyse Sound", Cmd::AnalyseSound},
        {F, "&Tools", "-", Cmd::None},
        {F, "&Tools", "Apply Multiple Tools\tCtrl+M", Cmd::MultipleTools},
        {F, "&Tools", "Settings for Multiple Tools", Cmd::MultipleToolsSettings},

        {F, "Lo&g File", "Current Logfile: <none>", Cmd::LogCurrent},
        {F, "Lo&g File", "Logfile Settings", Cmd::LogSettings},
        {F, "Lo&g File", "-", Cmd::None},
        {F, "Lo&g File", "Begin Logging Data\tAlt+L", Cmd::LogBegin},
        {F, "Lo&g File", "View Logfile", Cmd::LogView},
        {F, "Lo&g File", "Enter comment\tCtrl+E", Cmd::LogComment},
        {F, "Lo&g File", "-", Cmd::None},
        {F, "Lo&g File", "Clear Logfile", Cmd::LogClear},

        {F, "&Playback", "Playback trial settings", Cmd::TrialSettings},
        {F, "&Playback", "Set trial start trigger", Cmd::TrialTrigger},
        {F, "&Playback", "Manually start trial timer", Cmd::TrialStartTimer},
        {F, "&Playback", "Show trial timer", Cmd::TrialShowTimer},
        {F, "&Playback", "Turn trial recording ON", Cmd::TrialRecording},
        {F, "&Playback", "Save trial recording buffer", Cmd::TrialSaveBuffer},
        {F, "&Playback", "-", Cmd::None},
        {F, "&Playback|Playback &Speed", "Speed x1 (normal)", Cmd::PlaySpeedNormal},
        {F, "&Playback|Playback &Speed", "Speed x1/2", Cmd::PlaySpeedHalf},
        {F, "&Playback|Playback &Speed", "Speed x1/4", Cmd::PlaySpeedQuarter},
        {F, "&Playback|Playback &Speed", "Speed x1/8", Cmd::PlaySpeedEighth},

        {F, "Window", "&New Window", Cmd::WindowNew},
        {F, "Window", "&Cascade", Cmd::WindowCascade},
        {F, "Window", "&Tile", Cmd::WindowTile},
        {F, "Window", "&Arrange Icons", Cmd::WindowArrangeIcons},
        {F, "Window", "-", Cmd::None},
        {F, "Window|&Resize All to Current", "Height and Width", Cmd::ResizeHeightWidth},
        {F, "Window|&Resize All to Current", "Height", Cmd::ResizeHeight},
        {F, "Window|&Resize All to Current", "Width", Cmd::ResizeWidth},
        {F, "Window", "Rearrange All Windows", Cmd::Rearrange},
        {F, "Window", "Resize Display to Fit Screen", Cmd::FitScreen},
        // Window commands that no menu of the original layout placed; the
        // Window menu is where users look for them.
        {F, "Window", "-", Cmd::None},
        {F, "Window", "Snap windows to grid", Cmd::SnapToGrid},
        {F, "Window", "Stack new displays below the currently active one", Cmd::StackBelow},
        {F, "Window", "Use the current display as a default template", Cmd::DefaultTemplate},

        {F, "&Help", "&Help Topics", Cmd::HelpTopics},
        {F, "&Help", "-", Cmd::None},
        {F, "&Help", "&About Tavril...", Cmd::About},

        // ---- Context menu of a sound window
        {X, "", "View as &Waveform", Cmd::ViewWaveform},
        {X, "", "View as &Spectragram", Cmd::ViewSpectrogram},
        {X, "", "View / Edit Soundfile Format ", Cmd::FormatInfo},
        {X, "", "Window Settings", Cmd::WindowSettings},
        {X, "", "Recording Settings", Cmd::RecordingSettings},
        {X, "", "-", Cmd::None},
        {X, "", "Edit Selected Annotation", Cmd::EditAnnotation},
        {X, "", "Re-define Selected Annotation Box", Cmd::RedefineAnnotationBox},
        {X, "", "Play Selected Annotation", Cmd::PlayAnnotation},
        {X, "", "Klip n' Save Selected Annotation", Cmd::KlipAnnotation},
        {X, "", "Delete Selected Annotation", Cmd::DeleteAnnotation},
        {X, "", "-", Cmd::None},
        {X, "", "Load New Sound ", Cmd::FileLoadInto},
        {X, "", "&Revert to Saved", Cmd::FileRevert},
        {X, "", "&Close", Cmd::FileCloseWindow},
        {X, "", "&Save", Cmd::FileSave},
        {X, "", "Save &As...", Cmd::FileSaveAs},
        {X, "", "Rename File\tShift-R", Cmd::FileRename},
        {X, "", "Delete File and Load Next in Series\tAlt+Shift+D", Cmd::DeleteAndLoadNext},
        {X, "", "Delete File and Close Window", Cmd::FileDeleteAndClose},
        {X, "", "-", Cmd::None},
        {X, "&Tools", "&Amplify\tAlt+A", Cmd::Amplify},
        {X, "&Tools", "&Maximize\tAlt+M", Cmd::Maximize},
        {X, "&Tools", "&Ramp\tAlt+R", Cmd::Ramp},
        {X, "&Tools", "Reverse ", Cmd::Reverse},
        {X, "&Tools", "Insert Silence\tInsert", Cmd::InsertSilence},
        {X, "&Tools", "Insert Noise", Cmd::InsertNoise},
        {X, "&Tools", "Insert Tone", Cmd::InsertTone},
        {X, "&Tools", "Amplitude Envelope", Cmd::AmplitudeEnvelope},
        {X, "&Tools", "-", Cmd::None},
        {X, "&Tools", "Do Multiple Tools\tCtrl+M", Cmd::MultipleTools},
        {X, "&Tools", "Settings for Multiple Tools", Cmd::MultipleToolsSettings},
        {X, "&Tools", "-", Cmd::None},
        {X, "&Tools", "&Filter Settings", Cmd::FilterSettings},
        {X, "&Tools", "&Preset Filter\tCtrl+F", Cmd::PresetFilter},
        {X, "&Tools", "&Filter Using Freq Cursors\tShift+F", Cmd::FilterFreqCursors},
        {X, "&Tools", "Filter Out Background Noise\tAlt+N", Cmd::FilterNoise},

        // ---- Insertion menu
        {I, "", "Insert Silence", Cmd::InsertSilence},
        {I, "", "Insert Tone", Cmd::InsertTone},
    };
}

std::vector<KeyRow> BuildKeys() {
    return {
        {"Ctrl+N", Cmd::FileNew},
        {"Ctrl+O", Cmd::FileOpen},
        {"Ctrl+L", Cmd::FileLoadInto},
        {"F8", Cmd::FileRevert},
        {"Ctrl+S", Cmd::FileSave},
        {"Ctrl+A", Cmd::FileSaveAs},
        {"Shift+R", Cmd::FileRename},
        {"Ctrl+P", Cmd::Print},
        {"Alt+X", Cmd::AppExit},
        {"Ctrl+Z", Cmd::Undo},
        {"Alt+Backspace", Cmd::Undo},
        {"Ctrl+X", Cmd::Cut},
        {"Ctrl+C", Cmd::Copy},
        {"Ctrl+V", Cmd::Paste},
        {"Ctrl+T", Cmd::Trim},
        {"Del", Cmd::DeleteSelection},
        {"Ctrl+K", Cmd::KlipSave},
        {"Alt+W", Cmd::ViewWaveform},
        {"Alt+S", Cmd::ViewSpectrogram},
        {"Alt+T", Cmd::TimeScaleFit},
        {"Alt+PgUp", Cmd::ZoomIn},
        {"Alt+PgDown", Cmd::ZoomOut},
        {"Alt+Up", Cmd::Darker},
        {"Alt+Down", Cmd::Lighter},
        {"Shift+H", Cmd::HideCursors},
        {"Home", Cmd::CursorHome},
        {"End", Cmd::CursorEnd},
        {"PgUp", Cmd::CursorTopFreq},
        {"PgDown", Cmd::CursorBottomFreq},
        {"Shift+Left", Cmd::StepTimeLeft},
        {"Shift+Right", Cmd::StepTimeRight},
        {"Shift+Up", Cmd::StepFreqUp},
        {"Shift+Down", Cmd::StepFreqDown},
        {"F2", Cmd::ToggleCursorPair},
        {"Ctrl+1", Cmd::Channel1},
        {"Ctrl+2", Cmd::Channel2},
        {"Ctrl+3", Cmd::Channel3},
        {"Ctrl+4", Cmd::Channel4},
        {"Ctrl+5", Cmd::Channel5},
        {"Ctrl+6", Cmd::Channel6},
        {"Ctrl+7", Cmd::Channel7},
        {"Ctrl+8", Cmd::Channel8},
        {"Ctrl+9", Cmd::Channel9},
        {"Ctrl+0", Cmd::Channel10},
        {"Left", Cmd::NeighbourLeft},
        {"Right", Cmd::NeighbourRight},
        {"Up", Cmd::NeighbourUp},
        {"Down", Cmd::NeighbourDown},
        {"Ctrl+Left", Cmd::PrevAnnotation},
        {"Ctrl+Right", Cmd::NextAnnotation},
        {"Ctrl+Up", Cmd::AnnotationStepUp},
        {"Ctrl+Down", Cmd::AnnotationStepDown},
        {"Return", Cmd::EditSelectionAnnotation},
        {"Ctrl+Del", Cmd::DeleteSelectedAnnotation},
        {"Alt+Left", Cmd::PrevFileInFolder},
        {"Alt+Right", Cmd::NextFileInFolder},
        {"Alt+Shift+D", Cmd::DeleteAndLoadNext},
        {"Ctrl+W", Cmd::WindowSettings},
        {"Ctrl+R", Cmd::RecordingSettings},
        {"P", Cmd::PlayEntire},
        {"Shift+C", Cmd::PlayClipboard},
        {"Shift+L", Cmd::LoopPlayback},
        {"R", Cmd::StartRecording},
        {"Space", Cmd::PauseRecording},
        {"S", Cmd::SaveRecordingBuffer},
        {"Esc", Cmd::StopAll},
        {"Alt+A", Cmd::Amplify},
        {"Alt+M", Cmd::Maximize},
        {"Alt+R", Cmd::Ramp},
        {"Alt+I", Cmd::Reverse},
        {"Ins", Cmd::InsertSilence},
        {"Ctrl+F", Cmd::PresetFilter},
        {"Shift+F", Cmd::FilterFreqCursors},
        {"Alt+N", Cmd::FilterNoise},
        {"Ctrl+M", Cmd::MultipleTools},
        {"Alt+L", Cmd::LogBegin},
        {"Ctrl+E", Cmd::LogComment},
        {"F4", Cmd::ReloadAnnotations},
        {"F5", Cmd::RedrawAll},
        {"Ctrl+G", Cmd::GoToTime},
        {"F6", Cmd::NextPane},
        {"Shift+F6", Cmd::PrevPane},
        {"F1", Cmd::HelpTopics},
        {"Shift+F1", Cmd::ContextHelp},
    };
}

} // namespace

const std::vector<CommandInfo>& CommandInfos() {
    static const std::vector<CommandInfo> infos = BuildInfos();
    return infos;
}

const std::vector<MenuRow>& MenuRows() {
    static const std::vector<MenuRow> rows = BuildMenus();
    return rows;
}

const std::vector<KeyRow>& KeyRows() {
    static const std::vector<KeyRow> rows = BuildKeys();
    return rows;
}

const std::vector<Cmd>& ToolbarRows() {
    static const std::vector<Cmd> rows = {Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave, Cmd::None,
                                          Cmd::Cut,     Cmd::Copy,     Cmd::Paste,    Cmd::None,
                                          Cmd::Print,   Cmd::About};
    return rows;
}

const CommandInfo* FindCommand(Cmd id) {
    const auto& infos = CommandInfos();
    auto it = std::lower_bound(infos.begin(), infos.end(), id,
                               [](const CommandInfo& a, Cmd b) { return a.id < b; });
    if (it == infos.end() || it->id != id)
        return nullptr;
    return &*it;
}

std::vector<std::string> KeysFor(Cmd id) {
    std::vector<std::string> keys;
    for (const auto& k : KeyRows())
        if (k.id == id)
            keys.emplace_back(k.key);
    return keys;
}

std::string PromptStatusText(const CommandInfo& info) {
    std::string_view p(info.prompt ? info.prompt : "");
    return std::string(p.substr(0, p.find('\n')));
}

std::string PromptTooltip(const CommandInfo& info) {
    std::string_view p(info.prompt ? info.prompt : "");
    auto nl = p.find('\n');
    return nl == std::string_view::npos ? std::string() : std::string(p.substr(nl + 1));
}

const char* ReceiverName(Receiver r) {
    switch (r) {
    case Receiver::View: return "V";
    case Receiver::Frame: return "F";
    case Receiver::App: return "A";
    case Receiver::ViewOrFrame: return "V/F";
    case Receiver::Framework: return "framework";
    }
    return "?";
}

const char* EnableRuleName(EnableRule r) {
    switch (r) {
    case EnableRule::Always: return "always";
    case EnableRule::NeedsView: return "needs a sound window";
    case EnableRule::FixedScale: return "needs a window with the fixed time scale";
    case EnableRule::TwoWindows: return "needs two sound windows";
    case EnableRule::Later: return "not available yet";
    }
    return "?";
}

} // namespace tavril
