// The command vocabulary: menu texts, order, keys, receivers and the toolbar.
#include "CommandTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace tavril;

namespace {

struct Expected {
    const char* text;
    Receiver receiver;
};

// Items of one menu (separators and run-time lists left out), in order.
std::vector<std::string> Items(MenuKind kind, const std::string& path) {
    std::vector<std::string> v;
    for (const auto& r : MenuRows())
        if (r.menu == kind && path == r.path && r.id != Cmd::None)
            v.emplace_back(r.text);
    return v;
}

const MenuRow* RowByText(MenuKind kind, const std::string& text) {
    for (const auto& r : MenuRows())
        if (r.menu == kind && text == r.text)
            return &r;
    return nullptr;
}

std::vector<std::string> TopMenus(MenuKind kind) {
    std::vector<std::string> v;
    for (const auto& r : MenuRows()) {
        if (r.menu != kind)
            continue;
        std::string top = std::string(r.path).substr(0, std::string(r.path).find('|'));
        if (v.empty() || v.back() != top)
            v.push_back(top);
    }
    return v;
}

} // namespace

TEST(CommandTable, EveryCommandHasOneInfoAndIsReachable) {
    std::set<Cmd> reachable;
    for (const auto& r : MenuRows())
        reachable.insert(r.id);
    for (const auto& k : KeyRows())
        reachable.insert(k.id);
    for (int i = 1; i < static_cast<int>(Cmd::Count); ++i) {
        Cmd id = static_cast<Cmd>(i);
        const CommandInfo* info = FindCommand(id);
        ASSERT_NE(info, nullptr) << "command " << i << " has no entry";
        EXPECT_EQ(info->id, id);
        EXPECT_TRUE(reachable.count(id)) << info->name << " is in no menu and has no key";
    }
    EXPECT_EQ(CommandInfos().size(), static_cast<size_t>(Cmd::Count) - 1);
}

TEST(CommandTable, MenuBarsInOrder) {
    EXPECT_EQ(TopMenus(MenuKind::Short), (std::vector<std::string>{"&File", "&View", "&Options", "&Help"}));
    EXPECT_EQ(TopMenus(MenuKind::Full),
              (std::vector<std::string>{"&File", "&Edit", "&View", "&User-Menu", "&Options", "&Tools", "Lo&g File",
                                        "&Playback", "Window", "&Help"}));
}

