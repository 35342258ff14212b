#pragma once
// CSoundClipboard: the one sound clipboard of all windows: the clip file
// (a WAV file in the user's private runtime folder), the cursor-play file
// beside it, and the flag that the clip file holds a sound.
//
// The folder is $XDG_RUNTIME_DIR/tavril, or <temp>/tavril-<uid> without a
// runtime folder; it is created with mode 0700 and refused when it is not a
// private folder of this user (a planted folder or link in /tmp must not
// receive the user's clips).
//
// Ownership: one object for the program, made by main(). Threading: UI thread.

#include <string>

namespace tavril {

class CSoundClipboard {
public:
    // `folder` empty: the default folder above.
    explicit CSoundClipboard(std::string folder = {});

    // Creates the folder if needed; false when it cannot be used.
    bool Prepare();
    // Start-up: delete the old clip file, clear the flag.
    void Reset();

    const std::string& Folder() const { return m_folder; }
    const std::string& ClipPath() const { return m_clipPath; }
    const std::string& CursorPlayPath() const { return m_cursorPlayPath; }
    bool HasSound() const { return m_hasSound; }
    void SetHasSound(bool has) { m_hasSound = has; }

    static std::string DefaultFolder();

private:
    std::string m_folder;
    std::string m_clipPath;
    std::string m_cursorPlayPath;
    bool m_hasSound = false;
};

} // namespace tavril