TEST(CommandTable, MenuItemsInOrder) {
    const struct {
        MenuKind kind;
        const char* path;
        std::vector<std::string> items;
    } menus[] = {
        {MenuKind::Short, "&File", {"&New\tCtrl+N", "&Open...\tCtrl+O", "P&rint Setup...", "Recent File", "E&xit"}},
        {MenuKind::Short, "&View", {"&Toolbar", "&Status Bar"}},
        {MenuKind::Short, "&Options", {"&Window display options", "Recording (&Acquisition) options",
            "New Window Sizing options", "Set System Priority "}},
        {MenuKind::Short, "&Options|&Open New Windows Using:", {"&Currently Active Window Settings",
            "&Default Settings"}},
        {MenuKind::Short, "&Help", {"&Help Topics", "&About Tavril..."}},
        {MenuKind::Full, "&File", {"&New Window\tCtrl+N", "&Open File...\tCtrl+O",
            "Load File &Into Selected Window\tCtrl+L", "&Revert to Previously Saved", "&Close Selected Window",
            "C&lose All Windows", "&Save Selected Sound\tCtrl+S", "Save Selected Sound &As...\tCtrl+A",
            "Save Sounds in All Windows", "Rename Selected Sound\tShift-R", "Set Default Sound File Format",
            "Delete Sound File and Close Window", "&Merge a Display", "Sa&ve Entire Display", "Save Selected Settings",
            "&Print Window(s)\tCtrl+P", "Print Pre&view", "Pri&nt Setup...", "Export &Figure...", "Recent File",
            "E&xit\tAlt+X"}},
        {MenuKind::Full, "&File|Import", {"Headerless Binary File", "File List as Display"}},
        {MenuKind::Full, "&File|Export", {"Selected Spectrograph to Text File", "Display to text file list",
            "Display AND sound files to specified location"}},
        {MenuKind::Full, "&Edit", {"&Undo\tCtrl+Z", "Cu&t\tCtrl+X", "&Copy Sound\tCtrl+C",
            "Copy Sound in Selected Channel", "&Paste Insert\tCtrl+V", "&Trim Waveform Selection\tCtrl+T",
            "&Delete Selection\tDelete", "&Klip n' Save Selection\tCtrl+K", "Klip n' Save Settings",
            "Copy &Bitmap of Current Window"}},
        {MenuKind::Full, "&View", {"As &Waveform\tAlt+W", "As &Spectragram\tAlt+S", "Make Time Scale Fit Window\tAlt+T",
            "Zoom &In Timescale\tAlt+ Page Up", "Zoom &Out Timescale\tAlt+ Page Down",
            "Make Spectragram Darker\tAlt + Up Arrow", "Make Spectragram Lighter\tAlt + Down Arrow",
            "&Hide All Cursors\tShift+H", "Hide Window Title Bars", "&Toolbar", "S&tatus Bar"}},
        {MenuKind::Full, "&User-Menu", {"Edit Menu List", "User Menu"}},
        {MenuKind::Full, "&Options", {"Active &Window Settings\tCtrl+W", "Recording Settings\tCtrl+R",
            "Loop Playback Mode Settings", "Virtual Recorder List", "New Window Sizing Options",
            "&Play Entire Soundfile\tP", "Play Copied &Clipboard\tShift+C", "&Loop Playback\tShift+L",
            "Start &Recording\tR", "Set System Priority "}},
        {MenuKind::Full, "&Tools", {"View / Edit Soundfile Format Info", "&Amplify\tAlt+A", "&Maximize\tAlt+M",
            "&Ramp\tAlt+R", "Reverse ", "Insert Silence\tInsert", "Insert Noise", "Insert Tone", "Amplitude Envelope",
            "&Filter Settings", "&Preset Filter\tCtrl+F", "&Filter Using Freq Cursors\tShift+F",
            "Filter Out Background Noise\tAlt+N", "Detect sounds in sound file", "Correlate With Another Soundfile",
            "Analyse Sound", "Apply Multiple Tools\tCtrl+M", "Settings for Multiple Tools"}},
        {MenuKind::Full, "&Tools|Annotation", {"Add Annotation Link to Sound File",
            "View Selected Window's Annotation File", "Save All Annotations for Selected Sound File",
            "General Annotation Settings", "Import annotations...", "Export annotations..."}},
        {MenuKind::Full, "Lo&g File", {"Current Logfile: <none>", "Logfile Settings", "Begin Logging Data\tAlt+L",
            "View Logfile", "Enter comment\tCtrl+E", "Clear Logfile"}},
        {MenuKind::Full, "&Playback", {"Playback trial settings", "Set trial start trigger",
            "Manually start trial timer", "Show trial timer", "Turn trial recording ON",
            "Save trial recording buffer"}},
        {MenuKind::Full, "Window|&Resize All to Current", {"Height and Width", "Height", "Width"}},
        {MenuKind::Full, "&Help", {"&Help Topics", "&About Tavril..."}},
        {MenuKind::Context, "", {"View as &Waveform", "View as &Spectragram", "View / Edit Soundfile Format ",
            "Window Settings", "Recording Settings", "Edit Selected Annotation", "Re-define Selected Annotation Box",
            "Play Selected Annotation", "Klip n' Save Selected Annotation", "Delete Selected Annotation",
            "Load New Sound ", "&Revert to Saved", "&Close", "&Save", "Save &As...", "Rename File\tShift-R",
            "Delete File and Load Next in Series\tAlt+Shift+D", "Delete File and Close Window"}},
        {MenuKind::Context, "&Tools", {"&Amplify\tAlt+A", "&Maximize\tAlt+M", "&Ramp\tAlt+R", "Reverse ",
            "Insert Silence\tInsert", "Insert Noise", "Insert Tone", "Amplitude Envelope", "Do Multiple Tools\tCtrl+M",
            "Settings for Multiple Tools", "&Filter Settings", "&Preset Filter\tCtrl+F",
            "&Filter Using Freq Cursors\tShift+F", "Filter Out Background Noise\tAlt+N"}},
        {MenuKind::Insertion, "", {"Insert Silence", "Insert Tone"}},
    };
    for (const auto& m : menus)
        EXPECT_EQ(Items(m.kind, m.path), m.items) << int(m.kind) << " " << m.path;
    const std::vector<std::string> window = Items(MenuKind::Full, "Window");
    std::vector<std::string> head(window.begin(), window.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{"&New Window", "&Cascade", "&Tile", "&Arrange Icons",
                                              "Rearrange All Windows", "Resize Display to Fit Screen"}));
}

TEST(CommandTable, ReceiversAndPromptsOfFullBar) {
    using R = Receiver;
    const std::map<std::string, std::pair<R, std::string>> expected = {
        {"&New Window\tCtrl+N", {R::Frame, "Create a new window\nNew"}},
        {"&Open File...\tCtrl+O", {R::Frame, "Open an existing sound file, display file, or settings file\nOpen"}},
        {"Load File &Into Selected Window\tCtrl+L",
         {R::ViewOrFrame, "Loads a new sound file into the currently selected window."}},
        {"&Close Selected Window", {R::View, "Close the currently selected window\nClose"}},
        {"C&lose All Windows", {R::Frame, "Closes all windows in display"}},
        {"&Save Selected Sound\tCtrl+S", {R::View, "Save the soundfile in the currently selected window\nSave"}},
        {"Save Selected Sound &As...\tCtrl+A",
         {R::ViewOrFrame, "Save the sound in the selected window with the option to give it a new file name"}},
        {"Sa&ve Entire Display", {R::Frame, "Save the current display for later recall"}},
        {"Save Selected Settings", {R::Frame, "Saves user specified settings so that they can be loaded later "}},
        {"&Print Window(s)\tCtrl+P", {R::ViewOrFrame, "Print the active window, or entire display\nPrint"}},
        {"E&xit\tAlt+X", {R::App, "Quit the application; prompts to save documents\nExit"}},
        {"Copy &Bitmap of Current Window", {R::View, "Copy current window image to clipboard\nCopy window"}},
        {"As &Spectragram\tAlt+S", {R::View, "View soundfile as a spectragram\nView as spectragram"}},
        {"Make Time Scale Fit Window\tAlt+T",
         {R::Frame, "When checked, stretches the spectrograph timescale to fit the window, when unchecked, window "
                    "uses fixed time scale settings"}},
        {"Zoom &Out Timescale\tAlt+ Page Down", {R::View, "Zoom out of active display to see more "}},
        {"&Hide All Cursors\tShift+H", {R::Frame, "Toggles between hiding and allowing window cursors to be visible"}},
        {"Hide Window Title Bars", {R::Frame, "Removes the titlebar above each window to increase display space"}},
        {"Active &Window Settings\tCtrl+W", {R::View, "Set window view settings\nWindow view settings"}},
        {"Recording Settings\tCtrl+R", {R::ViewOrFrame, "Set recording options"}},
        {"&Default Settings", {R::Frame, "Use saved default window settings"}},
        {"Start &Recording\tR", {R::Frame, "Start recording to the current window\nstart recording"}},
        {"View / Edit Soundfile Format Info",
         {R::View, "Change sample rate, number of channels, number of data bits, etc"}},
        {"&Filter Using Freq Cursors\tShift+F",
         {R::View, "Use Frequency cursors to set upper and lower frequency limits of filter"}},
        {"Apply Multiple Tools\tCtrl+M", {R::View, "Run multiple sound tools on sound in active window"}},
        {"Resize Display to Fit Screen", {R::Frame, ""}},
    };
    for (const auto& [text, want] : expected) {
        const MenuRow* row = RowByText(MenuKind::Full, text);
        ASSERT_NE(row, nullptr) << text;
        const CommandInfo* info = FindCommand(row->id);
        ASSERT_NE(info, nullptr) << text;
        EXPECT_EQ(info->receiver, want.first) << text;
        if (!want.second.empty()) {
            EXPECT_EQ(std::string(info->prompt), want.second) << text;
        }
    }
    EXPECT_EQ(std::string(FindCommand(Cmd::FileSaveAll)->prompt),
              "Saves the modified files in all currently open windows");
    EXPECT_EQ(PromptStatusText(*FindCommand(Cmd::FileNew)), "Create a new window");
    EXPECT_EQ(PromptTooltip(*FindCommand(Cmd::FileNew)), "New");
    EXPECT_EQ(PromptTooltip(*FindCommand(Cmd::FileCloseAll)), "");
}

TEST(CommandTable, KeyBindings) {
    const std::vector<std::pair<std::string, Cmd>> expected = {
        {"Ctrl+N", Cmd::FileNew}, {"Ctrl+O", Cmd::FileOpen}, {"Ctrl+L", Cmd::FileLoadInto},
        {"F8", Cmd::FileRevert}, {"Ctrl+S", Cmd::FileSave}, {"Ctrl+A", Cmd::FileSaveAs},
        {"Shift+R", Cmd::FileRename}, {"Ctrl+P", Cmd::Print}, {"Alt+X", Cmd::AppExit}, {"Ctrl+Z", Cmd::Undo},
        {"Alt+Backspace", Cmd::Undo}, {"Ctrl+X", Cmd::Cut}, {"Ctrl+C", Cmd::Copy}, {"Ctrl+V", Cmd::Paste},
        {"Ctrl+T", Cmd::Trim}, {"Del", Cmd::DeleteSelection}, {"Ctrl+K", Cmd::KlipSave},
        {"Alt+W", Cmd::ViewWaveform}, {"Alt+S", Cmd::ViewSpectrogram}, {"Alt+T", Cmd::TimeScaleFit},
        {"Alt+PgUp", Cmd::ZoomIn}, {"Alt+PgDown", Cmd::ZoomOut}, {"Alt+Up", Cmd::Darker},
        {"Alt+Down", Cmd::Lighter}, {"Shift+H", Cmd::HideCursors}, {"Home", Cmd::CursorHome},
        {"End", Cmd::CursorEnd}, {"PgUp", Cmd::CursorTopFreq}, {"PgDown", Cmd::CursorBottomFreq},
        {"Shift+Left", Cmd::StepTimeLeft}, {"Shift+Right", Cmd::StepTimeRight}, {"Shift+Up", Cmd::StepFreqUp},
        {"Shift+Down", Cmd::StepFreqDown}, {"F2", Cmd::ToggleCursorPair}, {"Ctrl+1", Cmd::Channel1},
        {"Ctrl+9", Cmd::Channel9}, {"Ctrl+0", Cmd::Channel10}, {"Left", Cmd::NeighbourLeft},
        {"Down", Cmd::NeighbourDown}, {"Ctrl+Left", Cmd::PrevAnnotation}, {"Ctrl+Right", Cmd::NextAnnotation},
        {"Return", Cmd::EditSelectionAnnotation}, {"Ctrl+Del", Cmd::DeleteSelectedAnnotation},
        {"Alt+Left", Cmd::PrevFileInFolder}, {"Alt+Right", Cmd::NextFileInFolder},
        {"Alt+Shift+D", Cmd::DeleteAndLoadNext}, {"Ctrl+W", Cmd::WindowSettings},
        {"Ctrl+R", Cmd::RecordingSettings}, {"P", Cmd::PlayEntire}, {"Shift+C", Cmd::PlayClipboard},
        {"Shift+L", Cmd::LoopPlayback}, {"R", Cmd::StartRecording}, {"Space", Cmd::PauseRecording},
        {"S", Cmd::SaveRecordingBuffer}, {"Esc", Cmd::StopAll}, {"Alt+A", Cmd::Amplify}, {"Alt+M", Cmd::Maximize},
        {"Alt+R", Cmd::Ramp}, {"Alt+I", Cmd::Reverse}, {"Ins", Cmd::InsertSilence}, {"Ctrl+F", Cmd::PresetFilter},
        {"Shift+F", Cmd::FilterFreqCursors}, {"Alt+N", Cmd::FilterNoise}, {"Ctrl+M", Cmd::MultipleTools},
        {"Alt+L", Cmd::LogBegin}, {"Ctrl+E", Cmd::LogComment}, {"F4", Cmd::ReloadAnnotations},
        {"F5", Cmd::RedrawAll}, {"Ctrl+G", Cmd::GoToTime}, {"F6", Cmd::NextPane}, {"Shift+F6", Cmd::PrevPane},
        {"F1", Cmd::HelpTopics}, {"Shift+F1", Cmd::ContextHelp},
    };
    std::map<std::string, Cmd> table;
    for (const auto& k : KeyRows()) {
        EXPECT_TRUE(table.emplace(k.key, k.id).second) << "key bound twice: " << k.key;
    }
    for (const auto& [key, id] : expected) {
        auto it = table.find(key);
        ASSERT_NE(it, table.end()) << key;
        EXPECT_EQ(it->second, id) << key;
    }
    EXPECT_EQ(table.size(), 84u);
    EXPECT_EQ(KeysFor(Cmd::Undo), (std::vector<std::string>{"Ctrl+Z", "Alt+Backspace"}));
}

TEST(CommandTable, KeyShownInMenuMatchesBinding) {
    // The text after "\t" names a key that really is bound to the item's command.
    const std::map<std::string, std::string> spelled = {
        {"Alt+ Page Up", "Alt+PgUp"},        {"Alt+ Page Down", "Alt+PgDown"}, {"Alt + Up Arrow", "Alt+Up"},
        {"Alt + Down Arrow", "Alt+Down"},    {"Delete", "Del"},                {"Insert", "Ins"},
        {"Shift-R", "Shift+R"},
    };
    for (const auto& r : MenuRows()) {
        std::string text = r.text;
        auto tab = text.find('\t');
        if (tab == std::string::npos)
            continue;
        std::string key = text.substr(tab + 1);
        if (auto it = spelled.find(key); it != spelled.end())
            key = it->second;
        auto keys = KeysFor(r.id);
        EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << text;
    }
}

TEST(CommandTable, ToolbarOrder) {
    EXPECT_EQ(ToolbarRows(), (std::vector<Cmd>{Cmd::FileNew, Cmd::FileOpen, Cmd::FileSave, Cmd::None, Cmd::Cut,
                                               Cmd::Copy, Cmd::Paste, Cmd::None, Cmd::Print, Cmd::About}));
}

TEST(CommandTable, ViewOnlyCommandsNeedAView) {
    // A command received only by the view cannot run without a sound window.
    for (const auto& info : CommandInfos())
        if (info.receiver == Receiver::View) {
            EXPECT_NE(info.rule, EnableRule::Always) << info.name;
        }
    EXPECT_EQ(FindCommand(Cmd::ZoomIn)->rule, EnableRule::FixedScale);
    EXPECT_EQ(FindCommand(Cmd::ZoomOut)->rule, EnableRule::FixedScale);
    EXPECT_EQ(FindCommand(Cmd::Rearrange)->rule, EnableRule::TwoWindows);
}
